#include "application.h"

#include <QMessageBox>
#include <stdexcept>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    Handle(receiver, error);
  } catch (...) {
    Handle(receiver, std::runtime_error("Unknown error"));
  }
  return false;
}

void TApplication::Handle(QObject* receiver, const std::exception& error) {
  if (OnException) {
    try {
      OnException(receiver, error);
    } catch (...) {
      // a handler that fails itself must not take the program down
    }
    return;
  }
  QMessageBox::critical(activeWindow(), QStringLiteral("Error"), QString::fromUtf8(error.what()));
}
