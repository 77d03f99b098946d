// Download and upload against the simulated controller: what goes on the line, what the window
// and the controller hold afterwards, and the transfers that fail or are interrupted.
#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "commands.h"
#include "config_view.h"
#include "operator_presets.h"
#include "progress_gauge.h"
#include "tst_app_config.h"
#include "window_rig.h"

namespace {
constexpr quint8 Read(int k) { return quint8(4 + 2 * k); }
constexpr quint8 Write(int k) { return quint8(5 + 2 * k); }
constexpr int Items = 29;
const QString NoReply = QStringLiteral("Error: Brak odpowiedzi z nadajnika VELT");

QByteArray Bytes(const char* hex) { return QByteArray::fromHex(hex); }

// The requests from that time on, status polls left out.
QList<LoggedRequest> TransferRequests(const WindowRig& rig, qint64 sinceMs) {
  QList<LoggedRequest> found;
  for (const LoggedRequest& r : rig.sim.Requests())
    if (r.ms >= sinceMs && r.command != Cmd::Status) found << r;
  return found;
}

QString Commands(const QList<LoggedRequest>& requests) {
  QStringList commands;
  for (const LoggedRequest& r : requests) commands << QString::number(r.command);
  return commands.join(' ');
}

// "first first+2 ... last"
QString EverySecond(int first, int last) {
  QStringList commands;
  for (int c = first; c <= last; c += 2) commands << QString::number(c);
  return commands.join(' ');
}

// Clicks a speed button once it is enabled and the link is idle: the transfer then runs, with
// all its waits, within the click. *startMs: just before the click.
bool Run(WindowRig& rig, QAbstractButton* button, qint64* startMs = nullptr) {
  if (!QTest::qWaitFor([&] { return button->isEnabled() && rig.window->link.IsIdle(); }, 3000)) return false;
  if (startMs) *startMs = Simulator::NowMs();
  rig.Click(button);
  return true;
}

#define RUN(rig, ...) QVERIFY2(Run((rig), __VA_ARGS__), "the transfer could not be started")

// A controller whose every text is at its longest, with Polish letters and the five bytes that
// Windows-1250 leaves undefined, and whose every box is ticked.
ControllerState Populated(ControllerState state) {
  const QByteArray letters = Bytes("a5c6caa3d1d38c8fafb9e6eab3f1f39c9fbf");  // ĄĆĘŁŃÓŚŹŻąćęłńóśźż
  const QByteArray undefined = Bytes("8183889098");
  state.items[0] = "0429";
  state.items[1] = "+480123456789";
  for (int k = 2; k <= 5; ++k) state.items[k] = "+4850000000" + QByteArray::number(10 + k);
  for (int k = 6; k <= 15; ++k)
    state.items[k] = (letters + undefined + " IN" + QByteArray::number(k)).leftJustified(30, '.');
  for (int k = 16; k <= 21; ++k) state.items[k] = Bytes("af90") + "W" + QByteArray::number(k - 16);
  state.items[22] = Bytes("ffffffffff");
  state.items[23] = Bytes("3f");
  state.items[24] = Bytes("63012a");
  state.items[25] = Bytes("96");
  state.items[26] = Bytes("63");
  state.items[27] = Bytes("0f");
  state.items[28] = Bytes("9881") + "Potwierdzam" + Bytes("8883");
  return state;
}

// Item k of the window differs from the expected bytes: "item 6: 41 42 instead of 41".
QStringList Differences(const ConfigRecord& window, const std::array<QByteArray, Items>& expected, int from, int to) {
  QStringList differences;
  for (int k = from; k <= to; ++k) {
    if (window.value(k) != expected[size_t(k)])
      differences << QStringLiteral("item %1: %2 instead of %3")
                         .arg(k)
                         .arg(QString::fromLatin1(window.value(k).toHex(' ')), QString::fromLatin1(expected[size_t(k)].toHex(' ')));
  }
  return differences;
}

// Runs action once, as soon as the controller has received a request with this command.
class OnRequest : public QObject {
 public:
  OnRequest(WindowRig& rig, quint8 command, std::function<void()> action) {
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, this, [this, &rig, command, action] {
      if (done || rig.Requests(command).isEmpty()) return;
      done = true;
      timer.stop();
      action();
    });
    timer.start();
  }
  bool done = false;

