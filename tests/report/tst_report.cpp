// The handover report as its reader gets it: the text poppler extracts, the fonts it embeds, and
// the same bytes again from the same source.
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include "config_file.h"
#include "cp1250.h"
#include "item_words.h"
#include "packings.h"
#include "report_pdf.h"
#include "window_captions.h"

namespace {

// A poppler tool's standard output for the file.
QString Poppler(const QString& tool, const QStringList& arguments) {
  QProcess process;
  process.start(tool, arguments);
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return QString();
  return QString::fromUtf8(process.readAllStandardOutput());
}

// Blanks of any length as one space: a layout puts its own between the columns.
QString Squeezed(const QString& text) { return text.simplified(); }

QByteArray Encoded(const QString& text) { return Cp1250::Encode(text).value(); }

struct Sample {
  ReportData data;
  QStringList present;  // in the text of the report
  QStringList absent;
};

// Every item with a value of its own; the first input's on text ends in byte 0xB9 as the
// controller sends it.
Sample MakeSample(bool reveal) {
  Sample s;
  ReportData& d = s.data;
  d.record = ConfigRecord::Default();
  d.revealSecrets = reveal;
  d.password = "9356";
  d.record.setValue(ItemIndex::Pin, "4821");
  d.record.setValue(ItemIndex::SmsCentre, QByteArray("+48601000310") + '\0');
  const auto text = [&](int k, const QString& value) {
    d.record.setValue(k, Encoded(value));
    s.present << value;
  };
  for (int n = 0; n < 4; ++n) text(ItemIndex::Phone1 + n, QStringLiteral("+4850000000%1").arg(n + 1));
  for (int r = 0; r < 5; ++r) {
    text(ItemIndex::In1OffText + r, QStringLiteral("Spokój na wejściu %1").arg(r + 1));
    if (r) text(ItemIndex::In1OnText + r, QStringLiteral("Zażółć gęślą jaźń %1").arg(r + 1));
  }
  d.record.setValue(ItemIndex::In1OnText, QByteArray("M") + char(0xB9) + "ka");
  s.present << QStringLiteral("Mąka");
  const QStringList words{"ZAL1", "ZAL2", "WYL1", "WYL2", "ZAL3", "WYL3"};
  for (int w = 0; w < words.size(); ++w) text(ItemIndex::Out1OnWord + w, words[w]);
  text(ItemIndex::ConfirmText, QStringLiteral("Wykonano"));
  d.record.setValue(ItemIndex::LimitSms, QByteArray(1, 37));
  d.record.setValue(ItemIndex::LimitVoice, QByteArray(1, 58));
  s.present << QStringLiteral("37") << QStringLiteral("58");
  d.record.setValue(ItemIndex::OutputTimes, QByteArray::fromHex("050a63"));
  const InputMatrix matrix = UnpackInputMatrix(QByteArray::fromHex("9c3a0f55a1"));
  d.record.setValue(ItemIndex::InputMatrix, PackInputMatrix(matrix));
  OutputFlags outputs;
  outputs.nc = {true, false, true};
  outputs.mono = {false, true, true};
  d.record.setValue(ItemIndex::OutputFlags, QByteArray(1, char(PackOutputFlags(outputs))));
  d.record.setValue(ItemIndex::Options, QByteArray(1, 0x05));
  d.before = ConfigRecord::Default();
  d.site = ReportSite{QStringLiteral("GDA-17"), QStringLiteral("Przepompownia Śródmieście"), QStringLiteral("ul. Łąkowa 3, Gdańsk")};
  d.technician = QStringLiteral("Łukasz Żmuda");
  d.firmware = QStringLiteral("VELT v 1.8");
  d.source = QStringLiteral("plik konfiguracji.gcf");  // "fi", which a ligature would hide from a search
  d.made = QDateTime(QDate(2024, 3, 9), QTime(8, 5));
  d.signal = ReportSignal{SignalStats{40, 38, 9, 17, 13.4}, {9, 12, 17, -1, 15}};
  s.present << d.site->id << d.site->name << d.site->address << d.technician << d.firmware << d.source << QStringLiteral("09.03.2024, 08:05")
            << QStringLiteral("PLUS") << QStringLiteral("+48601000310") << QStringLiteral("minimum 9, średnio 13,4, maksimum 17");
  for (const WindowCaption& caption : WindowCaptions::All()) s.present << caption.Text();
  // The rows of the tables, as the page lays them out.
  for (int input = 1; input <= 5; ++input) {
    QStringList row{WindowCaptions::Inputs[size_t(input - 1)].Text()};
    for (const auto bit : {&InputMatrix::SmsBit, &InputMatrix::VoiceBit})
      for (int phone = 1; phone <= 4; ++phone)
        row << (matrix.bits[size_t(bit(input, phone))] ? ItemWords::Ticked : ItemWords::Clear).toString();
    s.present << row.join(u' ');
  }
  s.present << WindowCaptions::TimeRow.Text() + QStringLiteral(" 5 10 99");
  s.present << QStringList{WindowCaptions::ContactRow.Text(), ItemWords::Contact(true), ItemWords::Contact(false), ItemWords::Contact(true)}.join(u' ');
  s.present << QStringList{WindowCaptions::ModeRow.Text(), ItemWords::Mode(false), ItemWords::Mode(true), ItemWords::Mode(true)}.join(u' ');
  // Options 0x05: the confirmation and the mini alarm panel, and what changed since before.
  s.present << WindowCaptions::Confirm.Text() + QStringLiteral(" tak") << WindowCaptions::Autotest.Text() + QStringLiteral(" nie")
            << WindowCaptions::MiniPanel.Text() + QStringLiteral(" tak") << ItemWords::Caption(ItemIndex::Phone1 + 3);
  (reveal ? s.present : s.absent) << QStringLiteral("4821") << QStringLiteral("9356");
  (reveal ? s.absent : s.present) << ItemWords::Hidden.toString();
  return s;
}

}  // namespace

