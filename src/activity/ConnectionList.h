// The content of the connection list ListView1: six text columns, rows in the order they were
// added, and the list's own text sort once a header was clicked. A view draws it and is told
// when it changed.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace tavrel {

class ConnectionList {
 public:
  // The view, told after every change that it must redraw (columns, rows or order).
  class ISink {
   public:
    virtual ~ISink() = default;
    virtual void Changed() = 0;
  };
  static constexpr std::size_t kColumns = 6;
  using Row = std::array<std::string, kColumns>;
  struct Column {
    std::string header;
    int widthTwips = 0;  // 0: the view's default width
  };

  // Columns.
  void AddColumn(std::string header);
  void SetColumnWidth(std::size_t column, int widthTwips);
  const std::vector<Column>& Columns() const { return columns_; }

  // Rows. Index is the display index (sorted order when sorting is on).
  void Clear();
  void Add(Row row);
  // Makes room for n rows in all, so that a refill does not reallocate as it grows.
  void Reserve(std::size_t n) { rows_.reserve(n); }
  std::size_t Count() const { return rows_.size(); }
  // An index at or beyond Count() yields a row of empty cells.
  const Row& Item(std::size_t displayIndex) const;

  // Header click on the zero-based column: that column becomes the sort key, the direction
  // flips, and sorting stays on for every later change.
  void ColumnClick(std::size_t column);
  bool Sorted() const { return sorted_; }
  std::size_t SortKey() const { return sortKey_; }
  bool Descending() const { return descending_; }

  // Brackets a bulk change (a refresh) so that the view redraws once at the end.
  void BeginUpdate();
  void EndUpdate();

  void SetSink(ISink* sink) { sink_ = sink; }

 private:
  void Resort() const;
  void Changed();
  std::vector<Column> columns_;
  std::vector<Row> rows_;  // insertion order
  // Display order, worked out when first needed after a change.
  mutable std::vector<std::size_t> order_;  // display index -> rows_ index
  mutable bool orderValid_ = true;
  bool sorted_ = false;
  bool descending_ = false;
  std::size_t sortKey_ = 0;
  int updating_ = 0;
  bool pendingChange_ = false;
  ISink* sink_ = nullptr;
};

}  // namespace tavrel
