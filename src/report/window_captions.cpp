#include "window_captions.h"

namespace WindowCaptions {

QList<WindowCaption> All() {
  QList<WindowCaption> all{OptionsGroup, Operator,   SmsCentre,   Pin,       Password,   Firmware,  Signal,
                           PhonesGroup,  LimitSms,   LimitVoice,  InputsGroup, InputOn,  InputOff,  MatrixGroup,
                           SmsTable,     VoiceTable, Confirm,     Autotest,  MiniPanel, OutputsGroup, OnRow,
                           OffRow,       TimeRow,    ContactRow,  ModeRow,   Out1Alarm, ConfirmText};
  all.append(QList<WindowCaption>(Phones.begin(), Phones.end()));
  all.append(QList<WindowCaption>(Inputs.begin(), Inputs.end()));
  all.append(QList<WindowCaption>(PhoneColumns.begin(), PhoneColumns.end()));
  all.append(QList<WindowCaption>(Outputs.begin(), Outputs.end()));
  return all;
}

}  // namespace WindowCaptions
