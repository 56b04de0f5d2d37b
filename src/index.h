#pragma once

// Rows and columns of the tableau as types of their own. A row is a sub-schema, in input
// order; a column an attribute, in the sorted order of the universe. Neither converts to the
// other, nor from a plain integer unless the code says so, so a call that takes both does not
// compile when they are swapped. Both read as their number wherever an index is wanted, and
// every function that takes both takes the row first.

#include <cstdint>

template <typename Tag>
class TableauIndex {
 public:
  constexpr TableauIndex() = default;
  constexpr explicit TableauIndex(std::uint32_t value) : value_(value) {}

  constexpr operator std::uint32_t() const { return value_; }
  TableauIndex& operator++() {
    ++value_;
    return *this;
  }

 private:
  std::uint32_t value_ = 0;
};

using Row = TableauIndex<struct RowTag>;
using Column = TableauIndex<struct ColumnTag>;

// No row: what a search for a row gives when it finds none.
constexpr Row kNoRow{UINT32_MAX};
