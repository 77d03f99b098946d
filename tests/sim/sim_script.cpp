#include "sim_script.h"

#include "commands.h"
#include "frame.h"
#include "sim_line.h"
#include "simulator.h"

namespace {

constexpr int QuietMs = 150;  // how long "nothing came back" is watched

QByteArray RequestOf(const QString& name) {
  if (name == "login") return Frame::Request(Cmd::Login, "7315");
  if (name.startsWith("login:")) return Frame::Request(Cmd::Login, name.mid(6).toLatin1());
  if (name == "status") return Frame::Request(Cmd::Status, "G");
  if (name == "reset") return Frame::Request(Cmd::ResetCounters, "G");
  if (name == "restart") return Frame::Request(Cmd::Restart, "B");
  if (name == "end") return Frame::Request(Cmd::FirmwareEnd, "K");
  if (name.startsWith("read")) return Frame::Request(Cmd::ReadItem(name.mid(4).toInt()), "G");
  if (name.startsWith("write")) {
    const qsizetype colon = name.indexOf(':');
    return Frame::Request(Cmd::WriteItem(name.mid(5, colon - 5).toInt()), name.mid(colon + 1).toLatin1());
  }
  if (name.startsWith("block")) {
    const int n = name.mid(5).toInt();
    return Frame::Request(Cmd::FirmwareBlock, QByteArray(1, char(n)) + QByteArray(64, char(n)));
  }
  return QByteArray::fromHex(name.toLatin1());
}

bool GoodFrame(const QByteArray& f, quint8 command) {
  return f.size() >= Frame::Overhead && quint8(f[1]) == command &&
         Frame::Checksum(f.constData(), f.size() - 1) == quint8(f.back());
}

QString Check(Simulator& sim, SimLine& line, const QByteArray& request, const QString& expected, qint64 logged) {
  const quint8 command = quint8(request[1]);
  if (expected == "none" || expected == "ack") {
    if (!sim.WaitForRequests(logged + 1, 2000)) return "the request was not received";
    if (expected == "none") {
      const QByteArray got = line.ReadFor(QuietMs);
      return got.isEmpty() ? QString() : "unexpected bytes " + got.toHex(' ');
    }
    const QByteArray got = line.ReadBytes(1);
    const QByteArray more = line.ReadFor(QuietMs / 2);
    return got == "!" && more.isEmpty() ? QString() : "instead of a lone \"!\": " + (got + more).toHex(' ');
  }
  QByteArray skipped;
  const QByteArray frame = line.ReadFrame(2000, &skipped);
  if (frame.isEmpty()) return "no reply frame";
  const QString shown = frame.toHex(' ');
  if (expected == "reply" || expected == "rejected") {
    if (!GoodFrame(frame, command) || !skipped.isEmpty()) return "bad reply " + shown;
    if (expected == "rejected" && (frame.size() < 5 || frame[3] == 'T')) return "login not rejected: " + shown;
    return {};
  }
  if (expected == "corrupt")
    return quint8(frame[1]) == command && !GoodFrame(frame, command) ? QString() : "checksum not wrong: " + shown;
  if (expected.startsWith("noise:")) {
    if (skipped.size() != expected.mid(6).toInt() || skipped.contains(Frame::ReplyStart) || !GoodFrame(frame, command))
      return "noise " + skipped.toHex(' ') + " then " + shown;
    return {};
  }
  const QByteArray want = QByteArray::fromHex(expected.toLatin1());
  return frame == want && skipped.isEmpty() ? QString() : "got " + (skipped + frame).toHex(' ');
}

}  // namespace

QString RunScript(Simulator& sim, SimLine& line, const QStringList& steps) {
  for (const QString& step : steps) {
    const QStringList parts = step.split('>');
    const QByteArray request = RequestOf(parts[0].trimmed());
    const qint64 logged = sim.RequestCount();
    if (!line.Write(request)) return step + ": cannot write";
    const QString problem = Check(sim, line, request, parts.value(1).trimmed(), logged);
    if (!problem.isEmpty()) return step + ": " + problem;
  }
  return {};
}
