#pragma once
// The installer company's details for the report's letterhead, kept in the register as edits of
// single fields: the newest edit of each field is its value, so that computers that edit
// different fields offline both keep theirs.
#include <QByteArray>
#include <QString>
#include <optional>

#include "register_store.h"

struct CompanyDetails {
  QString name, address, phone, email, taxId;
  QByteArray logo;  // the image file's bytes as given (PNG, JPEG)

  bool IsEmpty() const { return name.isEmpty() && address.isEmpty() && phone.isEmpty() && email.isEmpty() && taxId.isEmpty() && logo.isEmpty(); }
};

// What an edit changes: the fields given, the others kept.
struct CompanyEdit {
  std::optional<QString> name, address, phone, email, taxId;
  std::optional<QByteArray> logo;
};

class CompanyRegister {
 public:
  // Makes its table when the register has none. Throws RegisterFault.
  explicit CompanyRegister(RegisterStore& store);

  // Throws RegisterFault.
  CompanyDetails Current();
  void Edit(const CompanyEdit& edit, const QString& technician);

 private:
  RegisterStore& store_;
};
