// Frames, command bytes and the reply assembler, checked byte for byte.
#include <QTest>

#include "commands.h"
#include "frame.h"
#include "reply_assembler.h"

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

// Bytes of every value but the reply start byte, so they can never begin a reply.
QByteArray Noise(int count) {
  QByteArray bytes;
  for (int i = 0; bytes.size() < count; ++i)
    if (char(i) != Frame::ReplyStart) bytes.append(char(i));
  return bytes;
}

// Cycles through all byte values, the start byte included.
QByteArray AllValues(int count) {
  QByteArray bytes;
  for (int i = 0; i < count; ++i) bytes.append(char(i + 0x60));
  return bytes;
}

QByteArrayList Bytewise(const QByteArray& bytes) {
  QByteArrayList batches;
  for (char c : bytes) batches.append(QByteArray(1, c));
  return batches;
}

QByteArrayList Nothing(int batches) { return QByteArrayList(batches, QByteArray()); }

const QByteArray StatusReply = Hex("67 50 06 05 80 13 0F 02 01 67");
const QByteArray Item25Reply = Hex("67 36 01 05 A3");

}  // namespace

class TstFrames : public QObject {
  Q_OBJECT

 private slots:
  void frames_data();
  void frames();
  void itemCommands_data();
  void itemCommands();
  void notItemCommands_data();
  void notItemCommands();
  void assembler_data();
  void assembler();
};

void TstFrames::frames_data() {
  QTest::addColumn<QByteArray>("built");
  QTest::addColumn<QByteArray>("expected");

  QTest::newRow("status request") << Frame::Request(Cmd::Status, "G") << Hex("47 50 01 47 DF");
  QTest::newRow("logout") << Frame::Request(Cmd::Logout, "W") << Hex("47 02 01 57 A1");
  QTest::newRow("status reply") << Frame::Reply(Cmd::Status, Hex("05 80 13 0F 02 01"))
                                << StatusReply;
  QTest::newRow("read item 0") << Frame::Request(Cmd::ReadItem(0), "G") << Hex("47 04 01 47 93");
  QTest::newRow("write item 25, limit 5")
      << Frame::Request(Cmd::WriteItem(25), Hex("05")) << Hex("47 37 01 05 84");
  QTest::newRow("reply to reading item 25") << Frame::Reply(Cmd::ReadItem(25), Hex("05"))
                                            << Item25Reply;
  QTest::newRow("write item 22, only BoxIN1T1")
      << Frame::Request(Cmd::WriteItem(22), Hex("80 00 00 00 00"))
      << Hex("47 31 05 80 00 00 00 00 FD");
  QTest::newRow("write item 28, \"OK\"") << Frame::Request(Cmd::WriteItem(28), "OK")
                                         << Hex("47 3D 02 4F 4B 20");
  QTest::newRow("restart") << Frame::Request(Cmd::Restart, "B") << Hex("47 64 01 42 EE");
  QTest::newRow("end of firmware") << Frame::Request(Cmd::FirmwareEnd, "K")
                                   << Hex("47 66 01 4B F9");
  QTest::newRow("counter reset") << Frame::Request(Cmd::ResetCounters, "G")
                                 << Hex("47 51 01 47 E0");

  QByteArray block0(1, '\0');
  QByteArray expected0 = Hex("47 65 41 00");
  for (int i = 0; i < 64; ++i) block0.append(char(i));
  expected0 += block0.mid(1) + Hex("CD");
  QTest::newRow("firmware block 0, bytes 00..3F")
      << Frame::Request(Cmd::FirmwareBlock, block0) << expected0;

  const QByteArray block1 = Hex("01 AA") + QByteArray(63, '\xFF');
  QTest::newRow("firmware block 1, AA and 63 x FF")
      << Frame::Request(Cmd::FirmwareBlock, block1)
      << Hex("47 65 41 01 AA") + QByteArray(63, '\xFF') + Hex("59");

  // Eight bytes for four digits: start, command, length, the digits, checksum.
  QTest::newRow("new password 7315") << Frame::Request(Cmd::PasswordChange, "7315")
                                     << Hex("47 03 04 37 33 31 35 1E");
  QTest::newRow("login 0000") << Frame::Request(Cmd::Login, "0000") << Hex("47 01 04 30 30 30 30 0C");

  // An empty telephone number: no payload, four bytes in all.
  QTest::newRow("empty payload") << Frame::Request(Cmd::WriteItem(2), QByteArray())
                                 << Hex("47 09 00 50");
  QTest::newRow("empty reply") << Frame::Reply(Cmd::WriteItem(0), QByteArray())
                               << Hex("67 05 00 6C");
  // The checksum wraps at 256 and counts the start byte.
  QTest::newRow("checksum wraps") << Frame::Reply(0xFF, Hex("FF FF"))
                                  << Hex("67 FF 02 FF FF 66");
}

void TstFrames::frames() {
  QFETCH(QByteArray, built);
  QFETCH(QByteArray, expected);
  QCOMPARE(built.toHex(' '), expected.toHex(' '));
}

