// The signal chart beside the main window: one at a time, fed by the replies the window records.
#include "tfwykres.h"
#include "tmain.h"

void TMain::WykresGSM1Click() {
  if (!SignalChart) {
    // The window's save dialog, looked up at each save: a test may answer it in the meantime.
    SignalChart = new TFWykres(
        History, [this](const QString& filter, const QString& suffix) { return ChooseSaveFile(filter, suffix); }, this);
  }
  SignalChart->ShowConnection(Online);
  SignalChart->show();
  SignalChart->raise();
  SignalChart->activateWindow();
}
