#pragma once
// Why the register could not do what was asked, told in the programs' language. Every function
// of the register throws it; a front end shows the message and goes on without the register.
#include <QByteArray>
#include <QString>
#include <exception>

class QSqlError;

class RegisterFault : public std::exception {
 public:
  enum class Kind {
    Damaged,      // not a database, cut short, or malformed: it is left as it is
    Busy,         // another program held it longer than the wait allows
    Newer,        // made by a newer velt, whose schema this one does not know
    Unavailable,  // the folder or file cannot be made or opened, the disk is full, ...
    Refused,      // what was asked cannot be done: a site already taken, an unknown entry
  };

  RegisterFault(Kind kind, QString message)
      : kind_(kind), message_(std::move(message)), utf8_(message_.toUtf8()) {}

  // The fault of a failed statement on the register at `path`, told in Polish: the engine's own
  // texts are English and never part of it.
  static RegisterFault OfError(const QSqlError& error, const QString& path);
  static RegisterFault Damage(const QString& path, const QString& reason);
  // What the engine's error means, in Polish.
  static QString Meaning(const QSqlError& error);

  Kind kind() const { return kind_; }
  const QString& message() const { return message_; }
  // The message as UTF-8, for whatever catches it as any exception.
  const char* what() const noexcept override { return utf8_.constData(); }

 private:
  Kind kind_;
  QString message_;
  QByteArray utf8_;
};
