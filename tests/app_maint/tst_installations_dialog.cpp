// The installations dialog at a desk: the keyboard, details never dropped unasked, and columns
// and fields that show what they hold.
#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "box_watcher.h"
#include "configurations.h"
#include "fitted_columns.h"
#include "installations.h"
#include "maint_rig.h"
#include "register_store.h"
#include "register_view.h"
#include "tfinstalacje.h"
#include "tst_app_maint.h"

namespace {

const QString LongAddress = QStringLiteral("ul. Generała Józefa Bema 124 lok. 7, 31-222 Kraków-Nowa Huta");
const QString LongName = QStringLiteral("Zakład Produkcji Opakowań i Materiałów Budowlanych „Przyszłość” sp. z o.o.");

// K-101 visited last, K-102 before it, K-103 never: listed in that order.
QStringList Prepare(RegisterStore& store) {
  Installations installations(store);
  const QString a = installations.Add({"K-101", "Piekarnia", LongAddress, "", ""}, "A");
  const QString b = installations.Add({"K-102", LongName, "", "Jan Nowak", ""}, "A");
  const QString c = installations.Add({"K-103", "", "", "", ""}, "A");
  for (const auto& [installation, hoursAgo] : {std::pair{a, 1}, {b, 2}}) {
    const EntryLabel label{QDateTime::currentDateTime().addSecs(-3600 * hoursAgo), EntryKind::Read, "/dev/ttyUSB0",
                           QStringLiteral("VELT v 1.8"), "+48600100200", DefaultSmsCentre};
    Configurations(store).Keep(label, ConfigFile{"7315", ConfigRecord::Default()}, QString(), installation);
  }
  return {a, b, c};
}

// The dialog on the prepared register, shown and active as a user has it.
struct Open {
  RegisterStore store;
  QStringList uuids = Prepare(store);
  RegisterView view{store, std::nullopt};
  int compared = 0;
  TFInstalacje dialog{store, view, Actions(), nullptr};

  TFInstalacje::Actions Actions() {
    TFInstalacje::Actions actions;
    actions.compare = [this](const ConfigFile&, const QStringList&) { ++compared; };
    return actions;
  }
  bool Show() {
    dialog.show();
    dialog.activateWindow();
    return QTest::qWaitForWindowActive(&dialog);
  }
  template <typename W>
  W* Find(const char* name) {
    return dialog.findChild<W*>(QString::fromLatin1(name));
  }
  QString Shown() { return Find<QLineEdit>("Edit_obiekt")->text(); }
  QString Kept(int which) { return Installations(store).Get(uuids[which])->fields.name; }
};

QString Focused(QWidget* dialog) {
  const QWidget* focused = dialog->focusWidget();
  return focused ? focused->objectName() : QStringLiteral("(none)");
}

}  // namespace

void TestInstallationsDialog::init() {
  dataHome_ = std::make_unique<DataHome>();
  qputenv("VELT_REGISTER", "local");
}

// Tab passes the list in one step and reaches the details and the buttons; arrows move in the list.
void TestInstallationsDialog::tabStops() {
  Open open;
  QVERIFY(open.Show());
  auto* list = open.Find<QTableWidget>("Table_instalacje");
  open.Find<QLineEdit>("Edit_szukaj")->setFocus();
  QStringList walked;
  for (int i = 0; i < 40; ++i) {
    QTest::keyClick(open.dialog.focusWidget(), Qt::Key_Tab);
    QCOMPARE(list->currentRow(), 0);  // Tab never changes the chosen installation
    walked << Focused(&open.dialog);
    if (walked.last() == "Edit_szukaj") break;
  }
  QCOMPARE(walked.count("Table_instalacje"), 1);
  for (const char* stop : {"Edit_obiekt", "Edit_nazwa", "Edit_adres", "Edit_kontakt", "Edit_uwagi", "Button_nowa",
                           "Button_zapisz", "Table_konfiguracje", "Button_wczytaj", "Button_porownaj", "Button_zamknij"})
    QVERIFY2(walked.contains(stop), qPrintable(stop + QStringLiteral(" not reached: ") + walked.join(' ')));
  QCOMPARE(walked.last(), "Edit_szukaj");

  list->setFocus();
  QTest::keyClick(list, Qt::Key_Down);
  QCOMPARE(list->currentRow(), 1);
  QCOMPARE(open.Shown(), "K-102");
}

