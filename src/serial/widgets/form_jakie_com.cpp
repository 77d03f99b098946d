#include "form_jakie_com.h"

#include "ui_form_jakie_com.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>

namespace {
constexpr int ColumnRoom = 16;        // beside a column's widest text
constexpr int WidestNameColumn = 360;  // longer names are shortened in the middle (whole as hint)
}  // namespace

TFormJakieCOM::TFormJakieCOM(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TFormJakieCOM>()) {
  ui->setupUi(this);
  ui->ListaPortow->header()->setSectionsMovable(false);
  connect(ui->Button1, &QPushButton::clicked, this, &TFormJakieCOM::Button1Click);
  // The names cannot be selected as text: Ctrl+C copies the chosen port's name.
  auto* copy = new QShortcut(QKeySequence::Copy, ui->ListaPortow, nullptr, nullptr, Qt::WidgetShortcut);
  connect(copy, &QShortcut::activated, this, [this] {
    if (const QTreeWidgetItem* item = ui->ListaPortow->currentItem()) QApplication::clipboard()->setText(item->text(0));
  });
}

TFormJakieCOM::~TFormJakieCOM() = default;

void TFormJakieCOM::ShowPorts(const QByteArrayList& portNames, const QStringList& deviceNames) {
  QTreeWidget* list = ui->ListaPortow;
  list->clear();
  const QFontMetrics metrics = list->fontMetrics();
  int nameWidth = list->header()->sectionSizeHint(0);
  int deviceWidth = list->header()->sectionSizeHint(1);
  for (qsizetype i = 0; i < portNames.size(); ++i) {
    const QString name = QFile::decodeName(portNames[i]);
    const QString device = deviceNames.value(i);
    auto* item = new QTreeWidgetItem(list, {name, device});
    item->setToolTip(0, name);
    item->setToolTip(1, device);
    nameWidth = qMax(nameWidth, metrics.horizontalAdvance(name) + ColumnRoom);
    deviceWidth = qMax(deviceWidth, metrics.horizontalAdvance(device) + ColumnRoom);
  }
  nameWidth = qMin(nameWidth, WidestNameColumn);
  list->header()->resizeSection(0, nameWidth);
  FitWidth(nameWidth + deviceWidth);
}

// Wide enough for both columns, up to the screen's width; never narrower than the user made it,
// and centred where it was.
void TFormJakieCOM::FitWidth(int columnsWidth) {
  QTreeWidget* list = ui->ListaPortow;
  const QMargins margins = layout()->contentsMargins();
  const int chrome = margins.left() + margins.right() + 2 * list->frameWidth() +
                     list->verticalScrollBar()->sizeHint().width();
  int wanted = qMax(width(), columnsWidth + chrome);
  if (const QScreen* screen = this->screen()) wanted = qMin(wanted, screen->availableGeometry().width() * 9 / 10);
  if (wanted <= width()) return;
  const QPoint centre = geometry().center();
  resize(wanted, height());
  if (isVisible()) move(pos() + centre - geometry().center());
}

void TFormJakieCOM::Button1Click() {
  if (OnRefresh) OnRefresh();
}
