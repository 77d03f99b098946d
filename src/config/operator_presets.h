#pragma once
// The operator list "Operator GSM": four operators with a preset SMS service-centre number each,
// and "inny" (another operator, number typed by hand).
#include <QByteArray>
#include <QByteArrayView>
#include <array>

namespace OperatorPresets {

struct Entry {
  const char* caption;
  const char* number;  // 12 characters, "+48" and nine digits; empty for "inny"
};

inline constexpr std::array<Entry, 5> Entries{{
    {"ORANGE", "+48501200777"},
    {"T-MOBILE", "+48602951111"},
    {"PLUS", "+48601000310"},
    {"PLAY", "+48790998250"},
    {"inny", ""},
}};

inline constexpr int Orange = 0;
inline constexpr int TMobile = 1;
inline constexpr int Plus = 2;
inline constexpr int Play = 3;
inline constexpr int Other = 4;  // "inny"
inline constexpr int EntryCount = int(Entries.size());

// The entry's caption; empty outside 0 to 4.
QByteArray Caption(int entry);
// The entry's preset number; empty for "inny" and outside 0 to 4.
QByteArray Preset(int entry);
// The entry whose preset followed by one NUL byte is the whole reply payload, else Other.
int EntryOfReply(QByteArrayView payload);
// The entry whose preset is exactly the text (as a configuration file holds it), else Other.
int EntryOfFileText(QByteArrayView text);

}  // namespace OperatorPresets
