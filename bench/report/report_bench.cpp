// The handover report made from a full record, with the company's letterhead and logo: the first (which loads the fonts) and the median
// of the next ones. Prints one RESULT line; with a file name, writes the report there too.
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTextStream>
#include <algorithm>

#include "config_record.h"
#include "cp1250.h"
#include "report_pdf.h"
#include "signal_picture.h"

namespace {

ReportData Sample() {
  ReportData data;
  data.record = ConfigRecord::Default();
  const auto text = [&](int k, const QString& value) { data.record.setValue(k, *Cp1250::Encode(value)); };
  for (int n = 0; n < 4; ++n) text(ItemIndex::Phone1 + n, QStringLiteral("+4860012345%1").arg(n));
  for (int r = 0; r < 5; ++r) {
    text(ItemIndex::In1OnText + r, QStringLiteral("Alarm: wejście %1 zwarte, ŻÓŁW").arg(r + 1));
    text(ItemIndex::In1OffText + r, QStringLiteral("Koniec alarmu na wejściu %1").arg(r + 1));
  }
  data.record.setValue(ItemIndex::InputMatrix, QByteArray::fromHex("9c3a0f55a1"));
  data.record.setValue(ItemIndex::OutputFlags, QByteArray(1, 0x25));
  data.record.setValue(ItemIndex::Options, QByteArray(1, 0x0d));
  data.before = ConfigRecord::Default();
  data.site = ReportSite{QStringLiteral("KRK-0042"), QStringLiteral("Pompownia Łęgi"), QStringLiteral("ul. Źródlana 7, Kraków"),
                         QStringLiteral("Anna Nowak, 600 100 200")};
  // The letterhead with a logo of the size a company would give, semi-transparent to be flattened.
  QImage logo(600, 240, QImage::Format_ARGB32);
  logo.fill(Qt::transparent);
  QPainter painter(&logo);
  painter.setBrush(QColor(20, 60, 140, 200));
  painter.drawEllipse(20, 20, 200, 200);
  painter.fillRect(260, 80, 320, 80, QColor(200, 40, 40));
  painter.end();
  data.company = ReportCompany{QStringLiteral("Instalacje Łęgi sp. z o.o."), QStringLiteral("ul. Przemysłowa 3, 31-001 Kraków"),
                               QStringLiteral("+48 12 300 40 50"), QStringLiteral("biuro@example.pl"), QStringLiteral("676-000-00-00"), logo};
  data.number = QStringLiteral("RAP/2024/7KX-0042");
  data.technician = QStringLiteral("Jan Wiśniewski");
  data.firmware = QStringLiteral("VELT v 1.8");
  data.source = QStringLiteral("sterownik");
  data.made = QDateTime(QDate(2024, 5, 6), QTime(14, 30));
  StatusHistory ring;
  for (int i = 0; i < ring.Capacity(); ++i) {
    QByteArray reply(StatusReplySize, '\0');
    reply[3] = char(i % 97 == 0 ? NoSignalLevel : 12 + (i / 40) % 9);
    ring.Record(reply, ClockReading{1000LL * i, 1000LL * i});
  }
  data.signal = VisitSignal(ring);
  return data;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QGuiApplication app(argc, argv);
  QTextStream out(stdout);
  const ReportData data = Sample();
  QString error;
  QElapsedTimer timer;
  timer.start();
  const std::optional<QByteArray> first = ReportPdf(data, &error);
  const double firstMs = timer.nsecsElapsed() / 1e6;
  if (!first) {
    out << error << '\n';
    return 1;
  }
  std::vector<double> ms;
  for (int run = 0; run < 15; ++run) {
    timer.restart();
    ReportPdf(data, &error);
    ms.push_back(timer.nsecsElapsed() / 1e6);
  }
  std::sort(ms.begin(), ms.end());
  if (argc > 1) {
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly) || file.write(*first) != first->size()) return 1;
  }
  out << QStringLiteral("report of %1 bytes: first %2 ms (fonts loaded), then %3 ms (median of %4)\n")
             .arg(first->size()).arg(firstMs, 0, 'f', 1).arg(ms[ms.size() / 2], 0, 'f', 1).arg(ms.size());
  out << QStringLiteral("RESULT report_ms=%1 first_report_ms=%2\n").arg(ms[ms.size() / 2], 0, 'f', 1).arg(firstMs, 0, 'f', 1);
  return 0;
}
