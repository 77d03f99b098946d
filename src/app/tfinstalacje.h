#pragma once
// "Instalacje": the installations of the register, found by any of their fields and by the
// numbers of their latest configuration; the chosen one's details (edited or added), its
// configurations newest first (loaded into the window or compared with it, as in the history),
// the changes of its details, and entries kept without an installation given to it. Which
// register answers, and how it stands, on the first line.
#include <QDialog>
#include <QList>
#include <functional>
#include <memory>
#include <optional>

#include "config_file.h"
#include "configurations.h"
#include "installations.h"

namespace Ui {
class TFInstalacje;
}
class QTableWidget;
class RegisterStore;
class RegisterView;

class TFInstalacje : public QDialog {
  Q_OBJECT
 public:
  struct Actions {
    // A kept configuration into the window, as a configuration file is loaded; true when it was.
    std::function<bool(const ConfigFile& file)> load;
    // A kept configuration against the window; columns: the entry as the history lists it.
    std::function<void(const ConfigFile& file, const QStringList& columns)> compare;
    // The connection's entries to the installation; none while there is no connection.
    std::function<void(const QString& installation)> assign;
    // The register was changed here: what the shared one lacks is to be sent.
    std::function<void()> changed;
  };

  // How many installations and configurations a listing shows at most.
  static constexpr int Limit = 500;

  TFInstalacje(RegisterStore& local, RegisterView& view, Actions actions, QWidget* parent);
  ~TFInstalacje() override;

  // Chooses the installation when the listing holds it.
  void Choose(const QString& uuid);

 private:
  // A handler that shows a register's fault instead of letting it cross Qt's code.
  void Safely(const std::function<void()>& handler);
  void Search();
  const ListedInstallation* Chosen() const;
  void ShowChosen();
  void ShowEntries();
  // The configuration chosen in the open tab; nullopt for none.
  std::optional<Configuration> ChosenEntry() const;
  std::optional<ConfigFile> EntryFile(const Configuration& entry);
  void UpdateButtons();
  void NewInstallation();
  void SaveInstallation();
  void AssignEntry();
  void LoadEntry();
  void CompareEntry();
  void AssignConnection();
  InstallationFields Fields() const;
  void SetFields(const InstallationFields& fields);

  std::unique_ptr<Ui::TFInstalacje> ui;
  RegisterStore& local_;
  RegisterView& view_;
  Actions actions_;
  QList<ListedInstallation> listed_;
  QList<Configuration> entries_, unassigned_;  // as their tables list them
};
