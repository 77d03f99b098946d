#pragma once
// The window's side of the installations register: the entries a connection keeps taken into it
// with the connection's installation, the one installation a download matches offered (never
// assigned without the user), and what a shared register lacks sent after each of them on a
// thread of its own, the number still to send told.
#include <QObject>
#include <QStringList>
#include <memory>
#include <optional>

#include "config_file.h"
#include "entry_name.h"
#include "register_choice.h"
#include "register_keeper.h"
#include "register_sync.h"
#include "register_view.h"

class BackgroundSync;

class WindowRegister : public QObject {
  Q_OBJECT

 public:
  // How often an open window brings what other computers sent.
  static constexpr int SyncEveryMs = 60000;

  // Over the window's keeper, which the connection's history keeps its entries through.
  WindowRegister(RegisterKeeper& keeper, QObject* parent = nullptr);
  ~WindowRegister() override;

  // The local register, opened on first use; null with *warning set when it cannot be now.
  RegisterStore* Store(QString* warning);
  // What searches and lists use; null as Store.
  RegisterView* View(QString* warning);
  // The shared register chosen; none for this computer's alone.
  const std::optional<SharedTarget>& Shared() const { return choice_.shared; }

  // An entry of this connection that the register took, under that UUID, with the connection's
  // installation when there is one.
  void Kept(const QString& uuid, const EntryLabel& label, const QString& installation);
  // The connection's entries kept so far given to the installation; the offer is gone then.
  // Throws RegisterFault.
  void AssignConnection(const QString& installation);
  // A connection ended: its entries and the offer are forgotten.
  void EndConnection();
  // The installation that the connection's last download matched, unassigned; empty for none.
  const QString& Offer() const { return offer_; }

  // Sends what the shared register lacks, when one is chosen, off the window's thread.
  void Sync();
  // What is not sent yet; nullopt without a shared register or a local one.
  std::optional<qint64> Pending();

 signals:
  // The offer or the count of what is to be sent changed.
  void Changed();
  // What the status bar tells for a while: a register that did not take an entry, a sync that
  // ended early.
  void Notice(const QString& message);

 private:
  void Synced(const SyncReport& report);

  RegisterStore::Options options_;
  RegisterChoice::Choice choice_;
  RegisterKeeper& keeper_;
  std::unique_ptr<RegisterView> view_;
  BackgroundSync* sync_ = nullptr;
  QStringList connectionEntries_;  // the UUIDs this connection kept
  QString offer_;
};
