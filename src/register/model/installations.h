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
class RegisterFault;
struct InstallationEdit;

struct InstallationFields {
  QString site, name, address, contact, notes;

  bool operator==(const InstallationFields&) const = default;
};

// What one edit sets: the fields in its mask, to the values given; a field left out keeps what
// other edits made it, so an edit never undoes another's change of another field.
struct FieldEdit {
  static constexpr int Count = 5;
  static constexpr int All = (1 << Count) - 1;
  // In the order of the mask's bits.
  static constexpr const char* Names[Count] = {"site", "name", "address", "contact", "notes"};
  static constexpr QString InstallationFields::*Members[Count] = {
      &InstallationFields::site, &InstallationFields::name, &InstallationFields::address, &InstallationFields::contact,
      &InstallationFields::notes};

  int mask = 0;
  InstallationFields values;

  // The fields that differ: what a form changed since it was filled.
  static FieldEdit Between(const InstallationFields& before, const InstallationFields& after);
  bool Sets(int field) const { return mask & (1 << field); }
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

  // The new installation's UUID. Throws RegisterFault: Refused for an empty site or one the
  // register holds, naming the installation that holds it.
  QString Add(const InstallationFields& fields, const QString& technician);
  // Keeps the edit (nothing for an empty one) and folds it in. Throws RegisterFault: Refused for
  // an unknown installation, an empty site or a site taken by another.
  void Edit(const QString& uuid, const FieldEdit& edit, const QString& technician);
  std::optional<Installation> Get(const QString& uuid);
  std::optional<Installation> BySite(const QString& site);
  qint64 Count();

  // Those whose fields, or the telephone numbers and SMS centre of whose newest configuration,
  // contain `text` in any letter case; every one for an empty text. The most recently visited
  // first, then those never visited, the newest first.
  QList<ListedInstallation> Search(const QString& text, int limit, qint64 offset = 0);

  // Makes what the register derives of the installation (its fields, folded from its edits; its
  // newest configuration; what a search looks through) follow its facts. False for an unknown one.
  bool Refresh(const QString& uuid);
  // Every installation refreshed: after an upgrade, whose search text followed an older key.
  void RefreshAll();
  // The clock of a new edit of the installation: later than every edit of it this register holds.
  qint64 NextClock(const QString& uuid);
  // Keeps an edit as it is (made here or brought); false when its UUID is kept already.
  bool KeepEdit(const QString& installation, const InstallationEdit& edit, bool brought);
  // Why a site cannot be taken: the installation that holds it, named.
  static RegisterFault Taken(const Installation& holder);

  // What the shared register reads and derives the same way. The columns of an installation
  // (table i) and, for a listing, of its newest configuration (table c) joined to it.
  static const QString Columns, ListedColumns;
  static QList<ListedInstallation> Listed(const QList<QVariantList>& rows);
  // The fields and the numbers of the newest configuration, one a line, as SearchKey makes them.
  static QString SearchText(const InstallationFields& fields, const QByteArray& newest);
  // The folded text as a pattern in which % and _ stand for themselves.
  static QString LikePattern(const QString& folded);

 private:
  void NoteEdit(const QString& uuid, const FieldEdit& edit, const QString& technician);

  RegisterStore& store_;
  int commonCount_;
};
