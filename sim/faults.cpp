#include "faults.h"

#include <QRegularExpression>
#include <utility>

#include "commands.h"

namespace {

bool ToInt(const QString& text, int max, int* value) {
  bool ok = false;
  const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
  const int n = hex ? text.mid(2).toInt(&ok, 16) : text.toInt(&ok, 10);
  if (!ok || n < 0 || n > max) return false;
  *value = n;
  return true;
}

constexpr int MaxCount = 1000000;
constexpr int MaxMs = 600000;

}  // namespace

QString Faults::Syntax() {
  return QStringLiteral(
      "  silent             never answer anything\n"
      "  silent-after=N     answer N times, then never again\n"
      "  drop=CMD[xN]       send no reply to CMD (only to the first N requests with xN)\n"
      "  corrupt=CMD[xN]    send replies to CMD with a wrong checksum (first N only with xN)\n"
      "  noise=N            send N noise bytes (never \"g\") ahead of every reply frame\n"
      "  split=MS           send replies one byte at a time, MS milliseconds apart\n"
      "  slow=[CMD:]MS      send replies MS milliseconds late (only those to CMD when given)\n"
      "  wrong-password     reject every login\n"
      "  no-ack=BLOCK[xN]   do not acknowledge firmware block BLOCK (first N arrivals with xN)\n"
      "  late-ack=BLOCK:MS[xN]  acknowledge firmware block BLOCK MS milliseconds late (first N\n"
      "                     arrivals with xN); what is sent after it waits behind it\n"
      "  noisy-ack=BLOCK[xN]  acknowledge firmware block BLOCK with a noise byte behind the \"!\"\n"
      "                     (first N arrivals with xN)\n"
      "  stray-ack=MS       send a lone \"!\" MS milliseconds after each restart request\n"
      "  alter=CMD[xN]      store another value than the one written by write command CMD\n"
      "                     (odd, 5 to 61) but answer as usual (first N writes with xN)\n"
      "  short=CMD[xN]      answer read command CMD (even, 4 to 60) with the last byte of the\n"
      "                     item's value left off (first N reads with xN)\n"
      "  hangup-after=N     close the line once N requests have arrived and been answered, at\n"
      "                     once with 0 (the last answer is given 200 ms to be read)\n"
      "  CMD and BLOCK are bytes, decimal or 0x-hexadecimal (\"0x1\" is 1; block 0 once is \"0x0x1\").\n");
}

