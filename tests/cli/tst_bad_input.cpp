// Wrong command lines and bad files are refused before the first byte goes to the controller.
#include <QtTest>

#include "cli_rig.h"
#include "config_file.h"
#include "tst_cli.h"

namespace {

QByteArray GoodConfigFile() { return ConfigFileBytes("7315", ConfigRecord::Default().values); }

QByteArray Flipped(QByteArray bytes, qsizetype at) {
  bytes[at] = char(bytes[at] ^ 0x01);
  return bytes;
}

const QByteArray Template = R"({"phone1": "+48111"})";
const QByteArray Sites = "site,phone2,limit_sms\nA,+48222,5\nB,+48333,6\n";

}  // namespace

void TstBadInput::commandLine_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("message");
  const auto row = [](const char* name, QStringList arguments, const char* message) {
    QTest::newRow(name) << arguments << 2 << QString::fromUtf8(message);
  };
  row("no command", {}, "brak polecenia");
  row("unknown command", {"frob"}, "nieznane polecenie 'frob'");
  row("unknown option", {"status", "--frob"}, "nieznana opcja --frob");
  row("option of another command", {"read", "--watch"}, "polecenie read nie ma opcji --watch");
  row("option given twice", {"read", "-o", "a.gcf", "--output=b.gcf"}, "opcja --output podana dwa razy");
  row("option without its value", {"read", "-o"}, "opcja -o wymaga wartości");
  row("flag with a value", {"status", "--watch=yes"}, "opcja --watch nie przyjmuje wartości");
  row("too many arguments", {"show", "a.gcf", "b.gcf"}, "za dużo argumentów ('b.gcf')");
  row("get without keys", {"get"}, "za mało argumentów");
  row("get of an unknown key", {"get", "pin", "pin2"}, "nieznany klucz 'pin2'");
  row("set without a value", {"set", "pin"}, "'pin' bez wartości");
  row("set of an unknown key", {"set", "phone5=+48"}, "nieznany klucz 'phone5'");
  row("set of a key twice", {"set", "pin=1234", "pin=4321"}, "klucz 'pin' podany dwa razy");
  row("short pin", {"set", "pin=123"}, "pin: potrzebne 4 cyfry");
  row("letter in a pin", {"set", "pin=12a4"}, "pin: znak 'a'");
  row("limit over 99", {"set", "limit_sms=100"}, "limit_sms: potrzebna liczba od 0 do 99");
  row("negative limit", {"set", "limit_voice=-1"}, "limit_voice: potrzebna liczba");
  row("time 0", {"set", "out_times=5,0,5"}, "out_times: czas Out2");
  row("two times", {"set", "out_times=5,5"}, "out_times: potrzebne trzy czasy");
  row("letter in a telephone", {"set", "phone1=+48a"}, "phone1: znak 'a'");
  row("telephone too long", {"set", "phone4=+4812345678901"}, "phone4: najwyżej 13 znaków, a jest 14");
  row("space in an output word", {"set", "out1_on_word=a b"}, "out1_on_word: znak ' '");
  row("text too long", {"set", "confirm_text=0123456789ABCDEF"}, "confirm_text: najwyżej 15 znaków");
  row("word too long", {"set", "out1_on_word=ABCDE"}, "out1_on_word: najwyżej 4 znaki, a jest 5");
  row("text outside Windows-1250", {"set", "in1_on_text=Жук"}, "in1_on_text: znaku 'Ж'");
  row("control character", {"set", "in2_on_text=a\tb"}, "in2_on_text: znak sterujący U+0009");
  row("byte-order mark in a text", {"set", "in1_on_text=\uFEFFab"}, "in1_on_text: znaku");
  row("unknown box", {"set", "input_matrix=IN6T1"}, "input_matrix: nieznane pole \"IN6T1\"");
  row("box twice", {"set", "options=Potw potw"}, "options: pole \"Potw\" podane dwa razy");
  row("password of letters", {"--password", "abcd", "status"}, "hasło dostępu");
  row("password too short", {"--password", "731", "read"}, "hasło dostępu");
  row("new password of five digits", {"passwd", "12345"}, "nowe hasło to cztery cyfry");
  row("provision without a site", {"provision", "t.json", "--sites", "s.csv"}, "--site NAZWA");
  row("CSV without --watch", {"status", "--csv", "w.csv"}, "opcja --csv działa tylko z --watch");
  row("--force without a CSV", {"status", "--watch", "--force"}, "opcja --force działa tylko z --csv");
  row("time of another form", {"status", "--watch", "--for", "5x"}, "niepoprawny czas '5x'");
  row("time 0", {"status", "--watch", "--for", "0m"}, "niepoprawny czas '0m'");
  row("time unit twice", {"status", "--watch", "--for", "3s3s"}, "niepoprawny czas '3s3s'");
  row("diff of the controller with itself", {"diff", "device", "device"}, "tylko jedna strona");
}

