#include "tfwykres.h"

#include <QBuffer>
#include <QChart>
#include <QDateTime>
#include <QCategoryAxis>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QScatterSeries>
#include <QValueAxis>

#include "atomic_write.h"
#include "colours.h"
#include "message_box.h"
#include "signal_plot.h"
#include "stage_marks.h"
#include "status_csv.h"
#include "ui_tfwykres.h"

namespace {
constexpr int SpanMinutes[] = {1, 5, 15, 30};
constexpr qint64 SecondsOnAxisUpToMs = 10 * 60 * 1000;  // longer spans show hours and minutes only
constexpr int LineWidth = 2;
constexpr int DotSize = 5;
constexpr double ScaleRoom = 0.025;  // of the scale, below 0 and above its top
constexpr int PixelsPerBucket = 3;   // the line's lowest and highest level in each
const QString TimeFormat = QStringLiteral("HH:mm:ss");
constexpr qint64 WallStepMs = 1000;  // less is the jitter between reading the two clocks

QString WallTime(qint64 wallMs, const QString& format = TimeFormat) {
  return QDateTime::fromMSecsSinceEpoch(wallMs).toString(format);
}

QString LevelText(double level, int decimals) {
  return QStringLiteral("%1 (%2%)")
      .arg(QLocale(QLocale::Polish).toString(level, 'f', decimals))
      .arg(qRound(level * 100 / SignalScale));
}
}  // namespace

TFWykres::TFWykres(const StatusHistory& history, ChooseSaveFile chooseSaveFile, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFWykres>()), history_(history),
      chooseSaveFile_(std::move(chooseSaveFile)) {
  ui->setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose);
  for (int minutes : SpanMinutes) ui->ComboZakres->addItem(QStringLiteral("%1 min").arg(minutes), minutes);
  ui->ComboZakres->setCurrentIndex(ui->ComboZakres->count() - 1);
  BuildChart();

  connect(&history, &StatusHistory::Changed, this, &TFWykres::HistoryChanged);
  connect(ui->ComboZakres, &QComboBox::currentIndexChanged, this, &TFWykres::Redraw);
  connect(ui->ButtonZapiszCSV, &QPushButton::clicked, this, &TFWykres::SaveCsv);
  connect(ui->ButtonZapiszObraz, &QPushButton::clicked, this, &TFWykres::SaveImage);
  connect(ui->ButtonZamknij, &QPushButton::clicked, this, &QDialog::close);
  Redraw();
  ShowLatest();
}

TFWykres::~TFWykres() = default;

