#pragma once
// Value types of the serial port component: its enumerations, the sets built from them and the
// text forms of the line settings.
#include <QString>
#include <QtGlobal>
#include <initializer_list>

enum TBaudRate {
  brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400,
  br56000, br57600, br115200, br128000, br256000
};
enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TFlowControl { fcHardware, fcSoftware, fcNone, fcCustom };
enum TComEvent {
  evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full
};
enum TSyncMethod { smThreadSync, smWindowSync, smNone };
enum TStoredProp { spBasic, spFlowControl, spBuffer, spTimeouts, spParity, spOthers };
enum TComError { errFrame, errRxParity, errOverrun, errBreak, errIO, errMode, errRxOver, errTxFull };
enum TLineSignal { sigCTS, sigDSR, sigRing, sigRLSD };

// A set of enumeration values, one bit per value at the value's ordinal.
template <typename E, int N>
class TSet {
 public:
  static constexpr quint32 AllBits = (1u << N) - 1;

  constexpr TSet() = default;
  constexpr TSet(E value) : bits_(Bit(value)) {}  // NOLINT: a single value is a set
  constexpr TSet(std::initializer_list<E> values) {
    for (E v : values) bits_ |= Bit(v);
  }
  static constexpr TSet FromBits(quint32 bits) {
    TSet s;
    s.bits_ = bits & AllBits;
    return s;
  }
  static constexpr TSet All() { return FromBits(AllBits); }

  constexpr quint32 Bits() const { return bits_; }
  constexpr bool Contains(E value) const { return (bits_ & Bit(value)) != 0; }
  constexpr bool IsEmpty() const { return bits_ == 0; }
  constexpr TSet& Include(E value) { bits_ |= Bit(value); return *this; }
  constexpr TSet& Exclude(E value) { bits_ &= ~Bit(value); return *this; }

  constexpr TSet operator|(TSet o) const { return FromBits(bits_ | o.bits_); }
  constexpr TSet operator&(TSet o) const { return FromBits(bits_ & o.bits_); }
  constexpr TSet operator-(TSet o) const { return FromBits(bits_ & ~o.bits_); }
  constexpr TSet& operator|=(TSet o) { bits_ |= o.bits_; return *this; }
  constexpr TSet& operator&=(TSet o) { bits_ &= o.bits_; return *this; }
  constexpr TSet& operator-=(TSet o) { bits_ &= ~o.bits_; return *this; }
  constexpr bool operator==(const TSet&) const = default;

 private:
  static constexpr quint32 Bit(E value) { return 1u << static_cast<int>(value); }
  quint32 bits_ = 0;
};

using TComEvents = TSet<TComEvent, 10>;
using TStoredProps = TSet<TStoredProp, 6>;
using TComErrors = TSet<TComError, 8>;
using TLineSignals = TSet<TLineSignal, 4>;

// `a | b` on two values of an enumeration gives their set.
template <typename E> struct TSetOf;
template <> struct TSetOf<TComEvent> { using type = TComEvents; };
template <> struct TSetOf<TStoredProp> { using type = TStoredProps; };
template <> struct TSetOf<TComError> { using type = TComErrors; };
template <> struct TSetOf<TLineSignal> { using type = TLineSignals; };
template <typename E>
constexpr typename TSetOf<E>::type operator|(E a, E b) { return typename TSetOf<E>::type{a, b}; }

// Text forms. A text matches regardless of letter case; one that matches nothing gives the
// fallback (br9600, sbOneStopBit, dbEight, prNone, fcCustom).
QString BaudRateText(TBaudRate value);
TBaudRate BaudRateFromText(const QString& text);
QString StopBitsText(TStopBits value);
TStopBits StopBitsFromText(const QString& text);
QString DataBitsText(TDataBits value);
TDataBits DataBitsFromText(const QString& text);
QString ParityText(TParityBits value);
TParityBits ParityFromText(const QString& text);
QString FlowControlText(TFlowControl value);
TFlowControl FlowControlFromText(const QString& text);

// Bits per second of a listed rate; 0 for brCustom.
int BaudRateValue(TBaudRate value);
