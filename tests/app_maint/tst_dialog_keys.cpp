// The window's dialogs from the keyboard: each has a default button, and Esc closes it.
#include <QAbstractButton>
#include <QAction>
#include <QTest>

#include "dialog_keys.h"
#include "finfo.h"
#include "form_jakie_com.h"
#include "maint_rig.h"
#include "tfboot.h"
#include "tfhaslo_nowe.h"
#include "tfhistoria.h"
#include "tfinstalacje.h"
#include "tfzmiany.h"
#include "tst_app_maint.h"

namespace {
QString Checked(QDialog* dialog) {
  if (qEnvironmentVariableIsSet("VELT_SHOTS"))
    SaveShot(dialog, QStringLiteral("dialog-%1.png").arg(QString::fromLatin1(QTest::currentDataTag())));
  return DialogKeysFault(dialog);
}

// Opens a dialog of class D with open and checks its keys; false when it did not open or close.
template <typename D>
bool Keys(WindowRig& rig, const std::function<void()>& open, QString* fault) {
  return RunDialog<D>(rig, open, [fault](D* dialog) { *fault = Checked(dialog); }, 10000);
}
}  // namespace

void TestDialogKeys::keys_data() {
  QTest::addColumn<QString>("dialog");
  QTest::newRow("password") << "password";
  QTest::newRow("firmware") << "firmware";
  QTest::newRow("history") << "history";
  QTest::newRow("installations") << "installations";
  QTest::newRow("changes") << "changes";
  QTest::newRow("about") << "about";
  QTest::newRow("ports") << "ports";
}

void TestDialogKeys::keys() {
  QFETCH(QString, dialog);
  const DataHome home;  // the register the installations open is the test's own
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QString fault = QStringLiteral("not opened");
  bool closed = false;
  if (dialog == "password")
    closed = Keys<TFhaslo_nowe>(rig, [&rig] { rig.Click(rig.ui().Button_zmiana_hasla); }, &fault);
  if (dialog == "firmware")
    closed = Keys<TFboot>(rig, [&rig] { rig.Click(rig.ui().ButtonFirmware); }, &fault);
  if (dialog == "history")
    closed = Keys<TFHistoria>(rig, [&rig] { rig.ui().HistoriaKonfiguracji1->trigger(); }, &fault);
  if (dialog == "installations")
    closed = Keys<TFInstalacje>(rig, [&rig] { rig.ui().Instalacje1->trigger(); }, &fault);
  if (dialog == "changes") {
    QVERIFY(QTest::qWaitFor([&] { return rig.ui().Icon_get->isEnabled() && rig.window->link.IsIdle(); }, 3000));
    rig.Click(rig.ui().Icon_get);
    closed = Keys<TFZmiany>(rig, [&rig] { rig.ui().PokazZmiany1->trigger(); }, &fault);
  }
  if (dialog == "about") closed = Keys<TFInfo>(rig, [&rig] { rig.ui().Oprogramie1->trigger(); }, &fault);
  if (dialog == "ports") {  // not modal: it stays open beside the window
    rig.Click(rig.ui().ButtonCom);
    auto* ports = rig.window->findChild<TFormJakieCOM*>();
    QVERIFY(ports && ports->isVisible());
    fault = Checked(ports);
    closed = !ports->isVisible();
  }
  QVERIFY2(fault.isEmpty(), qPrintable(fault));
  QVERIFY(closed);
}
