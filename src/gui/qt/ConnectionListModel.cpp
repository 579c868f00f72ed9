#include "gui/qt/ConnectionListModel.h"

namespace tavrel::qt {

ConnectionListModel::ConnectionListModel(ConnectionList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {
  rows_ = static_cast<int>(list_.Count());
  columns_ = static_cast<int>(list_.Columns().size());
  widths_.assign(list_.Columns().size(), 0);
  list_.SetSink(this);
}

ConnectionListModel::~ConnectionListModel() { list_.SetSink(nullptr); }

// A refresh arrives as one change (the list brackets it): the rows that stay on screen are
// repainted with their new text and only the difference in count is inserted or removed, so the
// view keeps its scroll position and does not flicker. Columns are announced only when they are
// made or the behaviour sets a width, never at a refresh, so that the widths the user gave the
// columns stay.
void ConnectionListModel::Changed() {
  const auto& columns = list_.Columns();
  const int newColumns = static_cast<int>(columns.size());
  if (newColumns != columns_) {
    beginResetModel();
    columns_ = newColumns;
    rows_ = static_cast<int>(list_.Count());
    endResetModel();
    widths_.assign(columns.size(), 0);
  } else {
    const int newRows = static_cast<int>(list_.Count());
    if (newRows < rows_) {
      beginRemoveRows({}, newRows, rows_ - 1);
      rows_ = newRows;
      endRemoveRows();
    } else if (newRows > rows_) {
      beginInsertRows({}, rows_, newRows - 1);
      rows_ = newRows;
      endInsertRows();
    }
    if (rows_ > 0 && columns_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
  }
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (columns[c].widthTwips == widths_[c]) continue;
    widths_[c] = columns[c].widthTwips;
    if (widths_[c] > 0) emit columnWidthSet(static_cast<int>(c), widths_[c]);
  }
}

int ConnectionListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int ConnectionListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant ConnectionListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_ ||
      index.column() >= static_cast<int>(ConnectionList::kColumns))
    return {};
  return QString::fromLatin1(
      list_.Item(static_cast<std::size_t>(index.row()))[static_cast<std::size_t>(index.column())].c_str());
}

QVariant ConnectionListModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columns_) return {};
  return QString::fromLatin1(list_.Columns()[static_cast<std::size_t>(section)].header.c_str());
}

}  // namespace tavrel::qt
