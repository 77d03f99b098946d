// Usage: register [installations] [configurations]   (default 100000 and 1000000)
// Fills a register of its own in a temporary folder through the library, in one transaction,
// then times a search by each field, the window's list opening (the register opened and the
// installations' first screenful with their latest visit) and keeping one more entry, each the
// median of five runs.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <functional>

#include "median_ms.h"
#include "configurations.h"
#include "installations.h"
#include "register_fault.h"
#include "register_keeper.h"

namespace {

constexpr int Screenful = 50;

QString Site(int i) { return QString::number(i).rightJustified(6, u'0'); }
QByteArray Phone(int i) { return "+48600" + QByteArray::number(i).rightJustified(6, '0'); }

InstallationFields Fields(int i) {
  return {Site(i), QStringLiteral("Instalacja %1").arg(i), QStringLiteral("ul. Polna %1, 00-%2 Miasto").arg(i % 200).arg(i % 1000),
          QStringLiteral("Jan Kowalski %1").arg(i * 7), QStringLiteral("brama nr %1").arg(i * 13)};
}

EntryLabel Label(qint64 n, int installation) {
  static const QDateTime start = QDateTime::currentDateTime().addYears(-3);
  const EntryKind kinds[] = {EntryKind::Read, EntryKind::Written, EntryKind::BeforeFirmware};
  return {start.addSecs(n * 60), kinds[n % 3], "/dev/ttyUSB" + QByteArray::number(n % 4),
          QStringLiteral("VELT v 1.%1").arg(n % 9), Phone(installation), "+48501200777"};
}

ConfigFile File(const EntryLabel& label) {
  ConfigFile file{"7315", ConfigRecord::Default()};
  file.record.setValue(ItemIndex::Phone1, label.phone1);
  file.record.setValue(ItemIndex::SmsCentre, label.smsCentre);
  return file;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTextStream out(stdout);
  const int installationCount = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
  const qint64 configurationCount = argc > 2 ? QByteArray(argv[2]).toLongLong() : 1000000;
  QTemporaryDir folder;
  const RegisterStore::Options options{folder.path() + QStringLiteral("/register.sqlite"), 5000};
  const QString noHistory = folder.path() + QStringLiteral("/history");
  try {
    auto store = std::make_unique<RegisterStore>(options);
    Installations installations(*store);
    Configurations configurations(*store);
    QStringList uuids;
    QElapsedTimer clock;
    clock.start();
    {
      RegisterStore::Transaction transaction(*store);
      for (int i = 0; i < installationCount; ++i) uuids << installations.Add(Fields(i), QStringLiteral("Anna Nowak"));
      // Every installation visited in turn, so that each has its share of entries.
      for (qint64 n = 0; n < configurationCount; ++n) {
        const int i = int(n % installationCount);
        const EntryLabel label = Label(n, i);
        configurations.Keep(label, File(label), QStringLiteral("Jan Serwisant"), uuids[i]);
      }
      transaction.Commit();
    }
    const double buildS = double(clock.elapsed()) / 1000;
    const double sizeMb = double(QFileInfo(options.path).size()) / 1e6;
    out << QStringLiteral("%1 installations, %2 configurations made in %3 s (%4 MB)\n")
               .arg(installationCount).arg(configurationCount).arg(buildS, 0, 'f', 1).arg(sizeMb, 0, 'f', 0);
    out.flush();

    // A term for each field, matching one installation, and one that matches them all.
    const int one = installationCount / 3 + 11;
    const QList<std::pair<QString, QString>> searches{
        {QStringLiteral("site"), Site(one)},
        {QStringLiteral("name"), QStringLiteral("Instalacja %1").arg(one)},
        {QStringLiteral("address"), QStringLiteral("00-%1 miasto").arg(one % 1000)},
        {QStringLiteral("contact"), QStringLiteral("kowalski %1").arg(one * 7)},
        {QStringLiteral("notes"), QStringLiteral("brama nr %1").arg(one * 13)},
        {QStringLiteral("telephone"), QString::fromLatin1(Phone(one))},
        {QStringLiteral("SMS centre"), QStringLiteral("+48501200777")},
        {QStringLiteral("none"), QStringLiteral("nie ma takiej")},
    };
    double searchMs = 0;
    for (const auto& [field, text] : searches) {
      qsizetype found = 0;
      const double ms = MedianMs([&] { found = installations.Search(text, Screenful).size(); });
      out << QStringLiteral("search by %1 \"%2\": %3 found in %4 ms\n").arg(field, text).arg(found).arg(ms, 0, 'f', 1);
      if (found == 0 && field != u"none") {
        out << "nothing found\n";
        return 1;
      }
      searchMs = std::max(searchMs, ms);
    }
    store.reset();

    const double dialogMs = MedianMs([&] {
      const std::unique_ptr<RegisterStore> opened = OpenRegister(options, noHistory);
      if (Installations(*opened).Search({}, Screenful).size() != Screenful) out << "short first screenful\n";
    });
    store = std::make_unique<RegisterStore>(options);
    qint64 n = configurationCount;
    const double keepMs = MedianMs([&] {
      const EntryLabel label = Label(n, int(n % installationCount));
      Configurations(*store).Keep(label, File(label), QStringLiteral("Jan Serwisant"), uuids[n % installationCount]);
      ++n;
    });
    const double listMs = MedianMs([&] { Configurations(*store).Newest({}, Screenful); });
    out << QStringLiteral("first screenful of installations with the register opened: %1 ms; one entry kept: %2 ms; "
                          "newest %3 entries listed: %4 ms\n")
               .arg(dialogMs, 0, 'f', 1).arg(keepMs, 0, 'f', 1).arg(Screenful).arg(listMs, 0, 'f', 1);
    out << QStringLiteral("RESULT build_s=%1 search_ms=%2 dialog_ms=%3 keep_ms=%4\n")
               .arg(buildS, 0, 'f', 1).arg(searchMs, 0, 'f', 1).arg(dialogMs, 0, 'f', 1).arg(keepMs, 0, 'f', 1);
  } catch (const RegisterFault& fault) {
    out << fault.message() << '\n';
    return 1;
  }
  return 0;
}
