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

  // What is shown: from and to, in milliseconds since the epoch.
  qint64 ShownFromMs() const { return fromMs_; }
  qint64 ShownToMs() const { return toMs_; }
  QChart* Chart() const { return chart_; }

  // "Zapisz CSV": the replies shown, a line each. "Zapisz obraz": the chart and its figures.
  void SaveCsv();
  void SaveImage();

 private:
  void BuildChart();
  void Refresh();
  QLineSeries* AddLevelLine();
  static void ShowStats(const SignalStats& stats, QLabel* minimum, QLabel* average, QLabel* maximum, QLabel* count);
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
  qint64 fromMs_ = 0;
  qint64 toMs_ = 0;
};
