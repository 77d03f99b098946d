// The field rules as a user meets them: typing and pasting, leaving a field, moving onto a box,
// and the operator list.
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QWheelEvent>

#include "config_view.h"
#include "operator_presets.h"
#include "tst_app_config.h"
#include "window_rig.h"

namespace {
QLineEdit* Field(const TMain& window, const QString& name) { return qobject_cast<QLineEdit*>(Control(window, name)); }

const QString ThirtyTwo = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
}  // namespace

// Columns shared by typing and pasting: the field, its text before (set as a reply would), the
// cursor (-1: at the end; -2: all selected), what the user enters, the text after.
static void EntryColumns() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<QString>("before");
  QTest::addColumn<int>("cursor");
  QTest::addColumn<QString>("entered");
  QTest::addColumn<QString>("after");
}

void TestEditing::typing_data() {
  EntryColumns();
  QTest::newRow("PIN: a letter") << "Edit_pin" << "12" << -1 << "a" << "12";
  QTest::newRow("PIN: a minus") << "Edit_pin" << "12" << -1 << "-" << "12";
  QTest::newRow("PIN: a space") << "Edit_pin" << "12" << -1 << " " << "12";
  QTest::newRow("PIN: digits up to four") << "Edit_pin" << "12" << -1 << "3456" << "1234";
  QTest::newRow("PIN: a digit replaces the selection") << "Edit_pin" << "7315" << -2 << "9" << "9";
  QTest::newRow("PIN: typed at the front, next to the same digit") << "Edit_pin" << "12" << 0 << "13" << "1312";
  QTest::newRow("password: digits only") << "Edit_haslo" << "" << -1 << "1a2+3 4" << "1234";
  QTest::newRow("telephone: plus anywhere, any number of times") << "Edit_Tel1" << "" << -1 << "+48+1" << "+48+1";
  QTest::newRow("telephone: plus at the front") << "Edit_Tel1" << "601" << 0 << "+" << "+601";
  QTest::newRow("telephone: letters and spaces dropped") << "Edit_Tel2" << "" << -1 << "+48 60a1" << "+48601";
  QTest::newRow("telephone: thirteen at most") << "Edit_Tel3" << "" << -1 << "+4812345678901" << "+481234567890";
  QTest::newRow("service centre: letters dropped") << "Edit_operator" << "" << -1 << "+48x5" << "+485";
  QTest::newRow("word: space dropped") << "Edit_Out1zal" << "" << -1 << "a b" << "ab";
  QTest::newRow("word: diacritics up to four") << "Edit_Out1zal" << "" << -1 << QStringLiteral("ąęśćx")
                                               << QStringLiteral("ąęść");
  QTest::newRow("time: two digits") << "Out2Czas" << "" << -1 << "1x23" << "12";
  QTest::newRow("limit: digits only") << "Edit_LimitSMS" << "" << -1 << "-7" << "7";
  QTest::newRow("input text: anything up to thirty") << "Edit_IN1A" << "" << -1 << ThirtyTwo
                                                     << ThirtyTwo.left(30);
  QTest::newRow("input text: a space") << "Edit_IN2N" << "Drzwi" << -1 << QStringLiteral(" otwarte ż")
                                       << QStringLiteral("Drzwi otwarte ż");
  QTest::newRow("input text: no Windows-1250 character") << "Edit_IN1A" << "abc" << -1 << QStringLiteral("Ж")
                                                         << "abc";
  QTest::newRow("confirmation: fifteen at most") << "EditPotw" << "" << -1 << "0123456789ABCDEF"
                                                 << "0123456789ABCDE";
  QTest::newRow("a longer text from the controller takes no more") << "Edit_IN3A" << ThirtyTwo << -1 << "x"
                                                                   << ThirtyTwo;
  QTest::newRow("a longer text from the controller can be shortened")
      << "Edit_IN3A" << ThirtyTwo << -1 << "\b" << ThirtyTwo.left(31);
  QTest::newRow("a line end from the controller stays") << "Edit_IN4N" << "a\r\n" << -1 << "b" << "a\r\nb";
}

void TestEditing::typing() {
  QFETCH(QString, field);
  QFETCH(QString, before);
  QFETCH(int, cursor);
  QFETCH(QString, entered);
  QFETCH(QString, after);

  WindowRig rig;
  rig.OpenWindow();
  QVERIFY(SetControls(*rig.window, {"BoxPotw+"}));  // the confirmation text is editable
  QLineEdit* edit = Field(*rig.window, field);
  QVERIFY(edit);
  edit->setText(before);
  if (cursor == -2) edit->selectAll();
  else edit->setCursorPosition(cursor == -1 ? int(before.size()) : cursor);
  Type(edit, entered);
  QCOMPARE(edit->text(), after);
}