 private:
  QTimer timer;
};

bool TransferEndedLoggedIn(const WindowRig& rig) {
  const Ui::TMain& ui = rig.window->ui;
  return rig.window->LoggedIn && ui.Panel_bar->isHidden() && rig.window->Status.StatusDisplayOn &&
         ui.StatusBar->isVisible() && ui.Icon_get->isEnabled() && ui.Icon_put->isEnabled();
}
}  // namespace

void TestTransfer::download() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  const ControllerState state = Populated(rig.sim.State());
  rig.sim.SetState(state);
  QList<int> progress;
  bool panelShown = true;
  connect(rig.ui().Bar, &QProgressBar::valueChanged, rig.window.get(), [&](int value) {
    progress << value;
    panelShown = panelShown && rig.ui().Panel_bar->isVisible();
  });

  qint64 startMs = 0;
  RUN(rig, rig.ui().Icon_get, &startMs);

  const QList<LoggedRequest> requests = TransferRequests(rig, startMs);
  QCOMPARE(Commands(requests), EverySecond(Read(0), Read(28)));
  for (const LoggedRequest& r : requests) QCOMPARE(r.payload, QByteArray("G"));
  for (const LoggedRequest& poll : rig.Requests(Cmd::Status, startMs))
    QVERIFY2(poll.ms > requests.last().ms, "a status poll went out during the download");

  QCOMPARE(Differences(rig.window->Binding->EncodeRecord(), state.items, 0, Items - 1), QStringList());
  QCOMPARE(rig.ui().Combo_operator->currentText(), QStringLiteral("inny"));
  progress.removeAll(0);  // the gauge may have been there already
  QList<int> expectedProgress;
  for (int c = Read(0); c <= Read(28); c += 2) expectedProgress << c * 100 / 60;
  QCOMPARE(progress, expectedProgress);
  QVERIFY(panelShown);
  QCOMPARE(rig.ui().Bar->value(), 100);
  QVERIFY(TransferEndedLoggedIn(rig));
  // The option item ticked the mini alarm-panel box last: the input texts are in its colours.
  QCOMPARE(NotInStep(*rig.window, true), QStringList());
  QVERIFY2(rig.boxes.Summaries().isEmpty(), qPrintable(rig.boxes.Summaries().join(" | ")));
}

void TestTransfer::upload() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QVERIFY(SetControls(*rig.window, {"Edit_pin=2580", "Edit_Tel1=+48601000310", QStringLiteral("Edit_IN1A=Włamanie"),
                                    "Edit_Out2zal=ZAL2", "Out1Czas=12", "Out3Czas=99", "Edit_LimitSMS=20",
                                    "BoxIN1T1+", "BoxIN5S4+", "BoxOut2NC+", "BoxOut3Mono+", "BoxPotw+",
                                    "BoxIN1blok+", "EditPotw=Zrobione"}));
  std::array<QByteArray, Items> expected;
  expected[0] = "2580";
  expected[1] = OperatorPresets::Preset(OperatorPresets::Orange);
  expected[2] = "+48601000310";
  expected[11] = "W\xb3" "amanie";
  expected[17] = "ZAL2";
  expected[22] = Bytes("8000000001");
  expected[23] = Bytes("11");
  expected[24] = Bytes("0c0563");
  expected[25] = Bytes("14");
  expected[26] = Bytes("00");
  expected[27] = Bytes("05");
  expected[28] = "Zrobione";
  QList<int> progress;
  connect(rig.ui().Bar, &QProgressBar::valueChanged, rig.window.get(), [&](int value) { progress << value; });

  qint64 startMs = 0;
  RUN(rig, rig.ui().Icon_put, &startMs);

  const QList<LoggedRequest> requests = TransferRequests(rig, startMs);
  QCOMPARE(Commands(requests), EverySecond(Write(0), Write(28)));
  QStringList sent;
  for (int k = 0; k < Items; ++k)
    if (requests[k].payload != expected[size_t(k)])
      sent << QStringLiteral("item %1: %2").arg(k).arg(QString::fromLatin1(requests[k].payload.toHex(' ')));
  QCOMPARE(sent, QStringList());
  QCOMPARE(rig.sim.State().items, expected);
  QCOMPARE(Differences(rig.window->Binding->EncodeRecord(), expected, 0, Items - 1), QStringList());
  progress.removeAll(0);
  QCOMPARE(progress.size(), Items);
  QVERIFY(std::is_sorted(progress.begin(), progress.end()));
  QCOMPARE(progress.last(), 100);
  QVERIFY(TransferEndedLoggedIn(rig));
  // Every control in step, the boxes never touched too.
  QCOMPARE(NotInStep(*rig.window, true), QStringList());
  QVERIFY2(rig.boxes.Summaries().isEmpty(), qPrintable(rig.boxes.Summaries().join(" | ")));
}

