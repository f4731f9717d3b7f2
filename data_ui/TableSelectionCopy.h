// Ctrl+C on a table view copies every selected cell, not only the current one, as tab-separated
// rows: the form in which spreadsheets paste a block of cells.
#pragma once

#include <QObject>
#include <QString>

class QAbstractItemModel;
class QItemSelection;
class QTableView;

// The cells of the selection's bounding rectangle, top row first: a tab between cells and a line
// break after each row. A cell inside the rectangle that is not selected gives an empty field, so
// the pasted cells keep their places. Empty text for an empty selection.
QString SelectionAsTabSeparatedRows(const QAbstractItemModel& model,
                                    const QItemSelection& selection);

class TableSelectionCopy : public QObject {
  Q_OBJECT
 public:
  // Watches `view`'s keys; lives as long as the view.
  explicit TableSelectionCopy(QTableView& view);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTableView& view_;
};
