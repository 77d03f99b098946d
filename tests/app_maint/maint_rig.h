#pragma once
// Helpers of the maintenance tests: files made and read as the format lays them out, what the
// window shows, and maintenance dialogs driven by the test while they are open.
#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>

#include "window_rig.h"

class QWidget;

// The 23 text fields in the order a configuration file holds them.
extern const QStringList FileTextFields;
// The five numbers in file order: three active times, then the SMS and voice-call limits.
extern const QStringList FileNumberFields;

// A configuration file cut into its items by the format's own layout.
struct FileView {
  QList<QByteArray> texts;  // 23, in FileTextFields order
  QByteArray matrix;        // the matrix item's bytes
  QByteArray numbers;       // 5, in FileNumberFields order
  quint8 outputs = 0;
  QByteArray confirm;
  quint8 options = 0;
};
// Nothing when the items do not end exactly before a last byte that makes the XOR of all 0.
std::optional<FileView> ViewConfigFile(const QByteArray& file);

quint8 Xor(const QByteArray& bytes);
// The bytes with a last byte that makes the XOR of all of them 0.
QByteArray WithCheck(QByteArray bytes);

QByteArray ReadWhole(const QString& path);
bool WriteWhole(const QString& path, const QByteArray& bytes);
// Windows-1250 bytes of a text, by the system's codec.
QByteArray Cp1250Bytes(const QString& text);

// What the configuration and password controls show ("Edit_Tel1=+48... (off)" for a disabled
// one), in a fixed order; the operator list as its caption.
QStringList WindowValues(const TMain& window);
// The background of every configuration control: "Edit_Tel1 #ffff99".
QStringList WindowColours(const TMain& window);
// Sets controls from "name=value" entries: text for an edit field, 1/0 for a box, caption for
// the operator list. A box is set as a click would leave it.
void SetControls(TMain& window, const QStringList& entries);
// Takes the focus from whatever configuration field has it, so that no leave rule runs.
void DropFocus(TMain& window);

// Saves a picture of the widget into /tmp/shots (made when missing).
void SaveShot(QWidget* widget, const QString& name);

// Opens the dialog of class D with open (a click, a menu item) and hands it to drive while it is
// open; drive closes it or lets it close itself. Returns when the dialog is gone; false if it never
// opened, was still open when drive returned (it is then rejected, so that nothing hangs), or
// did not go within timeoutMs.
template <typename D>
bool RunDialog(WindowRig& rig, const std::function<void()>& open, std::function<void(D*)> drive, int timeoutMs,
               qint64* goneMs = nullptr) {
  struct State {
    bool opened = false;
    bool gone = false;
    bool leftOpen = false;
    qint64 goneMs = 0;
  };
  auto state = std::make_shared<State>();
  rig.boxes.AddHandler([state, drive](QWidget* modal) {
    auto* dialog = qobject_cast<D*>(modal);
    if (!dialog || state->opened) return false;
    state->opened = true;
    QObject::connect(dialog, &QObject::destroyed, [state] {
      state->gone = true;
      state->goneMs = Simulator::NowMs();
    });
    QPointer<D> guard(dialog);
    drive(dialog);
    if (guard && guard->isVisible()) {
      state->leftOpen = true;
      guard->done(QDialog::Rejected);
    }
    return true;
  });
  open();
  const qint64 deadline = Simulator::NowMs() + timeoutMs;
  while (!state->gone && Simulator::NowMs() < deadline) QTest::qWait(20);
  rig.boxes.ClearHandlers();
  if (goneMs) *goneMs = state->goneMs;
  if (state->leftOpen) qWarning("the dialog was still open when its driver was done");
  return state->gone && !state->leftOpen;
}

// The same, opened with the window's button.
template <typename D>
bool RunDialog(WindowRig& rig, QWidget* button, std::function<void(D*)> drive, int timeoutMs, qint64* goneMs = nullptr) {
  return RunDialog<D>(rig, [&rig, button] { rig.Click(button); }, std::move(drive), timeoutMs, goneMs);
}

// A firmware image of size bytes, none of them 0xFF and the first not "g", so that padding
// and a leaked signature show.
QByteArray FirmwareImageBytes(int size);
// The firmware file of an image: "gfr", the image, the check byte.
QByteArray FirmwareFile(const QByteArray& image);
