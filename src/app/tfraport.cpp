#include "tfraport.h"

#include <QPrintDialog>
#include <QPrinter>

#include "atomic_write.h"
#include "message_box.h"
#include "report_document.h"
#include "report_pages.h"
#include "report_pdf.h"
#include "ui_tfraport.h"

TFRaport::TFRaport(ReportData data, ChooseFile chooseFile, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFRaport>()), data_(std::move(data)), chooseFile_(std::move(chooseFile)) {
  ui->setupUi(this);
  connect(ui->ButtonZapiszPdf, &QPushButton::clicked, this, &TFRaport::SavePdf);
  connect(ui->ButtonDrukuj, &QPushButton::clicked, this, &TFRaport::Print);
  connect(ui->ButtonZamknij, &QPushButton::clicked, this, &QDialog::accept);
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
  const QString path = chooseFile_(QStringLiteral("Dokument PDF (*.pdf)"), QStringLiteral("pdf"));
  if (path.isEmpty()) return;
  if (!WriteFileAtomically(path, *pdf, &error)) ErrorBox(error);
}

void TFRaport::Print() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageLayout(ReportPageLayout());
  printer.setDocName(QString::fromUtf8(ReportTitle));
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  QString error;
  if (!PaintReport(Data(), printer, &error)) ErrorBox(error);
}
