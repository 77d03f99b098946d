// The about window and the JPEG decoder behind its picture.
#include "finfo.h"
#include "jpeg_image.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QDesktopServices>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QLabel>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include "dialog_keys.h"
#include "qt_translation.h"
#include "version.h"

namespace {

QByteArray EmbeddedPicture() {
  QFile file(QStringLiteral(":/about/velt.jpg"));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The same picture with its frame header claiming 65000 × 65000 pixels.
QByteArray Oversized(QByteArray jpeg) {
  const qsizetype sof = jpeg.indexOf("\xFF\xC0");
  if (sof < 0) return {};
  // Marker, length (2), precision (1), then height and width, two bytes each.
  for (int i : {5, 7}) {
    jpeg[sof + i] = char(0xFD);
    jpeg[sof + i + 1] = char(0xE8);
  }
  return jpeg;
}

int MaxChannelDifference(const QImage& a, const QImage& b) {
  int worst = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                        std::abs(qBlue(p) - qBlue(q))});
    }
  return worst;
}

}  // namespace

class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened << url; }
};

class TestAbout : public QObject {
  Q_OBJECT
 private slots:
  void embeddedPicture();
  void grayscalePicture();
  void damagedData_data();
  void damagedData();
  void window();
  void programAnswers_data();
  void programAnswers();
  void okCloses();
  void keys();
  void linkOpensReadme_data();
  void linkOpensReadme();
  void qtTranslation_data();
  void qtTranslation();
};

// Our decoding agrees with Qt's own reader pixel for pixel, so rows and channels are in place.
void TestAbout::embeddedPicture() {
  const QByteArray data = EmbeddedPicture();
  QVERIFY(!data.isEmpty());
  QString error = QStringLiteral("unchanged");
  const QImage image = DecodeJpeg(data, &error);
  QVERIFY2(!image.isNull(), qPrintable(error));
  QVERIFY(error.isEmpty());
  QCOMPARE(image.size(), QSize(160, 120));
  const QImage reference = QImage::fromData(data, "JPG");
  QCOMPARE(reference.size(), image.size());
  QVERIFY(MaxChannelDifference(image, reference) <= 2);
  // The background is a pale blue above the module and the module is grey.
  const QRgb sky = image.pixel(4, 4);
  QVERIFY(qBlue(sky) > qRed(sky) && qRed(sky) > 180);
}

void TestAbout::grayscalePicture() {
  QImage gray(32, 16, QImage::Format_Grayscale8);
  for (int y = 0; y < gray.height(); ++y)
    for (int x = 0; x < gray.width(); ++x) gray.scanLine(y)[x] = uchar(x * 8);
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QVERIFY(gray.save(&buffer, "JPG", 100));

  const QImage image = DecodeJpeg(buffer.data());
  QCOMPARE(image.size(), gray.size());
  for (int x : {0, 15, 31}) {
    const QRgb p = image.pixel(x, 8);
    QCOMPARE(qRed(p), qGreen(p));
    QCOMPARE(qGreen(p), qBlue(p));
    QVERIFY(std::abs(qRed(p) - x * 8) <= 4);
  }
}

void TestAbout::damagedData_data() {
  QTest::addColumn<QByteArray>("data");
  QTest::addColumn<QString>("reason");  // part of the message, when it is ours
  const QByteArray good = EmbeddedPicture();
  QTest::newRow("empty") << QByteArray() << QString();
  QTest::newRow("not a picture") << QByteArray("Dostępne porty COM w systemie") << QString();
  QTest::newRow("start marker then garbage")
      << QByteArray("\xFF\xD8\xFF\x01\x02\x03garbage", 13) << QString();
  QTest::newRow("header only") << good.left(100) << QString();
  QTest::newRow("cut in the middle") << good.left(good.size() / 2) << QString();
  QTest::newRow("end marker missing") << good.left(good.size() - 2) << QString();
  QTest::newRow("too large to hold") << Oversized(good) << QStringLiteral("zbyt duży");
}

void TestAbout::damagedData() {
  QFETCH(QByteArray, data);
  QFETCH(QString, reason);
  QString error;
  QVERIFY(DecodeJpeg(data, &error).isNull());
  QVERIFY(!error.isEmpty());
  if (!reason.isEmpty()) QVERIFY2(error.contains(reason), qPrintable(error));
  // The caller need not ask for the reason.
  QVERIFY(DecodeJpeg(data).isNull());
}

