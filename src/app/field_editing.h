#pragma once
// The editing rules of the configuration fields and the password field: what each accepts, how
// it is corrected when the user leaves it, what marks it edited, and the controls that depend
// on the mini alarm-panel box, the confirmation box and the operator list.
#include <QObject>
#include <exception>
#include <functional>
#include <type_traits>

#include "config_binding.h"

class QLineEdit;

class FieldEditing : public QObject {
 public:
  // Conversion errors of a leave rule go to onError.
  FieldEditing(Ui::TMain& ui, const ConfigControls& controls, ConfigBinding& binding,
               std::function<void(const std::exception&)> onError);

  // The speed buttons and menus do not take the focus: before a transfer or a save, the field
  // that has it is corrected as if the user had left it.
  void LeaveFocusedField();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // No exception may unwind through Qt's widget code: a reaction's goes to onError.
  template <typename F>
  auto Guarded(F reaction) {
    return [this, reaction](auto... args) {
      try {
        if constexpr (std::is_invocable_v<F, decltype(args)...>) {
          reaction(args...);
        } else {
          // The signal's arguments are not needed. Called through a generic lambda: a plain
          // call, not dependent on args, is checked here by clang even where it is discarded.
          [](auto& withoutArgs) { withoutArgs(); }(reaction);
        }
      } catch (const std::exception& error) {
        onError_(error);
      }
    };
  }
  void Restrain(QLineEdit* field, KeySet keys, int maxLength);
  void RunLeaveRule(QLineEdit* field);
  void MarkEdited(QWidget* control);
  void BoxIN1blokClick();
  void BoxPotwClick();
  void Combo_operatorPicked(int entry);

  Ui::TMain& ui_;
  const ConfigControls& c_;
  ConfigBinding& binding_;
  std::function<void(const std::exception&)> onError_;
  QObject* operatorView_ = nullptr;  // the operator list's drop-down
  // Opened since the last key over the closed list: an entry "activated" now is a pick.
  bool operatorListOpen_ = false;
};
