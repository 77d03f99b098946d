#pragma once
// The installer company's details for the report's letterhead, edited from the report dialog.
#include <QDialog>
#include <functional>
#include <memory>

#include "company_details.h"

namespace Ui {
class TFFirma;
}

class TFFirma : public QDialog {
  Q_OBJECT
 public:
  // The file dialog for the logo; empty when cancelled (tests answer it).
  using ChooseFile = std::function<QString(const QString& filter)>;

  TFFirma(const CompanyDetails& current, ChooseFile chooseLogo, QWidget* parent);
  ~TFFirma() override;

  // The fields the user changed.
  CompanyEdit Changes() const;

 private:
  void ChooseLogo();
  void ShowLogo();

  std::unique_ptr<Ui::TFFirma> ui;
  CompanyDetails current_;
  QByteArray logo_;
  ChooseFile chooseLogo_;
};
