// The installations register in the window: the dialog's search, the connection's entries given
// to an installation, and the installation offered after a download that matches one.
#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSizeGrip>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>

#include "configurations.h"
#include "controller_state.h"
#include "entry_columns.h"
#include "installations.h"
#include "maint_rig.h"
#include "register_status_bar.h"
#include "register_store.h"
#include "register_sync.h"
#include "register_view.h"
#include "technician.h"
#include "tfinstalacje.h"
#include "tst_app_maint.h"

namespace {

const QByteArray Phone = "+48600100200";

ConfigFile FileWith(const QByteArray& phone, const QByteArray& smsCentre) {
  ConfigFile file{"7315", ConfigRecord::Default()};
  file.record.setValue(ItemIndex::Phone1, phone);
  file.record.setValue(ItemIndex::SmsCentre, smsCentre);
  return file;
}

// A configuration of the installation kept hoursAgo, with these numbers.
void KeepFor(RegisterStore& store, const QString& installation, int hoursAgo, const QByteArray& phone,
             const QByteArray& smsCentre = DefaultSmsCentre) {
  const EntryLabel label{QDateTime::currentDateTime().addSecs(-3600 * hoursAgo), EntryKind::Read, "/dev/ttyUSB0",
                         QStringLiteral("VELT v 1.8"), phone, smsCentre};
  Configurations(store).Keep(label, FileWith(phone, smsCentre), QStringLiteral("Technik"), installation);
}

// K-101 visited last with a newer number than before, K-102 before it, K-103 never.
QStringList Prepare(RegisterStore& store) {
  Installations installations(store);
  const QString a = installations.Add({"K-101", "Piekarnia", "ul. Kwiatowa 5", "", ""}, "A");
  const QString b = installations.Add({"K-102", "Magazyn", "", "Jan Nowak", "brama od podwórza"}, "A");
  const QString c = installations.Add({"K-103", "", "", "", ""}, "A");
  KeepFor(store, a, 30, "+48111222333");
  KeepFor(store, a, 1, Phone);
  KeepFor(store, b, 2, "+48700800900");
  return {a, b, c};
}

QStringList Column(const QTableWidget* table, int column) {
  QStringList texts;
  for (int r = 0; r < table->rowCount(); ++r) texts << table->item(r, column)->text();
  return texts;
}

bool Download(WindowRig& rig) {
  if (!QTest::qWaitFor([&] { return rig.ui().Icon_get->isEnabled() && rig.window->link.IsIdle(); }, 3000)) return false;
  rig.Click(rig.ui().Icon_get);
  return true;
}

// What the status bar shows of the register, once laid out: "LabelInstalacja=K-101 (Piekarnia)"
// for each shown part.
QStringList RegisterBar(const TMain& window) {
  QTest::qWait(20);
  QStringList shown;
  for (const char* name : {"LabelInstalacja", "LabelPropozycja", "LabelDoWyslania"}) {
    const auto* label = window.statusBar()->findChild<QLabel*>(name);
    if (label->isVisibleTo(window.statusBar())) shown << QString::fromLatin1(name) + u'=' + label->text();
  }
  return shown;
}

QAbstractButton* OfferButton(const TMain& window) { return window.statusBar()->findChild<QAbstractButton*>("Button_przypisz"); }

QString InstallationOf(RegisterStore& store, const QString& entry) {
  return Configurations(store).Get(entry).value_or(Configuration{}).installation;
}

}  // namespace

void TestInstallations::init() {
  dataHome_ = std::make_unique<DataHome>();
  qputenv("VELT_REGISTER", "local");
}

