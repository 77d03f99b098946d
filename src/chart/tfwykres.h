#pragma once
// "Wykres sygnału GSM": the signal level of every status reply of the connection, up to the last
// half hour, with the modem's stage changes and the level's minimum, average and maximum. It
// follows the replies as they come and stands still while none come; it only reads the history
// that the main window records.
#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "status_history.h"

class QChart;
class QCategoryAxis;
class QLabel;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
class StageMarks;

namespace Ui {
class TFWykres;
}

class TFWykres : public QDialog {
  Q_OBJECT

 public:
  // The main window's save dialog, which tests answer; empty when cancelled.
  using ChooseSaveFile = std::function<QString(const QString& filter, const QString& suffix)>;

  TFWykres(const StatusHistory& history, ChooseSaveFile chooseSaveFile, QWidget* parent);
  ~TFWykres() override;

  QChart* Chart() const { return chart_; }
  // Whether the window is connected: without replies, the chart says which of the two is missing.
  void ShowConnection(bool online);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildChart();
  void HistoryChanged();
  void Redraw();      // the chart and the figures of what it shows
  void ShowLatest();  // the last minute's figures and the last reply
  QLineSeries* AddLevelLine();
  static void ShowStats(const SignalStats& stats, QLabel* minimum, QLabel* average, QLabel* maximum, QLabel* count);
  // "Zapisz CSV": the replies shown, a line each. "Zapisz obraz": the chart and its figures.
  void SaveCsv();
  void SaveImage();
  void SaveFile(const QString& filter, const QString& suffix, const QByteArray& data);

  std::unique_ptr<Ui::TFWykres> ui;
  const StatusHistory& history_;
  ChooseSaveFile chooseSaveFile_;
  QChart* chart_ = nullptr;
  QCategoryAxis* timeAxis_ = nullptr;  // labels on round times, from the first to the last shown
  QValueAxis* levelAxis_ = nullptr;
  std::vector<QLineSeries*> lines_;  // the level line's pieces; the first one is in the legend
  QScatterSeries* dots_ = nullptr;
  QScatterSeries* noLevel_ = nullptr;
  std::unique_ptr<StageMarks> marks_;
  qint64 fromMs_ = 0;  // what is shown, on the monotonic clock
  qint64 toMs_ = 0;
  qint64 bucketMs_ = 0;         // of the line drawn
  qint64 drawnNewestMs_ = -1;   // the newest reply drawn; -1: none
  qint64 drawnWallOffsetMs_ = 0;  // the wall clock's, that the axis was labelled with
  bool online_ = false;
};
