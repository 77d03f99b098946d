#pragma once
// The network ports the user has named (`velt-cli ports add`, the "COM?" dialog), kept in
// velt.conf's own section as NAME=URL, so that a name can stand for its port wherever one is given.
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

struct KnownNetPort {
  QString name;
  QByteArray url;
  bool operator==(const KnownNetPort&) const = default;
};

class KnownNetPorts {
 public:
  explicit KnownNetPorts(QString settingsPath) : path_(std::move(settingsPath)) {}

  QList<KnownNetPort> List() const;  // by name
  std::optional<QByteArray> Find(const QString& name) const;
  // False with *error (Polish) for a bad name or URL, or a file that cannot be written. Adding a
  // name again replaces its URL.
  bool Add(const QString& name, const QByteArray& url, QString* error) const;
  bool Remove(const QString& name, QString* error) const;

 private:
  QString path_;
};