void TestInstallations::search_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QStringList>("sites");
  QTest::addColumn<QStringList>("phones");  // of the first one's configurations
  const QStringList first{Phone, "+48111222333"};
  QTest::newRow("all") << "" << QStringList{"K-101", "K-102", "K-103"} << first;
  QTest::newRow("address") << "kwiatowa" << QStringList{"K-101"} << first;
  QTest::newRow("contact") << "NOWAK" << QStringList{"K-102"} << QStringList{"+48700800900"};
  QTest::newRow("notes") << "podwórza" << QStringList{"K-102"} << QStringList{"+48700800900"};
  QTest::newRow("latest phone") << "600100" << QStringList{"K-101"} << first;
  QTest::newRow("earlier phone") << "111222" << QStringList() << QStringList();
  QTest::newRow("site") << "k-103" << QStringList{"K-103"} << QStringList();
}

void TestInstallations::search() {
  QFETCH(QString, text);
  QFETCH(QStringList, sites);
  QFETCH(QStringList, phones);
  RegisterStore store;
  Prepare(store);
  RegisterView view(store, std::nullopt);
  TFInstalacje dialog(store, view, {}, nullptr);
  dialog.findChild<QLineEdit*>("Edit_szukaj")->setText(text);  // as typed: each change searches
  QCOMPARE(Column(dialog.findChild<QTableWidget*>("Table_instalacje"), 0), sites);
  // The first found is chosen: its details and its configurations, the newest first.
  QCOMPARE(dialog.findChild<QLineEdit*>("Edit_obiekt")->text(), sites.value(0));
  QCOMPARE(Column(dialog.findChild<QTableWidget*>("Table_konfiguracje"), EntryColumns::Phone1), phones);
}

// A changed name is kept with who changed it, and listed among the changes.
void TestInstallations::edit() {
  RegisterStore store;
  const QStringList uuids = Prepare(store);
  RegisterView view(store, std::nullopt);
  TFInstalacje dialog(store, view, {}, nullptr);
  dialog.Choose(uuids[1]);
  dialog.findChild<QLineEdit*>("Edit_nazwa")->setText("Magazyn zbożowy");
  QTest::mouseClick(dialog.findChild<QAbstractButton*>("Button_zapisz"), Qt::LeftButton);
  QCOMPARE(Installations(store).Get(uuids[1])->fields.name, QStringLiteral("Magazyn zbożowy"));
  const auto* changes = dialog.findChild<QTableWidget*>("Table_zmiany");
  QVERIFY(changes->rowCount() > 0);
  QCOMPARE(changes->item(0, 3)->text(), QStringLiteral("Magazyn"));
  QCOMPARE(changes->item(0, 4)->text(), QStringLiteral("Magazyn zbożowy"));
  if (qEnvironmentVariableIsSet("VELT_SHOTS")) SaveShot(&dialog, "instalacje.png");
}

void TestInstallations::assignConnection_data() {
  QTest::addColumn<QString>("steps");  // D download, A assign in the dialog
  QTest::newRow("assigned, then downloaded") << "A D";
  QTest::newRow("downloaded, then assigned") << "D A";
}

// The connection's entries, before and after, belong to the installation while it lasts.
void TestInstallations::assignConnection() {
  QFETCH(QString, steps);
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  RegisterStore store;
  const QString chosen = Prepare(store)[1];
  LOG_IN(rig);
  for (const QString& step : steps.split(u' ')) {
    if (step == "D") QVERIFY(Download(rig));
    if (step == "A")
      QVERIFY(RunDialog<TFInstalacje>(
          rig, [&rig] { rig.ui().Instalacje1->trigger(); },
          [&](TFInstalacje* dialog) {
            dialog->Choose(chosen);
            QTest::mouseClick(dialog->findChild<QAbstractButton*>("Button_przypisz"), Qt::LeftButton);
          },
          10000));
  }
  const QList<Configuration> kept = Configurations(store).Newest({ConfigurationScope::Unassigned, {}}, 10);
  QCOMPARE(kept.size(), 0);
  const QList<Configuration> entries = Configurations(store).Newest(ConfigurationScope::Of(chosen), 10);
  QCOMPARE(entries.size(), 2);  // the one prepared and the download
  QCOMPARE(entries[0].label.kind, EntryKind::Read);
  QCOMPARE(entries[0].technician, Technician::Name());
  QCOMPARE(RegisterBar(*rig.window), QStringList{"LabelInstalacja=Instalacja: K-102 (Magazyn)"});
  if (qEnvironmentVariableIsSet("VELT_SHOTS")) SaveShot(rig.window.get(), "instalacja-pasek.png");
  rig.Click(rig.ui().Button_rozlacz);
  QCOMPARE(RegisterBar(*rig.window), QStringList());
  QCOMPARE(rig.boxes.Summaries().filter("Error"), QStringList());
}

