#include "data_ui/TableSelectionCopy.h"

#include <QAbstractItemModel>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelection>
#include <QKeyEvent>
#include <QTableView>
#include <algorithm>
#include <climits>

QString SelectionAsTabSeparatedRows(const QAbstractItemModel& model,
                                    const QItemSelection& selection) {
  int top = INT_MAX, bottom = -1, left = INT_MAX, right = -1;
  for (const QItemSelectionRange& range : selection) {
    if (!range.isValid()) continue;
    top = std::min(top, range.top());
    bottom = std::max(bottom, range.bottom());
    left = std::min(left, range.left());
    right = std::max(right, range.right());
  }
  QString text;
  if (bottom < 0) return text;
  for (int row = top; row <= bottom; ++row) {
    for (int column = left; column <= right; ++column) {
      if (column > left) text += QLatin1Char('\t');
      const QModelIndex index = model.index(row, column);
      if (selection.contains(index)) text += model.data(index, Qt::DisplayRole).toString();
    }
    text += QLatin1Char('\n');
  }
  return text;
}

TableSelectionCopy::TableSelectionCopy(QTableView& view) : QObject(&view), view_(view) {
  view.installEventFilter(this);
}

bool TableSelectionCopy::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &view_ || event->type() != QEvent::KeyPress) return false;
  if (!static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) return false;
  const QItemSelectionModel* selected = view_.selectionModel();
  if (!view_.model() || !selected) return false;
  QGuiApplication::clipboard()->setText(
      SelectionAsTabSeparatedRows(*view_.model(), selected->selection()));
  return true;
}
