#pragma once
// A PostgreSQL server of the test's own: a new cluster in a temporary folder, on a free port of
// the loopback, with password logins only, run by an unprivileged user when the test runs as
// root (the server refuses root). Roles' passwords are in a password file of its own, which the
// client library reads through PGPASSFILE, as it would ~/.pgpass.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include "register_choice.h"

class PostgresServer {
 public:
  static constexpr char Admin[] = "velt_admin";

  // The newest installed server's programs; empty when there is none.
  static QString Programs() {
    QStringList found = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(found.begin(), found.end(), [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    for (auto it = found.crbegin(); it != found.crend(); ++it) {
      const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(*it);
      if (QFile::exists(bin + QStringLiteral("/pg_ctl"))) return bin;
    }
    return {};
  }

  // Made and started; *error says why not.
  bool Begin(QString* error) {
    bin_ = Programs();
    if (bin_.isEmpty()) return Fail(error, QStringLiteral("no PostgreSQL server programs in /usr/lib/postgresql"));
    if (!folder_.isValid()) return Fail(error, QStringLiteral("no temporary folder"));
    port_ = FreePort();
    if (::getuid() == 0) {
      const passwd* nobody = ::getpwnam("nobody");
      if (!nobody) return Fail(error, QStringLiteral("no user 'nobody' to run the server as"));
      runAs_ = {QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--")};
      if (::chown(QFile::encodeName(folder_.path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0)
        return Fail(error, QStringLiteral("cannot give the folder to nobody"));
    }
    const QString pwfile = folder_.filePath(QStringLiteral("pw"));
    WriteFile(pwfile, AdminPassword().toUtf8());
    if (!runAs_.isEmpty()) ::chown(QFile::encodeName(pwfile).constData(), ::getpwnam("nobody")->pw_uid, 0);
    if (!Tool(QStringLiteral("initdb"), {QStringLiteral("-D"), Data(), QStringLiteral("-U"), QLatin1String(Admin),
                                         QStringLiteral("--auth=scram-sha-256"), QStringLiteral("--pwfile=") + pwfile,
                                         QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C.UTF-8"),
                                         QStringLiteral("--no-sync")},
              error))
      return false;
    QFile::remove(pwfile);
    passFile_ = folder_.filePath(QStringLiteral("pgpass"));
    qputenv("PGPASSFILE", QFile::encodeName(passFile_));
    AddPassword(QLatin1String(Admin), AdminPassword());
    return Start(error);
  }

  bool Start(QString* error) {
    return Tool(QStringLiteral("pg_ctl"),
                {QStringLiteral("-D"), Data(), QStringLiteral("-l"), folder_.filePath(QStringLiteral("log")),
                 QStringLiteral("-w"), QStringLiteral("-o"),
                 QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=60")
                     .arg(port_)
                     .arg(folder_.path()),
                 QStringLiteral("start")},
                error);
  }
  bool Stop(QString* error) {
    return Tool(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), Data(), QStringLiteral("-m"), QStringLiteral("fast"),
                                           QStringLiteral("-w"), QStringLiteral("stop")},
                error);
  }
  ~PostgresServer() {
    if (!bin_.isEmpty() && QFile::exists(Data() + QStringLiteral("/postmaster.pid"))) {
      QString ignored;
      Tool(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), Data(), QStringLiteral("-m"), QStringLiteral("immediate"),
                                      QStringLiteral("-w"), QStringLiteral("stop")},
           &ignored);
    }
  }

  int Port() const { return port_; }
  SharedTarget Target(const QString& user, const QString& database) const {
    return {user, QStringLiteral("127.0.0.1"), port_, database, {}};
  }

  // A line of the password file; the client library reads it at each connect.
  void AddPassword(const QString& role, const QString& password) {
    QFile file(passFile_);
    file.open(QIODevice::Append);
    file.write(QStringLiteral("127.0.0.1:%1:*:%2:%3\n").arg(port_).arg(role, password).toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  }

  // Runs the statements as the administrator in `database`; *error says why one failed.
  bool Sql(const QString& database, const QStringList& statements, QString* error) const {
    const QString name = QUuid::createUuid().toString();
    bool ok = true;
    {
      QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
      db.setHostName(QStringLiteral("127.0.0.1"));
      db.setPort(port_);
      db.setDatabaseName(database);
      db.setUserName(QLatin1String(Admin));
      if (!db.open()) {
        *error = db.lastError().text();
        ok = false;
      }
      QSqlQuery query(db);
      for (const QString& statement : statements)
        if (ok && !query.exec(statement)) {
          *error = statement + QStringLiteral(": ") + query.lastError().text();
          ok = false;
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
  }

  // A client program of the server's (pg_dump, psql) run as the administrator on `database`.
  bool Client(const QString& tool, const QString& database, const QStringList& arguments, QString* error) const {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(bin_ + u'/' + tool, QStringList{QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                                                  QString::number(port_), QStringLiteral("-U"), QLatin1String(Admin),
                                                  QStringLiteral("-d"), database}
                                          + arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
      *error = tool + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll());
      return false;
    }
    return true;
  }

  // One value the administrator reads; an invalid one when it cannot.
  QVariant Value(const QString& database, const QString& sql) const {
    const QString name = QUuid::createUuid().toString();
    QVariant value;
    {
      QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
      db.setHostName(QStringLiteral("127.0.0.1"));
      db.setPort(port_);
      db.setDatabaseName(database);
      db.setUserName(QLatin1String(Admin));
      if (db.open()) {
        QSqlQuery query(db);
        if (query.exec(sql) && query.next()) value = query.value(0);
      }
    }
    QSqlDatabase::removeDatabase(name);
    return value;
  }

 private:
  static QString AdminPassword() { return QStringLiteral("admin-secret"); }
  static bool Fail(QString* error, const QString& why) {
    *error = why;
    return false;
  }
  static void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
  }
  // A port nobody listens on now: the system's pick for a socket bound to port 0.
  static int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
      port = ntohs(address.sin_port);
    ::close(fd);
    return port;
  }
  QString Data() const { return folder_.filePath(QStringLiteral("data")); }
  bool Tool(const QString& tool, const QStringList& arguments, QString* error) const {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QString program = bin_ + u'/' + tool;
    if (runAs_.isEmpty())
      process.start(program, arguments);
    else
      process.start(runAs_.first(), runAs_.mid(1) + QStringList{program} + arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
      *error = tool + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll());
      return false;
    }
    return true;
  }

  QTemporaryDir folder_;
  QString bin_, passFile_;
  QStringList runAs_;
  int port_ = 0;
};