void TestInstallations::offer_data() {
  QTest::addColumn<QByteArray>("otherPhone");  // of K-102's newest configuration
  QTest::addColumn<QByteArray>("otherCentre");
  QTest::addColumn<bool>("offered");
  QTest::newRow("one matches") << QByteArray("+48700800900") << QByteArray(DefaultSmsCentre) << true;
  QTest::newRow("two match") << Phone << QByteArray(DefaultSmsCentre) << false;
  QTest::newRow("one of two, by the SMS centre") << Phone << QByteArray("+48602951111") << true;
}

// A download that matches one installation offers it, assigning nothing until the user takes it.
void TestInstallations::offer() {
  QFETCH(QByteArray, otherPhone);
  QFETCH(QByteArray, otherCentre);
  QFETCH(bool, offered);
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  RegisterStore store;
  const QStringList uuids = Prepare(store);
  KeepFor(store, uuids[1], 0, otherPhone, otherCentre);
  LOG_IN(rig);
  ControllerState held = ControllerState::New();
  held.items[ItemIndex::Phone1] = Phone;
  rig.sim.SetState(held);
  QVERIFY(Download(rig));

  const QList<Configuration> unassigned = Configurations(store).Newest({ConfigurationScope::Unassigned, {}}, 10);
  QCOMPARE(unassigned.size(), 1);
  QCOMPARE(OfferButton(*rig.window)->isVisibleTo(rig.window->statusBar()), offered);
  QCOMPARE(RegisterBar(*rig.window), offered ? QStringList{"LabelPropozycja=Pasuje instalacja K-101 (Piekarnia)"}
                                             : QStringList());
  if (!offered) return;
  if (qEnvironmentVariableIsSet("VELT_SHOTS")) SaveShot(rig.window.get(), "instalacja-propozycja.png");
  rig.Click(OfferButton(*rig.window));
  QCOMPARE(InstallationOf(store, unassigned[0].uuid), uuids[0]);
  QCOMPARE(RegisterBar(*rig.window), QStringList{"LabelInstalacja=Instalacja: K-101 (Piekarnia)"});
}

// With a shared register that does not answer, the download is kept and counted as not sent.
void TestInstallations::pendingCount() {
  qputenv("VELT_REGISTER", "postgresql://velt@127.0.0.1:1/velt");
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QVERIFY(Download(rig));
  // The sync ends on its thread; it tells why in a passing message.
  QTRY_VERIFY_WITH_TIMEOUT(!rig.window->statusBar()->currentMessage().isEmpty(), 10000);
  RegisterStore store;
  const qint64 pending = RegisterSync::Pending(store, *RegisterChoice::Current().shared).Total();
  QCOMPARE(pending, 1);
  QCOMPARE(RegisterBar(*rig.window), QStringList{QStringLiteral("LabelDoWyslania=Do wysłania: 1 zmiana")});
}

void TestInstallations::pendingWording_data() {
  QTest::addColumn<qint64>("count");
  QTest::addColumn<QString>("shown");
  QTest::newRow("one") << qint64(1) << "Do wysłania: 1 zmiana";
  QTest::newRow("few") << qint64(3) << "Do wysłania: 3 zmiany";
  QTest::newRow("many") << qint64(5) << "Do wysłania: 5 zmian";
  QTest::newRow("teens") << qint64(12) << "Do wysłania: 12 zmian";
  QTest::newRow("twenties") << qint64(24) << "Do wysłania: 24 zmiany";
}

