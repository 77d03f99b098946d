#include <QTest>

#include "colours.h"
#include "form_fixture.h"
#include "progress_gauge.h"
#include "tst_app_form.h"

void TestProgressGauge::fillText_data() {
  QTest::addColumn<int>("minimum");
  QTest::addColumn<int>("maximum");
  QTest::addColumn<int>("value");
  QTest::addColumn<QString>("text");

  QTest::newRow("1 of 3 cut down") << 0 << 3 << 1 << "33%";
  QTest::newRow("2 of 3 cut down, not rounded") << 0 << 3 << 2 << "66%";
  QTest::newRow("15 of 20") << 0 << 20 << 15 << "75%";
  QTest::newRow("19 of 20") << 0 << 20 << 19 << "95%";
  QTest::newRow("empty") << 0 << 20 << 0 << "0%";
  QTest::newRow("full") << 0 << 20 << 20 << "100%";
  QTest::newRow("199 of 200 is not yet full") << 0 << 200 << 199 << "99%";
  QTest::newRow("from a minimum") << 5 << 10 << 7 << "40%";
  QTest::newRow("at a minimum") << 5 << 10 << 5 << "0%";
  QTest::newRow("negative minimum") << -20 << 20 << 10 << "75%";
  QTest::newRow("wide range, no overflow") << 0 << 2147483647 << 2000000000 << "93%";
  QTest::newRow("widest range") << -2147483647 - 1 << 2147483647 << 0 << "50%";
  QTest::newRow("empty range") << 7 << 7 << 7 << "";
}

void TestProgressGauge::fillText() {
  QFETCH(int, minimum);
  QFETCH(int, maximum);
  QFETCH(int, value);
  ProgressGauge gauge;
  gauge.setRange(minimum, maximum);
  gauge.setValue(value);
  QTEST(gauge.text(), "text");
  QCOMPARE(gauge.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  QVERIFY(gauge.isTextVisible());
}

void TestProgressGauge::resetGaugeShowsNothing() {
  ProgressGauge gauge;
  gauge.setValue(40);
  gauge.reset();
  QCOMPARE(gauge.text(), QString());
}

void TestProgressGauge::colours() {
  Form form;
  const QPalette rssi = form.ui.BarRSSI->palette();
  QCOMPARE(rssi.color(QPalette::Highlight), QColor(Colours::Blue));
  QCOMPARE(rssi.color(QPalette::Base), Colours::ButtonFace());
  const QPalette bar = form.ui.Bar->palette();
  QCOMPARE(bar.color(QPalette::Highlight), QColor(Colours::Black));
  QCOMPARE(bar.color(QPalette::Base), QColor(Colours::White));
  // The percentage stays readable where the black bar has passed under it.
  QCOMPARE(bar.color(QPalette::HighlightedText), QColor(Colours::White));
}
