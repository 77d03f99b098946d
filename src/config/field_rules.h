#pragma once
// The editing rules of the configuration fields, as pure functions: what a field lets the user
// type, what it corrects when the user leaves it, and the check of a whole value typed elsewhere
// (a command line, a table of settings) by the same rules.
//
// Readable forms of the values (FormatItemValue writes them, ParseItemValue reads them):
//   text items          the text itself
//   limit_sms/_voice    a decimal number, "0" to "99" (one or two digits)
//   out_times           three decimal numbers "1" to "99" for Out1, Out2, Out3: "5,10,99"
//                       (blanks around the commas allowed)
//   input_matrix        the ticked boxes by their names in the window, "IN<r>T<c>" for an SMS and
//                       "IN<r>S<c>" for a voice call from input r to telephone c, separated by
//                       blanks or commas: "IN1T1 IN5S4"; "none" (or an empty text) when none
//   output_flags        the ticked boxes among Out1NC Out2NC Out3NC Out1Mono Out2Mono Out3Mono,
//                       as above: "Out1NC Out3Mono"; "none" when none
//   options             the ticked boxes among Potw Autotest IN1blok Out1sygn, as above
// Box names are read in any letter case and written as above, in bit order; a name given twice
// is refused.
#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>
#include <optional>

#include "config_record.h"

namespace FieldRules {

inline constexpr int NumberDigits = 2;  // times and limits
inline constexpr QStringView NoBoxes = u"none";  // the readable form of boxes none of which is ticked
inline constexpr int PasswordLength = 4;  // the access password field, like the PIN

// The key filter: digits and telephone also let carriage return and backspace through (they
// edit the field); no space takes every character but the space; None takes nothing.
bool Accepts(KeySet set, QChar c);

// Leave rules: the text the field holds after the user leaves it.
// Access password and PIN: fewer than 4 characters become "7315".
QString LeavePassword(const QString& text);
// Limits: empty becomes "0".
QString LeaveLimit(const QString& text);
// Times: empty becomes "1"; then a value of 0 becomes "1" ("07" stays "07"). Nullopt when the
// text is not a decimal number: the conversion fails and the field keeps its text.
std::optional<QString> LeaveTime(const QString& text);

// A field's text as a decimal integer, the way the window converts times and limits for a
// transfer or a file: optional sign, digits, blanks around ignored. Nullopt when not a number.
std::optional<int> ToInteger(QStringView text);

// The value of an item from its readable form, checked with the window's rules (key set, length,
// Windows-1250, a PIN of 4 digits, limits 0 to 99, times 1 to 99; no control characters in a
// text). Nullopt, with the reason in *error (which may be null), for anything the window would
// not hold after its rules ran; nothing is corrected or replaced.
std::optional<QByteArray> ParseItemValue(const ConfigItem& item, const QString& typed, QString* error);

// What the connected controller's firmware lets the window offer: below a version the window
// disables and clears the Autotest and IN1blok boxes. Unknown firmware allows both.
struct FirmwareAllows {
  bool autotest = true;
  bool miniPanel = true;  // IN1blok
  QString caption;        // "VELT v 1.6", for the message
};

// The rules that tie the option boxes to each other and to the firmware: Out1sygn only with
// IN1blok (the window disables and clears it otherwise), Autotest and IN1blok only where the
// firmware allows them. The first rule the options value breaks, named, or an empty text.
QString BrokenOptionRule(const QByteArray& options, const FirmwareAllows& firmware = {});

// The readable form of a value; the inverse of ParseItemValue for the values it accepts. A text
// ends at its first NUL; a short fixed-size value reads missing bytes as 0.
QString FormatItemValue(const ConfigItem& item, const QByteArray& value);

}  // namespace FieldRules
