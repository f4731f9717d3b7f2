// The data table as a read-only model for a table view. The table's row 0 (headings) and column 0
// (sample numbers) are the fixed cells of the grid: they are served as the view's header texts, so
// they stay in place while the samples scroll. The model cells are rows 1..N, columns 1..4.
#pragma once

#include <QAbstractTableModel>

#include "data/SampleTable.h"

class SampleTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit SampleTableModel(QObject* parent = nullptr);

  // Replaces the whole table in one step (one model reset, however many rows).
  void SetTable(SampleTable table);
  const SampleTable& Table() const { return table_; }

  // Cell (column, row) of the grid, row 0 being the headings and column 0 the numbers; empty text
  // outside the table.
  QString Cell(int column, int row) const;
  // Rows of the grid including the heading row.
  int GridRowCount() const { return static_cast<int>(table_.rows.size()); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  SampleTable table_;
};
