#include "tst_signal_chart.h"

#include <QCategoryAxis>
#include <QChart>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QTemporaryDir>
#include <QTest>

#include "stepped_clock.h"
#include "dialog_keys.h"
#include "tfwykres.h"
#include "window_rig.h"

namespace {
void Open(WindowRig& rig, const QString& how) {
  if (how == u"gauge") QTest::mouseDClick(rig.ui().BarRSSI, Qt::LeftButton);
  else rig.ui().WykresGSM1->trigger();
}

// The replies the chart draws, by level ("15 15 15"), and how many along the bottom without one.
struct Drawn {
  QStringList levels;
  int withoutLevel = 0;
};

Drawn DrawnBy(const TFWykres* chart) {
  Drawn drawn;
  for (QAbstractSeries* series : chart->Chart()->series()) {
    auto* points = qobject_cast<QXYSeries*>(series);
    if (series->name() == u"Brak poziomu (99)") {
      drawn.withoutLevel += points->count();
      continue;
    }
    for (const QPointF& p : points->points()) drawn.levels << QString::number(p.y());
  }
  return drawn;
}
}  // namespace

void TestSignalChart::opens_data() {
  QTest::addColumn<QString>("how");
  QTest::addColumn<QByteArray>("status");
  QTest::addColumn<QString>("level");    // each reply's on the chart; empty: none drawn
  QTest::addColumn<QString>("average");  // of the last minute

  QTest::newRow("gauge, level 15") << "gauge" << QByteArray::fromHex("0580130F0201") << "15" << "15,0 (75%)";
  QTest::newRow("menu, no level") << "menu" << QByteArray::fromHex("FFFF6463FFFF") << "" << "—";
  QTest::newRow("gauge, past the scale") << "gauge" << QByteArray::fromHex("4A0014170000") << "20" << "20,0 (100%)";
}

void TestSignalChart::opens() {
  QFETCH(QString, how);
  QFETCH(QByteArray, status);
  QFETCH(QString, level);

  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  rig.sim.SetFixedStatus(status);
  LOG_IN(rig);
  QTRY_VERIFY_WITH_TIMEOUT(rig.window->History.Size() >= 2, 4000);
  QVERIFY(!rig.window->findChild<TFWykres*>());

  Open(rig, how);
  auto* chart = rig.window->findChild<TFWykres*>();
  QVERIFY(chart && chart->isVisible());
  QCOMPARE(chart->windowTitle(), "Wykres sygnału GSM");
  const int replies = rig.window->History.Size();
  Drawn drawn = DrawnBy(chart);
  QCOMPARE(drawn.levels, level.isEmpty() ? QStringList() : QStringList(replies, level));
  QCOMPARE(drawn.withoutLevel, level.isEmpty() ? replies : 0);
  QTEST(chart->findChild<QLabel*>("LabelMinutaSr")->text(), "average");

  // It follows the replies as they come.
  QTRY_VERIFY_WITH_TIMEOUT(rig.window->History.Size() > replies, 2500);
  drawn = DrawnBy(chart);
  QCOMPARE(drawn.levels.size() + drawn.withoutLevel, rig.window->History.Size());

  // Asked for again: the same window.
  Open(rig, how);
  QCOMPARE(rig.window->findChildren<TFWykres*>().size(), 1);
}