void TestEditing::pasting_data() {
  EntryColumns();
  QTest::newRow("PIN: letters dropped") << "Edit_pin" << "" << -1 << "12a3" << "123";
  QTest::newRow("PIN: within its length") << "Edit_pin" << "" << -1 << "12a345" << "1234";
  QTest::newRow("PIN: only letters") << "Edit_pin" << "7" << -1 << "abc" << "7";
  QTest::newRow("PIN: letters over a selection") << "Edit_pin" << "7315" << -2 << "abc" << "7315";
  QTest::newRow("time: within its length") << "Out1Czas" << "" << -1 << "1a23" << "12";
  QTest::newRow("telephone: spaces dropped") << "Edit_Tel4" << "" << -1 << "+48 601 000 310" << "+48601000310";
  QTest::newRow("telephone: into the middle") << "Edit_Tel4" << "+48" << 3 << "60 1" << "+48601";
  QTest::newRow("word: spaces dropped, four at most") << "Edit_Out3wyl" << "" << -1 << QStringLiteral("w y ł ą c z")
                                                      << QStringLiteral("wyłą");
  QTest::newRow("input text: thirty at most") << "Edit_IN5N" << "" << -1 << ThirtyTwo << ThirtyTwo.left(30);
  QTest::newRow("input text: no Windows-1250 character") << "Edit_IN1A" << "abc" << -1 << QStringLiteral("Ж")
                                                         << "abc";
  QTest::newRow("input text: one such character refuses the rest") << "Edit_IN1N" << "abc" << -1
                                                                   << QStringLiteral("de Ж fg") << "abc";
  QTest::newRow("input text: replaces the selection") << "Edit_IN2A" << "stary" << -2 << QStringLiteral("nowy ż")
                                                      << QStringLiteral("nowy ż");
  // Control characters (a copied line end, a tab from a table) never enter a field.
  QTest::newRow("service centre: a Windows line end") << "Edit_operator" << "" << -1 << "+48601000310\r\n"
                                                      << "+48601000310";
  QTest::newRow("telephone: a carriage return inside") << "Edit_Tel2" << "" << -1 << "+48\r601" << "+48601";
  QTest::newRow("PIN: a backspace character") << "Edit_pin" << "" << -1 << "12\b3" << "123";
  QTest::newRow("password: a line end") << "Edit_haslo" << "" << -1 << "731\r\n" << "731";
  QTest::newRow("limit: a line end") << "Edit_LimitVoice" << "" << -1 << "5\r\n" << "5";
  QTest::newRow("word: a tab") << "Edit_Out1zal" << "" << -1 << "\tON" << "ON";
  QTest::newRow("input text: tab, DEL, escape, C1 control") << "Edit_IN3A" << "" << -1
                                                           << QStringLiteral("a\tb\x7f\x1b\u0081c") << "abc";
  QTest::newRow("input text: a line end alone keeps the selection") << "Edit_IN2N" << "stary" << -2 << "\r\n"
                                                                     << "stary";
}

void TestEditing::pasting() {
  QFETCH(QString, field);
  QFETCH(QString, before);
  QFETCH(int, cursor);
  QFETCH(QString, entered);
  QFETCH(QString, after);

  WindowRig rig;
  rig.OpenWindow();
  QLineEdit* edit = Field(*rig.window, field);
  QVERIFY(edit);
  edit->setText(before);
  if (cursor == -2) edit->selectAll();
  else edit->setCursorPosition(cursor == -1 ? int(before.size()) : cursor);
  QApplication::clipboard()->setText(entered);
  QCOMPARE(QApplication::clipboard()->text(), entered);
  QTest::keySequence(edit, QKeySequence::Paste);
  QCOMPARE(edit->text(), after);
}

