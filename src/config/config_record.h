#pragma once
// The controller's configuration as 29 items. Item k is read with command 4 + 2k and written
// with 5 + 2k; its value is a text (Windows-1250 bytes, no length or terminator of its own) or
// a fixed number of bytes. The table below is the one description of the items that the window,
// the transfer, the files and a command line all use.
#include <QByteArray>
#include <QByteArrayView>
#include <array>

#include "commands.h"

enum class ValueForm : quint8 {
  Text,   // up to `size` characters (the window's limit), one byte each
  Bytes,  // exactly `size` bytes
};

// Characters that a field lets the user type. None: the item is edited with check boxes.
enum class KeySet : quint8 { Digits, Telephone, NoSpace, Any, None };

struct ConfigItem {
  int index;                // k, 0 to 28
  const char* key;          // stable ASCII name, for files of settings and the command line
  ValueForm form;
  int size;                 // Text: the window's maximum length; Bytes: the byte count
  KeySet keys;              // what the item's edit field accepts while typing
  const char* description;  // short description in Polish, UTF-8

  constexpr quint8 readCommand() const { return Cmd::ReadItem(index); }
  constexpr quint8 writeCommand() const { return Cmd::WriteItem(index); }
  constexpr bool isText() const { return form == ValueForm::Text; }
};

// Indices of the items, for code that names one item.
namespace ItemIndex {
enum : int {
  Pin = 0,
  SmsCentre = 1,
  Phone1 = 2,                             // Phone1 + n - 1 for telephone n
  In1OffText = 6,                         // In1OffText + r - 1 for input r
  In1OnText = 11,                         // In1OnText + r - 1 for input r
  Out1OnWord = 16,
  Out2OnWord = 17,
  Out1OffWord = 18,
  Out2OffWord = 19,
  Out3OnWord = 20,
  Out3OffWord = 21,
  InputMatrix = 22,
  OutputFlags = 23,
  OutputTimes = 24,
  LimitSms = 25,
  LimitVoice = 26,
  Options = 27,
  ConfirmText = 28,
};
}  // namespace ItemIndex

inline constexpr std::array<ConfigItem, Cmd::ItemCount> ConfigItems{{
    {0, "pin", ValueForm::Text, 4, KeySet::Digits, "PIN karty SIM"},
    {1, "sms_centre", ValueForm::Text, 13, KeySet::Telephone, "numer centrum SMS"},
    {2, "phone1", ValueForm::Text, 13, KeySet::Telephone, "numer telefonu 1"},
    {3, "phone2", ValueForm::Text, 13, KeySet::Telephone, "numer telefonu 2"},
    {4, "phone3", ValueForm::Text, 13, KeySet::Telephone, "numer telefonu 3"},
    {5, "phone4", ValueForm::Text, 13, KeySet::Telephone, "numer telefonu 4"},
    {6, "in1_off_text", ValueForm::Text, 30, KeySet::Any, "treść SMS po wyłączeniu wejścia IN1"},
    {7, "in2_off_text", ValueForm::Text, 30, KeySet::Any, "treść SMS po wyłączeniu wejścia IN2"},
    {8, "in3_off_text", ValueForm::Text, 30, KeySet::Any, "treść SMS po wyłączeniu wejścia IN3"},
    {9, "in4_off_text", ValueForm::Text, 30, KeySet::Any, "treść SMS po wyłączeniu wejścia IN4"},
    {10, "in5_off_text", ValueForm::Text, 30, KeySet::Any, "treść SMS po wyłączeniu wejścia IN5"},
    {11, "in1_on_text", ValueForm::Text, 30, KeySet::Any, "treść SMS po załączeniu wejścia IN1"},
    {12, "in2_on_text", ValueForm::Text, 30, KeySet::Any, "treść SMS po załączeniu wejścia IN2"},
    {13, "in3_on_text", ValueForm::Text, 30, KeySet::Any, "treść SMS po załączeniu wejścia IN3"},
    {14, "in4_on_text", ValueForm::Text, 30, KeySet::Any, "treść SMS po załączeniu wejścia IN4"},
    {15, "in5_on_text", ValueForm::Text, 30, KeySet::Any, "treść SMS po załączeniu wejścia IN5"},
    {16, "out1_on_word", ValueForm::Text, 4, KeySet::NoSpace, "słowo, które załącza Out1"},
    {17, "out2_on_word", ValueForm::Text, 4, KeySet::NoSpace, "słowo, które załącza Out2"},
    {18, "out1_off_word", ValueForm::Text, 4, KeySet::NoSpace, "słowo, które wyłącza Out1"},
    {19, "out2_off_word", ValueForm::Text, 4, KeySet::NoSpace, "słowo, które wyłącza Out2"},
    {20, "out3_on_word", ValueForm::Text, 4, KeySet::NoSpace, "słowo, które załącza Out3"},
    {21, "out3_off_word", ValueForm::Text, 4, KeySet::NoSpace, "słowo, które wyłącza Out3"},
    {22, "input_matrix", ValueForm::Bytes, 5, KeySet::None,
     "telefony, do których każde wejście wysyła SMS albo dzwoni"},
    {23, "output_flags", ValueForm::Bytes, 1, KeySet::None,
     "rodzaj styku (NC) i tryb monostabilny wyjść Out1 do Out3"},
    {24, "out_times", ValueForm::Bytes, 3, KeySet::Digits,
     "czas załączenia Out1, Out2, Out3 w trybie monostabilnym, w sekundach"},
    {25, "limit_sms", ValueForm::Bytes, 1, KeySet::Digits, "dzienny limit SMS"},
    {26, "limit_voice", ValueForm::Bytes, 1, KeySet::Digits, "dzienny limit połączeń głosowych"},
    {27, "options", ValueForm::Bytes, 1, KeySet::None,
     "SMS potwierdzenia, test IN5 co 24 h, mini centralka alarmowa, alarm na Out1"},
    {28, "confirm_text", ValueForm::Text, 15, KeySet::Any, "treść SMS potwierdzenia"},
}};

inline const std::array<ConfigItem, Cmd::ItemCount>& AllConfigItems() { return ConfigItems; }
// Null when k is outside 0 to 28, the key is unknown, or the command is no item's read or write.
const ConfigItem* ConfigItemAt(int k);
const ConfigItem* ConfigItemByKey(QByteArrayView key);
const ConfigItem* ConfigItemOfCommand(quint8 command);

// The text of a text value: its bytes up to the first NUL (a reply may pad a text with NULs).
QByteArray TextOfValue(QByteArrayView value);

// The window's four-digit default for the access password and the SIM PIN: their value at start
// and the value that replaces a shorter entry.
inline constexpr char DefaultPinText[] = "7315";

// The 29 item values, as they travel on the link.
struct ConfigRecord {
  std::array<QByteArray, Cmd::ItemCount> values;

  // What a new window shows before anything is read.
  static ConfigRecord Default();

  const QByteArray& value(int k) const { return values.at(size_t(k)); }
  void setValue(int k, const QByteArray& value) { values.at(size_t(k)) = value; }

  bool operator==(const ConfigRecord&) const = default;
};
