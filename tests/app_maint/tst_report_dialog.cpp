// The handover report from the window: the assigned installation named, what the controller does
// not hold marked before and in the report, the name offered and the place told, the secrets box,
// and printing onto a PDF printer.
#include <QCheckBox>
#include <QDate>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>

#include "configurations.h"
#include "controller_state.h"
#include "installations.h"
#include "maint_rig.h"
#include "register_store.h"
#include "company_details.h"
#include "tffirma.h"
#include "tfraport.h"
#include "tst_app_maint.h"

namespace {

const QByteArray Phone = "+48600100200";

QString PdfText(const QString& path) {
  QProcess process;
  process.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return QString();
  return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

}  // namespace

void TestReportDialog::init() {
  dataHome_ = std::make_unique<DataHome>();
  qputenv("VELT_REGISTER", "local");
}

void TestReportDialog::report_data() {
  QTest::addColumn<bool>("edited");  // a number changed in the window after the download
  QTest::addColumn<bool>("reveal");
  QTest::newRow("as downloaded, secrets masked") << false << false;
  QTest::newRow("edited, secrets shown") << true << true;
}

void TestReportDialog::report() {
  QFETCH(bool, edited);
  QFETCH(bool, reveal);
  QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(), "poppler-utils is not installed");
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  RegisterStore store;
  const QString site = Installations(store).Add({"K-101", "Piekarnia", "ul. Kwiatowa 5", "Jan Nowak, 600 700 800", ""}, "A");
  // A configuration of the installation with the controller's number: the download offers it.
  const EntryLabel label{QDateTime::currentDateTime().addSecs(-3600), EntryKind::Read, "/dev/ttyUSB0",
                         QStringLiteral("VELT v 1.8"), Phone, DefaultSmsCentre};
  ConfigFile kept{"7315", ConfigRecord::Default()};
  kept.record.setValue(ItemIndex::Phone1, Phone);
  kept.record.setValue(ItemIndex::SmsCentre, DefaultSmsCentre);
  Configurations(store).Keep(label, kept, QStringLiteral("Technik"), site);
  LOG_IN(rig);
  ControllerState held = ControllerState::New();
  held.items[ItemIndex::Phone1] = Phone;
  rig.sim.SetState(held);
  QVERIFY(QTest::qWaitFor([&] { return rig.ui().Icon_get->isEnabled() && rig.window->link.IsIdle(); }, 3000));
  rig.Click(rig.ui().Icon_get);
  auto* offer = rig.window->statusBar()->findChild<QAbstractButton*>("Button_przypisz");
  QVERIFY(offer && offer->isVisibleTo(rig.window->statusBar()));
  rig.Click(offer);
  if (edited) rig.ui().Edit_Tel2->setText(QStringLiteral("+48511222333"));

