#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "math/matrix.h"

// The cells of a tableau, grouped per column into classes of cells that hold one symbol.
//
// Equalizing two cells of a column merges their classes instead of rewriting the column.
// A class's symbol is the one the smaller-wins rule gives: 0 (distinguished) when any of its
// cells started distinguished, otherwise r + 1 for the smallest row r in it, which is the
// smallest of the symbols its cells started with. The representative (root) of a class is
// always its smallest row, so the symbol follows from the root and one flag.
class SymbolClasses {
 public:
  using Row = std::uint32_t;

  // What one merge changed: the symbol that disappeared, the one that replaced it, and
  // how many cells of the column held the disappearing symbol.
  struct Merge {
    int kept = 0;
    int dropped = 0;
    std::size_t cells = 0;
  };

  // Every cell alone in its class, with the symbol row + 1. rows must stay below 2^30.
  SymbolClasses(std::size_t rows, std::size_t cols);

  std::size_t RowNo() const { return rows_; }
  std::size_t ColNo() const { return cols_; }

  // Makes cell (row, col) distinguished: its class joins the column's distinguished class.
  void MarkDistinguished(Row row, std::size_t col);

  // The root of the class of cell (row, col).
  Row Find(std::size_t col, Row row) {
    // Path halving: every other cell on the way up is linked to its grandparent.
    std::int32_t* column = &link_[col * rows_];
    while (column[row] >= 0) {
      auto parent = static_cast<Row>(column[row]);
      if (column[parent] >= 0) column[row] = column[parent];
      row = static_cast<Row>(column[row]);
    }
    return row;
  }
  int Symbol(std::size_t col, Row row) { return SymbolOfRoot(col, Find(col, row)); }

  // Merges the classes of cells (a, col) and (b, col). Returns false when they were one
  // class already; otherwise true, with what changed in *merge when merge is not null.
  bool Unite(std::size_t col, Row a, Row b, Merge* merge = nullptr);

  // Whether cell (row, col) shares its class with another row's cell: only such rows can
  // agree with another row on col.
  bool IsShared(std::size_t col, Row row) const {
    return (shared_[col * words_ + row / 64] >> (row % 64)) & 1;
  }
  std::size_t SharedCount(std::size_t col) const { return sharedCount_[col]; }
  // Whether every cell of col is in one class: then no merge can change col any more.
  bool IsComplete(std::size_t col) const { return complete_[col]; }
  // Calls visit(row) for every shared row of col, in ascending order.
  template <typename Visit>
  void ForEachShared(std::size_t col, Visit visit) const;

  // The columns in which a merge happened since the last call, each once.
  std::vector<std::size_t> TakeChangedColumns();

  // The tableau of symbols: cell (r, c) holds the symbol of its class.
  math::matrix<int> ToTableau();

 private:
  std::int32_t& Link(std::size_t col, Row row) { return link_[col * rows_ + row]; }
  static std::size_t ClassSize(std::int32_t rootLink) {
    return static_cast<std::size_t>(-rootLink) >> 1;
  }
  static bool IsDistinguished(std::int32_t rootLink) { return ((-rootLink) & 1) != 0; }
  static std::int32_t RootLink(std::size_t size, bool distinguished);
  int SymbolOfRoot(std::size_t col, Row root) {
    return IsDistinguished(Link(col, root)) ? 0 : static_cast<int>(root) + 1;
  }
  void MarkShared(std::size_t col, Row row);
  void NoteChange(std::size_t col);

  static constexpr Row kNone = static_cast<Row>(-1);

  std::size_t rows_;
  std::size_t cols_;
  std::size_t words_;  // 64-bit words per column in shared_
  // Column-major, one entry per cell: the parent row for a cell that is not a root; for a
  // root, -(2 * class size + 1 when distinguished).
  std::vector<std::int32_t> link_;
  // Column-major bit per cell: set when the cell's class holds more than one cell.
  std::vector<std::uint64_t> shared_;
  std::vector<std::size_t> sharedCount_;
  // Per column, some row of the distinguished class, or kNone.
  std::vector<Row> distinguishedRow_;
  std::vector<std::size_t> changed_;
  std::vector<bool> isChanged_;
  std::vector<bool> complete_;
};

template <typename Visit>
void SymbolClasses::ForEachShared(std::size_t col, Visit visit) const {
  const std::uint64_t* bits = &shared_[col * words_];
  for (std::size_t w = 0; w < words_; ++w) {
    for (std::uint64_t word = bits[w]; word != 0; word &= word - 1) {
      visit(static_cast<Row>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(word))));
    }
  }
}
