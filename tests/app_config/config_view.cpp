#include "config_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>

#include "tmain.h"
#include "window_rig.h"

namespace {
const QString ConfigNames = QStringLiteral(
    "^(Edit_pin|Edit_operator|Edit_Tel[1-4]|Edit_Limit(SMS|Voice)|Edit_IN[1-5][AN]|Edit_Out[1-3](zal|wyl)|"
    "Out[1-3]Czas|EditPotw|BoxIN[1-5][TS][1-4]|BoxO(ut|UT)[1-3]NC|BoxOut[1-3]Mono|BoxPotw|BoxAutotest|"
    "BoxIN1blok|BoxOut1sygn)$");

QPalette::ColorRole RoleOf(const QWidget* control) {
  if (qobject_cast<const QLineEdit*>(control)) return QPalette::Base;
  if (qobject_cast<const QComboBox*>(control)) return QPalette::Button;
  return QPalette::Window;
}

bool Matches(const QString& pattern, const QString& name) {
  return QRegularExpression(pattern).match(name).hasMatch();
}
}  // namespace

QList<QWidget*> ControlsMatching(const TMain& window, const QString& pattern) {
  const QRegularExpression expression(pattern);
  QList<QWidget*> found;
  for (QWidget* w : window.findChildren<QWidget*>()) {
    const bool kind = qobject_cast<QLineEdit*>(w) || qobject_cast<QCheckBox*>(w) || qobject_cast<QComboBox*>(w);
    if (kind && expression.match(w->objectName()).hasMatch()) found << w;
  }
  std::sort(found.begin(), found.end(), [](QWidget* a, QWidget* b) { return a->objectName() < b->objectName(); });
  return found;
}

QList<QWidget*> ConfigurationControls(const TMain& window) { return ControlsMatching(window, ConfigNames); }

QWidget* Control(const TMain& window, const QString& name) { return window.findChild<QWidget*>(name); }

QString Colour(const QWidget* control) {
  const QColor c = control->palette().color(QPalette::Active, RoleOf(control));
  static const struct {
    QRgb rgb;
    const char* name;
  } scheme[] = {{qRgb(255, 0, 0), "red"},
                {qRgb(255, 255, 153), "yellow"},
                {qRgb(255, 204, 153), "orange"},
                {qRgb(204, 255, 153), "green"}};
  for (const auto& s : scheme)
    if (c == QColor(s.rgb)) return QString::fromLatin1(s.name);
  if (c == QGuiApplication::palette().color(QPalette::Active, QPalette::Base)) return QStringLiteral("window");
  if (c == QGuiApplication::palette().color(QPalette::Active, QPalette::Button)) return QStringLiteral("face");
  return c.name();
}

void Paint(QWidget* control, const QColor& colour) {
  QPalette palette = control->palette();
  palette.setColor(RoleOf(control), colour);
  control->setPalette(palette);
}

QString InStepColour(const QString& name, bool mini) {
  if (Matches("^(Edit_pin|Edit_operator|Edit_Tel[1-4]|Edit_Limit(SMS|Voice)|Combo_operator)$", name))
    return QStringLiteral("yellow");
  if (Matches("^(Edit_IN1A|Edit_Out[1-3]zal)$", name)) return QStringLiteral("orange");
  if (Matches("^(Edit_IN1N|Edit_Out[1-3]wyl)$", name)) return QStringLiteral("green");
  // The mini alarm-panel mode swaps the texts of IN2 to IN5.
  if (Matches("^Edit_IN[2-5]A$", name)) return mini ? QStringLiteral("green") : QStringLiteral("orange");
  if (Matches("^Edit_IN[2-5]N$", name)) return mini ? QStringLiteral("orange") : QStringLiteral("green");
  return QStringLiteral("window");
}

QStringList Colours(const TMain& window) {
  QStringList colours;
  for (const QWidget* w : ConfigurationControls(window)) colours << w->objectName() + ' ' + Colour(w);
  return colours;
}

QStringList NotInStep(const TMain& window, bool mini) {
  QStringList off;
  for (const QWidget* w : ConfigurationControls(window))
    if (Colour(w) != InStepColour(w->objectName(), mini)) off << w->objectName() + ' ' + Colour(w);
  return off;
}

QString Shown(const QList<QWidget*>& controls) {
  QStringList parts;
  for (const QWidget* w : controls) {
    QString part;
    if (const auto* field = qobject_cast<const QLineEdit*>(w)) {
      part = w->objectName() + '=' + field->text();
    } else if (const auto* list = qobject_cast<const QComboBox*>(w)) {
      part = w->objectName() + '=' + list->currentText();
    } else if (const auto* box = qobject_cast<const QCheckBox*>(w)) {
      if (!box->isChecked()) continue;
      part = w->objectName();
    }
    if (!w->isEnabled()) part += QStringLiteral("(disabled)");
    parts << part;
  }
  return parts.join(' ');
}

bool SetControls(const TMain& window, const QStringList& settings) {
  static const QRegularExpression form(QStringLiteral("^(\\w+)(=|\\+$|-$|#)(.*)$"),
                                       QRegularExpression::DotMatchesEverythingOption);
  for (const QString& setting : settings) {
    const QRegularExpressionMatch m = form.match(setting);
    if (!m.hasMatch()) return false;
    QWidget* control = Control(window, m.captured(1));
    const QString how = m.captured(2);
    if (auto* field = qobject_cast<QLineEdit*>(control); field && how == "=") {
      field->setText(m.captured(3));
    } else if (auto* box = qobject_cast<QCheckBox*>(control); box && (how == "+" || how == "-")) {
      box->setChecked(how == "+");
    } else if (auto* list = qobject_cast<QComboBox*>(control); list && how == "#") {
      list->setCurrentIndex(m.captured(3).toInt());
    } else {
      return false;
    }
  }
  return true;
}

void Type(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    if (c == u'\b') {
      QTest::keyClick(widget, Qt::Key_Backspace);
    } else {
      // A key that types a character carries the character's upper case as its code.
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
    }
  }
}

bool Activate(WindowRig& rig) {
  rig.window->activateWindow();
  QApplication::setActiveWindow(rig.window.get());
  return QTest::qWaitForWindowActive(rig.window.get());
}
