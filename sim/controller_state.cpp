#include "controller_state.h"

namespace {

constexpr int SmsCentreItem = 1;

struct ItemForm {
  int size;    // most bytes kept (text) or exact size (fixed)
  bool fixed;
};

ItemForm FormOf(int item) {
  if (item == 0) return {4, false};                   // PIN
  if (item <= 5) return {13, false};                  // service centre, telephones 1..4
  if (item <= 15) return {30, false};                 // input texts
  if (item <= 21) return {4, false};                  // output words
  if (item == 22) return {5, true};                   // input matrix
  if (item == 24) return {3, true};                   // output times
  if (item <= 27) return {1, true};                   // output flags, limits, option flags
  return {15, false};                                 // confirmation text
}

}  // namespace

ControllerState ControllerState::New(const QByteArray& password) {
  ControllerState s;
  s.password = password;
  for (int k = 0; k < Cmd::ItemCount; ++k) s.items[k] = StoredItemValue(k, {});
  s.items[0] = "7315";
  s.items[SmsCentreItem] = DefaultSmsCentre;
  s.items[24] = QByteArray(3, 5);
  s.items[28] = "OK";
  return s;
}

QByteArray StoredItemValue(int item, const QByteArray& written) {
  const ItemForm form = FormOf(item);
  QByteArray value = written.left(form.size);
  if (form.fixed) value.append(form.size - value.size(), '\0');
  return value;
}

QByteArray ReadReplyValue(int item, const QByteArray& stored) {
  return item == SmsCentreItem ? stored + QByteArray(1, '\0') : stored;
}