// What was read goes back byte for byte when the user changed nothing.
void TestTransfer::untouchedRecordGoesBackUnchanged() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  const ControllerState state = Populated(rig.sim.State());
  rig.sim.SetState(state);
  RUN(rig, rig.ui().Icon_get);
  qint64 startMs = 0;
  RUN(rig, rig.ui().Icon_put, &startMs);

  const QList<LoggedRequest> requests = TransferRequests(rig, startMs);
  QCOMPARE(Commands(requests), EverySecond(Write(0), Write(28)));
  for (int k = 0; k < Items; ++k)
    QVERIFY2(requests[k].payload == state.items[size_t(k)],
             qPrintable(QStringLiteral("item %1: %2").arg(k).arg(QString::fromLatin1(requests[k].payload.toHex(' ')))));
  QCOMPARE(rig.sim.State().items, state.items);
  QVERIFY(TransferEndedLoggedIn(rig));
}

// Typed texts reach the controller as Windows-1250 bytes and come back as they were typed.
void TestTransfer::textsRoundTrip_data() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<int>("item");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QByteArray>("stored");

  QTest::newRow("input text") << "Edit_IN1A" << 11 << QStringLiteral("Zażółć gęślą jaźń")
                              << Bytes("5a61bff3b3e62067ea9c6cb9206a619ff1");
  QTest::newRow("output word") << "Edit_Out1zal" << 16 << QStringLiteral("ŻÓŁW") << Bytes("afd3a357");
  QTest::newRow("confirmation text") << "EditPotw" << 28 << QStringLiteral("ĄĆĘŁŃÓŚŹŻ") << Bytes("a5c6caa3d1d38c8faf");
  QTest::newRow("other Windows-1250 characters") << "Edit_IN5N" << 10 << QStringLiteral("€ „tak” – ok")
                                                 << Bytes("80208474616b942096206f6b");
}

void TestTransfer::textsRoundTrip() {
  QFETCH(QString, field);
  QFETCH(int, item);
  QFETCH(QString, typed);
  QFETCH(QByteArray, stored);

  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QVERIFY(SetControls(*rig.window, {"BoxPotw+"}));  // the confirmation text is editable
  auto* edit = qobject_cast<QLineEdit*>(Control(*rig.window, field));
  QVERIFY(edit);
  edit->selectAll();
  Type(edit, QStringLiteral("\b") + typed);
  QCOMPARE(edit->text(), typed);

  RUN(rig, rig.ui().Icon_put);
  QCOMPARE(rig.sim.State().items[size_t(item)].toHex(' '), stored.toHex(' '));

  edit->setText(QStringLiteral("?"));
  RUN(rig, rig.ui().Icon_get);
  QCOMPARE(edit->text(), typed);
  QCOMPARE(Colour(edit), InStepColour(field, false));
  QVERIFY2(rig.boxes.Summaries().isEmpty(), qPrintable(rig.boxes.Summaries().join(" | ")));
}

// The speed buttons take no focus: the field the user is in is corrected before it is sent.
void TestTransfer::focusedFieldIsCorrectedFirst_data() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<int>("item");
  QTest::addColumn<QByteArray>("sent");

  QTest::newRow("PIN with two digits") << "Edit_pin" << "12" << 0 << QByteArray("7315");
  QTest::newRow("empty SMS limit") << "Edit_LimitSMS" << "" << 25 << Bytes("00");
  QTest::newRow("empty time") << "Out3Czas" << "" << 24 << Bytes("050501");
}