class TstReport : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void text_data();
  void text();
  void fontsEmbedded();
  void sameSourceSameBytes();
  void captionsAreTheWindows();

 private:
  QTemporaryDir dir_;
};

void TstReport::initTestCase() {
  QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(), "poppler-utils is not installed");
  QVERIFY(dir_.isValid());
}

void TstReport::text_data() {
  QTest::addColumn<bool>("reveal");
  QTest::newRow("secrets masked") << false;
  QTest::newRow("secrets shown") << true;
}

void TstReport::text() {
  QFETCH(bool, reveal);
  const Sample sample = MakeSample(reveal);
  QString error;
  const std::optional<QByteArray> pdf = ReportPdf(sample.data, &error);
  QVERIFY2(pdf, qPrintable(error));
  const QString path = dir_.filePath(QStringLiteral("text.pdf"));
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly) && file.write(*pdf) == pdf->size());
  file.close();
  // Rows of a table read across in the page's layout; a caption wrapped in its cell reads whole
  // in the order of the text.
  const QString text = Squeezed(Poppler(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")}));
  const QString ordered = Squeezed(Poppler(QStringLiteral("pdftotext"), {path, QStringLiteral("-")}));
  QVERIFY(!text.isEmpty());
  for (const QString& expected : sample.present)
    QVERIFY2(text.contains(Squeezed(expected)) || ordered.contains(Squeezed(expected)),
             qPrintable(expected + QStringLiteral(" missing from:\n") + text));
  for (const QString& unexpected : sample.absent)
    QVERIFY2(!text.contains(unexpected) && !ordered.contains(unexpected), qPrintable(unexpected + QStringLiteral(" shown in:\n") + text));
}

void TstReport::fontsEmbedded() {
  QString error;
  const std::optional<QByteArray> pdf = ReportPdf(MakeSample(false).data, &error);
  QVERIFY2(pdf, qPrintable(error));
  const QString path = dir_.filePath(QStringLiteral("fonts.pdf"));
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly) && file.write(*pdf) == pdf->size());
  file.close();
  // name, type, encoding, then emb: after the two header lines, one line a font.
  const QStringList lines = Poppler(QStringLiteral("pdffonts"), {path}).split(u'\n', Qt::SkipEmptyParts).mid(2);
  QCOMPARE(lines.size(), 2);  // regular and bold
  static const QRegularExpression embedded(QStringLiteral("^\\S*DejaVuSans(-Bold)?\\s.*\\s(yes|no)\\s+(yes|no)\\s+yes\\s"));
  for (const QString& line : lines) {
    const QRegularExpressionMatch match = embedded.match(line);
    QVERIFY2(match.hasMatch() && match.captured(2) == u"yes", qPrintable(line));
  }
}