// Logged out, the chart stands still; what it shows goes to the chosen files.
void TestSignalChart::savesWhatIsShown() {
  QTemporaryDir folder;
  QVERIFY(folder.isValid());
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  rig.sim.SetFixedStatus(QByteArray::fromHex("0580130F0201"));
  LOG_IN(rig);
  QTRY_VERIFY_WITH_TIMEOUT(rig.window->History.Size() >= 3, 5000);
  rig.Click(rig.ui().Button_rozlacz);
  QVERIFY(!rig.window->LoggedIn);
  rig.ui().WykresGSM1->trigger();
  auto* chart = rig.window->findChild<TFWykres*>();
  QVERIFY(chart);

  const qsizetype boxesBefore = rig.boxes.Boxes().size();
  QStringList asked;
  rig.window->ChooseSaveFile = [&](const QString& filter, const QString& suffix) {
    asked << filter;
    return folder.filePath(QStringLiteral("sygnal.") + suffix);
  };
  QTest::mouseClick(chart->findChild<QPushButton*>("ButtonZapiszCSV"), Qt::LeftButton);
  QTest::mouseClick(chart->findChild<QPushButton*>("ButtonZapiszObraz"), Qt::LeftButton);
  QCOMPARE(asked, (QStringList{"Plik CSV (*.csv)", "Obraz PNG (*.png)"}));

  QFile csv(folder.filePath("sygnal.csv"));
  QVERIFY(csv.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(csv.readAll()).split(u'\n', Qt::SkipEmptyParts);
  QCOMPARE(lines.size(), 1 + rig.window->History.Size());
  QVERIFY(lines.first().startsWith("time,signal_raw,signal_percent,"));
  for (const QString& line : lines.mid(1)) QVERIFY2(line.section(u',', 1, 2) == "15,75", qPrintable(line));
  const QImage image(folder.filePath("sygnal.png"));
  QVERIFY(!image.isNull());
  QCOMPARE(image.size(), chart->findChild<QWidget*>("PanelWykres")->size() * chart->devicePixelRatio());
  QCOMPARE(rig.boxes.Boxes().size(), boxesBefore);  // no error box
}

// Replies are laid out on the monotonic clock and labelled with the wall clock: a step of the
// wall clock either way leaves every reply on the time axis, in the order they came, and the
// labels tell the wall clock as it reads now.
void TestSignalChart::wallClockSteps_data() {
  QTest::addColumn<int>("stepAt");  // of 90 replies a second apart
  QTest::addColumn<qint64>("stepMs");
  QTest::newRow("back 3 s with the newest reply") << 89 << -3000LL;
  QTest::newRow("forward 3 s half a minute ago") << 60 << 3000LL;
  QTest::newRow("back a month half a minute ago") << 60 << -MonthMs;
  QTest::newRow("forward a month with the newest reply") << 89 << MonthMs;
}

void TestSignalChart::wallClockSteps() {
  QFETCH(int, stepAt);
  QFETCH(qint64, stepMs);
  constexpr int Replies = 90;
  SteppedClock clock;
  StatusHistory history(StatusHistory::HalfHourOfPolls, clock.Clock());
  TFWykres chart(history, {}, nullptr);
  chart.setAttribute(Qt::WA_DeleteOnClose, false);
  chart.show();
  RecordEverySecond(history, clock, Replies, stepAt, stepMs);

  const auto* axis = qobject_cast<QCategoryAxis*>(chart.Chart()->axes(Qt::Horizontal).constFirst());
  QList<QPointF> points;
  for (QAbstractSeries* series : chart.Chart()->series()) points += qobject_cast<QXYSeries*>(series)->points();
  QCOMPARE(points.size(), Replies);
  std::sort(points.begin(), points.end(), [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
  for (int i = 0; i < Replies; ++i) {
    QVERIFY2(points[i].x() >= axis->min() && points[i].x() <= axis->max(), qPrintable(QString::number(i)));
    QCOMPARE(points[i].y(), double(i % 21));  // each reply where its second is
  }
  const QString now = QDateTime::fromMSecsSinceEpoch(clock.Now().wallMs).toString("HH:mm:ss");
  QVERIFY2(chart.findChild<QLabel*>("LabelStan")->text().contains(now), qPrintable(now));
  QVERIFY2(chart.findChild<QLabel*>("LabelZakresCzasu")->text().endsWith(now), qPrintable(now));
}

// Before any connection the chart does not say what it says of a silent controller; as soon as
// the window connects it does. It closes with Esc.
void TestSignalChart::noConnectionIsNotSilence() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  QVERIFY(rig.sim.SetFaults({"silent"}));
  Open(rig, "menu");
  auto* chart = rig.window->findChild<TFWykres*>();
  QVERIFY(chart);
  auto* state = chart->findChild<QLabel*>("LabelStan");
  const QString unconnected = state->text();
  rig.Click(rig.ui().Button_polacz);  // the login goes unanswered
  QVERIFY(rig.window->ComPort.Connected());
  QVERIFY(state->text() != unconnected);
  const QString fault = DialogKeysFault(chart);
  QVERIFY2(fault.isEmpty(), qPrintable(fault));
}
