// Usage: firmware_transfer   (run with a display or QT_QPA_PLATFORM=offscreen)
// Sends an 8188-byte image (128 blocks) through the real window and firmware dialog to the
// in-process simulator on a paced 1200 bit/s line and compares the time with the line's own
// limit: 128 blocks of 69 bytes, each with its 1-byte acknowledgement, at 10 bits a byte, plus
// the 2 + 2 + 1 s of pauses the update must make.
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <cstdio>

#include "application.h"
#include "commands.h"
#include "port_folder.h"
#include "simulator.h"
#include "tfboot.h"
#include "tmain.h"

namespace {
constexpr int Baud = 1200;
constexpr int Blocks = 128;
constexpr int ImageSize = 8188;
constexpr int BytesPerBlock = 69 + 1;  // the block frame and its "!"
constexpr double PausesS = 2 + 2 + 1;

// Plays the user: presses "Plik" and START in the firmware dialog, OK in every box.
class User : public QObject {
 public:
  qint64 warningClosedMs = -1;
  qint64 completedShownMs = -1;
  QStringList boxes;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow())
      QMetaObject::invokeMethod(this, [this] { Act(); }, Qt::QueuedConnection);
    return false;
  }

 private:
  void Act() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxes << box->text();
      if (box->text().startsWith("NIE")) warningClosedMs = Simulator::NowMs();
      if (box->text().startsWith("Aktualizacja")) completedShownMs = Simulator::NowMs();
      box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
    } else if (auto* boot = qobject_cast<TFboot*>(modal)) {
      boot->findChild<QPushButton*>("Button1")->click();
      boot->findChild<QPushButton*>("ButtonStart")->click();
    } else if (modal) {
      modal->close();
    }
  }
};
}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  QTextStream out(stdout);

  Simulator sim({.baud = Baud, .stageStepMs = 0});
  QString why;
  if (!sim.Start(&why)) {
    out << "cannot start the simulator: " << why << "\n";
    return 1;
  }
  PortFolder ports;
  if (ports.AddLink("velt-sim", sim.DevicePath(), &why).isEmpty()) {
    out << "cannot offer the simulator's port: " << why << "\n";
    return 1;
  }
  QTemporaryDir folder;
  QByteArray file("gfr");
  for (int i = 0; i < ImageSize; ++i) file.append(char((i * 37 + 11) % 251));
  quint8 check = 0;
  for (char c : file) check ^= quint8(c);
  file.append(char(check));
  const QString path = folder.filePath("full.gfr");
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(file) != file.size()) {
    out << "cannot write " << path << "\n";
    return 1;
  }
  f.close();

  User user;
  app.installEventFilter(&user);
  TMain window(nullptr, ports.Roots());
  window.show();
  window.ChooseOpenFile = [path](const QString&) { return path; };
  window.ui.Button_polacz->click();
  if (!window.LoggedIn) {
    out << "login failed\n";
    return 1;
  }

  window.ui.ButtonFirmware->click();  // returns once the dialog has closed itself
  const qint64 endMs = Simulator::NowMs();
  const QList<LoggedRequest> log = sim.Requests();
  QList<LoggedRequest> blocks;
  qint64 restartMs = -1, endRequestMs = -1;
  for (const LoggedRequest& r : log) {
    if (r.command == Cmd::Restart) restartMs = r.ms;
    if (r.command == Cmd::FirmwareBlock) blocks << r;
    if (r.command == Cmd::FirmwareEnd) endRequestMs = r.ms;
  }
  const bool complete = blocks.size() == Blocks && sim.ReceivedFirmware() == file.mid(3, ImageSize) + QByteArray(4, char(0xFF)) &&
                        endRequestMs > 0 && user.completedShownMs > 0;
  if (user.warningClosedMs < 0 || blocks.isEmpty()) {
    out << "the transfer did not run; boxes: " << user.boxes.join(" | ") << "\n";
    return 1;
  }

  const double byteS = 10.0 / Baud;
  const double limitS = Blocks * BytesPerBlock * byteS + PausesS;
  const double tookS = (endMs - user.warningClosedMs) / 1000.0;
  const double blockLimitMs = BytesPerBlock * byteS * 1000;
  const double perBlockMs = blocks.size() > 1 ? double(blocks.last().ms - blocks.first().ms) / (blocks.size() - 1) : 0;
  out << QStringLiteral("image %1 bytes, %2 blocks received, %3 resends, outcome: %4\n")
             .arg(ImageSize).arg(blocks.size()).arg(blocks.size() - Blocks)
             .arg(complete ? QStringLiteral("completed") : QStringLiteral("NOT COMPLETED (") + user.boxes.join(" | ") + ")");
  out << QStringLiteral("warning dismissed -> restart request arrived:   %1 ms (its 5 bytes take %2 ms)\n")
             .arg(restartMs - user.warningClosedMs).arg(5 * byteS * 1000, 0, 'f', 1);
  // Arrival times are those of a frame's last byte: the restart frame's own time is inside the pause.
  out << QStringLiteral("restart request -> block 0 arrived:             %1 ms (2000 ms pause - %2 ms + %3 ms frame)\n")
             .arg(blocks.first().ms - restartMs).arg(5 * byteS * 1000, 0, 'f', 1).arg(69 * byteS * 1000, 0, 'f', 1);
  out << QStringLiteral("block to block, average over %1:               %2 ms (line: %3 ms)\n")
             .arg(blocks.size() - 1).arg(perBlockMs, 0, 'f', 2).arg(blockLimitMs, 0, 'f', 2);
  out << QStringLiteral("last block -> end request arrived:              %1 ms (2000 ms pause + ack %2 ms + frame %3 ms)\n")
             .arg(endRequestMs - blocks.last().ms).arg(byteS * 1000, 0, 'f', 1).arg(5 * byteS * 1000, 0, 'f', 1);
  out << QStringLiteral("completion box -> dialog closed:                %1 ms (1000 ms pause)\n")
             .arg(endMs - user.completedShownMs);
  out << QStringLiteral("time %1 s, limit %2 s (%3 x %4 bytes x 10 bits / %5 bit/s + %6 s of pauses)\n")
             .arg(tookS, 0, 'f', 3).arg(limitS, 0, 'f', 3).arg(Blocks).arg(BytesPerBlock).arg(Baud).arg(PausesS, 0, 'f', 0);
  out << QStringLiteral("RESULT firmware_ratio=%1\n").arg(tookS / limitS, 0, 'f', 4);
  out.flush();
  window.close();
  return complete ? 0 : 1;
}
