// Network port names, the telnet codec and the COM-port option's conversation, byte by byte.
#include <QTest>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "com_port_option.h"
#include "known_net_ports.h"
#include "net_address.h"
#include "telnet_codec.h"

using namespace Telnet;

Q_DECLARE_METATYPE(NetAddress)

namespace {
QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

// What the decoder makes of the bytes when they come in two pieces, cut at `cut`.
void DecodeInTwo(const QByteArray& wire, qsizetype cut, QByteArray& data, QList<Event>& events) {
  Decoder decoder;
  decoder.Feed(wire.left(cut), data, events);
  decoder.Feed(wire.mid(cut), data, events);
}
}  // namespace

class TestNetCodec : public QObject {
  Q_OBJECT
 private slots:
  void parsesNames_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QByteArray>("typedBack");
    QTest::newRow("raw v4") << QByteArray("tcp://127.0.0.1:4001") << true << int(NetAddress::Raw) << "127.0.0.1" << 4001 << QByteArray("tcp://127.0.0.1:4001");
    QTest::newRow("rfc2217 name") << QByteArray("rfc2217://serwer-1.local:4002") << true << int(NetAddress::Rfc2217) << "serwer-1.local" << 4002 << QByteArray("rfc2217://serwer-1.local:4002");
    QTest::newRow("scheme in capitals") << QByteArray("RFC2217://b:1") << true << int(NetAddress::Rfc2217) << "b" << 1 << QByteArray("rfc2217://b:1");
    QTest::newRow("v6 bracketed") << QByteArray("tcp://[::1]:65535") << true << int(NetAddress::Raw) << "::1" << 65535 << QByteArray("tcp://[::1]:65535");
    QTest::newRow("v6 full") << QByteArray("rfc2217://[fe80::1:2]:23") << true << int(NetAddress::Rfc2217) << "fe80::1:2" << 23 << QByteArray("rfc2217://[fe80::1:2]:23");
    QTest::newRow("v6 bare") << QByteArray("tcp://::1:4001") << false << 0 << "" << 0 << QByteArray();
    QTest::newRow("v6 unclosed") << QByteArray("tcp://[::1:4001") << false << 0 << "" << 0 << QByteArray();
    QTest::newRow("no port") << QByteArray("tcp://host") << false << 0 << "" << 0 << QByteArray();
    QTest::newRow("empty port") << QByteArray("tcp://host:") << false << 0 << "" << 0 << QByteArray();
    QTest::newRow("port 0") << QByteArray("tcp://host:0") << false << 0 << "" << 0 << QByteArray();
    QTest::newRow("port too big") << QByteArray("tcp://host:65536") << false << 0 << "" << 0 << QByteArray();
    QTest::newRow("port with sign") << QByteArray("tcp://host:+80") << false << 0 << "" << 0 << QByteArray();
    QTest::newRow("no host") << QByteArray("rfc2217://:4001") << false << 0 << "" << 0 << QByteArray();
    QTest::newRow("path") << QByteArray("tcp://host:4001/x") << false << 0 << "" << 0 << QByteArray();
    QTest::newRow("user") << QByteArray("tcp://u@host:4001") << false << 0 << "" << 0 << QByteArray();
    QTest::newRow("other scheme") << QByteArray("telnet://host:23") << false << 0 << "" << 0 << QByteArray();
  }
  void parsesNames() {
    QFETCH(QByteArray, name);
    QFETCH(bool, valid);
    QString error;
    const std::optional<NetAddress> address = NetAddressText::Parse(name, &error);
    QCOMPARE(address.has_value(), valid);
    if (!valid) {
      QVERIFY(error.contains(QString::fromUtf8(name)));
      return;
    }
    QFETCH(int, kind);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QByteArray, typedBack);
    QCOMPARE(int(address->kind), kind);
    QCOMPARE(address->host, host);
    QCOMPARE(int(address->port), port);
    QCOMPARE(address->Name(), typedBack);
  }

  void tellsNetworkNames_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("network");
    QTest::newRow("device") << QByteArray("/dev/ttyUSB0") << false;
    QTest::newRow("relative file") << QByteArray("tcp:") << false;
    QTest::newRow("raw") << QByteArray("tcp://x") << true;
    QTest::newRow("rfc2217 capitals") << QByteArray("Rfc2217://x:1") << true;
  }
  void tellsNetworkNames() {
    QFETCH(QByteArray, name);
    QFETCH(bool, network);
    QCOMPARE(NetAddressText::IsNetworkName(name), network);
  }

  void escapesIac_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("plain") << Hex("02414203") << Hex("02414203");
    QTest::newRow("one IAC") << Hex("01ff02") << Hex("01ffff02");
    QTest::newRow("IACs together") << Hex("ffff") << Hex("ffffffff");
    QTest::newRow("empty") << QByteArray() << QByteArray();
  }
  void escapesIac() {
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, wire);
    QCOMPARE(EscapeIac(data), wire);
    // And back, whatever the split of the stream.
    for (qsizetype cut = 0; cut <= wire.size(); ++cut) {
      QByteArray back;
      QList<Event> events;
      DecodeInTwo(wire, cut, back, events);
      QCOMPARE(back, data);
      QVERIFY(events.isEmpty());
    }
  }

  void decodesCommands_data() {
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<Event>>("events");
    QTest::newRow("will binary") << Hex("41fffb0042") << QByteArray("AB") << QList<Event>{{Will, 0, {}}};
    QTest::newRow("do com port") << Hex("fffd2c") << QByteArray() << QList<Event>{{Do, 44, {}}};
    QTest::newRow("nop dropped") << Hex("41fff142") << QByteArray("AB") << QList<Event>{};
    QTest::newRow("baud echo") << Hex("fffa2c65000004b0fff0") << QByteArray() << QList<Event>{{Sb, 44, Hex("65000004b0")}};
    QTest::newRow("IAC in sub value") << Hex("fffa2c65ffff0000fff041") << QByteArray("A") << QList<Event>{{Sb, 44, Hex("65ff0000")}};
    QTest::newRow("sub broken off") << Hex("fffa2c01fffb41") << QByteArray("A") << QList<Event>{};
  }
  void decodesCommands() {
    QFETCH(QByteArray, wire);
    QFETCH(QByteArray, data);
    QFETCH(QList<Event>, events);
    for (qsizetype cut = 0; cut <= wire.size(); ++cut) {
      QByteArray gotData;
      QList<Event> got;
      DecodeInTwo(wire, cut, gotData, got);
      QCOMPARE(gotData, data);
      QCOMPARE(got, events);
    }
  }

  void buildsCommands() {
    QCOMPARE(Command(Will, OptionComPort), Hex("fffb2c"));
    QCOMPARE(Subnegotiation(OptionComPort, Hex("01000004b0")), Hex("fffa2c01000004b0fff0"));
    QCOMPARE(Subnegotiation(OptionComPort, Hex("01ff")), Hex("fffa2c01fffffff0"));
  }

  void greetsWithTheControllersLine() {
    ComPortOption option;
    QCOMPARE(option.Greeting(), Hex("fffb00" "fffb03" "fffb2c" "fffd00" "fffd03"
                                    "fffa2c01000004b0fff0" "fffa2c0208fff0" "fffa2c0301fff0" "fffa2c0401fff0" "fffa2c0501fff0"));
  }

  void acceptsWhenEveryValueIsEchoed_data() {
    QTest::addColumn<QByteArray>("server");
    QTest::addColumn<int>("state");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("data");
    const QByteArray echoes = Hex("fffa2c65000004b0fff0" "fffa2c6608fff0" "fffa2c6701fff0" "fffa2c6801fff0" "fffa2c6901fff0");
    QTest::newRow("all echoed") << echoes << int(ComPortOption::Accepted) << QByteArray() << QByteArray();
    QTest::newRow("all but control") << echoes.left(echoes.size() - 7) << int(ComPortOption::Negotiating) << QByteArray() << QByteArray();
    QTest::newRow("other speed") << Hex("fffa2c6500002580fff0") << int(ComPortOption::Refused) << QByteArray() << QByteArray();
    QTest::newRow("7 data bits") << Hex("fffa2c6607fff0") << int(ComPortOption::Refused) << QByteArray() << QByteArray();
    QTest::newRow("no com port") << Hex("fffe2c") << int(ComPortOption::Refused) << Hex("fffc2c") << QByteArray();
    // Acknowledgements of what velt asked change nothing and get no answer; what it never asked
    // is declined once, whatever the server repeats.
    QTest::newRow("acks and echo offer") << Hex("fffd00fffb00fffd2cfffb01fffb01") + echoes << int(ComPortOption::Accepted)
                                         << Hex("fffe01") << QByteArray();
    QTest::newRow("unknown do") << Hex("fffd18fffd18") << int(ComPortOption::Negotiating) << Hex("fffc18") << QByteArray();
    QTest::newRow("wont binary") << Hex("fffc00") << int(ComPortOption::Negotiating) << Hex("fffe00") << QByteArray();
    QTest::newRow("data kept") << Hex("41ffff") + echoes + Hex("42") << int(ComPortOption::Accepted) << QByteArray() << Hex("41ff42");
    QTest::newRow("modem state ignored") << Hex("fffa2c6bb0fff0") + echoes << int(ComPortOption::Accepted) << QByteArray() << QByteArray();
  }
  void acceptsWhenEveryValueIsEchoed() {
    QFETCH(QByteArray, server);
    QFETCH(int, state);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, data);
    ComPortOption option;
    option.Greeting();
    QByteArray gotReply, gotData;
    option.Feed(server, gotData, gotReply);
    QCOMPARE(int(option.state()), state);
    QCOMPARE(gotReply, reply);
    QCOMPARE(gotData, data);
    QCOMPARE(option.Problem().isEmpty(), state != int(ComPortOption::Refused));
  }

  void keepsNamedPorts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<QByteArray>("kept");  // empty: refused
    QTest::newRow("rfc2217") << "szafa" << QByteArray("rfc2217://szafa-3.lan:4002") << QByteArray("rfc2217://szafa-3.lan:4002");
    QTest::newRow("typed back tidy") << "Hala_2.a" << QByteArray(" TCP://[::1]:4001 ") << QByteArray("tcp://[::1]:4001");
    QTest::newRow("blank in name") << "zła nazwa" << QByteArray("tcp://a:1") << QByteArray();
    QTest::newRow("option-like name") << "-p" << QByteArray("tcp://a:1") << QByteArray();
    QTest::newRow("path-like name") << "dev/x" << QByteArray("tcp://a:1") << QByteArray();
    QTest::newRow("reserved name") << "all" << QByteArray("tcp://a:1") << QByteArray();
    QTest::newRow("bad url") << "szafa" << QByteArray("tcp://a") << QByteArray();
  }
  void keepsNamedPorts() {
    QFETCH(QString, name);
    QFETCH(QByteArray, url);
    QFETCH(QByteArray, kept);
    QTemporaryDir folder;
    const QString path = folder.filePath("velt/velt.conf");
    // What else the file holds stays.
    QVERIFY(QDir().mkpath(folder.filePath("velt")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("register=local\n[network_ports]\nstare=ftp://x:1\n");
    file.close();
    const KnownNetPorts ports(path);
    QString error;
    QCOMPARE(ports.Add(name, url, &error), !kept.isEmpty());
    QCOMPARE(error.isEmpty(), !kept.isEmpty());
    // A hand-edited line that is no network port is never offered.
    const QList<KnownNetPort> expected = kept.isEmpty() ? QList<KnownNetPort>{} : QList<KnownNetPort>{{name, kept}};
    QCOMPARE(ports.List(), expected);
    QCOMPARE(QSettings(path, QSettings::IniFormat).value("register").toString(), "local");
    if (kept.isEmpty()) return;
    QCOMPARE(ports.Find(name), std::optional<QByteArray>(kept));
    QVERIFY(ports.Remove(name, &error));
    QVERIFY(!ports.Remove(name, &error));
    QVERIFY(error.contains(name));
    QVERIFY(ports.List().isEmpty());
  }
};

QTEST_GUILESS_MAIN(TestNetCodec)
#include "tst_net_codec.moc"
