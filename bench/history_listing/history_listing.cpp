// Usage: history_listing [entries]   (default 10000; offscreen unless QT_QPA_PLATFORM says otherwise)
// Fills a temporary history folder with entries as the transfers named them, then times the
// folder's listing, its import into a register, the history dialog (which lists the register)
// from its creation until it is shown, and keeping one more entry in the full folder. Each
// figure but the import's is the median of five runs.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <functional>

#include "median_ms.h"
#include "history_store.h"
#include "register_keeper.h"
#include "tfhistoria.h"

namespace {

EntryLabel Label(int i) {
  static const QDateTime start = QDateTime::currentDateTime().addDays(-400);
  const EntryKind kinds[] = {EntryKind::Read, EntryKind::Written, EntryKind::BeforeFirmware};
  return {start.addSecs(i * 60), kinds[i % 3], "/dev/ttyUSB" + QByteArray::number(i % 4), QStringLiteral("VELT v 1.8"),
          "+48600" + QByteArray::number(100000 + i), "+48501200777"};
}
}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTextStream out(stdout);
  const int count = argc > 1 ? QByteArray(argv[1]).toInt() : HistoryStore::DefaultBound;
  QTemporaryDir folder;
  const HistoryStore store(folder.path());
  ConfigFile file{"7315", ConfigRecord::Default()};
  // Written plainly: the safe writer's flushes would only make the set-up slow.
  for (int i = 0; i < count; ++i) {
    file.record.setValue(ItemIndex::Phone1, Label(i).phone1);
    QFile entry(store.PathOf(EntryFileName(Label(i))));
    if (!entry.open(QIODevice::WriteOnly) || entry.write(EncodeConfigFile(file)) <= 0) {
      out << "cannot write " << entry.fileName() << '\n';
      return 1;
    }
  }

  qsizetype listed = 0;
  QString error;
  const double listMs = MedianMs([&] { listed = store.List(&error).size(); });
  QTemporaryDir registerFolder;
  RegisterKeeper keeper({registerFolder.filePath("register.sqlite")}, folder.path());
  QElapsedTimer importClock;
  importClock.start();
  if (!keeper.Store(&error)) {
    out << "cannot open the register: " << error << '\n';
    return 1;
  }
  const double importMs = double(importClock.nsecsElapsed()) / 1e6;
  const double dialogMs = MedianMs([&] {
    TFHistoria dialog(keeper, {[](const ConfigFile&) { return false; }, [](const ConfigFile&, const QStringList&) {}}, nullptr);
    dialog.show();
    QCoreApplication::processEvents();
  });
  int kept = count;
  QString failure;
  const double keepMs = MedianMs([&] {
    if (!store.Keep(Label(kept++), file, &failure)) out << "cannot keep: " << failure << '\n';
  });
  if (listed != count || store.List(&error).size() != std::min(kept, HistoryStore::DefaultBound)) {
    out << "listed " << listed << " of " << count << '\n';
    return 1;
  }
  out << QStringLiteral("%1 entries: listing %2 ms, imported in %3 ms, history dialog shown in %4 ms, one more kept in %5 ms\n")
             .arg(count).arg(listMs, 0, 'f', 1).arg(importMs, 0, 'f', 1).arg(dialogMs, 0, 'f', 1).arg(keepMs, 0, 'f', 1);
  out << QStringLiteral("RESULT list_ms=%1 import_ms=%2 dialog_ms=%3 keep_ms=%4\n")
             .arg(listMs, 0, 'f', 1).arg(importMs, 0, 'f', 1).arg(dialogMs, 0, 'f', 1).arg(keepMs, 0, 'f', 1);
  return 0;
}
