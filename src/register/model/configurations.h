#pragma once
// Every configuration kept: what identifies it (as the history names an entry), who kept it, the
// installation it belongs to when known, and its bytes exactly as a configuration file holds
// them. Each is keyed by a UUID, so that a shared register takes it twice harmlessly.
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

#include "config_file.h"
#include "entry_name.h"

class RegisterStore;

// A kept configuration as listed: its facts, not its bytes.
struct Configuration {
  QString uuid;
  EntryLabel label;
  QString technician;    // empty for an entry brought in from a history folder
  QString installation;  // its UUID; empty while it belongs to none

  bool operator==(const Configuration&) const = default;
};

// A configuration given to an installation (none: taken from every one) from its clock on.
struct Assignment {
  QString uuid, configuration, installation;
  qint64 ms = 0;  // when, by its computer's wall clock
  QString by;
  qint64 clock = 0;  // hybrid_clock.h
};

// Which configurations a listing takes.
struct ConfigurationScope {
  enum Kind { All, OfInstallation, Unassigned } kind = All;
  QString installation;  // for OfInstallation

  static ConfigurationScope Of(const QString& installation) { return {OfInstallation, installation}; }
};

enum class Secrets { Hidden, Shown };

// A configuration to be shown: the access password and the SIM PIN are masked unless asked
// for. A type of its own, so that a masked record never reaches a controller or a file.
struct ShownConfiguration {
  Configuration entry;
  QByteArray password;
  ConfigRecord record;
};

class Configurations {
 public:
  // What a masked secret shows.
  static constexpr char Mask[] = "****";

  explicit Configurations(RegisterStore& store) : store_(store) {}

  // The new entry's UUID. Throws RegisterFault: Refused for an unknown installation.
  QString Keep(const EntryLabel& label, const ConfigFile& file, const QString& technician,
               const QString& installation = {});
  // The bytes as they are, under a UUID chosen by the caller. False when that UUID is kept
  // already, which leaves it as it was.
  bool KeepBytes(const QString& uuid, const EntryLabel& label, const QByteArray& bytes, const QString& technician,
                 const QString& installation = {});
  bool Has(const QString& uuid);
  // Whether its bytes hold the access password and SIM PIN: not when brought by a role denied them.
  bool HasSecrets(const QString& uuid);

  // Newest first; entries of one millisecond in the order kept, the last first.
  QList<Configuration> Newest(const ConfigurationScope& scope, int limit, qint64 offset = 0);
  // As Newest, each with whether its bytes load as a configuration file.
  struct Checked {
    Configuration entry;
    bool loads = false;
  };
  QList<Checked> NewestChecked(const ConfigurationScope& scope, int limit, qint64 offset = 0);
  qint64 Count(const ConfigurationScope& scope);
  std::optional<Configuration> Get(const QString& uuid);
  std::optional<QByteArray> Bytes(const QString& uuid);
  // Nullopt also when the kept bytes do not decode as a configuration file.
  std::optional<ShownConfiguration> Shown(const QString& uuid, Secrets secrets);

  // Gives the entry to an installation, or to none for an empty one, as a new assignment later
  // than every one of it this register holds. Throws RegisterFault: Refused for an unknown entry
  // or installation.
  void Assign(const QString& uuid, const QString& installation, const QString& technician);
  // Keeps an assignment as it is (made here or brought); false when its UUID is kept already.
  bool KeepAssignment(const Assignment& assignment, bool brought);
  // The entry's installation as its newest assignment, else what it was kept with, says.
  void FoldAssignments(const QString& uuid);

  // The one installation whose newest configuration has this first telephone number and SMS
  // centre; nullopt when none has or several have, or the number is empty.
  std::optional<QString> MatchingInstallation(const QByteArray& phone1, const QByteArray& smsCentre);

 private:
  void RefreshInstallation(const QString& installation);

  RegisterStore& store_;
};
