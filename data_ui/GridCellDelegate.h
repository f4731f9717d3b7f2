// Paints the cells of the data table the way the grid looks: coloured text on a coloured cell, with
// thick grid lines along each cell's right and bottom edge. Plain fills only, so that scrolling
// through a very long table stays quick.
#pragma once

#include <QColor>
#include <QStyledItemDelegate>

class GridCellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  GridCellDelegate(QColor text, QColor cell, QColor line, int lineWidth, QObject* parent = nullptr);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  QColor text_;
  QColor cell_;
  QColor line_;
  int lineWidth_;
};