void TstFrames::itemCommands_data() {
  QTest::addColumn<int>("item");
  QTest::addColumn<int>("read");
  QTest::addColumn<int>("write");
  for (int k = 0; k < Cmd::ItemCount; ++k)
    QTest::addRow("item %d", k) << k << 4 + 2 * k << 5 + 2 * k;
}

void TstFrames::itemCommands() {
  QFETCH(int, item);
  QFETCH(int, read);
  QFETCH(int, write);
  QCOMPARE(int(Cmd::ReadItem(item)), read);
  QCOMPARE(int(Cmd::WriteItem(item)), write);
  QVERIFY(Cmd::IsReadItem(quint8(read)));
  QVERIFY(!Cmd::IsWriteItem(quint8(read)));
  QVERIFY(Cmd::IsWriteItem(quint8(write)));
  QVERIFY(!Cmd::IsReadItem(quint8(write)));
  QCOMPARE(Cmd::ItemOfCommand(quint8(read)), item);
  QCOMPARE(Cmd::ItemOfCommand(quint8(write)), item);
}

void TstFrames::notItemCommands_data() {
  QTest::addColumn<int>("command");
  for (int c : {0, 1, 2, 3, 62, 63, 64, 0x50, 0x51, 0x64, 0x65, 0x66, 0x84, 0xFF})
    QTest::addRow("0x%02X", c) << c;
}

void TstFrames::notItemCommands() {
  QFETCH(int, command);
  QVERIFY(!Cmd::IsReadItem(quint8(command)));
  QVERIFY(!Cmd::IsWriteItem(quint8(command)));
}

