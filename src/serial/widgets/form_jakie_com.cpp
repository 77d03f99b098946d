#include "form_jakie_com.h"

#include "ui_form_jakie_com.h"

#include <QFile>
#include <QScreen>
#include <QScrollBar>

namespace {
constexpr int Margin = 8;     // around the boxes, as laid out in the form
constexpr int TextRoom = 24;  // a box's frame and document margins beside its widest line

// The boxes' lines move together, whichever of them is scrolled.
void ScrollTogether(QPlainTextEdit* a, QPlainTextEdit* b) {
  QObject::connect(a->verticalScrollBar(), &QScrollBar::valueChanged, b->verticalScrollBar(), &QScrollBar::setValue);
  QObject::connect(b->verticalScrollBar(), &QScrollBar::valueChanged, a->verticalScrollBar(), &QScrollBar::setValue);
}

int WidestLine(const QPlainTextEdit* box, const QStringList& lines) {
  int widest = 0;
  for (const QString& line : lines) widest = qMax(widest, box->fontMetrics().horizontalAdvance(line));
  return widest + TextRoom + box->verticalScrollBar()->sizeHint().width();
}
}  // namespace

TFormJakieCOM::TFormJakieCOM(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TFormJakieCOM>()) {
  ui->setupUi(this);
  ScrollTogether(ui->PortyCom, ui->DevCom);
  connect(ui->Button1, &QPushButton::clicked, this, &TFormJakieCOM::Button1Click);
  connect(ui->Button_dodaj, &QPushButton::clicked, this, &TFormJakieCOM::Button_dodajClick);
  connect(ui->Button_usun, &QPushButton::clicked, this, &TFormJakieCOM::Button_usunClick);
}

TFormJakieCOM::~TFormJakieCOM() = default;

void TFormJakieCOM::ShowPorts(const QByteArrayList& portNames, const QStringList& deviceNames) {
  QStringList names;
  for (const QByteArray& name : portNames) names << QFile::decodeName(name);
  ui->PortyCom->clear();
  ui->DevCom->clear();
  for (const QString& name : names) ui->PortyCom->appendPlainText(name);
  for (const QString& name : deviceNames) ui->DevCom->appendPlainText(name);
  FitWidths(names, deviceNames);
}

// The form's own layout while the names fit it; wider boxes (up to most of the screen) when
// Linux names do not, the name box first. The dialog stays centred where it was.
void TFormJakieCOM::FitWidths(const QStringList& names, const QStringList& devices) {
  static const QRect NameBox(8, 24, 81, 137), DeviceBox(88, 24, 185, 137);
  const int overlap = NameBox.right() + 1 - DeviceBox.left();
  int nameWidth = qMax(NameBox.width(), WidestLine(ui->PortyCom, names));
  int deviceWidth = qMax(DeviceBox.width(), WidestLine(ui->DevCom, devices));
  if (const QScreen* screen = this->screen()) {
    const int room = screen->availableGeometry().width() * 9 / 10 - 2 * Margin + overlap;
    deviceWidth = qMin(deviceWidth, qMax(DeviceBox.width(), room / 3));
    nameWidth = qMin(nameWidth, qMax(NameBox.width(), room - deviceWidth));
  }
  const int formWidth = NameBox.left() + nameWidth - overlap + deviceWidth + Margin;
  const QPoint centre = geometry().center();
  ui->PortyCom->setGeometry(NameBox.left(), NameBox.top(), nameWidth, NameBox.height());
  ui->DevCom->setGeometry(NameBox.left() + nameWidth - overlap, DeviceBox.top(), deviceWidth, DeviceBox.height());
  ui->Label1->resize(formWidth - 2 * Margin, ui->Label1->height());
  ui->Button1->resize(formWidth - 2 * Margin, ui->Button1->height());
  ui->Label_siec->resize(formWidth - 2 * Margin, ui->Label_siec->height());
  ui->Edit_nazwa->setGeometry(NameBox.left(), ui->Edit_nazwa->y(), nameWidth, ui->Edit_nazwa->height());
  ui->Edit_adres->setGeometry(NameBox.left() + nameWidth - overlap, ui->Edit_adres->y(), deviceWidth, ui->Edit_adres->height());
  const int half = (formWidth - 2 * Margin - Margin / 2) / 2;
  ui->Button_dodaj->resize(half, ui->Button_dodaj->height());
  ui->Button_usun->setGeometry(formWidth - Margin - half, ui->Button_usun->y(), half, ui->Button_usun->height());
  setFixedSize(formWidth, height());
  if (isVisible()) move(pos() + centre - geometry().center());
}

void TFormJakieCOM::Button1Click() {
  if (OnRefresh) OnRefresh();
}

void TFormJakieCOM::Button_dodajClick() {
  if (!OnAddNetworkPort) return;
  if (!OnAddNetworkPort(ui->Edit_nazwa->text().trimmed(), ui->Edit_adres->text().trimmed().toUtf8())) return;
  ui->Edit_nazwa->clear();
  ui->Edit_adres->clear();
}

void TFormJakieCOM::Button_usunClick() {
  if (!OnRemoveNetworkPort) return;
  if (OnRemoveNetworkPort(ui->Edit_nazwa->text().trimmed())) ui->Edit_nazwa->clear();
}
