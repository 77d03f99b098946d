// Values that could steer a terminal are escaped, the password goes only to a serial port, a
// read-only file is replaced only when asked, and a watch's CSV file only when asked.
#include <QRegularExpression>
#include <QtTest>
#include <fcntl.h>
#include <unistd.h>

#include "cli_rig.h"
#include "config_file.h"
#include "session_terminal.h"
#include "tst_cli.h"

namespace {
// Retitles the terminal, turns it red, and breaks the line.
const QByteArray Hostile = "A\x1b]0;x\x07\x1b[31mB\nphone1=1";
const QString Shown = QStringLiteral("in1_on_text=A\\x1b]0;x\\x07\\x1b[31mB\\nphone1=1\n");
}  // namespace

void TstSafeOutput::edges_data() {
  QTest::addColumn<QStringList>("arguments");  // "@": the rig's folder; "PTY": a session's terminal
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("out");            // all of standard output, when given
  QTest::addColumn<QString>("message");
  QTest::addColumn<bool>("sent");              // anything went to the controller
  const auto row = [](const char* name, QStringList arguments, int status, QString out, QString message, bool sent) {
    QTest::newRow(name) << arguments << status << out << message << sent;
  };
  row("controller's text", {"get", "in1_on_text"}, 0, Shown, "", true);
  row("file's text", {"show", "@/hostile.gcf"}, 0, QString(), "", false);
  row("regular file as the port", {"-p", "@/plain", "status"}, 1, "", "@/plain: to nie jest port szeregowy (zwykły plik)", false);
  row("folder as the port", {"-p", "@", "status"}, 1, "", "to nie jest port szeregowy (folder)", false);
  row("/dev/null as the port", {"-p", "/dev/null", "status"}, 1, "", "to nie jest port szeregowy (urządzenie nie jest terminalem)", false);
  row("a session's terminal as the port", {"-p", "PTY", "status"}, 1, "",
      "to nie jest port szeregowy (terminal, na którym działa sesja użytkownika)", false);
  row("read-only file", {"read", "-o", "@/plain"}, 1, "", "@/plain: plik jest tylko do odczytu; --force go zastąpi", false);
  row("read-only file with --force", {"read", "-o", "@/plain", "--force"}, 0, "", "", true);
  row("file there for a CSV", {"status", "--watch", "--csv", "@/plain"}, 1, "", "@/plain: plik już istnieje; --force go zastąpi", false);
  row("file there for a CSV, --force", {"status", "--watch", "--csv", "@/plain", "--force", "--for", "1s"}, 0, QString(), "", true);
  row("read into /dev/null", {"read", "-o", "/dev/null"}, 0, "", "", true);
}

void TstSafeOutput::edges() {
  QFETCH(QStringList, arguments);
  QFETCH(int, status);
  QFETCH(QString, out);
  QFETCH(QString, message);
  CliRig rig;
  START_RIG(rig);
  ControllerState state = ControllerState::New();
  state.items[ItemIndex::In1OnText] = StoredItemValue(ItemIndex::In1OnText, Hostile);
  rig.sim.SetState(state);
  ConfigRecord hostile = ConfigRecord::Default();
  hostile.setValue(ItemIndex::In1OnText, Hostile);
  rig.File("hostile.gcf", ConfigFileBytes("7315", hostile.values));
  const QString plain = rig.File("plain", "x");
  QVERIFY(QFile::setPermissions(plain, QFile::ReadOwner));
  SessionTerminal terminal;
  QVERIFY(terminal.Ready());

  arguments = rig.InFolder(arguments);
  arguments.replaceInStrings(QRegularExpression("^PTY$"), QString::fromLocal8Bit(terminal.Slave()));
  const QByteArray line = terminal.LineSettings();
  const CliResult result = arguments.front() == u"-p" ? RunCli(arguments) : rig.Run(arguments);
  QVERIFY2(result.status == status && result.err.contains(rig.InFolder({message}).front()), qPrintable(result.Describe()));
  QVERIFY2(!result.out.contains(u'\x1b') && !result.err.contains(u'\x1b'), qPrintable(result.Describe()));
  if (!out.isNull()) QCOMPARE(result.out, out);
  if (arguments.front() == u"show") QVERIFY2(result.out.contains(Shown), qPrintable(result.out));
  QFETCH(bool, sent);
  QCOMPARE(rig.sim.RequestCount() > 0, sent);
  char byte;
  QCOMPARE(::read(terminal.Master(), &byte, 1), ssize_t(-1));  // not a byte of the login
  QCOMPARE(terminal.LineSettings(), line);                       // nor a line setting
  QCOMPARE(QFileInfo(plain).size() == 1, !arguments.contains("--force"));  // replaced only when asked
}

