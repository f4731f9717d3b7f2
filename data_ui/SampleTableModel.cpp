#include "data_ui/SampleTableModel.h"

#include <algorithm>
#include <utility>

namespace {
constexpr int kGridColumns = 5;

// The cells hold single-byte text.
QString CellText(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

SampleTableModel::SampleTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void SampleTableModel::SetTable(SampleTable table) {
  beginResetModel();
  table_ = std::move(table);
  endResetModel();
}

QString SampleTableModel::Cell(int column, int row) const {
  if (column < 0 || column >= kGridColumns || row < 0 || row >= GridRowCount()) return {};
  return CellText(table_.rows[static_cast<size_t>(row)][static_cast<size_t>(column)]);
}

int SampleTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return std::max(0, GridRowCount() - 1);
}

int SampleTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kGridColumns - 1;
}

QVariant SampleTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) return Cell(index.column() + 1, index.row() + 1);
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
  return {};
}

QVariant SampleTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) return Cell(section + 1, 0);
  return Cell(0, section + 1);
}

Qt::ItemFlags SampleTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;  // never editable
}