void TstBadInput::commandLine() {
  QFETCH(QStringList, arguments);
  QFETCH(int, status);
  QFETCH(QString, message);
  CliRig rig;
  START_RIG(rig);
  const CliResult text = rig.Run(arguments);
  QVERIFY2(text.status == status && text.err.contains(message), qPrintable(text.Describe()));
  QVERIFY2(!text.err.contains(u'\n') || text.err.indexOf(u'\n') == text.err.size() - 1, qPrintable(text.err));
  QVERIFY(text.out.isEmpty());
  const CliResult json = rig.Run(QStringList{QStringLiteral("--json")} + arguments);
  QCOMPARE(json.status, status);
  QCOMPARE(json.Json().value(QStringLiteral("status")).toInt(), status);
  QVERIFY2(json.Json().value(QStringLiteral("error")).toString().contains(message), qPrintable(json.Describe()));
  QCOMPARE(rig.sim.RequestCount(), 0);
}

void TstBadInput::files_data() {
  QTest::addColumn<QVariantMap>("files");
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QStringList>("message");  // every part in the one line

  const QByteArray good = GoodConfigFile();
  QByteArray upperSignature = good;
  upperSignature[0] = 'G';
  const auto row = [](const char* name, QVariantMap files, QStringList arguments, QStringList message) {
    QTest::newRow(name) << files << arguments << message;
  };
  row("configuration signature", {{"c.gcf", WithChecksum(upperSignature.chopped(1))}}, {"write", "@/c.gcf"},
      {"@/c.gcf", "Zly format pliku"});
  row("configuration checksum", {{"c.gcf", Flipped(good, 10)}}, {"write", "@/c.gcf"},
      {"@/c.gcf", "Bląd CRC pliku konfiguracji"});
  row("signature and checksum", {{"c.gcf", upperSignature}}, {"diff", "@/c.gcf", "device"},
      {"@/c.gcf", "Zly format pliku; Bląd CRC pliku konfiguracji"});
  row("items past the end", {{"c.gcf", WithChecksum("gcf\x05")}}, {"show", "@/c.gcf"},
      {"@/c.gcf", "Zly format pliku (pozycje sięgają poza koniec pliku)"});
  row("missing configuration file", {}, {"write", "@/none.gcf"},
      {"@/none.gcf: nie można otworzyć pliku: nie ma takiego pliku ani folderu"});
  row("configuration file is a folder", {}, {"write", "@"}, {"@: to nie jest zwykły plik"});
  row("firmware checksum", {{"f.gfr", Flipped(WithChecksum("gfr" + QByteArray(70, 'x')), 5)}}, {"firmware", "@/f.gfr"},
      {"@/f.gfr", "błędna suma kontrolna pliku firmware"});
  row("firmware without an image", {{"f.gfr", WithChecksum("gfr")}}, {"firmware", "@/f.gfr"},
      {"@/f.gfr", "nie zawiera obrazu"});
  row("no row of the site", {{"t.json", Template}, {"s.csv", Sites}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "C"}, {"@/s.csv", "brak wiersza obiektu 'C'"});
  row("site twice", {{"t.json", Template}, {"s.csv", Sites + "A,+48444,7\n"}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "B"}, {"@/s.csv:4", "obiekt 'A' już jest w wierszu 2"});
  row("unknown column", {{"t.json", Template}, {"s.csv", "site,phone2,phone9\nA,+48222,1\n"}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A"}, {"@/s.csv:1: kolumna 3", "nieznany klucz 'phone9'"});
  row("column twice", {{"t.json", Template}, {"s.csv", "site;phone2;phone2\nA;+48222;+48222\n"}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A"}, {"@/s.csv:1: kolumna 3", "klucz 'phone2' podany dwa razy"});
  row("no site column", {{"t.json", Template}, {"s.csv", "phone2\n+48222\n"}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A"}, {"@/s.csv:1", "brak kolumny 'site'"});
  row("bad value in another site's row", {{"t.json", Template}, {"s.csv", "site,phone2,limit_sms\nA,+48222,5\nB,+48333,150\n"}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A"}, {"@/s.csv:3: kolumna 3", "limit_sms: potrzebna liczba"});
  row("empty numeric cell", {{"t.json", Template}, {"s.csv", "site,limit_sms\nA,\n"}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A"}, {"@/s.csv:2: kolumna 2", "limit_sms"});
  row("row of another length", {{"t.json", Template}, {"s.csv", "site,phone2\nA,+48222,5\n"}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A"}, {"@/s.csv:2", "3 pola zamiast 2"});
  row("quote left open", {{"t.json", Template}, {"s.csv", "site,in1_on_text\nA,\"Alarm\nB,x\n"}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A"}, {"@/s.csv:2: kolumna 2", "niezamknięty"});
  row("empty site name", {{"t.json", Template}, {"s.csv", "site,phone2\n ,+48222\n"}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A"}, {"@/s.csv:2: kolumna 1", "pusta nazwa obiektu"});
  row("table not in UTF-8", {{"t.json", Template}, {"s.csv", QByteArray("site,in1_on_text\nA,\xB3\xB9ka\n")}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A"}, {"@/s.csv:2", "UTF-8"});
  row("template JSON syntax", {{"t.json", "{\n  \"phone1\": \"+48111\",\n}"}, {"s.csv", Sites}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A"}, {"@/t.json:3: kolumna", "zbędny ','"});
  row("template key unknown", {{"t.json", R"({"phone9": "+48111"})"}, {"s.csv", Sites}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A"}, {"@/t.json", "nieznany klucz 'phone9'"});
  row("template value out of range", {{"t.json", R"({"items": {"out_times": "5,5,100"}})"}, {"s.csv", Sites}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A"}, {"@/t.json", "out_times: czas Out3"});
  row("template key twice", {{"t.json", "{\"pin\": \"1111\",\n \"phone1\": \"+48\", \"pin\": \"2222\"}"}, {"s.csv", Sites}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A"}, {"@/t.json:2: kolumna 19", "klucz 'pin' podany dwa razy"});
  row("template key twice, once escaped", {{"t.json", R"({"phone2": "+48111", "phon\u00652": "+48222"})"}, {"s.csv", Sites}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A"}, {"@/t.json:1: kolumna 22", "klucz 'phone2' podany dwa razy"});
  row("template value not a text", {{"t.json", R"({"options": true})"}, {"s.csv", Sites}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A"}, {"@/t.json: options", "musi być tekstem"});
  row("template configuration file", {{"t.gcf", Flipped(good, 4)}, {"s.csv", Sites}},
      {"provision", "@/t.gcf", "--sites", "@/s.csv", "--site", "A"}, {"@/t.gcf", "Bląd CRC pliku konfiguracji"});
  row("record folder is a file", {{"t.json", Template}, {"s.csv", Sites}, {"r", "x"}},
      {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A", "--record", "@/r"}, {"@/r", "to nie jest folder"});
  row("CSV into a missing folder", {}, {"status", "--watch", "--csv", "@/none/w.csv"}, {"@/none/w.csv"});
  row("read into a missing folder", {}, {"read", "-o", "@/none/c.gcf"}, {"@/none/c.gcf", "nie ma folderu"});
}

void TstBadInput::files() {
  QFETCH(QVariantMap, files);
  QFETCH(QStringList, arguments);
  QFETCH(QStringList, message);
  CliRig rig;
  START_RIG(rig);
  for (auto it = files.cbegin(); it != files.cend(); ++it) rig.File(it.key(), it.value().toByteArray());
  const CliResult result = rig.Run(rig.InFolder(arguments));
  QVERIFY2(result.status == 1, qPrintable(result.Describe()));
  const QString line = result.err.trimmed();
  QVERIFY2(!line.contains(u'\n'), qPrintable(line));
  for (const QString& part : rig.InFolder(message)) QVERIFY2(line.contains(part), qPrintable(part + " in " + line));
  QCOMPARE(rig.sim.RequestCount(), 0);
}
