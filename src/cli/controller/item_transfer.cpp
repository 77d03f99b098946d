#include "item_transfer.h"

#include "cli_error.h"
#include "config_record.h"
#include "console.h"
#include "item_requests.h"
#include "item_values.h"
#include "session.h"

namespace ItemTransfer {
namespace {
QString Key(int item) { return QLatin1String(ConfigItems[size_t(item)].key); }

// What a transfer that ends early leaves behind, for its message.
struct Progress {
  bool writing;
  int done;  // items answered
  qsizetype count;

  QString Held() const {
    if (!writing) return QStringLiteral("odczytano %1 z %2").arg(done).arg(count);
    return QStringLiteral("sterownik ma zapisane %1 z %2 pozycji, pozostałe bez zmian").arg(done).arg(count);
  }
};

// Asked for after an item has gone through: the transfer ends there.
void StopIfInterrupted(const Session& session, int item, const Progress& progress) {
  if (progress.done < progress.count)
    session.StopIfInterrupted(QStringLiteral("po pozycji %1: %2; %3").arg(item).arg(Key(item), progress.Held()));
}

// A request that went out, or its failure, as a yes or no: a port that vanished under the
// request is failed like one that vanished during the wait.
template <typename Request>
bool Sent(Session& session, Request request) {
  try {
    return request();
  } catch (const EComPort& error) {
    session.PortFailed(error);
    return false;
  }
}

// An item sent but not answered may have been stored or not: it is told apart.
[[noreturn]] void Failed(const Session& session, int item, const Progress& progress) {
  const QString unsure = progress.writing ? QStringLiteral(" (pozycja %1 mogła zostać zapisana)").arg(Key(item)) : QString();
  session.ThrowWaitFailure(QStringLiteral("pozycja %1: %2; %3%4").arg(item).arg(Key(item), progress.Held(), unsure));
}
}  // namespace

QList<int> AllItems() {
  QList<int> items;
  for (int k = 0; k < Cmd::ItemCount; ++k) items.append(k);
  return items;
}

ItemValues Read(Session& session, const QList<int>& items, Console& console) {
  Link& link = session.link();
  ItemValues values;
  QStringList unread;
  console.BeginProgress(QStringLiteral("Pobieram konfigurację nadajnika"));
  for (int item : items) {
    if (!Sent(session, [&] { return ItemRequests::Read(link, item); })) Failed(session, item, {false, int(values.size()), items.size()});
    values.insert(item, link.LastRxPayload);
    // A fixed-size value that came short is not guessed at, nor passed on as read.
    const ConfigItem& config = ConfigItems[size_t(item)];
    if (!config.isText() && link.LastRxPayload.size() < config.size) unread.append(Key(item));
    console.Progress(int(values.size() * 100 / items.size()));
    StopIfInterrupted(session, item, {false, int(values.size()), items.size()});
  }
  console.EndProgress();
  if (!unread.isEmpty())
    throw CliError(ExitStatus::Error, QStringLiteral("Nie odczytano z nadajnika VELT (za krótka odpowiedź): %1")
                                          .arg(unread.join(QStringLiteral(", "))));
  if (items == AllItems()) session.History().Downloaded(Keyed::ToRecord(values));
  return values;
}

void Write(Session& session, const ItemValues& values, Console& console) {
  Link& link = session.link();
  int done = 0;
  console.BeginProgress(QStringLiteral("Wysyłam konfigurację do nadajnika"));
  for (auto it = values.cbegin(); it != values.cend(); ++it) {
    if (!Sent(session, [&] { return ItemRequests::Write(link, it.key(), it.value()); })) Failed(session, it.key(), {true, done, values.size()});
    ++done;
    console.Progress(int(done * 100 / values.size()));
    StopIfInterrupted(session, it.key(), {true, done, values.size()});
  }
  console.EndProgress();
  session.NoteChanged(QStringLiteral("zapis zakończony (sterownik ma zapisane wszystkie %1 pozycji)").arg(values.size()));
  if (values.size() == Cmd::ItemCount) session.History().Uploaded(Keyed::ToRecord(values));
}
}  // namespace ItemTransfer
