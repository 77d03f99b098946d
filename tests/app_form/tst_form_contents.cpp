#include <QAction>
#include <QFontInfo>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>

#include "colours.h"
#include "form_fixture.h"
#include "tst_app_form.h"

namespace {
// A property of a control as the user meets it; a few are not plain Qt properties.
QVariant Observe(QObject* object, const QString& property) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (property == QLatin1String("class")) return QString::fromLatin1(object->metaObject()->className());
  if (property == QLatin1String("hint"))
    return widget ? EffectiveHint(widget) : object->property("toolTip").toString();
  if (property == QLatin1String("shown")) return !widget->isHidden();
  if (property == QLatin1String("underlined")) return widget->font().underline();
  if (property == QLatin1String("bold")) return widget->font().bold();
  if (property == QLatin1String("textColour")) return widget->palette().color(QPalette::WindowText);
  if (property == QLatin1String("fieldColour")) return widget->palette().color(QPalette::Base);
  if (property == QLatin1String("hasIcon"))
    return !qobject_cast<QAbstractButton*>(widget)->icon().pixmap(QSize(16, 16)).isNull();
  if (property == QLatin1String("items")) {
    auto* combo = qobject_cast<QComboBox*>(widget);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items.join(QLatin1Char('|'));
  }
  // A caption as read: the accelerator's mark is not seen.
  if (property == QLatin1String("text") || property == QLatin1String("title"))
    return object->property(property.toLatin1().constData()).toString().remove(QRegularExpression(QStringLiteral("&(?=[^&])")));
  return object->property(property.toLatin1().constData());
}

// The letter Alt reaches a caption by; none when it has no accelerator.
QChar Accelerator(const QString& caption) {
  const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("&([^&])")).match(caption);
  return m.hasMatch() ? m.captured(1).at(0).toLower() : QChar();
}

void Row(const QString& name, const QString& property, const QVariant& expected) {
  QTest::addRow("%s %s", qPrintable(name), qPrintable(property)) << name << property << expected;
}

// One control: its class and the captions, hints and states the form gives it.
struct Control {
  QString name;
  Control(const QString& n, const char* cls) : name(n) { Row(name, "class", QString::fromLatin1(cls)); }
  Control& text(const QString& t) { Row(name, "text", t); return *this; }
  Control& title(const QString& t) { Row(name, "title", t); return *this; }
  Control& hint(const QString& t) { Row(name, "hint", t); return *this; }
  Control& maxLength(int n) { Row(name, "maxLength", n); return *this; }
  Control& enabled(bool on) { Row(name, "enabled", on); return *this; }
  Control& checked(bool on) { Row(name, "checked", on); return *this; }
  Control& readOnly() { Row(name, "readOnly", true); return *this; }
  Control& shown(bool on) { Row(name, "shown", on); return *this; }
  Control& range(int min, int max) { Row(name, "minimum", min); Row(name, "maximum", max); return *this; }
  Control& value(int v) { Row(name, "value", v); return *this; }
  Control& is(const char* property, const QVariant& v) { Row(name, property, v); return *this; }
};

Control Label(const QString& name, const QString& caption) {
  Control c(name, "QLabel");
  c.text(caption);
  return c;
}
Control Edit(const QString& name, const QString& text, int max) {
  Control c(name, "QLineEdit");
  c.text(text).maxLength(max).enabled(true);
  return c;
}
Control Box(const QString& name) {
  Control c(name, "QCheckBox");
  c.checked(false).enabled(true);
  return c;
}
}  // namespace

