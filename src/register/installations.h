#pragma once
// The installations a company serves, each under the identifier it chose (the `site` of the
// provisioning table), with who made it and who changed it last. Every change is kept as an edit
// of its own, so that a shared register can take them later in any order, twice harmlessly.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantList>
#include <optional>

class RegisterStore;

struct InstallationFields {
  QString site, name, address, contact, notes;

  bool operator==(const InstallationFields&) const = default;
};

struct Installation {
  QString uuid;
  InstallationFields fields;
  QDateTime created, changed;
  QString createdBy, changedBy;
};

// An installation as a search lists it, with its newest configuration.
struct ListedInstallation {
  Installation installation;
  QString latestConfiguration;  // its UUID; empty when the installation has none
  QDateTime lastVisit;          // when that was kept, in the local time it was kept at
  QString firmware, technician;
};

class Installations {
 public:
  // How many installations having a text make it common: it is then looked for among the most
  // recently visited first rather than in the index.
  static constexpr int CommonCount = 500;

  explicit Installations(RegisterStore& store, int commonCount = CommonCount)
      : store_(store), commonCount_(commonCount) {}

  // The new installation's UUID. Throws RegisterFault: Refused for an empty or taken site.
  QString Add(const InstallationFields& fields, const QString& technician);
  // Throws RegisterFault: Refused for an unknown installation or a site taken by another.
  void Edit(const QString& uuid, const InstallationFields& fields, const QString& technician);
  std::optional<Installation> Get(const QString& uuid);
  std::optional<Installation> BySite(const QString& site);
  qint64 Count();

  // Those whose fields, or the telephone numbers and SMS centre of whose newest configuration,
  // contain `text` in any letter case; every one for an empty text. The most recently visited
  // first, then those never visited, the newest first.
  QList<ListedInstallation> Search(const QString& text, int limit, qint64 offset = 0);

  // Makes what the register derives of the installation (its newest configuration, what a
  // search looks through) follow its fields and configurations. False for an unknown one.
  bool Refresh(const QString& uuid);

  // What the shared register reads and derives the same way. The columns of an installation
  // (table i) and, for a listing, of its newest configuration (table c) joined to it.
  static const QString Columns, ListedColumns;
  static QList<ListedInstallation> Listed(const QList<QVariantList>& rows);
  // The fields and the numbers of the newest configuration, one a line, as SearchKey makes them.
  static QString SearchText(const InstallationFields& fields, const QByteArray& newest);
  // The folded text as a pattern in which % and _ stand for themselves.
  static QString LikePattern(const QString& folded);

 private:
  void NoteEdit(const QString& uuid, qint64 ms, const InstallationFields& fields, const QString& technician);

  RegisterStore& store_;
  int commonCount_;
};
