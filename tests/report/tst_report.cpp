// The handover report as its reader gets it: the text poppler extracts, the fonts it embeds, and
// the same bytes again from the same source.
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include "config_file.h"
#include "cp1250.h"
#include "item_words.h"
#include "packings.h"
#include "report_file_name.h"
#include "report_number.h"
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
  d.site = ReportSite{QStringLiteral("GDA-17"), QStringLiteral("Przepompownia Śródmieście"), QStringLiteral("ul. Łąkowa 3, Gdańsk"),
                      QStringLiteral("Anna Kowalczyk, tel. 601 234 567")};
  d.unsaved = {ItemIndex::Phone1 + 3};
  d.technician = QStringLiteral("Łukasz Żmuda");
  d.firmware = QStringLiteral("VELT v 1.8");
  d.source = QStringLiteral("plik konfiguracji.gcf");  // "fi", which a ligature would hide from a search
  d.made = QDateTime(QDate(2024, 3, 9), QTime(8, 5));
  d.signal = ReportSignal{SignalStats{40, 38, 9, 17, 13.4}, {9, 12, 17, -1, 15}};
  s.present << d.site->id << d.site->name << d.site->address << d.site->contact << QStringLiteral("niezapisane w sterowniku")
            << QStringLiteral("Strona 1 z 2") << QStringLiteral("GDA-17 · 09.03.2024") << d.technician << d.firmware << d.source << QStringLiteral("09.03.2024, 08:05")
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
  void pages_data();
  void pages();
  void fileName_data();
  void fileName();
  void number_data();
  void number();
  void letterhead();

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

// The text of each page of the PDF, as lines laid out.
QStringList PageTexts(const QByteArray& pdf, const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size()) return {};
  file.close();
  const int pages = Poppler(QStringLiteral("pdfinfo"), {path}).section(QStringLiteral("Pages:"), 1).trimmed().section(u'\n', 0, 0).toInt();
  QStringList texts;
  for (int page = 1; page <= pages; ++page)
    texts << Poppler(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page),
                                                   QStringLiteral("-l"), QString::number(page), path, QStringLiteral("-")});
  return texts;
}

// The lines of a page with text, the foot left out.
QStringList BodyLines(const QString& page) {
  QStringList lines;
  for (const QString& line : page.split(u'\n'))
    if (!line.trimmed().isEmpty() && !line.contains(QStringLiteral("Strona "))) lines << line.simplified();
  return lines;
}

// Text pushed down the first page by `lines` lines of the source, so that each break between
// pages falls somewhere else: before, inside and after each table's header and heading, and
// before the signatures.
void TstReport::pages_data() {
  QTest::addColumn<int>("lines");
  for (int lines = 0; lines <= 44; lines += 4) QTest::addRow("%d lines more", lines) << lines;
}

void TstReport::pages() {
  QFETCH(int, lines);
  ReportData data = MakeSample(false).data;
  QStringList filler;
  for (int line = 0; line < lines; ++line) filler << QStringLiteral("wiersz %1 dłuższego opisu źródła, który zajmuje całą szerokość kolumny tabeli").arg(line);
  data.source = filler.join(u' ');
  // Many changes: the table of them runs over a page.
  data.before = ConfigRecord::Default();
  for (int input = 0; input < 5; ++input) data.before->setValue(ItemIndex::In1OnText + input, "Przed");
  QString error;
  const std::optional<QByteArray> pdf = ReportPdf(data, &error);
  QVERIFY2(pdf, qPrintable(error));
  const QString path = dir_.filePath(QStringLiteral("pages.pdf"));
  const QStringList pages = PageTexts(*pdf, path);
  if (qEnvironmentVariableIsSet("VELT_KEEP_PDF")) QFile::copy(path, QStringLiteral("%1/pages-%2.pdf").arg(qEnvironmentVariable("VELT_KEEP_PDF")).arg(lines));
  QVERIFY(pages.size() >= 2);
  // What begins a part: its heading, or the header of its table.
  const QStringList heads{WindowCaptions::InputsGroup.Text(), WindowCaptions::MatrixGroup.Text(), WindowCaptions::OutputsGroup.Text(),
                          QStringLiteral("Zmiany wprowadzone podczas wizyty"), QStringLiteral("Pozycja Przed Po"),
                          QStringList{WindowCaptions::SmsTable.Text(), WindowCaptions::VoiceTable.Text()}.join(u' '),
                          QStringLiteral("Uwaga: zmiany niezapisane w sterowniku")};
  bool changesBegun = false;
  for (qsizetype p = 0; p < pages.size(); ++p) {
    const QString foot = QStringLiteral("GDA-17 · 09.03.2024 · Strona %1 z %2").arg(p + 1).arg(pages.size());
    QVERIFY2(pages[p].simplified().contains(foot), qPrintable(QStringLiteral("page %1 without its foot:\n%2").arg(p + 1).arg(pages[p])));
    const QStringList body = BodyLines(pages[p]);
    QVERIFY(!body.isEmpty());
    for (const QString& head : heads)
      QVERIFY2(!body.last().startsWith(head), qPrintable(QStringLiteral("page %1 ends in %2").arg(p + 1).arg(body.last())));
    // The signatures share their page with the text.
    if (body.first().startsWith(QStringLiteral("Podpis technika"))) QFAIL(qPrintable(QStringLiteral("signatures alone on page %1").arg(p + 1)));
    // Rows of the changes (the inputs' texts were "Przed") on a page after their table began come
    // under its header again.
    const QString header = QStringLiteral("Pozycja Przed Po");
    const qsizetype firstRow = body.indexOf(QRegularExpression(QStringLiteral("^IN\\d.* Przed ")));
    if (changesBegun && firstRow >= 0)
      QVERIFY2(body.indexOf(header) >= 0 && body.indexOf(header) < firstRow, qPrintable(pages[p]));
    changesBegun = changesBegun || body.contains(QStringLiteral("Zmiany wprowadzone podczas wizyty"));
  }
}

