#pragma once
// The real main window on a simulated controller: the simulator serves a pseudo-terminal, a
// port folder offers it as the only port, and the window finds it there at start-up.
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "box_watcher.h"
#include "port_folder.h"
#include "simulator.h"
#include "tmain.h"

class QWidget;
class QLineEdit;

class WindowRig {
 public:
  explicit WindowRig(SimOptions options = {});

  // Starts the simulator, offers it as ports/velt-sim and opens the window; false with the reason.
  bool Start(QString* why);
  // Opens (again) the window on whatever the port folder holds.
  void OpenWindow();

  Ui::TMain& ui() { return window->ui; }
  // A user's click: it runs everything the click starts (waits and boxes included) before it returns.
  void Click(QWidget* control);
  // POŁĄCZ with the password typed in; false with what the window showed instead.
  bool LogIn(QString* why);

  QList<LoggedRequest> Requests(quint8 command, qint64 sinceMs = 0) const;
  // The commands the controller received from that time on, in order: "2 80 80".
  QString CommandsSince(qint64 sinceMs) const;

  Simulator sim;  // first in, last out: the window holds its line
  PortFolder ports;
  QString portPath;  // the link the window opens
  BoxWatcher boxes;
  std::unique_ptr<TMain> window;
  qint64 portClosedMs = 0;  // when the window's port last closed
  qint64 loggedOutMs = 0;   // when the window last showed "WYLOGOWANY"
};

// A state field as the user sees it: "POŁĄCZONY lime".
QString Shown(const QLineEdit* field);
// A colour by the name it has in the window's scheme, else as #rrggbb.
QString ColourName(const QColor& colour);
// Which of the controls that the connection state decides are enabled, in a fixed order.
QStringList EnabledControls(const TMain& window);

// Those controls enabled in each connection state (a port selected, the first status reply in).
namespace Enabled {
extern const QStringList Disconnected;
extern const QStringList ConnectedLoggedOut;
extern const QStringList LoggedIn;
}  // namespace Enabled

#define START_RIG(rig)                                  \
  do {                                                  \
    QString why_;                                       \
    QVERIFY2((rig).Start(&why_), qPrintable(why_));     \
  } while (0)

#define LOG_IN(rig)                                     \
  do {                                                  \
    QString why_;                                       \
    QVERIFY2((rig).LogIn(&why_), qPrintable(why_));     \
  } while (0)

// Times are milliseconds of the monotonic clock that the simulator's request log uses.
#define VERIFY_BETWEEN(value, low, high)                                                       \
  do {                                                                                         \
    const qint64 v_ = (value);                                                                 \
    QVERIFY2(v_ >= (low) && v_ <= (high),                                                      \
             qPrintable(QStringLiteral("%1 = %2, expected %3 .. %4").arg(#value).arg(v_).arg(low).arg(high))); \
  } while (0)
