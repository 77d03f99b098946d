#pragma once
// The handover report of the window's configuration: saved as PDF or printed.
#include <QDialog>
#include <functional>
#include <memory>

#include "report_data.h"

class QPrinter;

namespace Ui {
class TFRaport;
}

class TFRaport : public QDialog {
  Q_OBJECT
 public:
  // The file dialog offering the suggested name; empty when cancelled (tests answer it).
  using ChooseFile = std::function<QString(const QString& suggested)>;

  TFRaport(ReportData data, ChooseFile chooseFile, QWidget* parent);
  // The print dialog: false when cancelled (tests set the printer themselves).
  std::function<bool(QPrinter& printer)> ChoosePrinter;
  // The company's details edited: the letterhead from now on; nullopt when nothing changed.
  // Unset: no "Dane firmy…" (no register).
  using EditCompany = std::function<std::optional<std::optional<ReportCompany>>()>;
  void SetEditCompany(EditCompany edit);
  ~TFRaport() override;

  void SavePdf();
  void Print();

 private:
  ReportData Data() const;  // with the secrets as the box says

  std::unique_ptr<Ui::TFRaport> ui;
  ReportData data_;
  ChooseFile chooseFile_;
  EditCompany editCompany_;
};
