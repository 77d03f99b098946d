#pragma once
// The application object: exceptions that escape an event handler go to one handler instead of
// ending the program (Qt's event loop does not carry exceptions).
#include <QApplication>
#include <exception>
#include <functional>

class TApplication : public QApplication {
 public:
  using ExceptionHandler = std::function<void(QObject* sender, const std::exception& error)>;

  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

  void SetExceptionHandler(ExceptionHandler handler) { OnException = std::move(handler); }

 private:
  void Handle(QObject* receiver, const std::exception& error);
  ExceptionHandler OnException;
};