void TstReport::fileName_data() {
  QTest::addColumn<QString>("site");  // "-" for none
  QTest::addColumn<QString>("name");
  QTest::newRow("installation") << "KRK-0042" << "KRK-0042_2026-12-08.pdf";
  QTest::newRow("no installation") << "-" << "raport_2026-12-08.pdf";
  QTest::newRow("slash") << "KRK/42" << "KRK-42_2026-12-08.pdf";
  QTest::newRow("control character") << "A\nB" << "A-B_2026-12-08.pdf";
  QTest::newRow("dots alone") << ".." << "raport_2026-12-08.pdf";
}

void TstReport::fileName() {
  QFETCH(QString, site);
  QFETCH(QString, name);
  ReportData data;
  data.made = QDateTime(QDate(2026, 12, 8), QTime(23, 59));
  if (site != u"-") data.site = ReportSite{site, QStringLiteral("Nazwa"), QString(), QString()};
  QCOMPARE(ReportFileName(data), name);
}

void TstReport::number_data() {
  QTest::addColumn<QString>("uuid");
  QTest::addColumn<int>("sequence");
  QTest::addColumn<QString>("number");
  // The first 15 bits in 5-bit symbols: 0x0000 -> 000, 0xffff -> ZZZ, 0x8421 -> 0x4210 -> GGG.
  QTest::newRow("lowest") << "00000000-0000-4000-8000-000000000000" << 1 << "RAP/2026/000-0001";
  QTest::newRow("highest") << "ffffffff-ffff-4fff-bfff-ffffffffffff" << 42 << "RAP/2026/ZZZ-0042";
  QTest::newRow("every fifth bit") << "84210000-0000-4000-8000-000000000000" << 9999 << "RAP/2026/GGG-9999";
  QTest::newRow("past four digits") << "00000000-0000-4000-8000-000000000000" << 12345 << "RAP/2026/000-12345";
}

void TstReport::number() {
  QFETCH(QString, uuid);
  QFETCH(int, sequence);
  QFETCH(QString, number);
  QCOMPARE(ReportNumber(2026, QUuid::fromString(uuid), sequence), number);
}

// The company's name and address head every page, its other details the first one only; the
// report's number is in every foot; the logo is flattened (no soft mask) and the file PDF/A-1b.
void TstReport::letterhead() {
  ReportData data = MakeSample(false).data;
  QImage logo(64, 32, QImage::Format_ARGB32);
  logo.fill(Qt::transparent);
  QPainter(&logo).fillRect(8, 8, 48, 16, QColor(200, 30, 30, 128));
  data.company = ReportCompany{QStringLiteral("Instalatorstwo Zając sp. z o.o."), QStringLiteral("ul. Fabryczna 12, 30-001 Kraków"),
                               QStringLiteral("+48 12 345 67 89"), QStringLiteral("biuro@example.pl"), QStringLiteral("677-000-11-22"), logo};
  data.number = QStringLiteral("RAP/2024/7KX-0042");
  QString error;
  const std::optional<QByteArray> pdf = ReportPdf(data, &error);
  QVERIFY2(pdf, qPrintable(error));
  const QString path = dir_.filePath(QStringLiteral("letterhead.pdf"));
  const QStringList pages = PageTexts(*pdf, path);
  QVERIFY(pages.size() >= 2);
  for (qsizetype p = 0; p < pages.size(); ++p) {
    const QString text = pages[p].simplified();
    for (const QString& head : {data.company->name, data.company->address, data.number})
      QVERIFY2(text.contains(head), qPrintable(QStringLiteral("page %1 without %2").arg(p + 1).arg(head)));
    for (const QString& first : {data.company->phone, data.company->email, data.company->taxId})
      QVERIFY2(text.contains(first) == (p == 0), qPrintable(QStringLiteral("page %1: %2").arg(p + 1).arg(first)));
  }
  QVERIFY(!QString::fromLatin1(*pdf).contains(QRegularExpression(QStringLiteral("/SMask \\d+ 0 R"))));
  const QString info = Poppler(QStringLiteral("pdfinfo"), {path});
  for (const QString& line : {QStringLiteral("Title:\\s+Raport przekazania sterownika VELT"), QStringLiteral("Author:\\s+Łukasz Żmuda"),
                              QStringLiteral("Subject:\\s+GDA-17")})
    QVERIFY2(info.contains(QRegularExpression(line)), qPrintable(line + u'\n' + info));
  const QString meta = Poppler(QStringLiteral("pdfinfo"), {QStringLiteral("-meta"), path});
  for (const QString& part : {QStringLiteral("pdfaid:part=\"1\""), QStringLiteral("pdfaid:conformance=\"B\""),
                              QStringLiteral("<rdf:li>Łukasz Żmuda</rdf:li>"), QStringLiteral("xmp:CreateDate=\"2024-03-09T")})
    QVERIFY2(meta.contains(part), qPrintable(part + u'\n' + meta));
}

QTEST_MAIN(TstReport)
#include "tst_report.moc"
