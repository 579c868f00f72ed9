// ListView1: a Qt table model over the behaviour's connection list.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "activity/ConnectionList.h"

namespace tavrel::qt {

class ConnectionListModel : public QAbstractTableModel, public ConnectionList::ISink {
  Q_OBJECT
 public:
  explicit ConnectionListModel(ConnectionList& list, QObject* parent = nullptr);
  ~ConnectionListModel() override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;
  // The width last announced for a column, 0 where none was.
  int widthTwips(int column) const {
    return column >= 0 && column < static_cast<int>(widths_.size()) ? widths_[static_cast<std::size_t>(column)] : 0;
  }

 signals:
  // The behaviour set a column's width (when it made the columns): the view applies it.
  void columnWidthSet(int column, int widthTwips);

 private:
  void Changed() override;
  ConnectionList& list_;
  int rows_ = 0;
  int columns_ = 0;
  std::vector<int> widths_;  // the widths announced, per column
};

}  // namespace tavrel::qt