void TestFormContents::controls_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("property");
  QTest::addColumn<QVariant>("expected");

  // Connection panel.
  Control("ButtonCom", "QPushButton").text("COM?").enabled(true);
  Control("ComCombo", "TComComboBox").enabled(true);
  Control("Button_polacz", "QPushButton").text("POŁĄCZ").hint("Połącz do sterownika VELT").enabled(true);
  Control("Button_rozlacz", "QPushButton").text("ROZŁĄCZ").hint("Rozłącz od sterownika  VELT").enabled(false);
  Label("Label_haslo", "HASŁO");
  Edit("Edit_haslo", "7315", 4).hint("Hasło dostępu (4 cyfry)");
  Control("Edit_status", "QLineEdit").text("ROZŁĄCZONY").readOnly().is("fieldColour", QColor(Colours::Red));
  Control("Edit_logon", "QLineEdit").text("WYLOGOWANY").readOnly().is("fieldColour", QColor(Colours::Red));
  Control("SpeedButton1", "QToolButton").hint("Zapisz konfiguracje do pliku").enabled(true).is("hasIcon", true);
  Control("SpeedButton2", "QToolButton").hint("Otwórz konfiguracje z pliku").enabled(true).is("hasIcon", true);
  Control("Icon_get", "QToolButton").hint("Odczytaj konfiguracje z VELT").enabled(false).is("hasIcon", true);
  Control("Icon_put", "QToolButton").hint("Zapisz konfiguracje do VELT").enabled(false).is("hasIcon", true);

  // Modem.
  Control("GroupBox7", "QGroupBox").title("Stan modemu GSM");
  Control("StatusBar", "QLabel").text("").shown(true);
  Label("Label39", "Sygnał GSM:");
  Control("BarRSSI", "ProgressGauge").range(0, 20).value(0);
  Label("LabelZd", "Zd: 0").hint("Ilość zdarzeń do obsługi");

  // Options.
  Control("GroupBox3", "QGroupBox").title("Opcje VELT");
  Label("LabelOperator", "Operator GSM");
  Control("Combo_operator", "QComboBox").is("items", "ORANGE|T-MOBILE|PLUS|PLAY|inny").is("currentIndex", 0);
  Label("LabelCentrum", "Centrum SMS");
  Edit("Edit_operator", "+48501200777", 13);
  Label("LabelPin", "PIN karty SIM");
  Edit("Edit_pin", "7315", 4).hint("PIN karty SIM (4 cyfry)");
  Label("LabelFirmware", "Firmware versja:");
  Label("TextWersja", "VELT v ...").hint("Wersja frimware w sterowniku VELT").is("underlined", true)
      .is("textColour", QColor(Colours::Grey));
  Control("Button_zmiana_hasla", "QPushButton").text("Zmiana hasła").enabled(false);
  Control("ButtonFirmware", "QPushButton").text("Aktualizacja").enabled(false);
  Control("ButtonRestart", "QPushButton").text("Restart VELT").hint("").enabled(false);
  Control("ButtonResetlimit", "QPushButton").text("Zeruj liczniki").hint("Zeruje liczniki SMS i Voice").enabled(false);

  // Telephones and limits.
  Control("GroupBox4", "QGroupBox").title("Numery telefonow i limity");
  for (int i = 1; i <= 4; ++i) {
    Label(QStringLiteral("LabelTel%1").arg(i), QStringLiteral("Telefon nr. %1").arg(i));
    Edit(QStringLiteral("Edit_Tel%1").arg(i), "", 13);
  }
  Label("LabelLimitSMS", "Limit SMS  [24H]");
  Edit("Edit_LimitSMS", "0", 2).hint("Dobowy limit SMS");
  Label("LabelSMS", "0 z").hint("Ilość wykorzystanych SMS z limitu dobowego");
  Label("LabelLimitVoice", "Limit Voice [24H]");
  Edit("Edit_LimitVoice", "0", 2).hint("Dobowy limit połączeń głosowych");
  Label("LabelVoice", "0 z").hint("Ilość wykorzystanych połączeń głosowych z limitu dobowego");

  // Input options.
  Control("GroupBox5", "QGroupBox").title("Opcje wejść");
  Label("LabelTabelaT", "SMS").hint("Tabela zależności dla SMS");
  Label("LabelTabelaS", "Voice").hint("Tabela zależności dla połączeń głosowych (syntezer mowy)");
  for (int c = 1; c <= 4; ++c) {
    Label(QStringLiteral("LabelKolT%1").arg(c), QString::number(c));
    Label(QStringLiteral("LabelKolS%1").arg(c), QString::number(c));
  }
  for (int r = 1; r <= 5; ++r) {
    Label(QStringLiteral("LabelMatrixIN%1").arg(r), QStringLiteral("IN%1").arg(r));
    for (int c = 1; c <= 4; ++c) {
      Box(QStringLiteral("BoxIN%1T%2").arg(r).arg(c)).hint("Tabela zależności dla SMS");
      Box(QStringLiteral("BoxIN%1S%2").arg(r).arg(c)).hint("Tabela zależności dla połączeń głosowych (syntezer mowy)");
    }
  }
  Box("BoxPotw").text("Wyślij potwierdzenie").hint("Czy wysłać SMS z potwierdzeniem wykonania operacji na wyjściach");
  Box("BoxAutotest").text("IN5 auto test 24h").hint("Wysyła SMS co 24H");
  Box("BoxIN1blok").text("tryb mini CA").hint("Mini centralka alarmowa");

  // Input texts.
  Control("GroupBox1", "QGroupBox").title("Wejścia");
  Label("LabelWejZal", "Wejście Załączone");
  Label("LabelWejWyl", "Wejście Wyłączone");
  for (int r = 1; r <= 5; ++r) {
    Label(QStringLiteral("LabelWej%1").arg(r), QStringLiteral("IN%1").arg(r));
    Edit(QStringLiteral("Edit_IN%1A").arg(r), "", 30);
    Edit(QStringLiteral("Edit_IN%1N").arg(r), "", 30);
  }

  // Outputs.
  Control("GroupBox2", "QGroupBox").title("Opcje wyjść");
  const char* const unitNames[] = {"PK", "OUT2", "OUT3"};
  const char* const ncNames[] = {"BoxOut1NC", "BoxOut2NC", "BoxOUT3NC"};
  for (int j = 1; j <= 3; ++j) {
    Label(QStringLiteral("LabelKolOut%1").arg(j), QStringLiteral("Out%1").arg(j));
    Edit(QStringLiteral("Edit_Out%1zal").arg(j), "", 4);
    Edit(QStringLiteral("Edit_Out%1wyl").arg(j), "", 4);
    Edit(QStringLiteral("Out%1Czas").arg(j), "5", 2)
        .hint(QStringLiteral("Czas aktywności wyjścia %1 w trybie monostabilnym").arg(QLatin1String(unitNames[j - 1])));
    Box(QString::fromLatin1(ncNames[j - 1])).hint("NC - zaznaczone");
    Box(QStringLiteral("BoxOut%1Mono").arg(j)).hint("Monostabilny - zaznaczony");
  }
  Label("LabelWierszZal", "Zal");
  Label("LabelWierszWyl", "Wyl");
  Label("LabelWierszCzas", "Czas [s]");
  Label("LabelWierszNC", "NC/NO");
  Label("LabelWierszMono", "Mono/bi");
  Control("BoxOut1sygn", "QCheckBox").text("Out1 - sygn.").hint("Out1 - sygnalizacja alarmu").enabled(false)
      .checked(false);
  Control("EditPotw", "QLineEdit").text("OK").maxLength(15).enabled(false)
      .hint("Treść SMSa potwierdzającego wykonania operacji na wyjściach");

  // Lamps.
  Control("GroupBox6", "QGroupBox").title("Stan");
  Label("LabelWejscia", "Wejścia");
  Label("LabelWyjscia", "Wyjścia");
  const QString inputsHint = QStringLiteral("Stan wejść, kolor czerwony zwarte do masy");
  const QString outputsHint = QStringLiteral("Stan wyjść, kolor czerwony - wyjście aktywne");
  Control("Panel2", "QFrame").hint(inputsHint);
  Control("Panel1", "QFrame").hint(outputsHint);
  for (int i = 1; i <= 5; ++i)
    Label(QStringLiteral("PanelIN%1").arg(i), QString::number(i)).hint(inputsHint).is("autoFillBackground", true);
  Label("PanelFab", "F").hint(inputsHint).is("autoFillBackground", true);
  Label("PanelPK", "Out1").hint(outputsHint).is("autoFillBackground", true);
  Label("PanelOut2", "Out2").hint(outputsHint).is("autoFillBackground", true);
  Label("PanelOut3", "Out3").hint(outputsHint).is("autoFillBackground", true);

  // Transfer progress.
  Control("Panel_bar", "QFrame").shown(false);
  Label("Label_Bar", "Pobieram konfiguracje");
  Control("Bar", "ProgressGauge").range(0, 100).value(0);

  // Menus.
  Control("Plik1", "QMenu").title("Plik");
  Control("Dane1", "QMenu").title("Dane");
  Control("Info1", "QMenu").title("Info");
  Control("Odczyt1", "QAction").text("Odczyt").enabled(true);
  Control("Zapis1", "QAction").text("Zapis").enabled(true);
  Control("Pobierz1", "QAction").text("Odczyt").enabled(false);
  Control("Zapisz1", "QAction").text("Zapisz").enabled(false);
  Control("Oprogramie1", "QAction").text("O programie").enabled(true);
  Control("WykresGSM1", "QAction").text("Wykres sygnału GSM").enabled(true);
}

