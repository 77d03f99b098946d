// The installations register in the window: the "Instalacje" dialog, the connection's entries
// given to an installation, and the register's part of the status bar.
#include "message_box.h"
#include "register_fault.h"
#include "register_status_bar.h"
#include "tfinstalacje.h"
#include "tmain.h"

void TMain::Instalacje1Click() {
  if (RefusedDuringOperation()) return;
  QString warning;
  RegisterView* view = Register->View(&warning);
  if (!view) {
    ErrorBox(QStringLiteral("Nie można otworzyć rejestru instalacji: %1").arg(warning));
    return;
  }
  // The dialog's buttons run in Qt's code, which no exception may cross.
  const auto guarded = [this](auto action) {
    try {
      action();
    } catch (const std::exception& error) {
      HandleException(this, error);
    }
  };
  TFInstalacje::Actions actions;
  actions.load = [this, guarded](const ConfigFile& file) {
    bool loaded = false;
    guarded([&] { loaded = LoadConfiguration(file); });
    return loaded;
  };
  actions.compare = [this, guarded](const ConfigFile& file, const QStringList& columns) {
    guarded([&] { CompareWithWindow(file, columns); });
  };
  if (Online) actions.assign = [this, guarded](const QString& uuid) { guarded([&] { AssignInstallation(uuid); }); };
  actions.changed = [this, guarded] {
    guarded([this] {
      Register->Sync();
      ShowRegisterState();
    });
  };
  TFInstalacje dialog(*Register->Store(&warning), *view, std::move(actions), this);
  // Opened on what the connection has or is offered.
  const QString& current = ConfigHistory.Installation().isEmpty() ? Register->Offer() : ConfigHistory.Installation();
  if (!current.isEmpty()) dialog.Choose(current);
  dialog.exec();
}

void TMain::AssignInstallation(const QString& uuid) {
  QString warning;
  RegisterStore* store = Register->Store(&warning);
  if (!store) {
    ErrorBox(QStringLiteral("Nie można otworzyć rejestru instalacji: %1").arg(warning));
    return;
  }
  try {
    // One listed from the shared register alone cannot take this computer's entries yet.
    if (!Installations(*store).Get(uuid)) {
      ErrorBox(QStringLiteral("Tej instalacji nie ma jeszcze w rejestrze tego komputera; wpisy połączenia nie "
                              "zostały przypisane."));
      return;
    }
    Register->AssignConnection(uuid);
    ConfigHistory.SetInstallation(uuid);
  } catch (const RegisterFault& fault) {
    ErrorBox(fault.message());
  }
  ShowRegisterState();
}

void TMain::AcceptOffer() {
  // A copy: assigning ends the offer.
  const QString offer = Register->Offer();
  if (!offer.isEmpty()) AssignInstallation(offer);
}

std::optional<Installation> TMain::LocalInstallation(const QString& uuid) {
  if (uuid.isEmpty()) return std::nullopt;
  QString warning;
  if (RegisterStore* store = Register->Store(&warning)) {
    try {
      return Installations(*store).Get(uuid);
    } catch (const RegisterFault&) {
    }
  }
  return std::nullopt;
}

QString TMain::InstallationCaption(const QString& uuid) {
  const std::optional<Installation> found = LocalInstallation(uuid);
  if (!found) return uuid;
  return found->fields.name.isEmpty() ? found->fields.site
                                      : QStringLiteral("%1 (%2)").arg(found->fields.site, found->fields.name);
}

void TMain::ShowRegisterState() {
  RegisterBar->ShowAssigned(InstallationCaption(ConfigHistory.Installation()));
  RegisterBar->ShowOffer(InstallationCaption(Register->Offer()));
  RegisterBar->ShowPending(Register->Pending());
}
