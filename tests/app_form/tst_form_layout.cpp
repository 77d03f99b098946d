#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "form_fixture.h"
#include "progress_gauge.h"
#include "status_decode.h"
#include "tst_app_form.h"

namespace {
// The form's own controls: named, below the client area, not the areas themselves.
QList<QWidget*> Controls(Form& form) {
  QList<QWidget*> controls;
  QWidget* client = form.window.centralWidget();
  for (QWidget* w : client->findChildren<QWidget*>())
    if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")) && !w->isWindow() &&
        w->parentWidget() != client)
      controls << w;
  return controls;
}

// Why `text` would not show whole in `w` at the form's font; empty when it does.
QString FitProblem(QWidget* w, const QString& text) {
  const QFontMetrics fm = w->fontMetrics();
  const int width = fm.horizontalAdvance(text);
  auto problem = [&](int need, int room, const char* what) {
    return need <= room ? QString()
                        : QStringLiteral("%1: \"%2\" needs %3 px %4, has %5")
                              .arg(w->objectName(), text, QString::number(need), QLatin1String(what),
                                   QString::number(room));
  };
  QString p;
  if (auto* label = qobject_cast<QLabel*>(w)) {
    const QRect cr = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
    int indent = label->indent();
    if (indent < 0) indent = label->frameWidth() > 0 ? fm.horizontalAdvance(QLatin1Char('x')) / 2 : 0;
    if (label->alignment() & Qt::AlignHCenter) indent = 0;
    p = problem(width + indent, cr.width(), "wide");
    if (p.isEmpty()) p = problem(fm.height(), cr.height(), "high");
  } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
    p = problem(box->sizeHint().width(), box->width(), "wide");
    if (p.isEmpty()) p = problem(fm.height(), box->height(), "high");
  } else if (qobject_cast<QPushButton*>(w)) {
    p = problem(width + 12, w->width(), "wide");
    if (p.isEmpty()) p = problem(fm.height() + 4, w->height(), "high");
  } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
    p = problem(fm.horizontalAdvance(group->title()) + 16, w->width(), "wide");
  } else if (qobject_cast<QLineEdit*>(w)) {
    p = problem(width + 9, w->width(), "wide");  // frame, margins and the cursor
    if (p.isEmpty()) p = problem(fm.height() + 4, w->height(), "high");
  } else if (auto* gauge = qobject_cast<ProgressGauge*>(w)) {
    p = problem(width + 4, gauge->width(), "wide");
    if (p.isEmpty()) p = problem(fm.height(), gauge->height(), "high");
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    p = problem(combo->sizeHint().width(), combo->width(), "wide");
  }
  return p;
}

QString ShownText(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
  if (auto* group = qobject_cast<QGroupBox*>(w)) return group->title();
  if (qobject_cast<ProgressGauge*>(w)) return QStringLiteral("100%");
  return QString();
}
}  // namespace

void TestFormLayout::childrenInsideTheirParents() {
  Form form;
  form.LayOut();
  QStringList outside;
  for (QWidget* w : Controls(form)) {
    const QRect room = w->parentWidget()->contentsRect();
    if (!room.contains(w->geometry()))
      outside << QStringLiteral("%1 in %2").arg(w->objectName(), w->parentWidget()->objectName());
  }
  QVERIFY2(outside.isEmpty(), qPrintable(outside.join(QLatin1String(", "))));
}

void TestFormLayout::siblingsDoNotOverlap() {
  Form form;
  form.LayOut();
  const QList<QWidget*> controls = Controls(form);
  QStringList overlaps;
  for (int i = 0; i < controls.size(); ++i)
    for (int j = i + 1; j < controls.size(); ++j) {
      QWidget* a = controls[i];
      QWidget* b = controls[j];
      if (a->parentWidget() == b->parentWidget() && a->geometry().intersects(b->geometry()))
        overlaps << a->objectName() + u'/' + b->objectName();
    }
  QVERIFY2(overlaps.isEmpty(), qPrintable(overlaps.join(QLatin1String(", "))));
}

void TestFormLayout::captionsFit() {
  Form form;
  form.LayOut();
  QStringList problems;
  for (QWidget* w : form.window.centralWidget()->findChildren<QWidget*>()) {
    if (w->objectName().isEmpty() || w->isWindow()) continue;
    const QString text = ShownText(w);
    if (text.isEmpty() && !qobject_cast<QComboBox*>(w)) continue;
    const QString p = FitProblem(w, text);
    if (!p.isEmpty()) problems << p;
  }
  QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1String("; "))));
}

void TestFormLayout::longestTextsFit_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("text");

  for (int code : {0, 3, 7, 9, 11, 12, 13, 15, 17, 19, 100})
    QTest::addRow("stage %d", code) << "StatusBar" << ModemStageText(quint8(code));
  QTest::newRow("most events") << "LabelZd" << "Zd: 127";
  QTest::newRow("most SMS") << "LabelSMS" << "255 z";
  QTest::newRow("most calls") << "LabelVoice" << "255 z";
  QTest::newRow("highest version") << "TextWersja" << DecodeFirmwareVersion(0xFF)->Caption;
  QTest::newRow("download") << "Label_Bar" << "Pobieram konfiguracje nadajnika";
  QTest::newRow("upload") << "Label_Bar" << "Wysyłam konfiguracje do nadajnika";
  QTest::newRow("connected") << "Edit_status" << "POŁĄCZONY";
  QTest::newRow("logged in") << "Edit_logon" << "ZALOGOWANY";
  QTest::newRow("password") << "Edit_haslo" << "0000";
  QTest::newRow("PIN") << "Edit_pin" << "0000";
  QTest::newRow("SMS centre") << "Edit_operator" << "+000000000000";
  for (int i = 1; i <= 4; ++i)
    QTest::addRow("telephone %d", i) << QStringLiteral("Edit_Tel%1").arg(i) << "+000000000000";
  QTest::newRow("SMS limit") << "Edit_LimitSMS" << "99";
  QTest::newRow("voice limit") << "Edit_LimitVoice" << "99";
  for (int j = 1; j <= 3; ++j) {
    QTest::addRow("Out%d time", j) << QStringLiteral("Out%1Czas").arg(j) << "99";
    QTest::addRow("Out%d on word", j) << QStringLiteral("Edit_Out%1zal").arg(j) << QStringLiteral("ZAŁ%1").arg(j);
    QTest::addRow("Out%d off word", j) << QStringLiteral("Edit_Out%1wyl").arg(j) << QStringLiteral("WYŁ%1").arg(j);
  }
  QTest::newRow("confirmation") << "EditPotw" << "POTWIERDZAM OK.";
  QTest::newRow("input on text") << "Edit_IN1A" << "Otwarte drzwi garażu, strona 2";
  QTest::newRow("input off text") << "Edit_IN5N" << "Zamknięte okno łazienki, dół 2";
  QTest::newRow("port") << "ComCombo" << "/dev/ttyUSB10";
  QTest::newRow("simulator port") << "ComCombo" << "/tmp/velt-sim";
}

void TestFormLayout::longestTextsFit() {
  QFETCH(QString, name);
  QFETCH(QString, text);
  Form form;
  form.LayOut();
  auto* w = form.find<QWidget>(name);
  QVERIFY(w);
  if (auto* label = qobject_cast<QLabel*>(w)) label->setText(text);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    QVERIFY(text.size() <= edit->maxLength());
    edit->setText(text);
  }
  if (auto* combo = qobject_cast<QComboBox*>(w)) combo->addItem(text);
  const QString problem = FitProblem(w, text);
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
}