void TestAbout::window() {
  QWidget owner;
  owner.setGeometry(100, 80, 697, 547);
  owner.show();
  TFInfo info(&owner, QStringLiteral("/usr/share/doc/velt/README.md"));
  QCOMPARE(info.windowTitle(), "O programie");
  info.show();
  QVERIFY(QTest::qWaitForWindowExposed(&info));

  const auto label = [&](const char* name) { return info.findChild<QLabel*>(name); };
  QVERIFY(label("Label1") && label("Label2") && label("Label3") && label("Image1"));
  QCOMPARE(label("Label1")->text(), "VELT Razave v " + VeltVersion());
  QCOMPARE(label("Label2")->text(), "Autor: zespół velt");
  QCOMPARE(label("Label3")->text(), "/usr/share/doc/velt/README.md");
  QVERIFY(label("Label3")->font().underline());
  QCOMPARE(label("Label3")->palette().color(QPalette::WindowText), QColor(Qt::blue));
  QCOMPARE(label("Image1")->pixmap().size(), QSize(160, 120));
  for (const char* name : {"Label1", "Label2", "Label3"})
    QVERIFY2(label(name)->width() >= label(name)->sizeHint().width(), name);

  QCOMPARE(info.minimumSize(), info.maximumSize());
  QVERIFY(!info.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  const QPoint offset = info.geometry().center() - owner.geometry().center();
  QVERIFY(offset.manhattanLength() <= 4);
}

void TestAbout::okCloses() {
  TFInfo info;
  auto* ok = info.findChild<QAbstractButton*>("Button1");
  QVERIFY(ok);
  QCOMPARE(ok->text(), "OK");
  QTimer::singleShot(0, ok, [ok] { QTest::mouseClick(ok, Qt::LeftButton); });
  // Should the click go astray, the test fails instead of waiting for ever.
  QTimer::singleShot(5000, &info, [&info] { info.done(-1); });
  QCOMPARE(info.exec(), int(QDialog::Accepted));
  QVERIFY(!info.isVisible());
}

void TestAbout::keys() {
  TFInfo info;
  info.show();
  QVERIFY(QTest::qWaitForWindowExposed(&info));
  const QString fault = DialogKeysFault(&info);
  QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

void TestAbout::linkOpensReadme_data() {
  QTest::addColumn<bool>("installed");
  QTest::newRow("installed") << true;
  QTest::newRow("run from the build") << false;
}

// The link leads to the description installed with the program, or is not there at all.
void TestAbout::linkOpensReadme() {
  QFETCH(bool, installed);
  QTemporaryDir prefix;
  const QString readme = prefix.filePath("share/doc/velt/README.md");
  QVERIFY(QDir().mkpath(QFileInfo(readme).path()));
  QFile file(readme);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.close();
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
  TFInfo info(nullptr, installed ? readme : QString());
  info.show();
  QVERIFY(QTest::qWaitForWindowExposed(&info));
  auto* link = info.findChild<QLabel*>("Label3");
  QVERIFY(link);
  QCOMPARE(link->isVisible(), installed);
  if (installed) QTest::mouseClick(link, Qt::LeftButton);
  // Clicking the other labels opens nothing.
  QTest::mouseClick(info.findChild<QLabel*>("Label1"), Qt::LeftButton);
  QTest::mouseClick(info.findChild<QLabel*>("Image1"), Qt::LeftButton);
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  QCOMPARE(catcher.opened, installed ? QList<QUrl>{QUrl::fromLocalFile(readme)} : QList<QUrl>{});
  // The test program is not installed: no README beside it.
  QCOMPARE(TFInfo::InstalledReadme(), QString());
}

void TestAbout::qtTranslation_data() {
  QTest::addColumn<QLocale>("locale");
  QTest::addColumn<bool>("translated");
  QTest::newRow("a language Qt has no translation for") << QLocale(QLocale::Walser) << false;
  QTest::newRow("Polish") << QLocale(QLocale::Polish, QLocale::Poland) << true;
}

// Qt's own texts (here the text fields' context menu) follow the user's language.
void TestAbout::qtTranslation() {
  QFETCH(QLocale, locale);
  QFETCH(bool, translated);
  QCOMPARE(InstallQtTranslation(*QCoreApplication::instance(), locale), translated);
  const char* const undo = "&Undo";
  QCOMPARE(QCoreApplication::translate("QLineEdit", undo) != QLatin1String(undo), translated);
}

void TestAbout::programAnswers_data() {
  QTest::addColumn<QString>("option");
  QTest::addColumn<QStringList>("texts");  // each in the answer
  QTest::newRow("version") << "--version" << QStringList{"velt " + VeltVersion() + "\n", "GPL-3.0-or-later"};
  QTest::newRow("help") << "--help" << QStringList{"Użycie: velt [OPCJA]", "--version", "-platform"};
}

// The program answers without a display: its manual page is made from the answers at build time.
void TestAbout::programAnswers() {
  QFETCH(QString, option);
  QFETCH(QStringList, texts);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) environment.remove(name);
  QProcess velt;
  velt.setProcessEnvironment(environment);
  velt.start(QStringLiteral(VELT_PATH), {option});
  if (!velt.waitForFinished(10000)) {
    velt.kill();
    velt.waitForFinished(5000);
    QFAIL("velt did not end");
  }
  const QString out = QString::fromUtf8(velt.readAllStandardOutput());
  QVERIFY2(velt.exitStatus() == QProcess::NormalExit && velt.exitCode() == 0, velt.readAllStandardError().constData());
  for (const QString& text : texts) QVERIFY2(out.contains(text), qPrintable(text + " in " + out));
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
