#include "write_verify.h"

#include <QJsonArray>

#include "session.h"

ExitStatus WriteOutcome::Status() const {
  return differences && !differences->isEmpty() ? ExitStatus::Differences : ExitStatus::Done;
}

QString WriteOutcome::Verification() const {
  if (!differences) return QStringLiteral("nie wykonana");
  if (differences->isEmpty()) return QStringLiteral("zgodna");
  return QStringLiteral("NIEZGODNA, różnice w pozycjach: %1").arg(differences->size());
}

void WriteOutcome::AddTo(QJsonObject& result) const {
  result.insert(QStringLiteral("written"), written);
  result.insert(QStringLiteral("verified"), differences ? QJsonValue(differences->isEmpty()) : QJsonValue());
  if (differences)
    result.insert(QStringLiteral("differences"),
                  Keyed::DifferencesJson(*differences, QStringLiteral("written"), QStringLiteral("read")));
}

QStringList WriteOutcome::Lines() const {
  QStringList lines{QStringLiteral("Zapisano pozycji: %1").arg(written)};
  if (!differences) return lines;
  if (differences->isEmpty()) {
    lines.append(QStringLiteral("Weryfikacja: sterownik ma zapisane wartości"));
    return lines;
  }
  lines.append(QStringLiteral("Weryfikacja: różnice w pozycjach: %1").arg(differences->size()));
  for (const Keyed::Difference& d : *differences)
    lines.append(QStringLiteral("  ") + Keyed::DifferenceLine(d, QStringLiteral("zapisano"), QStringLiteral("odczytano")));
  return lines;
}

WriteOutcome WriteItems(Session& session, const ItemValues& values, bool verify, Console& console) {
  ItemTransfer::Write(session, values, console);
  WriteOutcome outcome;
  outcome.written = int(values.size());
  if (!verify) return outcome;
  try {
    outcome.differences = Keyed::Differences(values, ItemTransfer::Read(session, values.keys(), console));
  } catch (CliError& error) {
    // Only the read-back failed: the visit tells what the controller holds.
    error.message = QStringLiteral("weryfikacja nie powiodła się: ") + error.message;
    throw;
  }
  return outcome;
}
