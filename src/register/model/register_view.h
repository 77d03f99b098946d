#pragma once
// What a front end lists, searches and shows: this computer's register, the team's replica when
// a shared register is chosen, online or not, never waiting on the network; with how current it
// is ("stan z 15:42", or since when the shared register has not answered).
#include <QList>
#include <QString>
#include <optional>

#include "configurations.h"
#include "installation_changes.h"
#include "installations.h"
#include "register_choice.h"
#include "register_sync.h"

class RegisterStore;

class RegisterView {
 public:
  // target: the shared register chosen, none for this computer's alone.
  RegisterView(RegisterStore& local, std::optional<SharedTarget> target);

  // How current an answer is; empty without a shared register.
  struct Source {
    QString notice;   // "stan z 15:42", "rejestr wspólny nieosiągalny od 14:10; stan z 13:02", ...
    QString problem;  // why the last sync failed (Polish)
  };

  struct Listing {
    QList<ListedInstallation> installations;
    Source source;
  };
  Listing Search(const QString& text, int limit, qint64 offset = 0);

  struct Changes {
    QList<FieldChange> changes;
    Source source;
  };
  Changes ChangesOf(const QString& installation);

  // A kept entry to be shown; secrets this register was not given (the role may not read them)
  // are masked with a notice.
  struct Entry {
    std::optional<ShownConfiguration> shown;
    Source source;
  };
  Entry Shown(const QString& uuid, Secrets secrets);

  // Which register is in use and how it stands, one line for the window and `register`.
  QString State();
  PendingCount Pending();
  Source Freshness();

 private:
  QString TimeText(qint64 ms) const;

  RegisterStore& local_;
  std::optional<SharedTarget> target_;
};
