#include "console.h"

#include <QJsonDocument>
#include <cstdio>
#include <unistd.h>

namespace {
constexpr int BarWidth = 30;

void Write(FILE* stream, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
  std::fflush(stream);
}
}  // namespace

Console::Console(bool json, bool quiet) : json_(json), quiet_(quiet), terminal_(::isatty(STDERR_FILENO)) {}

void Console::Result(const QString& line) { Write(stdout, line + u'\n'); }

void Console::Result(const QJsonObject& object) {
  Write(stdout, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + u'\n');
}

void Console::ToErr(const QString& text) {
  CloseBar();
  Write(stderr, text + u'\n');
}

void Console::Info(const QString& line) {
  if (!quiet_) ToErr(line);
}

void Console::Warn(const QString& line) { ToErr(QStringLiteral("velt-cli: uwaga: ") + line); }

void Console::Error(const QString& line) { ToErr(QStringLiteral("velt-cli: ") + line); }

void Console::BeginProgress(const QString& label) {
  label_ = label;
  shownTenth_ = -1;
  Progress(0);
}

void Console::Progress(int percent) {
  if (quiet_) return;
  percent = qBound(0, percent, 100);
  if (terminal_) {
    const int filled = percent * BarWidth / 100;
    Write(stderr, QStringLiteral("\r%1 [%2%3] %4%").arg(label_, QString(filled, u'#'),
                                                       QString(BarWidth - filled, u'.'))
                      .arg(percent, 3));
    barOpen_ = true;
    return;
  }
  if (percent / 10 == shownTenth_) return;
  shownTenth_ = percent / 10;
  Write(stderr, QStringLiteral("%1: %2%\n").arg(label_).arg(percent));
}

void Console::EndProgress() { CloseBar(); }

void Console::CloseBar() {
  if (!barOpen_) return;
  barOpen_ = false;
  Write(stderr, QStringLiteral("\n"));
}