  QTemporaryDir folder;
  QString suggested;
  rig.window->ChooseReportFile = [&](const QString& name) {
    suggested = name;
    return folder.filePath(name);
  };
  QString warning, told;
  const QString printed = folder.filePath(QStringLiteral("printed.pdf"));
  const bool ran = RunDialog<TFRaport>(
      rig, [&] { rig.ui().Raport1->trigger(); },
      [&](TFRaport* dialog) {
        auto* unsaved = dialog->findChild<QLabel*>("LabelNiezapisane");
        if (unsaved->isVisibleTo(dialog)) warning = unsaved->text();
        if (qEnvironmentVariableIsSet("VELT_SHOTS")) SaveShot(dialog, QStringLiteral("raport-%1.png").arg(edited));
        dialog->findChild<QCheckBox*>("BoxJawnie")->setChecked(reveal);
        dialog->findChild<QPushButton*>("ButtonZapiszPdf")->click();
        told = dialog->findChild<QLabel*>("LabelZapisano")->text();
        if (qEnvironmentVariableIsSet("VELT_SHOTS")) SaveShot(dialog, QStringLiteral("raport-zapisany-%1.png").arg(edited));
        dialog->ChoosePrinter = [&](QPrinter& printer) {
          printer.setOutputFormat(QPrinter::PdfFormat);
          printer.setOutputFileName(printed);
          return true;
        };
        dialog->findChild<QPushButton*>("ButtonDrukuj")->click();
        dialog->findChild<QPushButton*>("ButtonZamknij")->click();
      },
      20000);
  QVERIFY(ran);
  const QString expectedName = QStringLiteral("K-101_%1.pdf").arg(QDate::currentDate().toString(Qt::ISODate));
  QCOMPARE(suggested, expectedName);
  QVERIFY2(told.contains(folder.filePath(expectedName)), qPrintable(told));
  QCOMPARE(warning.contains(QStringLiteral("Telefon nr. 2")), edited);
  for (const QString& path : {folder.filePath(expectedName), printed}) {
    const QString text = PdfText(path);
    for (const char* shown : {"K-101 — Piekarnia", "ul. Kwiatowa 5", "Jan Nowak, 600 700 800", "Strona 1 z "})
      QVERIFY2(text.contains(QString::fromUtf8(shown)), qPrintable(path + QStringLiteral(" ") + QString::fromUtf8(shown) + QStringLiteral(" missing from ") + text));
    QCOMPARE(text.contains(QStringLiteral("niezapisane w sterowniku")), edited);
    QCOMPARE(text.contains(QStringLiteral("7315")), reveal);  // the password typed at login
  }
}

// "Dane firmy…": what is typed and the logo chosen are kept in the register and head the report
// made next in the same dialog.
void TestReportDialog::companyDetails() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  QTemporaryDir folder;
  QImage logo(40, 20, QImage::Format_ARGB32);
  logo.fill(QColor(200, 20, 20, 120));
  QVERIFY(logo.save(folder.filePath(QStringLiteral("logo.png"))));
  rig.window->ChooseOpenFile = [&](const QString&) { return folder.filePath(QStringLiteral("logo.png")); };
  rig.window->ChooseReportFile = [&](const QString& name) { return folder.filePath(name); };
  QString logoShown;
  const bool ran = RunDialog<TFRaport>(
      rig, [&] { rig.ui().Raport1->trigger(); },
      [&](TFRaport* dialog) {
        rig.boxes.AddHandler([&](QWidget* modal) {
          auto* details = qobject_cast<TFFirma*>(modal);
          if (!details) return false;
          details->findChild<QLineEdit*>("Edit_nazwa")->setText(QStringLiteral("Zakład Łęgi"));
          details->findChild<QLineEdit*>("Edit_nip")->setText(QStringLiteral(" 676-000-11-22 "));
          details->findChild<QPushButton*>("ButtonLogo")->click();
          logoShown = details->findChild<QLabel*>("LabelLogo")->text();
          if (qEnvironmentVariableIsSet("VELT_SHOTS")) SaveShot(details, QStringLiteral("dane-firmy.png"));
          details->findChild<QPushButton*>("ButtonZapisz")->click();
          return true;
        });
        dialog->findChild<QPushButton*>("ButtonDaneFirmy")->click();
        dialog->findChild<QPushButton*>("ButtonZapiszPdf")->click();
        dialog->findChild<QPushButton*>("ButtonZamknij")->click();
      },
      20000);
  QVERIFY(ran);
  QCOMPARE(logoShown, QStringLiteral("40 × 20 px"));
  RegisterStore store;
  const CompanyDetails kept = CompanyRegister(store).Current();
  QCOMPARE(kept.name, QStringLiteral("Zakład Łęgi"));
  QCOMPARE(kept.taxId, QStringLiteral("676-000-11-22"));
  QVERIFY(!QImage::fromData(kept.logo).isNull());
  const QString text = PdfText(folder.filePath(QStringLiteral("raport_%1.pdf").arg(QDate::currentDate().toString(Qt::ISODate))));
  QVERIFY2(text.contains(QStringLiteral("Zakład Łęgi")) && text.contains(QStringLiteral("NIP: 676-000-11-22")), qPrintable(text));
}
