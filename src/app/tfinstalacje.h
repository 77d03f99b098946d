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
class QKeyEvent;
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
  // Closing asks first about details changed and not saved.
  void done(int result) override;

 protected:
  // Enter does what the focused part is for: the search chooses the first found, the details
  // are saved, a list of configurations compares.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // A handler that shows a register's fault instead of letting it cross Qt's code.
  void Safely(const std::function<void()>& handler);
  void Search();
  const ListedInstallation* Chosen() const;
  // The list's choice moved: the details follow, once any changes in them are settled.
  void ChoiceMoved();
  void SettleChoice();
  // The list shows the shown installation chosen again, or nothing for a new one.
  void ChooseShown();
  void ChooseFirstFound();
  void ShowChosen();
  // The shown installation's configurations and changes.
  void ShowLists();
  void ShowEntries();
  // The configuration chosen in the open tab; nullopt for none.
  std::optional<Configuration> ChosenEntry() const;
  std::optional<ConfigFile> EntryFile(const Configuration& entry);
  void UpdateButtons();
  void NewInstallation();
  void SaveInstallation();
  // The details as typed differ from those shown.
  bool Unsaved() const;
  // Details about to be left: unchanged, or the user asked saved them or dropped them, or kept
  // them (also when they could not be saved, which was said); then they are not left.
  enum class Settled { Unchanged, Saved, Dropped, Kept };
  Settled SettleDetails();
  // The details into the register, as the installation shown or a new one; false (said) when
  // they lack the site.
  bool SaveDetails();
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
  QString shownUuid_;               // whose details are shown; empty for a new installation
  InstallationFields shownFields_;  // as they were shown or last saved
  QString searched_;                // the search text the listing is of
  bool settling_ = false;           // a moved choice waits to be settled
  QList<Configuration> entries_, unassigned_;  // as their tables list them
};
