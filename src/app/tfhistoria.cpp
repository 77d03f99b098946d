#include "tfhistoria.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QPalette>
#include <QSortFilterProxyModel>
#include <QStyle>

#include "entry_columns.h"
#include "message_box.h"
#include "ui_tfhistoria.h"

namespace {

constexpr int ColumnRoom = 12;

// Each column as wide as its widest text in any row, measured by the font alone: asking the
// view to measure every cell is slow for a long history.
void FitColumns(QTableView* table, const QList<QStringList>& rows, const QStringList& titles) {
  QHeaderView* header = table->horizontalHeader();
  const QFontMetrics cells = table->fontMetrics();
  const QFontMetrics heads = header->fontMetrics();
  for (int c = 0; c < EntryColumns::Count; ++c) {
    int widest = heads.horizontalAdvance(titles.value(c)) + header->style()->pixelMetric(QStyle::PM_HeaderMargin) * 2;
    for (const QStringList& row : rows) widest = qMax(widest, cells.horizontalAdvance(row[c]));
    header->resizeSection(c, widest + ColumnRoom);
  }
}

class EntryModel : public QAbstractTableModel {
 public:
  EntryModel(const QList<HistoryRow>& entries, const QList<QStringList>& rows, QObject* parent)
      : QAbstractTableModel(parent), entries_(entries), rows_(rows), titles_(EntryColumns::Titles()) {}

  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(rows_.size()); }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : EntryColumns::Count; }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    const bool readable = entries_[index.row()].listed.readable;
    switch (role) {
      case Qt::DisplayRole: return rows_[index.row()][index.column()];
      case Qt::ForegroundRole:
        return readable ? QVariant() : QVariant(QPalette().brush(QPalette::Disabled, QPalette::Text));
      case Qt::ToolTipRole:
        return readable ? QVariant() : QVariant(QStringLiteral("Plik wpisu jest uszkodzony i nie da się go wczytać"));
      default: return {};
    }
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return titles_.value(section);
  }

 private:
  const QList<HistoryRow>& entries_;
  const QList<QStringList>& rows_;
  const QStringList titles_;
};

}  // namespace

TFHistoria::TFHistoria(RegisterKeeper& keeper, Actions actions, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFHistoria>()), keeper_(keeper), listing_(RegisterHistory::List(keeper)),
      actions_(std::move(actions)) {
  ui->setupUi(this);
  rows_.reserve(listing_.rows.size());
  for (const HistoryRow& row : listing_.rows) rows_.append(EntryColumns::Of(row.listed));

  filter_ = new QSortFilterProxyModel(this);
  filter_->setSourceModel(new EntryModel(listing_.rows, rows_, this));
  filter_->setFilterKeyColumn(-1);
  filter_->setFilterCaseSensitivity(Qt::CaseInsensitive);
  QTableView* table = ui->Table_historia;
  table->setModel(filter_);
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
  FitColumns(table, rows_, EntryColumns::Titles());
  // A long device path gives way to the other columns, shortened in its middle.
  QHeaderView* header = table->horizontalHeader();
  header->setSectionResizeMode(EntryColumns::Port, QHeaderView::Stretch);
  header->setStretchLastSection(false);
  table->setTextElideMode(Qt::ElideMiddle);

  ShowCount();
  connect(ui->Edit_szukaj, &QLineEdit::textChanged, this, &TFHistoria::Filter);
  connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TFHistoria::UpdateButtons);
  connect(ui->Button_wczytaj, &QPushButton::clicked, this, &TFHistoria::Button_wczytajClick);
  connect(ui->Button_porownaj, &QPushButton::clicked, this, &TFHistoria::Button_porownajClick);
  connect(ui->Button_zamknij, &QPushButton::clicked, this, &QDialog::reject);
  if (!listing_.rows.isEmpty()) table->selectRow(0);
  UpdateButtons();
}

TFHistoria::~TFHistoria() = default;

const HistoryRow* TFHistoria::Chosen() const {
  const QModelIndex current = ui->Table_historia->currentIndex();
  if (!current.isValid()) return nullptr;
  const HistoryRow& entry = listing_.rows[filter_->mapToSource(current).row()];
  return entry.listed.readable ? &entry : nullptr;
}

std::optional<ConfigFile> TFHistoria::ChosenFile() {
  const HistoryRow* entry = Chosen();
  if (!entry) return std::nullopt;
  QString error;
  std::optional<ConfigFile> file = RegisterHistory::Load(keeper_, *entry, &error);
  if (!file) ErrorBox(error);
  return file;
}

// The rows holding the text; the first of them chosen when the chosen one is gone.
void TFHistoria::Filter(const QString& text) {
  filter_->setFilterFixedString(text);
  if (!ui->Table_historia->currentIndex().isValid() && filter_->rowCount() > 0) ui->Table_historia->selectRow(0);
  UpdateButtons();
  ShowCount();
}

// How many entries there are, and how many of them the filter shows.
void TFHistoria::ShowCount() {
  const int all = int(listing_.rows.size());
  const int shown = filter_->rowCount();
  const QString count = shown == all ? QString::number(all) : QStringLiteral("%1 z %2").arg(shown).arg(all);
  const QString state = !listing_.error.isEmpty() ? listing_.error
                        : all == 0              ? QStringLiteral("Historia jest pusta (%1)").arg(listing_.place)
                                                : QStringLiteral("Wpisów: %1 (%2)").arg(count, listing_.place);
  // The register that could not be read, and that the folder is listed instead.
  ui->LabelFolder->setText(listing_.warning.isEmpty() || !listing_.error.isEmpty()
                               ? state
                               : QStringLiteral("%1; historia z folderu. %2").arg(listing_.warning, state));
}

void TFHistoria::UpdateButtons() {
  const bool chosen = Chosen() != nullptr;
  ui->Button_wczytaj->setEnabled(chosen);
  ui->Button_porownaj->setEnabled(chosen);
}

void TFHistoria::Button_wczytajClick() {
  if (const std::optional<ConfigFile> file = ChosenFile(); file && actions_.load(*file)) accept();
}

void TFHistoria::Button_porownajClick() {
  if (const std::optional<ConfigFile> file = ChosenFile())
    actions_.compare(*file, rows_[Chosen() - listing_.rows.constData()]);
}
