#pragma once
#include <QObject>

// The signal chart: opened from the gauge or the Info menu, following the status replies, and
// saving what it shows.
class TestSignalChart : public QObject {
  Q_OBJECT
 private slots:
  void opens_data();
  void opens();
  void savesWhatIsShown();
  void wallClockSteps_data();
  void wallClockSteps();
  void noConnectionIsNotSilence();
};