// Every button and tab has an Alt letter, none twice; the letters the dialog had stay.
void TestInstallationsDialog::mnemonics() {
  Open open;
  QVERIFY(open.Show());
  QMap<QString, QString> owners;  // "Alt+S" -> who
  QStringList faults;
  const auto take = [&](const QString& who, const QString& text, bool required) {
    const QString key = QKeySequence::mnemonic(text).toString();
    if (key.isEmpty()) {
      if (required) faults << who + " has none";
      return;
    }
    if (owners.contains(key)) faults << QStringLiteral("%1 of %2 and %3").arg(key, owners[key], who);
    owners[key] = who;
  };
  for (const QAbstractButton* button : open.dialog.findChildren<QAbstractButton*>())
    if (!button->text().isEmpty()) take(button->objectName(), button->text(), true);
  for (const QLabel* label : open.dialog.findChildren<QLabel*>())
    if (label->buddy()) take(label->objectName(), label->text(), false);
  auto* tabs = open.Find<QTabWidget>("Tabs");
  for (int i = 0; i < tabs->count(); ++i) take(tabs->widget(i)->objectName(), tabs->tabText(i), true);
  QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
  for (const auto& [who, letter] : {std::pair{"LabelSzukaj", "S"}, {"Button_nowa", "W"}, {"Label_nazwa", "N"},
                                    {"Label_uwagi", "U"}, {"Button_zapisz", "Z"}, {"Button_przypisz", "P"}})
    QCOMPARE(owners.value("Alt+" + QString::fromLatin1(letter)), who);
  // A tab's letter opens it.
  for (int i = tabs->count() - 1; i >= 0; --i) {
    const QKeySequence key = QKeySequence::mnemonic(tabs->tabText(i));
    QTest::keyClick(&open.dialog, Qt::Key(key[0].key()), Qt::AltModifier);
    QCOMPARE(tabs->currentIndex(), i);
  }
}

void TestInstallationsDialog::enter_data() {
  QTest::addColumn<QString>("focus");
  QTest::addColumn<QString>("focusAfter");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<QString>("kept");  // K-101's name in the register afterwards
  QTest::addColumn<int>("compared");
  QTest::newRow("search") << "Edit_szukaj" << "Table_instalacje" << "K-102" << "Piekarnia" << 0;
  QTest::newRow("list") << "Table_instalacje" << "Edit_obiekt" << "K-101" << "Piekarnia" << 0;
  QTest::newRow("details") << "Edit_nazwa" << "Edit_nazwa" << "K-101" << "Piekarnia II" << 0;
  QTest::newRow("configurations") << "Table_konfiguracje" << "Table_konfiguracje" << "K-101" << "Piekarnia" << 1;
}

// Enter does what the focused part is for, and compares only from a list of configurations.
void TestInstallationsDialog::enter() {
  QFETCH(QString, focus);
  QFETCH(QString, focusAfter);
  QFETCH(QString, shown);
  QFETCH(QString, kept);
  QFETCH(int, compared);
  Open open;
  QVERIFY(open.Show());
  BoxWatcher boxes;
  QWidget* target = open.Find<QWidget>(qPrintable(focus));
  target->setFocus();
  if (focus == "Edit_szukaj") QTest::keyClicks(target, "10");  // all three, and then only K-102
  if (focus == "Edit_szukaj") QTest::keyClicks(target, "2");
  if (focus == "Edit_nazwa") {
    QTest::keyClick(target, Qt::Key_End);
    QTest::keyClicks(target, " II");
  }
  QTest::keyClick(target, Qt::Key_Return);
  QCOMPARE(Focused(&open.dialog), focusAfter);
  QCOMPARE(open.Shown(), shown);
  QCOMPARE(open.Kept(0), kept);
  QCOMPARE(open.compared, compared);
  QVERIFY(open.dialog.isVisible());
  QCOMPARE(boxes.Summaries(), QStringList());
}