// The count says what it counts, in the form its number takes.
void TestInstallations::pendingWording() {
  QFETCH(qint64, count);
  QFETCH(QString, shown);
  QStatusBar bar;
  RegisterStatusBar part(&bar, [] {});
  part.ShowPending(count);
  const auto* label = bar.findChild<QLabel*>("LabelDoWyslania");
  QCOMPARE(label->text(), shown);
  QVERIFY(!label->toolTip().isEmpty());
}

// A long installation, a sync's notice and the count share the status bar: none covers or cuts
// another; the installation is cut with "…" and whole in its tooltip.
void TestInstallations::statusBarFits() {
  qputenv("VELT_REGISTER", "postgresql://velt@127.0.0.1:1/velt");
  const QString name = QStringLiteral("Zakład Produkcji Opakowań i Materiałów Budowlanych „Przyszłość” sp. z o.o.");
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  RegisterStore store;
  const QString uuid = Installations(store).Add({"KRK-0042", name, "", "", ""}, "A");
  LOG_IN(rig);
  QVERIFY(RunDialog<TFInstalacje>(
      rig, [&rig] { rig.ui().Instalacje1->trigger(); },
      [&](TFInstalacje* dialog) {
        dialog->Choose(uuid);
        QTest::mouseClick(dialog->findChild<QAbstractButton*>("Button_przypisz"), Qt::LeftButton);
      },
      10000));
  QVERIFY(Download(rig));
  QStatusBar* bar = rig.window->statusBar();
  QTRY_VERIFY_WITH_TIMEOUT(!bar->currentMessage().isEmpty(), 10000);
  QTRY_VERIFY_WITH_TIMEOUT(bar->findChild<QLabel*>("LabelDoWyslania")->isVisible(), 10000);
  QTest::qWait(20);

  QList<QWidget*> parts;
  for (QWidget* part : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (part->isVisible() && !qobject_cast<QSizeGrip*>(part)) parts << part;
  QVERIFY(parts.size() >= 3);
  for (int i = 0; i < int(parts.size()); ++i) {
    QVERIFY2(bar->rect().contains(parts[i]->geometry()), qPrintable(parts[i]->objectName()));
    for (int j = i + 1; j < int(parts.size()); ++j)
      QVERIFY2(!parts[i]->geometry().intersects(parts[j]->geometry()),
               qPrintable(parts[i]->objectName() + " covers " + parts[j]->objectName()));
    // What a label shows fits in it.
    if (const auto* label = qobject_cast<QLabel*>(parts[i]))
      QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width(),
               qPrintable(label->objectName() + ": " + label->text()));
  }
  const auto* installation = bar->findChild<QLabel*>("LabelInstalacja");
  QCOMPARE(installation->toolTip(), QStringLiteral("Instalacja: KRK-0042 (%1)").arg(name));
  QVERIFY2(installation->text().startsWith("Instalacja: KRK-0042") && installation->text().endsWith(u'…'),
           qPrintable(installation->text()));
  const auto* notice = bar->findChild<QLabel*>("LabelKomunikat");
  QVERIFY(notice && notice->isVisible());
  QCOMPARE(notice->toolTip(), bar->currentMessage());
  QVERIFY2(notice->text() == bar->currentMessage() || notice->text().endsWith(u'…'), qPrintable(notice->text()));
  QVERIFY(notice->width() >= notice->fontMetrics().averageCharWidth() * 10);
  QVERIFY(bar->findChild<QLabel*>("LabelDoWyslania")->text().startsWith("Do wysłania: "));
  if (qEnvironmentVariableIsSet("VELT_SHOTS")) SaveShot(rig.window.get(), "pasek-stanu.png");
}
