#include "tfhistoria.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QPalette>
#include <QSortFilterProxyModel>
#include <QStyle>

#include "entry_columns.h"
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
  EntryModel(const QList<ListedEntry>& entries, const QList<QStringList>& rows, QObject* parent)
      : QAbstractTableModel(parent), entries_(entries), rows_(rows), titles_(EntryColumns::Titles()) {}

  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(rows_.size()); }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : EntryColumns::Count; }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    const bool readable = entries_[index.row()].readable;
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
  const QList<ListedEntry>& entries_;
  const QList<QStringList>& rows_;
  const QStringList titles_;
};

}  // namespace

TFHistoria::TFHistoria(const HistoryStore& store, Actions actions, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFHistoria>()), store_(store), entries_(store.List(&error_)),
      actions_(std::move(actions)) {
  ui->setupUi(this);
  rows_.reserve(entries_.size());
  for (const ListedEntry& entry : entries_) rows_.append(EntryColumns::Of(entry));

  filter_ = new QSortFilterProxyModel(this);
  filter_->setSourceModel(new EntryModel(entries_, rows_, this));
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
  if (!entries_.isEmpty()) table->selectRow(0);
  UpdateButtons();
}

TFHistoria::~TFHistoria() = default;

const ListedEntry* TFHistoria::Chosen() const {
  const QModelIndex current = ui->Table_historia->currentIndex();
  if (!current.isValid()) return nullptr;
  const ListedEntry& entry = entries_[filter_->mapToSource(current).row()];
  return entry.readable ? &entry : nullptr;
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
  const int all = int(entries_.size());
  const int shown = filter_->rowCount();
  const QString count = shown == all ? QString::number(all) : QStringLiteral("%1 z %2").arg(shown).arg(all);
  ui->LabelFolder->setText(!error_.isEmpty()      ? error_
                           : entries_.isEmpty() ? QStringLiteral("Historia jest pusta (%1)").arg(store_.Folder())
                                                : QStringLiteral("Wpisów: %1 (%2)").arg(count, store_.Folder()));
}

void TFHistoria::UpdateButtons() {
  const bool chosen = Chosen() != nullptr;
  ui->Button_wczytaj->setEnabled(chosen);
  ui->Button_porownaj->setEnabled(chosen);
}

void TFHistoria::Button_wczytajClick() {
  if (const ListedEntry* entry = Chosen(); entry && actions_.load(store_.PathOf(entry->fileName))) accept();
}

void TFHistoria::Button_porownajClick() {
  if (const ListedEntry* entry = Chosen())
    actions_.compare(store_.PathOf(entry->fileName), rows_[entry - entries_.constData()]);
}