void TestInstallationsDialog::unsaved_data() {
  QTest::addColumn<QString>("how");     // what leaves K-101's changed details
  QTest::addColumn<QString>("answer");  // to the question, a button or Esc
  QTest::addColumn<QString>("shown");   // whose details show afterwards; "" for a new one
  QTest::addColumn<bool>("open");       // the dialog afterwards
  QTest::newRow("search, save") << "search" << "Zapisz" << "K-102" << true;
  QTest::newRow("search, drop") << "search" << "Odrzuć" << "K-102" << true;
  QTest::newRow("search, cancel") << "search" << "Anuluj" << "K-101" << true;
  QTest::newRow("choose, save") << "choose" << "Zapisz" << "K-102" << true;
  QTest::newRow("choose, Esc") << "choose" << "Esc" << "K-101" << true;
  QTest::newRow("new, drop") << "new" << "Odrzuć" << "" << true;
  QTest::newRow("new, cancel") << "new" << "Anuluj" << "K-101" << true;
  QTest::newRow("Esc, save") << "escape" << "Zapisz" << "K-101" << false;
  QTest::newRow("Esc, Esc") << "escape" << "Esc" << "K-101" << true;
  QTest::newRow("close, drop") << "close" << "Odrzuć" << "K-101" << false;
  QTest::newRow("close, cancel") << "close" << "Anuluj" << "K-101" << true;
}

// Changed details are left only after a question: saved, dropped, or kept as typed.
void TestInstallationsDialog::unsaved() {
  QFETCH(QString, how);
  QFETCH(QString, answer);
  QFETCH(QString, shown);
  QFETCH(bool, open);
  Open dialog;
  QVERIFY(dialog.Show());
  const QString edited = QStringLiteral("Piekarnia i cukiernia");
  auto* name = dialog.Find<QLineEdit>("Edit_nazwa");
  auto* search = dialog.Find<QLineEdit>("Edit_szukaj");
  name->setFocus();
  name->selectAll();
  QTest::keyClicks(name, edited);

  BoxWatcher boxes;
  QStringList asked;
  boxes.AddHandler([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (!box) return false;
    QStringList buttons;
    for (const QAbstractButton* b : box->buttons()) buttons << b->text();
    buttons.sort();
    asked << box->text() + " [" + buttons.join(", ") + "]";
    if (answer == "Esc") QTest::keyClick(box, Qt::Key_Escape);
    for (QAbstractButton* b : box->buttons())
      if (b->text() == answer) b->click();
    return true;
  });
  if (how == "search") QTest::keyClicks(search, "K-102");
  if (how == "choose") QTest::keyClick(dialog.Find<QTableWidget>("Table_instalacje"), Qt::Key_Down);
  if (how == "new") QTest::mouseClick(dialog.Find<QAbstractButton>("Button_nowa"), Qt::LeftButton);
  if (how == "escape") QTest::keyClick(name, Qt::Key_Escape);
  if (how == "close") dialog.dialog.close();
  QTRY_COMPARE_WITH_TIMEOUT(asked.size(), 1, 2000);
  QTest::qWait(50);  // nothing more is asked
  QCOMPARE(asked, QStringList{"Zapisać zmiany instalacji K-101 (Piekarnia)? [Anuluj, Odrzuć, Zapisz]"});

  QCOMPARE(dialog.Kept(0), answer == "Zapisz" ? edited : QStringLiteral("Piekarnia"));
  QCOMPARE(dialog.dialog.isVisible(), open);
  QCOMPARE(dialog.Shown(), shown);
  const bool kept = answer == "Anuluj" || answer == "Esc";
  if (kept) {
    QCOMPARE(name->text(), edited);
    QCOMPARE(dialog.Find<QTableWidget>("Table_instalacje")->currentRow(), 0);
    if (how == "search") QCOMPARE(search->text(), "K-10");
  }
  QCOMPARE(boxes.Summaries(), QStringList());
}

