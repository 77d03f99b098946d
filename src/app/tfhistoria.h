#pragma once
// "Historia konfiguracji": the configurations kept by the window and velt-cli in the register
// (its history folder while the register cannot be opened), newest first, narrowed by what is
// typed; the chosen one loaded into the window or compared with it.
#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>

#include "register_history.h"

namespace Ui {
class TFHistoria;
}
class QSortFilterProxyModel;

class TFHistoria : public QDialog {
  Q_OBJECT
 public:
  struct Actions {
    // The entry into the window, as a configuration file is loaded; true when it was.
    std::function<bool(const ConfigFile& file)> load;
    // The entry against the window; columns: the entry as listed.
    std::function<void(const ConfigFile& file, const QStringList& columns)> compare;
  };

  TFHistoria(RegisterKeeper& keeper, Actions actions, QWidget* parent);
  ~TFHistoria() override;

 private:
  // The chosen entry, when it is one that can be read.
  const HistoryRow* Chosen() const;
  // Its configuration; nullopt after telling why it cannot be loaded.
  std::optional<ConfigFile> ChosenFile();
  void Filter(const QString& text);
  void UpdateButtons();
  void ShowCount();
  void Button_wczytajClick();
  void Button_porownajClick();

  std::unique_ptr<Ui::TFHistoria> ui;
  RegisterKeeper& keeper_;
  const HistoryListing listing_;
  QList<QStringList> rows_;  // the listed texts, same index
  Actions actions_;
  QSortFilterProxyModel* filter_ = nullptr;
};
