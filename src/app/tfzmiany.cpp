#include "tfzmiany.h"

#include <QHeaderView>

#include "ui_tfzmiany.h"

TFZmiany::TFZmiany(const QString& title, const QString& note, const QStringList& headers,
                   const QList<ChangeRow>& rows, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFZmiany>()) {
  ui->setupUi(this);
  setWindowTitle(title);
  ui->LabelOpis->setText(note);
  connect(ui->Button_zamknij, &QPushButton::clicked, this, &QDialog::accept);
  QTableWidget* table = ui->Table_zmiany;
  table->setHorizontalHeaderLabels(headers);
  table->setRowCount(int(rows.size()));
  for (int r = 0; r < table->rowCount(); ++r) {
    const ChangeRow& row = rows[r];
    int column = 0;
    for (const QString& text : {row.caption, row.first, row.second}) {
      auto* item = new QTableWidgetItem(text);
      item->setToolTip(text);
      table->setItem(r, column++, item);
    }
  }
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
  // The caption as wide as it needs, the two values sharing the rest.
  table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  table->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
  table->setVisible(!rows.isEmpty());
  if (rows.isEmpty()) adjustSize();
}

TFZmiany::~TFZmiany() = default;