// Runs of velt-cli (processes of their own) on one file, at one time, give the same bytes; the
// PDF's creation date is the report's. Four runs: bytes that hang on a process's random hash
// order come out alike in all four only once in eight.
void TstReport::sameSourceSameBytes() {
  const QString source = dir_.filePath(QStringLiteral("a.gcf"));
  QFile gcf(source);
  const QByteArray image = EncodeConfigFile(ConfigFile{"7315", MakeSample(false).data.record});
  QVERIFY(gcf.open(QIODevice::WriteOnly) && gcf.write(image) == image.size());
  gcf.close();
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("SOURCE_DATE_EPOCH"), QStringLiteral("1709971200"));  // 2024-03-09 08:00 UTC
  QList<QByteArray> reports;
  for (int run = 0; run < 4; ++run) {
    const QString name = QStringLiteral("run%1.pdf").arg(run);
    QProcess cli;
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(VELT_CLI_PATH), {QStringLiteral("report"), source, QStringLiteral("-o"), dir_.filePath(name)});
    QVERIFY(cli.waitForFinished(30000));
    QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
    QFile pdf(dir_.filePath(name));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    reports.append(pdf.readAll());
  }
  QVERIFY(!reports[0].isEmpty());
  QCOMPARE(reports.count(reports[0]), reports.size());
  const QString info = Poppler(QStringLiteral("pdfinfo"), {QStringLiteral("-isodates"), dir_.filePath(QStringLiteral("run0.pdf"))});
  static const QRegularExpression created(QStringLiteral("CreationDate:\\s+(\\S+)"));
  QCOMPARE(QDateTime::fromString(created.match(info).captured(1), Qt::ISODate).toSecsSinceEpoch(), 1709971200);
}

// What the report calls the window's captions is what the window's form shows.
void TstReport::captionsAreTheWindows() {
  QFile form(QStringLiteral(VELT_FORM_PATH));
  QVERIFY(form.open(QIODevice::ReadOnly));
  QMultiHash<QString, QString> shown;  // control: its texts, titles and hints
  QXmlStreamReader xml(&form);
  QStringList controls;
  QString property;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement() && (xml.name() == u"widget" || xml.name() == u"action"))
      controls.append(xml.attributes().value(QStringLiteral("name")).toString());
    else if (xml.isEndElement() && (xml.name() == u"widget" || xml.name() == u"action"))
      controls.removeLast();
    else if (xml.isStartElement() && xml.name() == u"property")
      property = xml.attributes().value(QStringLiteral("name")).toString();
    else if (xml.isStartElement() && xml.name() == u"string" && !controls.isEmpty() &&
             QStringList{"text", "title", "toolTip"}.contains(property))
      shown.insert(controls.last(), xml.readElementText());
  }
  QVERIFY(!xml.hasError());
  for (const WindowCaption& caption : WindowCaptions::All())
    QVERIFY2(shown.values(QString::fromUtf8(caption.control)).contains(caption.Text()),
             qPrintable(QString::fromUtf8(caption.control) + u' ' + caption.Text()));
}

QTEST_MAIN(TstReport)
#include "tst_report.moc"