// A new installation being typed stays as typed while the list is searched.
void TestInstallationsDialog::newKeptBySearch() {
  Open open;
  QVERIFY(open.Show());
  BoxWatcher boxes;
  QTest::mouseClick(open.Find<QAbstractButton>("Button_nowa"), Qt::LeftButton);
  QTest::keyClicks(open.Find<QLineEdit>("Edit_obiekt"), "K-200");
  QTest::keyClicks(open.Find<QLineEdit>("Edit_nazwa"), "Pralnia");
  QTest::keyClicks(open.Find<QLineEdit>("Edit_szukaj"), "K-10");
  QCOMPARE(open.Find<QTableWidget>("Table_instalacje")->rowCount(), 3);
  QCOMPARE(open.Shown(), "K-200");
  QCOMPARE(open.Find<QLineEdit>("Edit_nazwa")->text(), "Pralnia");
  QCOMPARE(open.Find<QGroupBox>("GroupDane")->title(), "Nowa instalacja");
  QTest::mouseClick(open.Find<QAbstractButton>("Button_zapisz"), Qt::LeftButton);
  const QList<ListedInstallation> found = open.view.Search("K-200", 10).installations;
  QCOMPARE(found.size(), 1);
  QCOMPARE(found[0].installation.fields.name, "Pralnia");
  QCOMPARE(boxes.Summaries(), QStringList());
}

void TestInstallationsDialog::fitWidths_data() {
  QTest::addColumn<QList<int>>("natural");
  QTest::addColumn<int>("room");
  QTest::addColumn<QList<int>>("widths");
  QTest::newRow("all fit") << QList<int>{50, 300, 60} << 500 << QList<int>{50, 300, 60};
  QTest::newRow("the widest gives way") << QList<int>{50, 300, 60} << 300 << QList<int>{50, 190, 60};
  QTest::newRow("two widest share") << QList<int>{50, 300, 280} << 450 << QList<int>{50, 200, 200};
  QTest::newRow("none cut below the floor") << QList<int>{50, 300, 280} << 100 << QList<int>{40, 40, 40};
  QTest::newRow("short ones whole") << QList<int>{30, 300, 280} << 100 << QList<int>{30, 40, 40};
}

void TestInstallationsDialog::fitWidths() {
  QFETCH(QList<int>, natural);
  QFETCH(int, room);
  QFETCH(QList<int>, widths);
  QCOMPARE(FitWidths(natural, room, 40), widths);
}

// The list's columns as wide as what they hold: a long address whole while the dialog has room,
// an empty column no wider than its title; long details show their beginning.
void TestInstallationsDialog::columns() {
  Open open;
  QVERIFY(open.Show());
  auto* list = open.Find<QTableWidget>("Table_instalacje");
  const QHeaderView* header = list->horizontalHeader();
  constexpr int Address = 2, Technician = 6;
  if (qEnvironmentVariableIsSet("VELT_SHOTS")) SaveShot(&open.dialog, "instalacje.png");
  for (int width : {1500, 700}) {
    open.dialog.resize(width, open.dialog.height());
    QTest::qWait(20);
    const int whole = std::max(static_cast<QAbstractItemView*>(list)->sizeHintForColumn(Address),
                               header->sectionSizeHint(Address));
    const int address = header->sectionSize(Address);
    const QString widths = QStringLiteral("at %1: address %2 of %3, empty column %4")
                               .arg(width).arg(address).arg(whole).arg(header->sectionSize(Technician));
    if (width == 1500) QVERIFY2(address >= whole, qPrintable(widths));
    // Cut only for want of room: no column keeps more than the address has.
    for (int c = 0; c < header->count() && address < whole; ++c)
      QVERIFY2(header->sectionSize(c) <= address + 1, qPrintable(widths));
  }
  open.Find<QTableWidget>("Table_instalacje")->selectRow(1);
  QCOMPARE(open.Find<QLineEdit>("Edit_nazwa")->text(), LongName);
  QCOMPARE(open.Find<QLineEdit>("Edit_nazwa")->cursorPosition(), 0);
  if (qEnvironmentVariableIsSet("VELT_SHOTS")) SaveShot(&open.dialog, "instalacje-waskie.png");
}
