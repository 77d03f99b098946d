#pragma once
// What a front end lists and searches: the shared register when one is chosen and answers, with
// everyone's entries, else this computer's register, saying so. After the shared register failed
// to answer it is not asked again for a while, so that typing into a search does not wait for a
// connect time-out at every key.
#include <QDeadlineTimer>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

#include "configurations.h"
#include "installation_changes.h"
#include "installations.h"
#include "register_choice.h"
#include "register_sync.h"

class RegisterStore;
class SharedStore;

class RegisterView {
 public:
  // What a listing from this computer's register alone says while a shared one is chosen.
  static constexpr char OfflineNotice[] = "offline: only this computer's entries";
  static constexpr int RetryAfterMs = 30000;

  // target: the shared register chosen, none for this computer's alone.
  RegisterView(RegisterStore& local, std::optional<SharedTarget> target);
  ~RegisterView();

  // Where an answer came from; notice and problem are empty when it is what was chosen.
  struct Source {
    bool shared = false;
    QString notice;   // OfflineNotice, or why a secret is not shown
    QString problem;  // why the shared register did not answer (Polish)
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

  // A kept entry to be shown: this computer's own copy when it has one, else the shared
  // register's, whose secrets are masked with a notice when the role may not read them.
  struct Entry {
    std::optional<ShownConfiguration> shown;
    Source source;
  };
  Entry Shown(const QString& uuid, Secrets secrets);

  // Which register is in use and how it stands, one line for the window and `register`.
  QString State();
  PendingCount Pending();

  // Asks the shared register again at the next call, after a sync that reached it.
  void Retry() { pause_ = QDeadlineTimer(); }

 private:
  SharedStore* Shared(Source* source);
  void Lost(const QString& problem, Source* source);
  template <typename Answer, typename Remote, typename Here>
  Answer Ask(Remote remote, Here here);

  RegisterStore& local_;
  std::optional<SharedTarget> target_;
  std::unique_ptr<SharedStore> shared_;
  QDeadlineTimer pause_;
  QString lastProblem_;
};
