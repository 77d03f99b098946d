#include "item_transfer.h"

#include "cli_error.h"
#include "config_record.h"
#include "console.h"
#include "item_requests.h"
#include "session.h"

namespace ItemTransfer {
namespace {
QString Key(int item) { return QLatin1String(ConfigItems[size_t(item)].key); }

QString Done(int done, qsizetype count) { return QStringLiteral("przesłano %1 z %2").arg(done).arg(count); }

// Asked for after an item has gone through: the transfer ends there.
void StopIfInterrupted(const Session& session, int item, int done, qsizetype count) {
  if (done < count)
    session.StopIfInterrupted(QStringLiteral("po pozycji %1: %2; %3").arg(item).arg(Key(item), Done(done, count)));
}

[[noreturn]] void Failed(const Session& session, int item, int done, qsizetype count) {
  session.ThrowWaitFailure(QStringLiteral("pozycja %1: %2; %3").arg(item).arg(Key(item), Done(done, count)));
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
  console.BeginProgress(QStringLiteral("Pobieram konfiguracje nadajnika"));
  for (int item : items) {
    if (!ItemRequests::Read(link, item)) Failed(session, item, int(values.size()), items.size());
    values.insert(item, link.LastRxPayload);
    // A fixed-size value that came short is not guessed at, nor passed on as read.
    const ConfigItem& config = ConfigItems[size_t(item)];
    if (!config.isText() && link.LastRxPayload.size() < config.size) unread.append(Key(item));
    console.Progress(int(values.size() * 100 / items.size()));
    StopIfInterrupted(session, item, int(values.size()), items.size());
  }
  console.EndProgress();
  if (!unread.isEmpty())
    throw CliError(ExitStatus::Error, QStringLiteral("Nie odczytano z nadajnika VELT (za krótka odpowiedź): %1")
                                          .arg(unread.join(QStringLiteral(", "))));
  return values;
}

void Write(Session& session, const ItemValues& values, Console& console) {
  Link& link = session.link();
  int done = 0;
  console.BeginProgress(QStringLiteral("Wysyłam konfiguracje do nadajnika"));
  for (auto it = values.cbegin(); it != values.cend(); ++it) {
    if (!ItemRequests::Write(link, it.key(), it.value()))
      Failed(session, it.key(), done, values.size());
    ++done;
    console.Progress(int(done * 100 / values.size()));
    StopIfInterrupted(session, it.key(), done, values.size());
  }
  console.EndProgress();
}
}  // namespace ItemTransfer