void TFWykres::BuildChart() {
  chart_ = new QChart;
  chart_->setMargins(QMargins(2, 2, 2, 2));
  chart_->setBackgroundRoundness(0);
  chart_->legend()->setAlignment(Qt::AlignBottom);
  chart_->legend()->setFont(font());

  timeAxis_ = new QCategoryAxis;
  timeAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  // A little room beyond 0 and 20, so that a line at either is not cut in half by the edge; the
  // ticks stay on 0, 5 .. 20 and on 0, 25 .. 100%, level for level.
  const auto scale = [](double maximum, const char* format) {
    auto* axis = new QValueAxis;
    axis->setRange(-maximum * ScaleRoom, maximum * (1 + ScaleRoom));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(maximum / 4);
    axis->setLabelFormat(QString::fromLatin1(format));
    return axis;
  };
  levelAxis_ = scale(SignalScale, "%d");
  levelAxis_->setMinorTickCount(4);
  levelAxis_->setTitleText(QStringLiteral("Poziom"));
  QValueAxis* percentAxis = scale(100, "%d%%");
  percentAxis->setGridLineVisible(false);
  for (QAbstractAxis* axis : QList<QAbstractAxis*>{timeAxis_, levelAxis_, percentAxis}) {
    axis->setLabelsFont(font());
    axis->setTitleFont(font());
  }
  chart_->addAxis(timeAxis_, Qt::AlignBottom);
  chart_->addAxis(levelAxis_, Qt::AlignLeft);
  chart_->addAxis(percentAxis, Qt::AlignRight);

  AddLevelLine()->setName(QStringLiteral("Poziom sygnału"));
  const auto addScatter = [this](const QString& name, QRgb colour, QScatterSeries::MarkerShape shape) {
    auto* series = new QScatterSeries;
    series->setName(name);
    series->setMarkerShape(shape);
    series->setMarkerSize(DotSize);
    series->setColor(QColor(colour));
    series->setBorderColor(QColor(colour));
    chart_->addSeries(series);
    series->attachAxis(timeAxis_);
    series->attachAxis(levelAxis_);
    return series;
  };
  dots_ = addScatter(QString(), Colours::Blue, QScatterSeries::MarkerShapeCircle);
  chart_->legend()->markers(dots_).constFirst()->setVisible(false);
  noLevel_ = addScatter(QStringLiteral("Brak poziomu (99)"), Colours::Grey, QScatterSeries::MarkerShapeRectangle);

  // No points of its own: the marks are items on the chart, and this names them in the legend.
  auto* stageEntry = new QLineSeries;
  stageEntry->setName(QStringLiteral("Zmiana stanu modemu"));
  stageEntry->setPen(StageMarkPen());
  chart_->addSeries(stageEntry);
  stageEntry->attachAxis(timeAxis_);
  stageEntry->attachAxis(levelAxis_);

  // The view lets go of the chart it was made with rather than deleting it.
  QChart* madeWith = ui->ChartSygnal->chart();
  ui->ChartSygnal->setChart(chart_);
  delete madeWith;
  ui->ChartSygnal->setRenderHint(QPainter::Antialiasing);
  marks_ = std::make_unique<StageMarks>(chart_, lines_.front());
}

QLineSeries* TFWykres::AddLevelLine() {
  auto* line = new QLineSeries;
  line->setPen(QPen(QColor(Colours::Blue), LineWidth));
  chart_->addSeries(line);
  line->attachAxis(timeAxis_);
  line->attachAxis(levelAxis_);
  if (!lines_.empty()) chart_->legend()->markers(line).constFirst()->setVisible(false);
  lines_.push_back(line);
  return line;
}

void TFWykres::HistoryChanged() {
  // A new reply moves the line only when it starts another of the line's buckets: on half an
  // hour a second is a third of a pixel, and redrawing the chart is what costs.
  // A step of the wall clock relabels the axis at once.
  const qint64 newestMs = history_.Size() ? history_.At(history_.Size() - 1).monotonicMs : -1;
  if (newestMs < 0 || drawnNewestMs_ < 0 || newestMs < drawnNewestMs_ || newestMs - drawnNewestMs_ >= bucketMs_ ||
      qAbs(history_.WallOffsetMs() - drawnWallOffsetMs_) >= WallStepMs)
    Redraw();
  ShowLatest();
}

