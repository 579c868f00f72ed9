#include "activity/ConnectionList.h"

#include <algorithm>
#include <numeric>

namespace tavrel {

void ConnectionList::AddColumn(std::string header) {
  columns_.push_back(Column{std::move(header), 0});
  Changed();
}

void ConnectionList::SetColumnWidth(std::size_t column, int widthTwips) {
  if (column >= columns_.size()) return;
  columns_[column].widthTwips = widthTwips;
  Changed();
}

void ConnectionList::Clear() {
  rows_.clear();
  order_.clear();
  orderValid_ = true;
  Changed();
}

void ConnectionList::Add(Row row) {
  rows_.push_back(std::move(row));
  orderValid_ = false;
  Changed();
}

const ConnectionList::Row& ConnectionList::Item(std::size_t displayIndex) const {
  static const Row kEmpty{};
  if (displayIndex >= rows_.size()) return kEmpty;
  if (!orderValid_) Resort();
  return rows_[order_[displayIndex]];
}

void ConnectionList::ColumnClick(std::size_t column) {
  sortKey_ = column;
  descending_ = !descending_;
  sorted_ = true;
  orderValid_ = false;
  Changed();
}

void ConnectionList::BeginUpdate() { ++updating_; }

void ConnectionList::EndUpdate() {
  if (updating_ > 0 && --updating_ == 0 && pendingChange_) {
    pendingChange_ = false;
    if (sink_) sink_->Changed();
  }
}

void ConnectionList::Resort() const {
  order_.resize(rows_.size());
  std::iota(order_.begin(), order_.end(), std::size_t{0});
  if (sorted_ && sortKey_ < kColumns) {
    const std::size_t key = sortKey_;
    // Text comparison, as the list view sorts: "10" comes before "9". Equal keys keep the
    // order in which the rows were added.
    if (descending_) {
      std::stable_sort(order_.begin(), order_.end(),
                       [&](std::size_t a, std::size_t b) { return rows_[b][key] < rows_[a][key]; });
    } else {
      std::stable_sort(order_.begin(), order_.end(),
                       [&](std::size_t a, std::size_t b) { return rows_[a][key] < rows_[b][key]; });
    }
  }
  orderValid_ = true;
}

void ConnectionList::Changed() {
  if (updating_ > 0) {
    pendingChange_ = true;
    return;
  }
  if (sink_) sink_->Changed();
}

}  // namespace tavrel
