#pragma once
// Faults that make the simulated controller misbehave, to see how the configurator copes.
//
// Each fault is one string such as "drop=80x1"; several combine. CMD and BLOCK are bytes, decimal or 0x-hex;
// "0x1" is hexadecimal 1, so block 0 with a count is written "0x0x1".
//   silent             never answer anything
//   silent-after=N     answer N times (frames and acknowledgements), then never again
//   drop=CMD[xN]       send no reply to CMD (only to the first N such requests with xN)
//   corrupt=CMD[xN]    send replies to CMD with a wrong checksum (only the first N with xN)
//   noise=N            send N noise bytes (never "g") ahead of every reply frame
//   split=MS           send replies one byte at a time, MS milliseconds apart
//   slow=[CMD:]MS      send replies MS milliseconds late (only those to CMD when given)
//   wrong-password     reject every login
//   no-ack=BLOCK[xN]   do not acknowledge firmware block BLOCK (only its first N arrivals with xN)
//   late-ack=BLOCK:MS[xN]  acknowledge firmware block BLOCK MS milliseconds late (only its first N
//                      arrivals with xN); whatever is sent after it waits behind it, as on a line
//   noisy-ack=BLOCK[xN]  acknowledge firmware block BLOCK with a noise byte behind the "!", in the
//                      same write on a line without pacing (only its first N arrivals with xN)
//   stray-ack=MS       send a lone "!" MS milliseconds after each restart request, before any block
//   alter=CMD[xN]      store another value than the one written by write command CMD (odd, 5 to
//                      61) but answer as usual (only the first N such writes with xN)
//   short=CMD[xN]      answer read command CMD (even, 4 to 60) with the last byte of the item's
//                      value left off (only the first N such reads with xN)
//   hangup-after=N     close the line once N requests have arrived and been answered, at once
//                      with 0 (the last answer is given 200 ms to be read)
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class Faults {
 public:
  // How one answer goes out.
  struct Plan {
    bool send = true;
    bool corrupt = false;  // checksum off by one
    int noiseBytes = 0;
    int splitMs = 0;       // 0: in one piece
    int delayMs = 0;
  };

  // Parses fault strings; on a bad one returns nothing and says why in error.
  static std::optional<Faults> Parse(const QStringList& faultTexts, QString* error);
  static QString Syntax();  // the fault syntax, for a usage text

  bool WrongPassword() const { return wrongPassword; }
  std::optional<int> HangupAfter() const { return hangupAfter; }

  // Decides how the answer to a request with this command goes out, and counts it.
  // An acknowledgement byte is never corrupted, split or preceded by noise: it is no frame.
  Plan PlanAnswer(quint8 command, bool acknowledgement);

  // Whether this arrival of a firmware block goes unacknowledged; counts it.
  bool SkipAck(quint8 block);
  // Whether its acknowledgement carries a noise byte; counts it.
  bool NoisyAck(quint8 block);
  // How late its acknowledgement goes out (0: at once); counts it. The delay is given to the
  // next acknowledgement that PlanAnswer plans.
  int LateAck(quint8 block);
  // The delay of a stray acknowledgement after a restart request, if one is to be sent; like
  // LateAck, it goes to the next acknowledgement planned.
  std::optional<int> StrayAck();

  // Whether the value written by this command is to be stored altered; counts it.
  bool AlterWrite(quint8 command);
  // Whether the value read by this command is to be answered a byte short; counts it.
  bool ShortRead(quint8 command);

 private:
  struct Rule {
    int key;            // command or block
    int remaining = -1; // -1: every time
    int value = 0;      // slow: the delay
  };
  static bool Take(QList<Rule>& rules, int key);  // a matching rule with uses left, used once

  bool silent = false;
  std::optional<int> silentAfter;
  int answers = 0;
  QList<Rule> drops, corrupts, slows, noAcks, alters, shortReads, lateAcks, noisyAcks;
  std::optional<int> strayAckMs;
  int pendingAckDelayMs = 0;  // for the acknowledgement planned next
  int noise = 0;
  int splitMs = 0;
  std::optional<int> slowAll;
  bool wrongPassword = false;
  std::optional<int> hangupAfter;
};