void TFWykres::Redraw() {
  // Up to the chosen span back from the newest reply; a shorter history fills the width from
  // its first reply on, at least a minute of it.
  const qint64 spanMs = ui->ComboZakres->currentData().toInt() * 60 * 1000LL;
  const bool empty = history_.Size() == 0;
  drawnNewestMs_ = empty ? -1 : history_.At(history_.Size() - 1).monotonicMs;
  const qint64 newestMs = empty ? history_.Now().monotonicMs : drawnNewestMs_;
  const qint64 oldestMs = empty ? newestMs : history_.At(0).monotonicMs;
  fromMs_ = qMax(oldestMs, newestMs - spanMs);
  toMs_ = qMax(newestMs, fromMs_ + StatusHistory::MinuteMs);
  bucketMs_ = (toMs_ - fromMs_) * PixelsPerBucket / qMax(ui->ChartSygnal->width(), 1);

  timeAxis_->setRange(fromMs_, toMs_);
  timeAxis_->setStartValue(fromMs_);
  for (const QString& label : timeAxis_->categoriesLabels()) timeAxis_->remove(label);
  const QString format = toMs_ - fromMs_ > SecondsOnAxisUpToMs ? QStringLiteral("HH:mm") : TimeFormat;
  // Placed on the monotonic clock, labelled with the wall clock as it reads now.
  const qint64 wallOffsetMs = history_.WallOffsetMs();
  drawnWallOffsetMs_ = wallOffsetMs;
  const qint64 utcOffsetMs = QDateTime::currentDateTime().offsetFromUtc() * 1000LL;
  for (const qint64 tick : RoundTimeTicks(fromMs_, toMs_, wallOffsetMs + utcOffsetMs))
    timeAxis_->append(WallTime(tick + wallOffsetMs, format), tick);

  const SignalPlot plot = PlotSignal(history_, fromMs_, toMs_, bucketMs_);
  while (lines_.size() < size_t(plot.lines.size())) AddLevelLine();
  for (size_t i = 0; i < lines_.size(); ++i)
    lines_[i]->replace(i < size_t(plot.lines.size()) ? plot.lines[qsizetype(i)] : QList<QPointF>());
  dots_->replace(plot.dots);
  noLevel_->replace(plot.noLevel);
  marks_->Show(plot.stageChanges);

  ShowStats(history_.Stats(fromMs_, toMs_), ui->LabelWykresMin, ui->LabelWykresSr, ui->LabelWykresMax, ui->LabelWykresIle);
  ui->LabelZakresCzasu->setText(QStringLiteral("Na wykresie %1 – %2")
                                    .arg(WallTime(fromMs_ + wallOffsetMs), WallTime(toMs_ + wallOffsetMs)));
}

void TFWykres::ShowLatest() {
  ShowStats(history_.LastMinute(), ui->LabelMinutaMin, ui->LabelMinutaSr, ui->LabelMinutaMax, ui->LabelMinutaIle);
  if (history_.Size() == 0) {
    ui->LabelStan->setText(online_ ? QStringLiteral("Brak odpowiedzi od sterownika")
                                   : QStringLiteral("Brak połączenia ze sterownikiem"));
    return;
  }
  const StatusSample& newest = history_.At(history_.Size() - 1);
  const QString stage = newest.Reply().StageText;
  ui->LabelStan->setText(QStringLiteral("Ostatnia odpowiedź %1%2")
                             .arg(WallTime(newest.wallMs),
                                  stage.isEmpty() ? QString() : QStringLiteral(": ") + stage));
}

void TFWykres::ShowConnection(bool online) {
  online_ = online;
  ShowLatest();
}

void TFWykres::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  Redraw();  // the line's detail follows the chart's width
}

void TFWykres::ShowStats(const SignalStats& stats, QLabel* minimum, QLabel* average, QLabel* maximum, QLabel* count) {
  const bool known = stats.withLevel > 0;
  const QString none = QStringLiteral("—");
  minimum->setText(known ? LevelText(stats.minimum, 0) : none);
  average->setText(known ? LevelText(stats.average, 1) : none);
  maximum->setText(known ? LevelText(stats.maximum, 0) : none);
  const int withoutLevel = stats.replies - stats.withLevel;
  count->setText(withoutLevel == 0 ? QString::number(stats.replies)
                                   : QStringLiteral("%1 (bez poziomu: %2)").arg(stats.replies).arg(withoutLevel));
}

void TFWykres::SaveCsv() {
  QByteArray data = (StatusCsv::Header() + u'\n').toUtf8();
  for (int i = history_.IndexFrom(fromMs_); i < history_.Size() && history_.At(i).monotonicMs <= toMs_; ++i)
    data += (StatusCsv::Line(history_.At(i)) + u'\n').toUtf8();
  SaveFile(QStringLiteral("Plik CSV (*.csv)"), QStringLiteral("csv"), data);
}

void TFWykres::SaveImage() {
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  ui->PanelWykres->grab().save(&buffer, "PNG");
  SaveFile(QStringLiteral("Obraz PNG (*.png)"), QStringLiteral("png"), data);
}

void TFWykres::SaveFile(const QString& filter, const QString& suffix, const QByteArray& data) {
  const QString path = chooseSaveFile_(filter, suffix);
  if (path.isEmpty()) return;
  QString error;
  if (!WriteFileAtomically(path, data, &error)) ErrorBox(error);
}
