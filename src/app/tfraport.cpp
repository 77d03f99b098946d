#include "tfraport.h"

#include <QDir>
#include <QPrintDialog>
#include <QPrinter>

#include "atomic_write.h"
#include "item_words.h"
#include "message_box.h"
#include "report_document.h"
#include "report_file_name.h"
#include "report_pages.h"
#include "report_pdf.h"
#include "ui_tfraport.h"

TFRaport::TFRaport(ReportData data, ChooseFile chooseFile, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFRaport>()), data_(std::move(data)), chooseFile_(std::move(chooseFile)) {
  ui->setupUi(this);
  // Before anything is made: a customer must not sign for what the controller does not hold.
  if (!data_.unsaved.isEmpty()) {
    QStringList items;
    for (const int item : std::as_const(data_.unsaved)) items << ItemWords::Caption(item);
    ui->LabelNiezapisane->setText(
        QStringLiteral("Uwaga: sterownik nie ma zmian z okna (%1). Raport oznaczy je jako „niezapisane w sterowniku”; "
                       "wyślij konfigurację do sterownika, zanim klient podpisze raport.")
            .arg(items.join(QStringLiteral(", "))));
    ui->LabelNiezapisane->setVisible(true);
  }
  adjustSize();
  ChoosePrinter = [this](QPrinter& printer) { return QPrintDialog(&printer, this).exec() == QDialog::Accepted; };
  connect(ui->ButtonZapiszPdf, &QPushButton::clicked, this, &TFRaport::SavePdf);
  connect(ui->ButtonDrukuj, &QPushButton::clicked, this, &TFRaport::Print);
  connect(ui->ButtonZamknij, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui->ButtonDaneFirmy, &QPushButton::clicked, this, [this] {
    if (const auto letterhead = editCompany_()) data_.company = *letterhead;
  });
}

void TFRaport::SetEditCompany(EditCompany edit) {
  editCompany_ = std::move(edit);
  ui->ButtonDaneFirmy->setVisible(bool(editCompany_));
}

TFRaport::~TFRaport() = default;

ReportData TFRaport::Data() const {
  ReportData data = data_;
  data.revealSecrets = ui->BoxJawnie->isChecked();
  return data;
}

void TFRaport::SavePdf() {
  QString error;
  const std::optional<QByteArray> pdf = ReportPdf(Data(), &error);
  if (!pdf) return ErrorBox(error);
  const QString path = chooseFile_(ReportFileName(data_));
  if (path.isEmpty()) return;
  if (!WriteFileAtomically(path, *pdf, &error)) return ErrorBox(error);
  ui->LabelZapisano->setText(QStringLiteral("Raport zapisano w pliku %1").arg(QDir::toNativeSeparators(path)));
  adjustSize();
}

void TFRaport::Print() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageLayout(ReportPageLayout());
  printer.setDocName(QString::fromUtf8(ReportTitle));
  if (!ChoosePrinter(printer)) return;
  QString error;
  if (!PaintReport(Data(), printer, &error)) ErrorBox(error);
}
