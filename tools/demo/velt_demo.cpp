// Opens the configurator on the given port, logs in, lets a few status polls pass and saves a
// screenshot. Exits 0 when the window was logged in when the picture was taken.
#include <QFont>
#include <QTextStream>
#include <QTimer>

#include "application.h"
#include "tmain.h"

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  if (argc != 3) {
    QTextStream(stderr) << "usage: velt-demo PORT SCREENSHOT.png\n";
    return 2;
  }
  const QString port = QString::fromLocal8Bit(argv[1]);
  const QString shot = QString::fromLocal8Bit(argv[2]);
  QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
  TMain window;
  window.show();

  const int index = window.ui.ComCombo->findText(port);
  if (index < 0) {
    QTextStream(stderr) << "velt-demo: port " << port << " is not in the list\n";
    return 1;
  }
  window.ui.ComCombo->setCurrentIndex(index);
  window.ComPort.SetPort(port.toLocal8Bit());

  int result = 1;
  QTimer::singleShot(0, &window, [&] { window.ui.Button_polacz->click(); });
  QTimer::singleShot(4500, &window, [&] {
    const bool loggedIn = window.LoggedIn;
    if (window.grab().save(shot)) QTextStream(stdout) << "Screenshot: " << shot << "\n";
    result = loggedIn ? 0 : 1;
    if (!loggedIn) QTextStream(stderr) << "velt-demo: the window did not log in\n";
    window.close();
  });
  app.exec();
  return result;
}
