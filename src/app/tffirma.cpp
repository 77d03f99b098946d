#include "tffirma.h"

#include <QFile>
#include <QImage>

#include "message_box.h"
#include "ui_tffirma.h"

namespace {
// A logo is a small picture; a larger file is surely not the one meant.
constexpr qint64 MaxLogoSize = 4 * 1024 * 1024;
}  // namespace

TFFirma::TFFirma(const CompanyDetails& current, ChooseFile chooseLogo, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFFirma>()), current_(current), logo_(current.logo), chooseLogo_(std::move(chooseLogo)) {
  ui->setupUi(this);
  ui->Edit_nazwa->setText(current.name);
  ui->Edit_adres->setText(current.address);
  ui->Edit_telefon->setText(current.phone);
  ui->Edit_email->setText(current.email);
  ui->Edit_nip->setText(current.taxId);
  ShowLogo();
  connect(ui->ButtonLogo, &QPushButton::clicked, this, &TFFirma::ChooseLogo);
  connect(ui->ButtonZapisz, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui->ButtonAnuluj, &QPushButton::clicked, this, &QDialog::reject);
}

TFFirma::~TFFirma() = default;

void TFFirma::ShowLogo() {
  const QImage image = QImage::fromData(logo_);
  ui->LabelLogo->setText(image.isNull() ? QStringLiteral("brak") : QStringLiteral("%1 × %2 px").arg(image.width()).arg(image.height()));
}

void TFFirma::ChooseLogo() {
  const QString path = chooseLogo_(QStringLiteral("Obraz PNG albo JPEG (*.png *.jpg *.jpeg)"));
  if (path.isEmpty()) return;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return ErrorBox(QStringLiteral("Nie można otworzyć pliku %1: %2").arg(path, file.errorString()));
  const QByteArray bytes = file.read(MaxLogoSize + 1);
  if (bytes.size() > MaxLogoSize || QImage::fromData(bytes).isNull())
    return ErrorBox(QStringLiteral("%1: to nie jest obraz PNG ani JPEG (do 4 MB).").arg(path));
  logo_ = bytes;
  ShowLogo();
}

CompanyEdit TFFirma::Changes() const {
  CompanyEdit edit;
  const auto changed = [](std::optional<QString>& field, const QString& shown, const QString& kept) {
    if (shown.trimmed() != kept) field = shown.trimmed();
  };
  changed(edit.name, ui->Edit_nazwa->text(), current_.name);
  changed(edit.address, ui->Edit_adres->text(), current_.address);
  changed(edit.phone, ui->Edit_telefon->text(), current_.phone);
  changed(edit.email, ui->Edit_email->text(), current_.email);
  changed(edit.taxId, ui->Edit_nip->text(), current_.taxId);
  if (logo_ != current_.logo) edit.logo = logo_;
  return edit;
}