std::optional<Faults> Faults::Parse(const QStringList& faultTexts, QString* error) {
  Faults f;
  for (const QString& fault : faultTexts) {
    const qsizetype eq = fault.indexOf('=');
    const QString name = eq < 0 ? fault : fault.left(eq);
    const QString arg = eq < 0 ? QString() : fault.mid(eq + 1);
    const bool hasArg = eq >= 0;
    bool ok = false;
    int n = 0;

    // KEY or KEYxN, for the rules that name a command or block.
    auto counted = [&](QList<Rule>& rules) {
      static const QRegularExpression form(QStringLiteral("^(0x[0-9a-fA-F]+|[0-9]+)(?:x([0-9]+))?$"));
      const QRegularExpressionMatch m = form.match(arg);
      Rule rule;
      if (!m.hasMatch() || !ToInt(m.captured(1), 255, &rule.key)) return false;
      if (m.hasCaptured(2) && (!ToInt(m.captured(2), MaxCount, &rule.remaining) || rule.remaining == 0))
        return false;
      rules.append(rule);
      return true;
    };

    if (name == "silent" && !hasArg) {
      f.silent = ok = true;
    } else if (name == "wrong-password" && !hasArg) {
      f.wrongPassword = ok = true;
    } else if (name == "silent-after" && hasArg) {
      ok = ToInt(arg, MaxCount, &n);
      f.silentAfter = n;
    } else if (name == "hangup-after" && hasArg) {
      ok = ToInt(arg, MaxCount, &n);
      f.hangupAfter = n;
    } else if (name == "noise" && hasArg) {
      ok = ToInt(arg, 1000, &f.noise);
    } else if (name == "split" && hasArg) {
      ok = ToInt(arg, MaxMs, &f.splitMs) && f.splitMs > 0;
    } else if (name == "drop" && hasArg) {
      ok = counted(f.drops);
    } else if (name == "corrupt" && hasArg) {
      ok = counted(f.corrupts);
    } else if (name == "no-ack" && hasArg) {
      ok = counted(f.noAcks);
    } else if (name == "noisy-ack" && hasArg) {
      ok = counted(f.noisyAcks);
    } else if (name == "late-ack" && hasArg) {
      static const QRegularExpression form(
          QStringLiteral("^(0x[0-9a-fA-F]+|[0-9]+):([0-9]+)(?:x([0-9]+))?$"));
      const QRegularExpressionMatch m = form.match(arg);
      Rule rule;
      ok = m.hasMatch() && ToInt(m.captured(1), 255, &rule.key) && ToInt(m.captured(2), MaxMs, &rule.value) &&
           (!m.hasCaptured(3) || (ToInt(m.captured(3), MaxCount, &rule.remaining) && rule.remaining > 0));
      f.lateAcks.append(rule);
    } else if (name == "stray-ack" && hasArg) {
      ok = ToInt(arg, MaxMs, &n);
      f.strayAckMs = n;
    } else if (name == "alter" && hasArg) {
      ok = counted(f.alters) && Cmd::IsWriteItem(quint8(f.alters.back().key));
    } else if (name == "short" && hasArg) {
      ok = counted(f.shortReads) && Cmd::IsReadItem(quint8(f.shortReads.back().key));
    } else if (name == "slow" && hasArg) {
      const QStringList parts = arg.split(':');
      Rule rule;
      if (parts.size() == 1) {
        ok = ToInt(parts[0], MaxMs, &n);
        f.slowAll = n;
      } else {
        ok = parts.size() == 2 && ToInt(parts[0], 255, &rule.key) && ToInt(parts[1], MaxMs, &rule.value);
        f.slows.append(rule);
      }
    } else {
      *error = QStringLiteral("unknown fault \"%1\"; the faults are:\n%2").arg(fault, Syntax());
      return std::nullopt;
    }
    if (!ok) {
      *error = QStringLiteral("bad value in fault \"%1\"; the faults are:\n%2").arg(fault, Syntax());
      return std::nullopt;
    }
  }
  return f;
}

bool Faults::Take(QList<Rule>& rules, int key) {
  for (Rule& rule : rules) {
    if (rule.key != key || rule.remaining == 0) continue;
    if (rule.remaining > 0) --rule.remaining;
    return true;
  }
  return false;
}

Faults::Plan Faults::PlanAnswer(quint8 command, bool acknowledgement) {
  Plan plan;
  const int ackDelayMs = acknowledgement ? std::exchange(pendingAckDelayMs, 0) : 0;
  if (silent || (silentAfter && answers >= *silentAfter) || Take(drops, command)) {
    plan.send = false;
    return plan;
  }
  ++answers;
  plan.delayMs = slowAll.value_or(0);
  for (const Rule& rule : slows)
    if (rule.key == command) plan.delayMs = rule.value;
  plan.delayMs += ackDelayMs;
  if (!acknowledgement) {
    plan.corrupt = Take(corrupts, command);
    plan.noiseBytes = noise;
    plan.splitMs = splitMs;
  }
  return plan;
}

bool Faults::SkipAck(quint8 block) { return Take(noAcks, block); }

bool Faults::NoisyAck(quint8 block) { return Take(noisyAcks, block); }

int Faults::LateAck(quint8 block) {
  pendingAckDelayMs = 0;
  for (Rule& rule : lateAcks) {
    if (rule.key != block || rule.remaining == 0) continue;
    if (rule.remaining > 0) --rule.remaining;
    pendingAckDelayMs = rule.value;
    break;
  }
  return pendingAckDelayMs;
}

std::optional<int> Faults::StrayAck() {
  pendingAckDelayMs = strayAckMs.value_or(0);
  return strayAckMs;
}

bool Faults::AlterWrite(quint8 command) { return Take(alters, command); }

bool Faults::ShortRead(quint8 command) { return Take(shortReads, command); }
