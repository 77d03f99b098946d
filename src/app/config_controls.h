#pragma once
// The main window's configuration controls, by item: the record lives only in them.
#include <QList>
#include <array>

#include "commands.h"

class QCheckBox;
class QLineEdit;
class QWidget;
namespace Ui {
class TMain;
}

struct ConfigControls {
  explicit ConfigControls(Ui::TMain& ui);

  // The edit field of each text item (0 to 21 and 28); null for the others.
  std::array<QLineEdit*, Cmd::ItemCount> text{};
  std::array<QCheckBox*, 40> matrix{};  // by bit number of the input matrix
  std::array<QCheckBox*, 3> outputNc{};
  std::array<QCheckBox*, 3> outputMono{};
  std::array<QLineEdit*, 3> times{};
  QLineEdit* limitSms = nullptr;
  QLineEdit* limitVoice = nullptr;
  QCheckBox* potw = nullptr;
  QCheckBox* autotest = nullptr;
  QCheckBox* in1blok = nullptr;
  QCheckBox* out1sygn = nullptr;

  std::array<QCheckBox*, 4> options() const { return {potw, autotest, in1blok, out1sygn}; }
  // Every control that holds some of item k.
  QList<QWidget*> Of(int k) const;
};