void TestFormContents::controls() {
  QFETCH(QString, name);
  QFETCH(QString, property);
  QFETCH(QVariant, expected);
  Form form;
  QObject* object = form.find(name);
  QVERIFY2(object, qPrintable(name));
  const QVariant actual = Observe(object, property);
  QVERIFY2(actual.isValid(), qPrintable(property));
  QCOMPARE(actual, expected);
}

void TestFormContents::areas_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QRect>("geometry");
  QTest::newRow("PanelKomunikacji") << "PanelKomunikacji" << QRect(0, 0, 489, 65);
  QTest::newRow("GroupBox7") << "GroupBox7" << QRect(496, 0, 185, 65);
  QTest::newRow("GroupBox3") << "GroupBox3" << QRect(0, 72, 265, 177);
  QTest::newRow("GroupBox4") << "GroupBox4" << QRect(272, 72, 217, 177);
  QTest::newRow("GroupBox5") << "GroupBox5" << QRect(496, 72, 185, 177);
  QTest::newRow("GroupBox1") << "GroupBox1" << QRect(0, 248, 489, 121);
  QTest::newRow("GroupBox2") << "GroupBox2" << QRect(496, 248, 185, 201);
  QTest::newRow("GroupBox6") << "GroupBox6" << QRect(0, 368, 489, 81);
  QTest::newRow("Panel_bar") << "Panel_bar" << QRect(0, 456, 681, 33);
}

