#pragma once
// What the controller's status reply and firmware version byte say, as values; the status display
// puts them on the window.
#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

struct StatusReply {
  std::array<bool, 5> Inputs{};   // IN1 .. IN5: bit set
  std::array<bool, 3> Outputs{};  // Out1 .. Out3: bit set (output active)
  int Events = 0;                 // events waiting, 0 .. 127
  bool Tamper = false;            // tamper input "F": bit set
  QString StageText;              // the modem's start-up stage, empty for an unknown code
  int SignalLevel = 0;            // gauge position; a gauge shorter than this shows it full
  int SmsCount = 0;               // SMS sent today
  int VoiceCount = 0;             // voice calls made today
};

inline constexpr int StatusReplySize = 6;

// Nothing for a payload shorter than six bytes; bytes past the sixth are not looked at.
std::optional<StatusReply> DecodeStatusReply(const QByteArray& payload);

QString ModemStageText(quint8 code);

// 99 means "no level" and shows an empty gauge; readings above 22 are capped at 20.
int SignalGaugeLevel(quint8 level);

inline constexpr quint8 NoSignalLevel = 99;
inline constexpr int SignalScale = 20;  // the gauge's range, 0 .. 20
// The level on that scale as the gauge shows it: a level past the scale shows it full.
int SignalOnScale(quint8 level);
// Of the scale, cut down like the gauge's text: 15 is 75.
int SignalPercent(quint8 level);

struct FirmwareVersion {
  QString Caption;                // "VELT v 1.7" for the character "7"
  bool AutotestAllowed = false;   // "IN5 auto test 24h" needs "7" or later
  bool MiniPanelAllowed = false;  // "tryb mini CA" needs "8" or later
};

// Nothing for a version byte below "0": the login reply then carries no version.
std::optional<FirmwareVersion> DecodeFirmwareVersion(quint8 version);