void TestEditing::leaving_data() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<QString>("typed");  // "=text": put there as a file would
  QTest::addColumn<QString>("after");
  QTest::addColumn<QStringList>("boxes");

  const QStringList none;
  QTest::newRow("PIN: two digits") << "Edit_pin" << "12" << "7315" << none;
  QTest::newRow("PIN: empty") << "Edit_pin" << "" << "7315" << none;
  QTest::newRow("PIN: three digits") << "Edit_pin" << "123" << "7315" << none;
  QTest::newRow("PIN: four digits, leading zero") << "Edit_pin" << "0123" << "0123" << none;
  QTest::newRow("password: one digit") << "Edit_haslo" << "5" << "7315" << none;
  QTest::newRow("password: four digits") << "Edit_haslo" << "0000" << "0000" << none;
  QTest::newRow("time: empty") << "Out1Czas" << "" << "1" << none;
  QTest::newRow("time: 0") << "Out1Czas" << "0" << "1" << none;
  QTest::newRow("time: 00") << "Out2Czas" << "00" << "1" << none;
  QTest::newRow("time: 99") << "Out3Czas" << "99" << "99" << none;
  QTest::newRow("time: 07") << "Out1Czas" << "07" << "07" << none;
  QTest::newRow("time: not a number") << "Out1Czas" << "=x1" << "x1"
                                      << QStringList{"Error: 'x1' is not a valid integer value",
                                                     QStringLiteral("Error: Port COM niedostępny")};
  QTest::newRow("SMS limit: empty") << "Edit_LimitSMS" << "" << "0" << none;
  QTest::newRow("SMS limit: 00") << "Edit_LimitSMS" << "00" << "00" << none;
  QTest::newRow("voice limit: empty") << "Edit_LimitVoice" << "" << "0" << none;
  QTest::newRow("telephone: empty stays") << "Edit_Tel1" << "" << "" << none;
  QTest::newRow("word: one letter stays") << "Edit_Out1wyl" << "x" << "x" << none;
}

void TestEditing::leaving() {
  QFETCH(QString, field);
  QFETCH(QString, typed);
  QFETCH(QString, after);
  QFETCH(QStringList, boxes);

  WindowRig rig;
  rig.OpenWindow();
  QVERIFY(Activate(rig));
  QLineEdit* edit = Field(*rig.window, field);
  QVERIFY(edit);
  QTest::mouseClick(edit, Qt::LeftButton);
  QVERIFY(edit->hasFocus());
  if (typed.startsWith('=')) {
    edit->setText(typed.mid(1));
  } else {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    Type(edit, typed);
    QCOMPARE(edit->text(), typed);
  }
  QTest::keyClick(edit, Qt::Key_Tab);
  QVERIFY(!edit->hasFocus());
  QCOMPARE(edit->text(), after);
  QCOMPARE(rig.boxes.Summaries(), boxes);
}

// Moving onto a box marks it edited, changed or not, except the boxes that react to their
// state; a click marks every box.
void TestEditing::boxesMarkedByTheUser_data() {
  QTest::addColumn<QString>("start");  // focused without the user
  QTest::addColumn<int>("tabs");
  QTest::addColumn<QString>("clicked");
  QTest::addColumn<QString>("red");  // the boxes that end edited

  QTest::newRow("tab through the SMS table") << "Edit_LimitVoice" << 20 << ""
                                             << "^(?!BoxIN[45]T1$)BoxIN[1-5]T[1-4]$";
  QTest::newRow("tab through both tables") << "Edit_LimitVoice" << 40 << "" << "^(?!BoxIN[45]T1$)BoxIN[1-5][TS][1-4]$";
  QTest::newRow("tab onto the outputs") << "Out3Czas" << 6 << "" << "^(BoxO(ut|UT)[1-3]NC|BoxOut[1-3]Mono)$";
  QTest::newRow("tab onto the confirmation box") << "BoxIN5S4" << 1 << "" << "^BoxPotw$";
  QTest::newRow("click BoxIN4T1") << "" << 0 << "BoxIN4T1" << "^BoxIN4T1$";
  QTest::newRow("click BoxIN5T1") << "" << 0 << "BoxIN5T1" << "^BoxIN5T1$";
  QTest::newRow("click BoxIN2S3") << "" << 0 << "BoxIN2S3" << "^BoxIN2S3$";
  QTest::newRow("click BoxOut2Mono") << "" << 0 << "BoxOut2Mono" << "^BoxOut2Mono$";
}