void TstFrames::assembler_data() {
  // One notification per batch; for each batch the reply it completes (as its whole frame) or
  // nothing; and what is left pending after the last batch.
  QTest::addColumn<QByteArrayList>("batches");
  QTest::addColumn<QByteArrayList>("dispatched");
  QTest::addColumn<QByteArray>("pending");

  const QByteArray longReply = Frame::Reply(Cmd::ReadItem(28), AllValues(100));
  QByteArray tooLong = Frame::Reply(Cmd::ReadItem(28), AllValues(101));
  QByteArray corrupt = StatusReply;
  corrupt.back() = char(corrupt.back() + 1);

  QTest::newRow("status reply") << QByteArrayList{StatusReply} << QByteArrayList{StatusReply}
                                << QByteArray();
  QTest::newRow("noise before the start byte")
      << QByteArrayList{Noise(20) + StatusReply} << QByteArrayList{StatusReply} << QByteArray();
  QTest::newRow("batch without start byte discarded")
      << QByteArrayList{Hex("36 01 05 A3")} << Nothing(1) << QByteArray();
  QTest::newRow("batch without start byte, then a reply")
      << QByteArrayList{Hex("36 01 05 A3"), Hex("67"), Hex("36 01 05 A3")}
      << Nothing(2) + QByteArrayList{Item25Reply} << QByteArray();
  QTest::newRow("empty batches") << QByteArrayList{{}, Hex("67 36"), {}, Hex("01 05 A3")}
                                 << Nothing(3) + QByteArrayList{Item25Reply} << QByteArray();

  QTest::newRow("length 100 accepted") << QByteArrayList{longReply} << QByteArrayList{longReply}
                                       << QByteArray();
  QTest::newRow("length 101 discarded") << QByteArrayList{tooLong} << Nothing(1) << QByteArray();
  QTest::newRow("length 101 discarded once its length byte is in")
      << QByteArrayList{tooLong.left(2), tooLong.mid(2, 1)} << Nothing(2) << QByteArray();
  QTest::newRow("after length 101 the next reply is found")
      << QByteArrayList{tooLong, StatusReply} << QByteArrayList{{}, StatusReply} << QByteArray();
  QTest::newRow("after length 101 the search starts again with the next batch")
      << QByteArrayList{tooLong.left(3), Noise(5) + Item25Reply}
      << QByteArrayList{{}, Item25Reply} << QByteArray();
  QTest::newRow("length 101 takes the rest of its batch along")
      << QByteArrayList{tooLong.left(3) + Item25Reply} << Nothing(1) << QByteArray();
  QTest::newRow("start byte as length byte (103) discarded")
      << QByteArrayList{Hex("67 36 67") + Item25Reply} << Nothing(1) << QByteArray();

  QTest::newRow("one byte at a time") << Bytewise(StatusReply)
                                      << Nothing(StatusReply.size() - 1) + QByteArrayList{StatusReply}
                                      << QByteArray();
  QTest::newRow("length 100, one byte at a time")
      << Bytewise(longReply) << Nothing(longReply.size() - 1) + QByteArrayList{longReply}
      << QByteArray();
  for (int cut = 1; cut < StatusReply.size(); ++cut)
    QTest::addRow("split after byte %d", cut)
        << QByteArrayList{StatusReply.left(cut), StatusReply.mid(cut)}
        << QByteArrayList{{}, StatusReply} << QByteArray();
  QTest::newRow("partial reply stays pending")
      << QByteArrayList{Noise(3) + StatusReply.left(4)} << Nothing(1) << StatusReply.left(4);

  const QByteArray startInside = Frame::Reply(Cmd::ReadItem(6), Hex("67 67 00 67"));
  QTest::newRow("start byte inside the payload")
      << QByteArrayList{startInside} << QByteArrayList{startInside} << QByteArray();
  QTest::newRow("start byte inside the payload, split")
      << QByteArrayList{startInside.left(4), startInside.mid(4, 1), startInside.mid(5)}
      << QByteArrayList{{}, {}, startInside} << QByteArray();
  const QByteArray startCommand = Frame::Reply(0x67, Hex("01"));
  QTest::newRow("start byte as command byte")
      << QByteArrayList{startCommand} << QByteArrayList{startCommand} << QByteArray();

  QTest::newRow("two replies in one batch: the first counts")
      << QByteArrayList{StatusReply + Item25Reply} << QByteArrayList{StatusReply} << QByteArray();
  QTest::newRow("two replies in one batch, then a third")
      << QByteArrayList{StatusReply + Item25Reply, Item25Reply}
      << QByteArrayList{StatusReply, Item25Reply} << QByteArray();
  QTest::newRow("empty payload") << QByteArrayList{Hex("67 05 00 6C")}
                                 << QByteArrayList{Hex("67 05 00 6C")} << QByteArray();

  QTest::newRow("corrupt checksum, then a good reply")
      << QByteArrayList{corrupt, Item25Reply} << QByteArrayList{{}, Item25Reply} << QByteArray();
  QTest::newRow("corrupt checksum, split, then a good reply")
      << QByteArrayList{corrupt.left(5), corrupt.mid(5), Noise(2) + Item25Reply}
      << QByteArrayList{{}, {}, Item25Reply} << QByteArray();
  QTest::newRow("corrupt checksum takes the rest of its batch along")
      << QByteArrayList{corrupt + Item25Reply} << Nothing(1) << QByteArray();

  // More than 255 bytes ahead of the start byte must not disturb the reply.
  QTest::newRow("start after 300 noise bytes")
      << QByteArrayList{Noise(300) + StatusReply} << QByteArrayList{StatusReply} << QByteArray();
  QTest::newRow("start after 250 noise bytes, reply split")
      << QByteArrayList{Noise(250) + StatusReply.left(2), StatusReply.mid(2, 3),
                        StatusReply.mid(5)}
      << QByteArrayList{{}, {}, StatusReply} << QByteArray();
  QTest::newRow("start byte at offset 255")
      << QByteArrayList{Noise(255) + StatusReply.left(1), StatusReply.mid(1)}
      << QByteArrayList{{}, StatusReply} << QByteArray();
  QTest::newRow("start byte at offset 256, length 100 one byte at a time")
      << QByteArrayList{Noise(256)} + Bytewise(longReply)
      << Nothing(longReply.size()) + QByteArrayList{longReply} << QByteArray();
  QTest::newRow("300 noise bytes in many batches, then a reply")
      << QByteArrayList(30, Noise(10)) + QByteArrayList{StatusReply}
      << Nothing(30) + QByteArrayList{StatusReply} << QByteArray();

  QTest::newRow("trailing bytes after the checksum discarded")
      << QByteArrayList{StatusReply + Hex("00 11 22")} << QByteArrayList{StatusReply}
      << QByteArray();
  QTest::newRow("a reply begun after the checksum is discarded too")
      << QByteArrayList{StatusReply + Item25Reply.left(3), Item25Reply.mid(3)}
      << QByteArrayList{StatusReply, {}} << QByteArray();
}

void TstFrames::assembler() {
  QFETCH(QByteArrayList, batches);
  QFETCH(QByteArrayList, dispatched);
  QFETCH(QByteArray, pending);
  QCOMPARE(batches.size(), dispatched.size());

  ReplyAssembler assembler;
  for (qsizetype i = 0; i < batches.size(); ++i) {
    const std::optional<Reply> reply = assembler.Feed(batches[i]);
    const QByteArray got = reply ? Frame::Reply(reply->command, reply->payload) : QByteArray();
    if (got != dispatched[i])
      QFAIL(qPrintable(QStringLiteral("batch %1: got [%2], expected [%3]")
                           .arg(i)
                           .arg(QString::fromLatin1(got.toHex(' ')),
                                QString::fromLatin1(dispatched[i].toHex(' ')))));
    // Never more than one reply's worth is kept, whatever came before it.
    QVERIFY(assembler.Pending().size() < Frame::MaxReplyPayload + Frame::Overhead);
  }
  QCOMPARE(assembler.Pending().toHex(' '), pending.toHex(' '));
  QCOMPARE(assembler.FrameStartFound(), !pending.isEmpty());
}

QTEST_GUILESS_MAIN(TstFrames)
#include "tst_frames.moc"
