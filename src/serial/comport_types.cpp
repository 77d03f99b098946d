#include "comport_types.h"

#include <array>

namespace {
constexpr std::array<const char*, 16> BaudRateTexts = {
    "Custom", "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",
    "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
constexpr std::array<int, 16> BaudRateValues = {
    0, 110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200,
    128000, 256000};
constexpr std::array<const char*, 3> StopBitsTexts = {"1", "1.5", "2"};
constexpr std::array<const char*, 4> DataBitsTexts = {"5", "6", "7", "8"};
constexpr std::array<const char*, 5> ParityTexts = {"None", "Odd", "Even", "Mark", "Space"};
constexpr std::array<const char*, 4> FlowControlTexts = {"Hardware", "Software", "None", "Custom"};

template <typename E, std::size_t N>
QString TextOf(const std::array<const char*, N>& texts, E value) {
  const auto i = static_cast<std::size_t>(value);
  return i < N ? QString::fromLatin1(texts[i]) : QString();
}

// First text equal to `text` after upper-casing both, else the fallback.
template <typename E, std::size_t N>
E ValueOf(const std::array<const char*, N>& texts, const QString& text, E fallback) {
  const QString wanted = text.toUpper();
  for (std::size_t i = 0; i < N; ++i) {
    if (QString::fromLatin1(texts[i]).toUpper() == wanted) return static_cast<E>(i);
  }
  return fallback;
}
}  // namespace

QString BaudRateText(TBaudRate value) { return TextOf(BaudRateTexts, value); }
TBaudRate BaudRateFromText(const QString& text) { return ValueOf(BaudRateTexts, text, br9600); }
QString StopBitsText(TStopBits value) { return TextOf(StopBitsTexts, value); }
TStopBits StopBitsFromText(const QString& text) {
  return ValueOf(StopBitsTexts, text, sbOneStopBit);
}
QString DataBitsText(TDataBits value) { return TextOf(DataBitsTexts, value); }
TDataBits DataBitsFromText(const QString& text) { return ValueOf(DataBitsTexts, text, dbEight); }
QString ParityText(TParityBits value) { return TextOf(ParityTexts, value); }
TParityBits ParityFromText(const QString& text) { return ValueOf(ParityTexts, text, prNone); }
QString FlowControlText(TFlowControl value) { return TextOf(FlowControlTexts, value); }
TFlowControl FlowControlFromText(const QString& text) {
  return ValueOf(FlowControlTexts, text, fcCustom);
}

int BaudRateValue(TBaudRate value) {
  const auto i = static_cast<std::size_t>(value);
  return i < BaudRateValues.size() ? BaudRateValues[i] : 0;
}