void TestEditing::boxesMarkedByTheUser() {
  QFETCH(QString, start);
  QFETCH(int, tabs);
  QFETCH(QString, clicked);
  QFETCH(QString, red);

  WindowRig rig;
  rig.OpenWindow();
  QVERIFY(Activate(rig));
  const ConfigRecord recordBefore = rig.window->Binding->EncodeRecord();
  if (!start.isEmpty()) {
    QWidget* first = Control(*rig.window, start);
    QVERIFY(first);
    first->setFocus();
    QVERIFY(first->hasFocus());
  }
  for (int i = 0; i < tabs; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  if (!clicked.isEmpty()) rig.Click(Control(*rig.window, clicked));

  QStringList expected, actual;
  const QRegularExpression redOnes(red);
  for (const QWidget* box : ControlsMatching(*rig.window, "^Box")) {
    actual << box->objectName() + ' ' + Colour(box);
    expected << box->objectName() + ' ' + (redOnes.match(box->objectName()).hasMatch() ? "red" : "face");
  }
  QCOMPARE(actual, expected);
  const ConfigRecord recordAfter = rig.window->Binding->EncodeRecord();
  // Tabbing changes nothing; a click ticks the box.
  QCOMPARE(recordAfter == recordBefore, clicked.isEmpty());
}

// Picking an entry from the opened list, even the current one, applies its number, with the
// mouse or the keyboard; closing the list without a pick changes nothing, and so do the wheel
// and keys over the closed list. The list itself keeps its colour.
void TestEditing::operatorList_data() {
  QTest::addColumn<QString>("typed");
  // Steps, one after the other: "click:N" opens the list and picks entry N with the mouse;
  // "Alt+Down:N", "F4:N" open it with that key, move to entry N with the arrow keys and pick it
  // with Enter; "F4:Esc" opens and closes it without a pick; "wheel", or a key, over the closed
  // list.
  QTest::addColumn<QString>("gesture");
  QTest::addColumn<int>("entry");  // the list's entry after; -1: not checked
  QTest::addColumn<QString>("after");
  QTest::addColumn<QString>("colour");

  const QString typed = QStringLiteral("+48111222333");
  const QString orange(OperatorPresets::Preset(OperatorPresets::Orange));
  QTest::newRow("click inny") << "" << "click:4" << OperatorPresets::Other << "" << "red";
  QTest::newRow("click PLAY") << "" << "click:3" << OperatorPresets::Play
                              << QString(OperatorPresets::Preset(OperatorPresets::Play)) << "red";
  QTest::newRow("click the current entry over a typed number") << typed << "click:0" << OperatorPresets::Orange
                                                               << orange << "red";
  QTest::newRow("Alt+Down, Enter on PLUS") << "" << "Alt+Down:2" << OperatorPresets::Plus
                                           << QString(OperatorPresets::Preset(OperatorPresets::Plus)) << "red";
  QTest::newRow("F4, Enter on the current entry over a typed number") << typed << "F4:0" << OperatorPresets::Orange
                                                                      << orange << "red";
  QTest::newRow("no pick keeps a typed number") << typed << "F4:Esc" << OperatorPresets::Orange << typed << "red";
  QTest::newRow("no pick keeps the start") << "" << "F4:Esc" << OperatorPresets::Orange << orange << "yellow";
  QTest::newRow("wheel over the closed list") << typed << "wheel" << OperatorPresets::Orange << typed << "red";
  QTest::newRow("Down on the closed list") << typed << "Down" << -1 << typed << "red";
  QTest::newRow("a letter on the closed list") << "" << "P" << -1 << orange << "yellow";
  QTest::newRow("Down on the list closed without a pick") << typed << "F4:Esc Down" << -1 << typed << "red";
}

void TestEditing::operatorList() {
  QFETCH(QString, typed);
  QFETCH(QString, gesture);
  QFETCH(int, entry);
  QFETCH(QString, after);
  QFETCH(QString, colour);

  WindowRig rig;
  rig.OpenWindow();
  QVERIFY(Activate(rig));
  QComboBox* list = rig.ui().Combo_operator;
  QLineEdit* centre = rig.ui().Edit_operator;
  if (!typed.isEmpty()) {
    centre->selectAll();
    QTest::keyClick(centre, Qt::Key_Backspace);
    Type(centre, typed);
  }
  QCOMPARE(list->currentIndex(), OperatorPresets::Orange);
  list->setFocus();

  QAbstractItemView* view = list->view();
  for (const QString& step : gesture.split(' ')) {
    const QString how = step.section(':', 0, 0);
    const QString pick = step.section(':', 1);
    if (pick.isEmpty()) {  // over the closed list
      if (how == "wheel") {
        const QPointF at = QRectF(list->rect()).center();
        QWheelEvent wheel(at, list->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(list, &wheel);
      } else {
        QTest::keySequence(list, QKeySequence(how));
      }
      QVERIFY(!view->isVisible());
      continue;
    }
    if (how == "click") {
      QTest::mouseClick(list, Qt::LeftButton);
      QTRY_VERIFY(view->isVisible());
      QTest::qWait(QApplication::doubleClickInterval() + 100);  // a release so soon after opening picks nothing
      const QPoint at = view->visualRect(list->model()->index(pick.toInt(), 0)).center();
      QTest::mouseMove(view->viewport(), at);
      QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    } else {
      QTest::keySequence(list, QKeySequence(how));
      QTRY_VERIFY(view->isVisible());
      if (pick == "Esc") {
        QTest::keyClick(view, Qt::Key_Escape);
      } else {
        for (int i = 0; i < pick.toInt(); ++i) QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Return);
      }
    }
    QTRY_VERIFY(!view->isVisible());
  }

  if (entry >= 0) QCOMPARE(list->currentIndex(), entry);
  QCOMPARE(centre->text(), after);
  QCOMPARE(Colour(centre), colour);
  QCOMPARE(Colour(list), QStringLiteral("yellow"));
}
