#include "message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace {
void Show(QMessageBox::Icon icon, const QString& title, const QString& text) {
  QMessageBox box(icon, title, text, QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}
}  // namespace

void ErrorBox(const QString& text) { Show(QMessageBox::Critical, QStringLiteral("Error"), text); }
void InformationBox(const QString& text) {
  Show(QMessageBox::Information, QStringLiteral("Information"), text);
}
void WarningBox(const QString& text) { Show(QMessageBox::Warning, QStringLiteral("Warning"), text); }
