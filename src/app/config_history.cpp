// The configuration history in the window: the kept configurations listed, one of them loaded
// or compared with the window, and what an upload would change.
#include "entry_columns.h"
#include "message_box.h"
#include "tfhistoria.h"
#include "tfzmiany.h"
#include "tmain.h"

namespace {
const QString ItemHeader = QStringLiteral("Pozycja");
const QString WindowHeader = QStringLiteral("W oknie");
}  // namespace

void TMain::HistoriaKonfiguracji1Click() {
  if (RefusedDuringOperation()) return;
  // The dialog's buttons run in Qt's code, which no exception may cross.
  TFHistoria::Actions actions{[this](const QString& path) {
                                try {
                                  return LoadConfigFrom(path);
                                } catch (const std::exception& error) {
                                  HandleException(this, error);
                                  return false;
                                }
                              },
                              [this](const QString& path, const QStringList& columns) {
                                try {
                                  CompareWithWindow(path, columns);
                                } catch (const std::exception& error) {
                                  HandleException(this, error);
                                }
                              }};
  TFHistoria dialog(HistoryStore(), std::move(actions), this);
  dialog.exec();
}

void TMain::CompareWithWindow(const QString& path, const QStringList& columns) {
  if (const std::optional<ConfigFile> file = ReadConfigFile(path)) CompareWithWindow(*file, columns);
}

void TMain::CompareWithWindow(const ConfigFile& file, const QStringList& columns) {
  const std::optional<ConfigRecord> window = WindowRecord();
  if (!window) return;
  const QList<ItemDifference> differences = CompareRecords(file.record, *window);
  const QString entry = QStringLiteral("%1 (%2, %3)").arg(columns[EntryColumns::Time], columns[EntryColumns::Kind],
                                                         columns[EntryColumns::Port]);
  ShowChanges(QStringLiteral("Porównanie z oknem"),
              differences.isEmpty() ? QStringLiteral("Wpis z %1 nie różni się od okna.").arg(entry)
                                    : QStringLiteral("Pozycje, w których wpis z %1 różni się od okna:").arg(entry),
              {ItemHeader, QStringLiteral("We wpisie"), WindowHeader}, differences);
}

void TMain::PokazZmiany1Click() {
  if (RefusedDuringOperation()) return;
  if (!Online) {
    InformationBox(QStringLiteral("Brak połączenia ze sterownikiem VELT: nie wiadomo, co zmieni zapis."));
    return;
  }
  const ConfigRecord* held = ConfigHistory.Held();
  if (!held) {
    InformationBox(QStringLiteral("W tym połączeniu nie pobrano konfiguracji z VELT: nie wiadomo, co zmieni zapis."));
    return;
  }
  // As the upload does before it sends anything.
  Editing->LeaveFocusedField();
  const std::optional<ConfigRecord> window = WindowRecord();
  if (!window) return;
  const QList<ItemDifference> differences = CompareRecords(*held, *window);
  const QString basis = QStringLiteral("\nW sterowniku: według ostatniego odczytu lub zapisu w tym połączeniu.");
  ShowChanges(QStringLiteral("Zmiany do zapisu"),
              (differences.isEmpty() ? QStringLiteral("Zapis do VELT niczego nie zmieni: okno zgadza się ze sterownikiem.")
                                     : QStringLiteral("Zapis do VELT zmieni te pozycje:")) + basis,
              {ItemHeader, QStringLiteral("W sterowniku"), WindowHeader}, differences);
}

void TMain::ShowChanges(const QString& title, const QString& note, const QStringList& headers,
                        const QList<ItemDifference>& differences) {
  QList<ChangeRow> rows;
  for (const ItemDifference& d : differences)
    rows.append({Binding->CaptionOf(d.item), Binding->WordsOf(d.item, d.a), Binding->WordsOf(d.item, d.b)});
  TFZmiany dialog(title, note, headers, rows, this);
  dialog.exec();
}
