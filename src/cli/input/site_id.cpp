#include "site_id.h"

#include "console.h"

namespace SiteId {
namespace {

QString ControlFault(const QString& id) {
  for (const QChar c : id)
    if (IsControlCharacter(c))
      return QStringLiteral("identyfikator instalacji '%1' zawiera znak sterujący").arg(Escaped(id));
  return {};
}

// Why the ID cannot be one; empty when it can.
QString Fault(const QString& id) {
  if (id.isEmpty()) return QStringLiteral("pusty identyfikator instalacji");
  if (const QString fault = ControlFault(id); !fault.isEmpty()) return fault;
  if (id.front().isSpace() || id.back().isSpace())
    return QStringLiteral("identyfikator instalacji '%1' ma odstęp na początku lub na końcu").arg(Escaped(id));
  return {};
}

}  // namespace

QString Typed(const QString& id) {
  if (const QString fault = Fault(id); !fault.isEmpty()) RefuseUsage(fault);
  return id.normalized(QString::NormalizationForm_C);
}

QString OfTable(const QString& cell, const QString& where) {
  const QString id = cell.trimmed();
  const QString fault = id.isEmpty() ? QStringLiteral("pusta nazwa obiektu") : ControlFault(cell);
  if (!fault.isEmpty()) throw CliError(ExitStatus::Error, where + QStringLiteral(": ") + fault);
  return id.normalized(QString::NormalizationForm_C);
}

}  // namespace SiteId
