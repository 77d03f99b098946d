#include "window_rig.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>

#include "colours.h"

WindowRig::WindowRig(SimOptions options) : sim(std::move(options)) {}

bool WindowRig::Start(QString* why) {
  if (!ports.IsValid()) {
    *why = "no temporary folder";
    return false;
  }
  if (!sim.Start(why)) return false;
  portPath = ports.AddLink("velt-sim", sim.DevicePath(), why);
  if (portPath.isEmpty()) return false;
  OpenWindow();
  return true;
}

void WindowRig::OpenWindow() {
  window = std::make_unique<TMain>(nullptr, ports.Roots());
  window->ComPort.OnAfterClose = [this](TCustomComPort*) { portClosedMs = Simulator::NowMs(); };
  QObject::connect(window->ui.Edit_logon, &QLineEdit::textChanged, window.get(), [this](const QString& text) {
    if (text == QStringLiteral("WYLOGOWANY")) loggedOutMs = Simulator::NowMs();
  });
  window->show();
}

void WindowRig::Click(QWidget* control) { QTest::mouseClick(control, Qt::LeftButton); }

bool WindowRig::LogIn(QString* why) {
  const int boxesBefore = boxes.Boxes().size();
  Click(ui().Button_polacz);
  if (window->LoggedIn && boxes.Boxes().size() == boxesBefore) return true;
  *why = QStringLiteral("not logged in: %1, %2, boxes: %3")
             .arg(Shown(ui().Edit_status), Shown(ui().Edit_logon), boxes.Summaries().join(" | "));
  return false;
}

QList<LoggedRequest> WindowRig::Requests(quint8 command, qint64 sinceMs) const {
  QList<LoggedRequest> found;
  for (const LoggedRequest& r : sim.Requests())
    if (r.command == command && r.ms >= sinceMs) found << r;
  return found;
}

QString WindowRig::CommandsSince(qint64 sinceMs) const {
  QStringList commands;
  for (const LoggedRequest& r : sim.Requests())
    if (r.ms >= sinceMs) commands << QString::number(r.command);
  return commands.join(' ');
}

QString ColourName(const QColor& colour) {
  static const struct {
    QRgb rgb;
    const char* name;
  } names[] = {{Colours::Lime, "lime"}, {Colours::Red, "red"}, {Colours::Grey, "grey"}, {Colours::Black, "black"}};
  for (const auto& n : names)
    if (colour == QColor(n.rgb)) return QString::fromLatin1(n.name);
  return colour.name();
}

QString Shown(const QLineEdit* field) {
  return field->text() + ' ' + ColourName(field->palette().color(QPalette::Base));
}

namespace Enabled {
const QStringList Disconnected{"ComCombo", "ButtonCom", "Button_polacz", "Edit_haslo"};
const QStringList ConnectedLoggedOut{"ButtonCom", "Button_polacz", "Button_rozlacz", "Edit_haslo",
                                     "ButtonFirmware"};
const QStringList LoggedIn{"ButtonCom", "Button_rozlacz", "ButtonFirmware", "Button_zmiana_hasla",
                           "ButtonRestart", "ButtonResetlimit", "Pobierz1", "Zapisz1",
                           "Icon_get", "Icon_put"};
}  // namespace Enabled

QStringList EnabledControls(const TMain& window) {
  static const QStringList names{"ComCombo", "ButtonCom", "Button_polacz", "Button_rozlacz",
                                 "Edit_haslo", "ButtonFirmware", "Button_zmiana_hasla",
                                 "ButtonRestart", "ButtonResetlimit", "Pobierz1", "Zapisz1",
                                 "Icon_get", "Icon_put"};
  QStringList enabled;
  for (const QString& name : names) {
    QObject* control = window.findChild<QObject*>(name);
    if (auto* widget = qobject_cast<QWidget*>(control)) {
      if (widget->isEnabled()) enabled << name;
    } else if (auto* action = qobject_cast<QAction*>(control)) {
      if (action->isEnabled()) enabled << name;
    } else {
      enabled << QStringLiteral("(no control %1)").arg(name);
    }
  }
  return enabled;
}
