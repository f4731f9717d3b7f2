#include "data_ui/GridCellDelegate.h"

#include <QPainter>

namespace {
constexpr int kTextMargin = 2;
}

GridCellDelegate::GridCellDelegate(QColor text, QColor cell, QColor line, int lineWidth,
                                   QObject* parent)
    : QStyledItemDelegate(parent), text_(text), cell_(cell), line_(line), lineWidth_(lineWidth) {}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  painter->save();
  painter->fillRect(option.rect, line_);
  const QRect inner = option.rect.adjusted(0, 0, -lineWidth_, -lineWidth_);
  const bool selected = option.state.testFlag(QStyle::State_Selected);
  painter->fillRect(inner, selected ? option.palette.highlight().color() : cell_);
  painter->setPen(selected ? option.palette.highlightedText().color() : text_);
  painter->setFont(option.font);
  painter->drawText(inner.adjusted(kTextMargin, 0, -kTextMargin, 0),
                    Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                    index.data(Qt::DisplayRole).toString());
  painter->restore();
}
