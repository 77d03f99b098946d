#pragma once
// The bit packings of the check-box items, the one place where bits are packed. Each takes and
// returns plain values; unpacking takes a byte view and never reads past it, bytes missing from
// a short value read as 0, and bits that no box owns are ignored.
#include <QByteArray>
#include <QByteArrayView>
#include <array>

// Which telephones get an SMS and which a voice call for each input. Bit n counts from the most
// significant bit of byte 0 (byte n / 8, bit 7 - n % 8).
struct InputMatrix {
  static constexpr int Bits = 40;
  static constexpr int Bytes = 5;
  // input 1 to 5, phone 1 to 4
  static constexpr int SmsBit(int input, int phone) { return 4 * (input - 1) + (phone - 1); }
  static constexpr int VoiceBit(int input, int phone) { return 20 + SmsBit(input, phone); }

  std::array<bool, Bits> bits{};

  bool operator==(const InputMatrix&) const = default;
};

// Out1 to Out3 at [0] to [2]: normally closed, monostable.
struct OutputFlags {
  std::array<bool, 3> nc{};
  std::array<bool, 3> mono{};

  bool operator==(const OutputFlags&) const = default;
};

// Active times of Out1 to Out3 in seconds.
struct OutputTimes {
  std::array<quint8, 3> seconds{};

  bool operator==(const OutputTimes&) const = default;
};

struct OptionFlags {
  bool potw = false;      // send a confirmation SMS after an operation on the outputs
  bool autotest = false;  // IN5 automatic test every 24 hours
  bool in1blok = false;   // mini alarm-panel mode
  bool out1sygn = false;  // Out1 signals an alarm

  bool operator==(const OptionFlags&) const = default;
};

// Controller items.
QByteArray PackInputMatrix(const InputMatrix& matrix);  // 5 bytes
InputMatrix UnpackInputMatrix(QByteArrayView bytes);
quint8 PackOutputFlags(const OutputFlags& flags);  // 0 to 0x3F: NC bits 5..3, mono bits 2..0
OutputFlags UnpackOutputFlags(quint8 byte);        // bits 6 and 7 ignored
OutputFlags UnpackOutputFlags(QByteArrayView value);
QByteArray PackOutputTimes(const OutputTimes& times);  // 3 bytes, Out1 first
OutputTimes UnpackOutputTimes(QByteArrayView value);
quint8 PackOptionFlags(const OptionFlags& flags);  // potw 0x01, autotest 0x02, in1blok 0x04, out1sygn 0x08
OptionFlags UnpackOptionFlags(quint8 byte);        // bits 4 to 7 ignored
OptionFlags UnpackOptionFlags(QByteArrayView value);

// Configuration files pack the same boxes in two bytes of their own: the output byte holds the
// six output bits one place higher than the controller's item and the confirmation bit (potw) as
// bit 0; the option byte holds autotest 0x01, in1blok 0x02, out1sygn 0x04.
struct FileFlagBytes {
  quint8 outputs = 0;
  quint8 options = 0;

  bool operator==(const FileFlagBytes&) const = default;
};
FileFlagBytes PackFileFlags(const OutputFlags& outputs, const OptionFlags& options);
// Bit 7 of the output byte and bits 3 to 7 of the option byte are ignored.
void UnpackFileFlags(FileFlagBytes bytes, OutputFlags* outputs, OptionFlags* options);