void TestFormContents::areas() {
  QFETCH(QString, name);
  QFETCH(QRect, geometry);
  Form form;
  form.LayOut();
  auto* area = form.find<QWidget>(name);
  QVERIFY(area);
  QCOMPARE(area->parentWidget(), form.window.centralWidget());
  QCOMPARE(area->geometry(), geometry);
  // The window's client area holds the table with a margin to the right and below.
  const QRect client = form.window.centralWidget()->rect();
  QCOMPARE(client.size(), QSize(689, 497));
  QVERIFY(client.contains(geometry));
}

void TestFormContents::menus_data() {
  QTest::addColumn<int>("index");
  QTest::addColumn<QString>("title");
  QTest::addColumn<QStringList>("items");
  // A separator has no name.
  QTest::newRow("Plik") << 0 << "Plik" << QStringList{"Odczyt1", "Zapis1", "", "HistoriaKonfiguracji1", "Instalacje1", "Raport1"};
  QTest::newRow("Dane") << 1 << "Dane" << QStringList{"Pobierz1", "Zapisz1", "", "PokazZmiany1"};
  QTest::newRow("Info") << 2 << "Info" << QStringList{"WykresGSM1", "Oprogramie1"};
}

void TestFormContents::menus() {
  QFETCH(int, index);
  QFETCH(QString, title);
  QFETCH(QStringList, items);
  Form form;
  const QList<QAction*> bar = form.window.menuBar()->actions();
  QCOMPARE(bar.size(), 3);
  QCOMPARE(Observe(bar.at(index), "text").toString(), title);
  QStringList names;
  for (const QAction* action : bar.at(index)->menu()->actions()) names << action->objectName();
  QCOMPARE(names, items);
}

// Every menu and every entry can be reached by Alt and a letter, one letter for one of them.
void TestFormContents::accelerators() {
  Form form;
  const auto unique = [](const QList<QAction*>& actions) {
    QString letters;
    for (const QAction* action : actions) {
      if (action->isSeparator()) continue;
      const QChar letter = Accelerator(action->text());
      if (letter.isNull() || letters.contains(letter)) return action->objectName() + ": " + action->text();
      letters += letter;
    }
    return QString();
  };
  const QList<QAction*> bar = form.window.menuBar()->actions();
  QCOMPARE(unique(bar), QString());
  for (const QAction* menu : bar) QCOMPARE(unique(menu->menu()->actions()), QString());
}

void TestFormContents::windowFont() {
  Form form;
  const QFontInfo info(form.window.font());
  QCOMPARE(info.pointSize(), 8);
  QVERIFY2(info.family().contains(QLatin1String("Sans")), qPrintable(info.family()));
  QVERIFY(!info.family().contains(QLatin1String("Serif ")));
  // Controls that set their own font keep the window's size and family.
  QCOMPARE(QFontInfo(form.ui.TextWersja->font()).pointSize(), 8);
  QCOMPARE(QFontInfo(form.ui.Edit_status->font()).family(), info.family());
}

void TestFormContents::countersBesideLimits_data() {
  QTest::addColumn<QString>("counter");
  QTest::addColumn<QString>("limit");
  QTest::newRow("SMS") << "LabelSMS" << "Edit_LimitSMS";
  QTest::newRow("Voice") << "LabelVoice" << "Edit_LimitVoice";
}

void TestFormContents::countersBesideLimits() {
  QFETCH(QString, counter);
  QFETCH(QString, limit);
  Form form;
  auto* label = form.find<QLabel>(counter);
  auto* field = form.find<QLineEdit>(limit);
  // The line reads "<used> z <limit>": the count is right-aligned against the field.
  QCOMPARE(label->parentWidget(), field->parentWidget());
  QVERIFY(label->alignment() & Qt::AlignRight);
  const int gap = field->geometry().left() - label->geometry().right() - 1;
  QVERIFY2(gap >= 0 && gap <= 6, qPrintable(QString::number(gap)));
  QCOMPARE(label->geometry().center().y(), field->geometry().center().y());
}
