#pragma once
// "Historia konfiguracji": the configurations kept by the window and velt-cli, newest first,
// narrowed by what is typed; the chosen one loaded into the window or compared with it.
#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>

#include "history_store.h"

namespace Ui {
class TFHistoria;
}
class QSortFilterProxyModel;

class TFHistoria : public QDialog {
  Q_OBJECT
 public:
  struct Actions {
    // The entry's file into the window, as a configuration file is loaded; true when it was.
    std::function<bool(const QString& path)> load;
    // The entry's file against the window; columns: the entry as listed.
    std::function<void(const QString& path, const QStringList& columns)> compare;
  };

  TFHistoria(const HistoryStore& store, Actions actions, QWidget* parent);
  ~TFHistoria() override;

 private:
  // The chosen entry, when it is one that can be read.
  const ListedEntry* Chosen() const;
  void Filter(const QString& text);
  void UpdateButtons();
  void ShowCount();
  void Button_wczytajClick();
  void Button_porownajClick();

  std::unique_ptr<Ui::TFHistoria> ui;
  const HistoryStore store_;
  QString error_;  // why the folder could not be listed; before entries_, which sets it
  const QList<ListedEntry> entries_;
  QList<QStringList> rows_;  // the listed texts, same index
  Actions actions_;
  QSortFilterProxyModel* filter_ = nullptr;
};
