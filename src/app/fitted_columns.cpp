#include "fitted_columns.h"

#include <QEvent>
#include <QHeaderView>
#include <QTableView>
#include <algorithm>
#include <numeric>

namespace {

// A column of no more than this is never cut: dates, numbers, sites stay whole, and the table
// scrolls instead when even the cut ones do not fit.
constexpr int FloorChars = 24;

// Keeps the natural widths measured when the contents changed, and fits them to the room the
// viewport has whenever it is resized.
class FittedColumns : public QObject {
 public:
  explicit FittedColumns(QTableView* table) : QObject(table), table_(table) {
    table->viewport()->installEventFilter(this);
  }

  void Measure() {
    natural_.clear();
    const QHeaderView* header = table_->horizontalHeader();
    const QAbstractItemView* view = table_;  // where measuring a column is public
    for (int c = 0; c < header->count(); ++c)
      natural_ << std::max(view->sizeHintForColumn(c), header->sectionSizeHint(c));
    Apply();
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize) Apply();
    return false;
  }

 private:
  void Apply() {
    const int floor = std::max(table_->horizontalHeader()->minimumSectionSize(),
                               table_->fontMetrics().averageCharWidth() * FloorChars);
    const QList<int> widths = FitWidths(natural_, table_->viewport()->width(), floor);
    for (int c = 0; c < int(widths.size()); ++c) table_->horizontalHeader()->resizeSection(c, widths[c]);
  }

  QTableView* table_;
  QList<int> natural_;
};

}  // namespace

QList<int> FitWidths(const QList<int>& natural, int room, int floor) {
  if (std::accumulate(natural.cbegin(), natural.cend(), 0) <= room) return natural;
  QList<int> widest = natural;
  std::sort(widest.begin(), widest.end(), std::greater<>());
  // The k widest share what the others leave; the first k whose share covers the next is it.
  int cap = floor;
  int rest = std::accumulate(widest.cbegin(), widest.cend(), 0);
  for (int k = 1; k <= int(widest.size()); ++k) {
    rest -= widest[k - 1];
    const int share = (room - rest) / k;
    if (k == int(widest.size()) || share >= widest[k]) {
      cap = std::max(share, floor);
      break;
    }
  }
  QList<int> widths;
  for (int width : natural) widths << std::min(width, cap);
  return widths;
}

void FitColumnsToContents(QTableView* table) {
  FittedColumns* fitted = nullptr;
  for (QObject* child : table->children())
    if ((fitted = dynamic_cast<FittedColumns*>(child))) break;
  if (!fitted) fitted = new FittedColumns(table);
  fitted->Measure();
}
