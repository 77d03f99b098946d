// The handover report of the window's configuration, with what this connection knows of its visit.
#include "message_box.h"
#include "register_fault.h"
#include "report_company.h"
#include "signal_picture.h"
#include "technician.h"
#include "tfraport.h"
#include "tffirma.h"
#include "tmain.h"

void TMain::Raport1Click() {
  if (RefusedDuringOperation()) return;
  // As the upload does: the report shows what the window would send.
  Editing->LeaveFocusedField();
  const std::optional<ConfigRecord> record = WindowRecord();
  if (!record) return;
  ReportData data;
  data.record = *record;
  data.password = PasswordBytes();
  data.firmware = Status.FirmwareCaption();
  data.technician = Technician::Name();
  data.source = QStringLiteral("okno programu velt");
  data.made = QDateTime::currentDateTime();
  QString warning;
  if (RegisterStore* store = Register->Store(&warning)) {
    try {
      data.company = LetterheadOf(CompanyRegister(*store).Current());
    } catch (const RegisterFault&) {
      // The report goes without a letterhead rather than not at all.
    }
  }
  if (const std::optional<Installation> site = LocalInstallation(ConfigHistory.Installation()))
    data.site = ReportSite{site->fields.site, site->fields.name, site->fields.address, site->fields.contact};
  // Only a connection that read the controller knows what the visit changed, and its signal.
  if (const ConfigRecord* found = ConfigHistory.Found()) {
    data.before = *found;
    data.signal = VisitSignal(History);
  }
  // What the window shows and the controller does not hold yet.
  if (const ConfigRecord* held = ConfigHistory.Held())
    for (const ItemDifference& difference : CompareRecords(*held, *record)) data.unsaved.append(difference.item);
  TFRaport dialog(std::move(data), ChooseReportFile, this);
  if (Register->Store(&warning)) dialog.SetEditCompany([this, &dialog]() -> std::optional<std::optional<ReportCompany>> {
      return EditCompanyDetails(&dialog);
    });
  dialog.exec();
}

std::optional<std::optional<ReportCompany>> TMain::EditCompanyDetails(QWidget* parent) {
  QString warning;
  RegisterStore* store = Register->Store(&warning);
  if (!store) {
    ErrorBox(QStringLiteral("Nie można otworzyć rejestru instalacji: %1").arg(warning));
    return std::nullopt;
  }
  try {
    CompanyRegister company(*store);
    TFFirma dialog(company.Current(), ChooseOpenFile, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    company.Edit(dialog.Changes(), Technician::Name());
    return LetterheadOf(company.Current());
  } catch (const RegisterFault& fault) {
    ErrorBox(fault.message());
    return std::nullopt;
  }
}