void TestTransfer::focusedFieldIsCorrectedFirst() {
  QFETCH(QString, field);
  QFETCH(QString, typed);
  QFETCH(int, item);
  QFETCH(QByteArray, sent);

  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QVERIFY(Activate(rig));
  auto* edit = qobject_cast<QLineEdit*>(Control(*rig.window, field));
  QVERIFY(edit);
  rig.Click(edit);
  edit->selectAll();
  Type(edit, QStringLiteral("\b") + typed);
  QCOMPARE(edit->text(), typed);
  qint64 startMs = 0;
  RUN(rig, rig.ui().Icon_put, &startMs);

  const QList<LoggedRequest> writes = rig.Requests(Write(item), startMs);
  QCOMPARE(writes.size(), 1);
  QCOMPARE(writes[0].payload.toHex(' '), sent.toHex(' '));
  QCOMPARE(Commands(TransferRequests(rig, startMs)), EverySecond(Write(0), Write(28)));
  QVERIFY2(rig.boxes.Summaries().isEmpty(), qPrintable(rig.boxes.Summaries().join(" | ")));
  QVERIFY(TransferEndedLoggedIn(rig));
}

// Edits made while the upload runs: an item not yet sent goes with the edit; an item already
// sent, or on its way, keeps the edited colour.
void TestTransfer::editsDuringUpload() {
  WindowRig rig({.faults = {"slow=23:400"}, .stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QVERIFY(SetControls(*rig.window, {"Edit_Tel1=+48", "Edit_IN4N=Okno", "Edit_IN5A=Ruch"}));
  OnRequest during(rig, Write(9), [&] {
    Type(rig.ui().Edit_Tel1, "1");   // item 2, sent
    Type(rig.ui().Edit_IN4N, "!");   // item 9, on its way
    Type(rig.ui().Edit_IN5A, "!");   // item 15, not yet sent
  });
  qint64 startMs = 0;
  RUN(rig, rig.ui().Icon_put, &startMs);

  QVERIFY(during.done);
  QCOMPARE(Commands(TransferRequests(rig, startMs)), EverySecond(Write(0), Write(28)));
  const ControllerState stored = rig.sim.State();
  QCOMPARE(stored.items[2], QByteArray("+48"));
  QCOMPARE(stored.items[9], QByteArray("Okno"));
  QCOMPARE(stored.items[15], QByteArray("Ruch!"));
  QCOMPARE(NotInStep(*rig.window, false), (QStringList{"Edit_IN4N red", "Edit_Tel1 red"}));
  QVERIFY(TransferEndedLoggedIn(rig));
}

// A time that does not convert ends the upload at its item; the window is given back.
void TestTransfer::encodingErrorEndsUpload() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QVERIFY(SetControls(*rig.window, {"Out2Czas="}));  // as a file may leave it
  qint64 startMs = 0;
  RUN(rig, rig.ui().Icon_put, &startMs);

  QCOMPARE(Commands(TransferRequests(rig, startMs)), EverySecond(Write(0), Write(23)));
  const QStringList boxes = rig.boxes.Summaries();
  QCOMPARE(boxes.size(), 2);
  QVERIFY2(boxes[0].startsWith("Error: ") && boxes[0].contains("Out2Czas"), qPrintable(boxes[0]));
  QCOMPARE(boxes[1], QStringLiteral("Error: Port COM niedostępny"));
  QVERIFY(TransferEndedLoggedIn(rig));
  // Items 0 to 23 went and are in step; the failing one and those after it are not.
  QCOMPARE(NotInStep(*rig.window, false),
           (QStringList{"BoxAutotest face", "BoxIN1blok face", "BoxOut1sygn face", "BoxPotw face", "Out2Czas red"}));
  // The status poll goes on.
  const qint64 endMs = Simulator::NowMs();
  QTRY_VERIFY_WITH_TIMEOUT(!rig.Requests(Cmd::Status, endMs).isEmpty(), 2500);
}

// An input text's write answered after 5 s is within its 6 s attempt: no resend, no failure.
void TestTransfer::slowInputTextWrite() {
  WindowRig rig({.faults = {"slow=17:5000"}, .stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  qint64 startMs = 0;
  RUN(rig, rig.ui().Icon_put, &startMs);

  QCOMPARE(Commands(TransferRequests(rig, startMs)), EverySecond(Write(0), Write(28)));
  VERIFY_BETWEEN(rig.Requests(Write(7), startMs)[0].ms - rig.Requests(Write(6), startMs)[0].ms, 4900, 5900);
  QVERIFY2(rig.boxes.Summaries().isEmpty(), qPrintable(rig.boxes.Summaries().join(" | ")));
  QVERIFY(TransferEndedLoggedIn(rig));
  QCOMPARE(NotInStep(*rig.window, false), QStringList());
}

// The first write is never answered: three attempts a second apart, then the message and the
// logged-out state; nothing is marked in step.
void TestTransfer::silentAtFirstWrite() {
  WindowRig rig({.faults = {"drop=5"}, .stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  const QStringList coloursBefore = Colours(*rig.window);
  qint64 startMs = 0;
  RUN(rig, rig.ui().Icon_put, &startMs);

  const QList<LoggedRequest> requests = TransferRequests(rig, startMs);
  QCOMPARE(Commands(requests), QStringLiteral("5 5 5"));
  VERIFY_BETWEEN(requests[1].ms - requests[0].ms, 800, 1500);
  VERIFY_BETWEEN(requests[2].ms - requests[1].ms, 800, 1500);
  QCOMPARE(rig.boxes.Summaries(), QStringList{NoReply});
  VERIFY_BETWEEN(rig.boxes.Boxes()[0].shownMs - requests[0].ms, 2700, 3800);
  QCOMPARE(Colours(*rig.window), coloursBefore);
  QVERIFY(!rig.window->LoggedIn);
  QVERIFY(rig.ui().Panel_bar->isHidden());
  QVERIFY(!rig.ui().Icon_get->isEnabled());
  QVERIFY(!rig.ui().Icon_put->isEnabled());
}

// The controller falls silent at item 6 of a download: three requests 11 s apart, the items
// before it in the window, logged out.
void TestTransfer::silentDuringDownload() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  const ControllerState state = Populated(rig.sim.State());
  rig.sim.SetState(state);
  QVERIFY(rig.sim.SetFaults({QStringLiteral("drop=%1").arg(Read(6))}));
  const ConfigRecord before = rig.window->Binding->EncodeRecord();
  qint64 startMs = 0;
  RUN(rig, rig.ui().Icon_get, &startMs);

  const QList<LoggedRequest> requests = TransferRequests(rig, startMs);
  QCOMPARE(Commands(requests), EverySecond(Read(0), Read(5)) + " 16 16 16");
  VERIFY_BETWEEN(requests[7].ms - requests[6].ms, 10500, 12000);
  VERIFY_BETWEEN(requests[8].ms - requests[7].ms, 10500, 12000);
  QCOMPARE(rig.boxes.Summaries(), QStringList{NoReply});
  const ConfigRecord after = rig.window->Binding->EncodeRecord();
  QCOMPARE(Differences(after, state.items, 0, 5), QStringList());
  QCOMPARE(Differences(after, before.values, 6, Items - 1), QStringList());
  QVERIFY(!rig.window->LoggedIn);
  QVERIFY(rig.ui().Panel_bar->isHidden());
  QVERIFY(!rig.ui().Icon_get->isEnabled());
  QVERIFY(!rig.ui().Icon_put->isEnabled());
}

// Replies too short for their items: the download ends as usual, those items keep what the
// window had and are not shown in step, and one message names them by their captions.
void TestTransfer::shortReplies_data() {
  QTest::addColumn<QList<int>>("items");
  QTest::addColumn<QString>("controls");  // theirs
  QTest::addColumn<QStringList>("captions");
  QTest::newRow("output times") << QList<int>{24} << "^Out[1-3]Czas$" << QStringList{"Czas [s]"};
  QTest::newRow("output flags and SMS limit")
      << QList<int>{23, 25} << "^(BoxO(ut|UT)[1-3]NC|BoxOut[1-3]Mono|Edit_LimitSMS)$"
      << QStringList{"NC/NO, Mono/bi", "Limit SMS  [24H]"};
  QTest::newRow("matrix, voice limit and options")
      << QList<int>{22, 26, 27} << "^(BoxIN[1-5][TS][1-4]|Box(Potw|Autotest|IN1blok|Out1sygn)|Edit_LimitVoice)$"
      << QStringList{"SMS, Voice", "Limit Voice [24H]",
                     QStringLiteral("Wyślij potwierdzenie, IN5 auto test 24h, tryb mini CA, Out1 - sygn.")};
}

void TestTransfer::shortReplies() {
  QFETCH(QList<int>, items);
  QFETCH(QString, controls);
  QFETCH(QStringList, captions);

  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  const ControllerState first = Populated(rig.sim.State());
  rig.sim.SetState(first);
  RUN(rig, rig.ui().Icon_get);
  QCOMPARE(NotInStep(*rig.window, true), QStringList());
  const ControllerState second = ControllerState::New();
  rig.sim.SetState(second);
  QStringList faults;
  for (int k : items) faults << QStringLiteral("short=%1").arg(Read(k));
  QVERIFY(rig.sim.SetFaults(faults));
  RUN(rig, rig.ui().Icon_get);

  QCOMPARE(rig.boxes.Summaries(),
           QStringList{QStringLiteral("Error: Nie odczytano z nadajnika VELT (za krótka odpowiedź):\n") + captions.join('\n')});
  QVERIFY(TransferEndedLoggedIn(rig));
  std::array<QByteArray, Items> expected = second.items;
  for (int k : items) expected[size_t(k)] = first.items[size_t(k)];
  QCOMPARE(Differences(rig.window->Binding->EncodeRecord(), expected, 0, Items - 1), QStringList());
  QStringList red;
  for (const QWidget* control : ControlsMatching(*rig.window, controls)) red << control->objectName() + " red";
  QCOMPARE(NotInStep(*rig.window, rig.ui().BoxIN1blok->isChecked()), red);
}

// What the user does while an upload waits for the controller: ROZŁĄCZ stops it with no further
// write; a second transfer is refused.
void TestTransfer::actionDuringUpload_data() {
  QTest::addColumn<QString>("action");
  QTest::addColumn<QString>("commands");
  QTest::addColumn<bool>("loggedIn");

  // The first write of item 9 goes unanswered: the action comes while the upload waits for it,
  // with no reply on its way (a late reply arriving together with the logout's would take the
  // logout's with it, and the logout would be sent again). The write is sent again after 1 s.
  QTest::newRow("ROZŁĄCZ") << "Button_rozlacz" << EverySecond(Write(0), Write(9)) + " 2" << false;
  QTest::newRow("Odczyt from the menu") << "Pobierz1" << EverySecond(Write(0), Write(9)) + ' ' + EverySecond(Write(9), Write(28)) << true;
  QTest::newRow("Zapisz from the menu") << "Zapisz1" << EverySecond(Write(0), Write(9)) + ' ' + EverySecond(Write(9), Write(28)) << true;
  QTest::newRow("download button") << "Icon_get" << EverySecond(Write(0), Write(9)) + ' ' + EverySecond(Write(9), Write(28)) << true;
}

void TestTransfer::actionDuringUpload() {
  QFETCH(QString, action);
  QFETCH(QString, commands);
  QFETCH(bool, loggedIn);

  WindowRig rig({.faults = {QStringLiteral("drop=%1x1").arg(Write(9))}, .stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  OnRequest during(rig, Write(9), [&] {
    if (auto* menuItem = rig.window->findChild<QAction*>(action)) menuItem->trigger();
    else rig.Click(Control(*rig.window, action));
  });
  qint64 startMs = 0;
  RUN(rig, rig.ui().Icon_put, &startMs);
  QVERIFY(during.done);
  QTest::qWait(1500);  // anything still to come

  QCOMPARE(Commands(TransferRequests(rig, startMs)), commands);
  QCOMPARE(rig.window->LoggedIn, loggedIn);
  QVERIFY(rig.ui().Panel_bar->isHidden());
  QVERIFY(!rig.boxes.Summaries().contains(NoReply));
  if (loggedIn) QVERIFY(TransferEndedLoggedIn(rig));
  else QVERIFY(!rig.window->ComPort.Connected());
}
