#include "status_decode.h"

namespace {
constexpr quint8 EventsMask = 0x7F;
constexpr quint8 TamperBit = 0x80;
constexpr int SignalCapFrom = 22;  // readings above this are treated as a full bar
constexpr quint8 VersionZero = '0';
constexpr quint8 AutotestFrom = '7';
constexpr quint8 MiniPanelFrom = '8';
}  // namespace

std::optional<StatusReply> DecodeStatusReply(const QByteArray& payload) {
  if (payload.size() < StatusReplySize) return std::nullopt;
  const auto byte = [&payload](int i) { return quint8(payload.at(i)); };
  StatusReply reply;
  for (int i = 0; i < 5; ++i) reply.Inputs[i] = byte(0) & (0x01 << i);
  for (int i = 0; i < 3; ++i) reply.Outputs[i] = byte(0) & (0x20 << i);
  reply.Events = byte(1) & EventsMask;
  reply.Tamper = byte(1) & TamperBit;
  reply.StageText = ModemStageText(byte(2));
  reply.SignalLevel = SignalGaugeLevel(byte(3));
  reply.SmsCount = byte(4);
  reply.VoiceCount = byte(5);
  return reply;
}

QString ModemStageText(quint8 code) {
  switch (code) {
    case 0: case 1: case 2: return QStringLiteral("Załączenie modemu GSM");
    case 3: case 4: case 5: case 6: return QStringLiteral("Wykrywanie modemu GSM");
    case 7: case 8: return QStringLiteral("Sprawdzenie karty SIM");
    case 9: case 10: return QStringLiteral("Wprowadzanie PIN");
    case 11: return QStringLiteral("Logowanie do sieci GSM");
    case 12: return QStringLiteral("Kasowanie SMS");
    case 13: case 14: return QStringLiteral("Konfiguracja SMS");
    case 15: case 16: return QStringLiteral("Zapis SMSC");
    case 17: case 18: return QStringLiteral("Odczyt poziomu RSSI");
    case 19: return QStringLiteral("Połączony z siecią GSM");
    case 100: return QStringLiteral("RESET modemu GSM");
    default: return QString();
  }
}

int SignalGaugeLevel(quint8 level) {
  if (level == NoSignalLevel) return 0;
  if (level > SignalCapFrom) return SignalScale;
  return level;
}

int SignalOnScale(quint8 level) { return qMin(SignalGaugeLevel(level), SignalScale); }

int SignalPercent(quint8 level) { return SignalOnScale(level) * 100 / SignalScale; }

std::optional<FirmwareVersion> DecodeFirmwareVersion(quint8 version) {
  if (version < VersionZero) return std::nullopt;
  const int n = version - VersionZero;
  FirmwareVersion result;
  result.Caption = QStringLiteral("VELT v %1.%2").arg(n / 10 + 1).arg(n % 10);
  result.AutotestAllowed = version >= AutotestFrom;
  result.MiniPanelAllowed = version >= MiniPanelFrom;
  return result;
}