// A file name in bytes that are not UTF-8, or that begins with what some take for a byte-order
// mark, is used exactly as given, and told as those bytes.
void TstSafeOutput::namesInOtherBytes_data() {
  QTest::addColumn<QByteArray>("name");  // in the rig's folder, holding a configuration
  QTest::addColumn<QString>("command");  // for sh; $N is the name in the rig's folder
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("out");
  QTest::addColumn<QString>("err");
  const QByteArray latin2 = "bad\xffname.gcf", mark = "\xef\xbb\xbf" "a.gcf";
  QTest::newRow("written") << latin2 << R"(read -o "$N")" << 0 << "" << "";
  QTest::newRow("read") << latin2 << R"(show "$N")" << 0 << "phone1=111" << "";
  QTest::newRow("told") << latin2 << R"(show "$N.x")" << 1 << "" << "/bad\\xffname.gcf.x: ";
  QTest::newRow("marked name written") << mark << R"(read -o "$N")" << 0 << "" << "";
  QTest::newRow("marked name read") << mark << R"(show "$N")" << 0 << "phone1=111" << "";
}

void TstSafeOutput::namesInOtherBytes() {
  QFETCH(QByteArray, name);
  QFETCH(QString, command);
  QFETCH(int, status);
  QFETCH(QString, out);
  QFETCH(QString, err);
  CliRig rig;
  START_RIG(rig);
  const QByteArray path = QFile::encodeName(rig.folder.path()) + '/' + name;
  ConfigRecord record = ConfigRecord::Default();
  record.setValue(ItemIndex::Phone1, "111");
  const QByteArray old = ConfigFileBytes("7315", record.values);
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  QVERIFY(fd >= 0 && ::write(fd, old.constData(), old.size()) == old.size() && ::close(fd) == 0);

  // QProcess's arguments are text: the bytes go through the shell, each as printf's octal escape.
  QString escaped;
  for (const char byte : name) escaped += QStringLiteral("\\%1").arg(uint(quint8(byte)), 3, 8, QChar(u'0'));
  QProcess sh;
  sh.setProcessEnvironment(CliEnvironment());
  sh.start("sh", {"-c", QStringLiteral(R"sh(N="$(printf "$2")"; exec "$0" -p "$1" %1)sh").arg(command), VELT_CLI_PATH,
                  rig.sim.DevicePath(), rig.folder.path() + '/' + escaped});
  const CliResult result = Finish(sh, 60000);
  QVERIFY2(result.status == status && result.out.contains(out) && result.err.contains(err), qPrintable(result.Describe()));
  QFile file;
  QVERIFY(file.open(::open(path.constData(), O_RDONLY), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
  QCOMPARE(file.readAll() == old, status != 0 || !command.startsWith("read"));  // the read replaced it
  QVERIFY(::unlink(path.constData()) == 0);  // Qt could not remove it with the folder
  QCOMPARE(QDir(rig.folder.path()).entryList({"*.gcf*"}), QStringList());  // and no other name was made
}

// A port named in bytes that are not UTF-8 (a link to the simulator's device, $P) is listed,
// used, told and kept in the history as those bytes.
void TstSafeOutput::portNamesInOtherBytes_data() {
  QTest::addColumn<QString>("command");  // for sh
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("out");
  QTest::addColumn<QString>("err");
  const QString read = QStringLiteral(R"("$0" -p "$P" read -o "$P.gcf" >/dev/null 2>&1 && )");
  QTest::newRow("listed") << R"(exec "$0" ports)" << 0 << "/bad\\xffport  Port wirtualny" << "";
  QTest::newRow("listed in JSON") << R"(exec "$0" --json ports)" << 0 << "/bad\\udcffport\"" << "";
  QTest::newRow("told") << R"(exec "$0" -p "$P.x" status)" << 1 << "" << "/bad\\xffport.x (velt-cli ports";
  QTest::newRow("summed up") << R"(exec "$0" -p "$P" -p "$P.x" status)" << 1 << "/bad\\xffport.x)" << "/bad\\xffport: gotowe";
  QTest::newRow("in the history") << read + R"(exec "$0" history)" << 0 << "/bad\\xffport " << "";
  QTest::newRow("in the history's JSON") << read + R"(exec "$0" --json history)" << 0 << "/bad\\udcffport\"" << "";
}

void TstSafeOutput::portNamesInOtherBytes() {
  QFETCH(QString, command);
  QFETCH(int, status);
  QFETCH(QString, out);
  QFETCH(QString, err);
  CliRig rig;
  START_RIG(rig);
  // Discovery looks for virtual ports in $XDG_RUNTIME_DIR too.
  QProcessEnvironment environment = CliEnvironment();
  environment.insert("XDG_RUNTIME_DIR", rig.folder.path());
  QProcess sh;
  sh.setProcessEnvironment(environment);
  sh.start("sh", {"-c", QStringLiteral(R"sh(P="$(printf "$1")"; ln -s "$2" "$P" || exit 99; %1)sh").arg(command),
                  VELT_CLI_PATH, rig.folder.path() + "/bad\\377port", rig.sim.DevicePath()});
  const CliResult result = Finish(sh, 60000);
  QVERIFY2(result.status == status && result.out.contains(out) && result.err.contains(err), qPrintable(result.Describe()));
}
