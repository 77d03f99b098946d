#pragma once
// The main window's captions that the report prints, each with the control of the window's form
// that shows it, so that a report reads as the window does (a test holds them to the form).
#include <QList>
#include <QString>
#include <array>

struct WindowCaption {
  const char* control;  // object name in the window's form
  const char* text;     // its caption (or, for a field without one, its hint), UTF-8

  QString Text() const { return QString::fromUtf8(text); }
};

namespace WindowCaptions {

inline constexpr WindowCaption OptionsGroup{"GroupBox3", "Opcje VELT"};
inline constexpr WindowCaption Operator{"LabelOperator", "Operator GSM"};
inline constexpr WindowCaption SmsCentre{"LabelCentrum", "Centrum SMS"};
inline constexpr WindowCaption Pin{"LabelPin", "PIN karty SIM"};
inline constexpr WindowCaption Password{"Label_haslo", "HASŁO"};
inline constexpr WindowCaption Firmware{"LabelFirmware", "Firmware versja:"};
inline constexpr WindowCaption Signal{"Label39", "Sygnał GSM:"};

inline constexpr WindowCaption PhonesGroup{"GroupBox4", "Numery telefonow i limity"};
inline constexpr std::array<WindowCaption, 4> Phones{{{"LabelTel1", "Telefon nr. 1"},
                                                      {"LabelTel2", "Telefon nr. 2"},
                                                      {"LabelTel3", "Telefon nr. 3"},
                                                      {"LabelTel4", "Telefon nr. 4"}}};
inline constexpr WindowCaption LimitSms{"LabelLimitSMS", "Limit SMS  [24H]"};
inline constexpr WindowCaption LimitVoice{"LabelLimitVoice", "Limit Voice [24H]"};

inline constexpr WindowCaption InputsGroup{"GroupBox1", "Wejścia"};
inline constexpr WindowCaption InputOn{"LabelWejZal", "Wejście Załączone"};
inline constexpr WindowCaption InputOff{"LabelWejWyl", "Wejście Wyłączone"};
inline constexpr std::array<WindowCaption, 5> Inputs{{{"LabelWej1", "IN1"},
                                                      {"LabelWej2", "IN2"},
                                                      {"LabelWej3", "IN3"},
                                                      {"LabelWej4", "IN4"},
                                                      {"LabelWej5", "IN5"}}};

inline constexpr WindowCaption MatrixGroup{"GroupBox5", "Opcje wejść"};
inline constexpr WindowCaption SmsTable{"LabelTabelaT", "SMS"};
inline constexpr WindowCaption VoiceTable{"LabelTabelaS", "Voice"};
inline constexpr std::array<WindowCaption, 4> PhoneColumns{{{"LabelKolT1", "1"},
                                                            {"LabelKolT2", "2"},
                                                            {"LabelKolT3", "3"},
                                                            {"LabelKolT4", "4"}}};
inline constexpr WindowCaption Confirm{"BoxPotw", "Wyślij potwierdzenie"};
inline constexpr WindowCaption Autotest{"BoxAutotest", "IN5 auto test 24h"};
inline constexpr WindowCaption MiniPanel{"BoxIN1blok", "tryb mini CA"};

inline constexpr WindowCaption OutputsGroup{"GroupBox2", "Opcje wyjść"};
inline constexpr std::array<WindowCaption, 3> Outputs{{{"LabelKolOut1", "Out1"},
                                                       {"LabelKolOut2", "Out2"},
                                                       {"LabelKolOut3", "Out3"}}};
inline constexpr WindowCaption OnRow{"LabelWierszZal", "Zal"};
inline constexpr WindowCaption OffRow{"LabelWierszWyl", "Wyl"};
inline constexpr WindowCaption TimeRow{"LabelWierszCzas", "Czas [s]"};
inline constexpr WindowCaption ContactRow{"LabelWierszNC", "NC/NO"};
inline constexpr WindowCaption ModeRow{"LabelWierszMono", "Mono/bi"};
inline constexpr WindowCaption Out1Alarm{"BoxOut1sygn", "Out1 - sygn."};
inline constexpr WindowCaption ConfirmText{"EditPotw", "Treść SMSa potwierdzającego wykonania operacji na wyjściach"};

// Every caption above, once.
QList<WindowCaption> All();

}  // namespace WindowCaptions
