#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "math/matrix.h"

// The cells of a tableau, grouped per column into classes of cells that hold one symbol.
//
// Equalizing two cells of a column merges their classes instead of rewriting the column.
// A class's symbol is the one the smaller-wins rule gives: 0 (distinguished) when any of its
// cells started distinguished, otherwise r + 1 for the smallest row r in it, which is the
// smallest of the symbols its cells started with.
//
// Each cell carries the label of its class (two cells of a column are in one class exactly
// when their labels are equal) and a link to the next cell of its class, in a ring. A merge
// keeps the label of the larger class and relabels the cells of the smaller one, so a cell
// is relabelled at most log2(rows) times, and a label is read in one step. Data is stored
// column by column: about 12 bytes a cell, 16 when symbols are tracked during the merges.
class SymbolClasses {
 public:
  using Row = std::uint32_t;
  static constexpr Row kNone = static_cast<Row>(-1);

  // What one merge changed: the symbol that disappeared, the one that replaced it, and
  // how many cells of the column held the disappearing symbol.
  struct Merge {
    int kept = 0;
    int dropped = 0;
    std::size_t cells = 0;
  };

  // Every cell alone in its class, with the symbol row + 1. rows must stay below 2^30.
  // Merges can report their symbols only when trackSymbols is set.
  SymbolClasses(std::size_t rows, std::size_t cols, bool trackSymbols = true);

  std::size_t RowNo() const { return rows_; }
  std::size_t ColNo() const { return cols_; }

  // Makes cell (row, col) distinguished: its class joins the column's distinguished class.
  void MarkDistinguished(Row row, std::size_t col);
  // Makes the cells of rows, ascending and without repeats, the distinguished class of col,
  // in one pass. No cell of col may have been merged or marked before.
  void MarkDistinguished(const std::vector<Row>& rows, std::size_t col);

  Row Label(std::size_t col, Row row) const { return cells_.get()[Cell(col, row)].label ^ row; }
  bool SameClass(std::size_t col, Row a, Row b) const { return Label(col, a) == Label(col, b); }
  std::size_t ClassSize(std::size_t col, Row row) const {
    return Info(col, Label(col, row)) & kSizeMask;
  }
  bool IsDistinguished(std::size_t col, Row row) const {
    return (Info(col, Label(col, row)) & kDistinguished) != 0;
  }
  int Symbol(std::size_t col, Row row) const;
  // Whether cell (row, col) is distinguished, read from a compact bit per cell, row by row,
  // without touching the cell.
  bool IsDistinguishedCell(std::size_t col, Row row) const {
    return (distinguishedBits_[row * rowWords_ + col / 64] >> (col % 64)) & 1;
  }

  // Merges the classes of cells (a, col) and (b, col). Returns false when they were one
  // class already; otherwise true, with what changed in *merge when merge is not null
  // (cheap when symbols are tracked). Then calls moved(r) for every row r whose cell changed
  // its label or became shared: exactly the rows that may now agree with others where they
  // did not before; and distinguished(r) for every other row whose cell became distinguished.
  template <typename Moved, typename Distinguished>
  bool Unite(std::size_t col, Row a, Row b, Merge* merge, Moved moved, Distinguished distinguished);
  bool Unite(std::size_t col, Row a, Row b, Merge* merge = nullptr) {
    return Unite(
        col, a, b, merge, [](Row) {}, [](Row) {});
  }

  // Whether cell (row, col) shares its class with another row's cell: only such rows can
  // agree with another row on col.
  bool IsShared(std::size_t col, Row row) const {
    return (columnWords_[col * words_ + row / 64].shared >> (row % 64)) & 1;
  }
  std::size_t SharedCount(std::size_t col) const { return sharedCount_[col]; }
  // The same facts 64 rows at a time: bit b of word w of a column stands for row 64 w + b.
  std::size_t WordsPerColumn() const { return words_; }
  std::uint64_t SharedWord(std::size_t col, std::size_t w) const {
    return columnWords_[col * words_ + w].shared;
  }
  std::uint64_t DistinguishedWord(std::size_t col, std::size_t w) const {
    return columnWords_[col * words_ + w].distinguished;
  }
  // Whether every cell of col is in one class: then no merge can change col any more.
  bool IsComplete(std::size_t col) const { return complete_[col] != 0; }
  // Calls visit(row) for every shared row of col, in ascending order.
  template <typename Visit>
  void ForEachShared(std::size_t col, Visit visit) const;
  // Calls visit(r) for every row r whose cell is in the class of cell (row, col).
  template <typename Visit>
  void ForEachMember(std::size_t col, Row row, Visit visit) const;
  // Some row of col's distinguished class, or kNone when col has none.
  Row DistinguishedRow(std::size_t col) const { return distinguishedRow_[col]; }

  // The first row found to hold only distinguished cells, or kNone while there is none.
  Row AllDistinguishedRow() const { return allDistinguishedRow_; }

  // The tableau of symbols: cell (r, c) holds the symbol of its class.
  math::matrix<int> ToTableau() const;

 private:
  static constexpr std::uint32_t kDistinguished = 0x80000000u;
  static constexpr std::uint32_t kSizeMask = 0x7fffffffu;

  std::size_t Cell(std::size_t col, Row row) const { return col * rows_ + row; }
  // A cell's fields as they are, not as stored.
  Row Next(std::size_t col, Row row) const { return cells_.get()[Cell(col, row)].next ^ row; }
  std::uint32_t Info(std::size_t col, Row label) const {
    return cells_.get()[Cell(col, label)].info ^ 1u;
  }
  void SetLabel(std::size_t col, Row row, Row label) {
    cells_.get()[Cell(col, row)].label = label ^ row;
  }
  void SetNext(std::size_t col, Row row, Row next) {
    cells_.get()[Cell(col, row)].next = next ^ row;
  }
  void SetInfo(std::size_t col, Row label, std::uint32_t info) {
    cells_.get()[Cell(col, label)].info = info ^ 1u;
  }
  // Counts one more distinguished cell in every row of the class of (row, col).
  void CountDistinguished(std::size_t col, Row row);
  void MarkShared(std::size_t col, Row row);
  // Relabels the class labelled from as to, marks its cells shared and joins the two rings,
  // so that the ring runs from to through the cells of from, ending at from.
  void Absorb(std::size_t col, Row to, Row from);

  std::size_t rows_;
  std::size_t cols_;
  std::size_t words_;  // words of 64 rows per column
  // What a cell holds, all in one record so that a cell is one cache access: its class
  // label, the next cell of its class, and, when it labels its class, the class size with
  // kDistinguished set when the class is distinguished. Stored as label ^ row, next ^ row
  // and info ^ 1, so that a cell alone in its class holds zeros: the cells start as memory
  // that the system hands out zeroed, and a page of cells that no merge touches is never
  // written.
  struct CellData {
    Row label;
    Row next;
    std::uint32_t info;
  };
  struct FreeMemory {
    void operator()(CellData* cells) const { std::free(cells); }
  };
  std::unique_ptr<CellData, FreeMemory> cells_;  // column by column
  // Per cell that labels a class, when symbols are tracked: its smallest row.
  std::vector<Row> minRow_;
  // Column by column, 64 rows at a time: which cells share their class with another cell,
  // and which are distinguished. Side by side, as a merge that makes a cell distinguished
  // usually makes it shared too: one cache line for both.
  struct ColumnWord {
    std::uint64_t shared;
    std::uint64_t distinguished;
  };
  std::vector<ColumnWord> columnWords_;
  std::vector<std::size_t> sharedCount_;
  std::vector<Row> distinguishedRow_;
  std::vector<std::uint8_t> complete_;
  // Per row, how many of its cells are distinguished, and which: a bit per cell, row by row.
  std::vector<std::uint32_t> distinguishedCells_;
  std::size_t rowWords_;
  std::vector<std::uint64_t> distinguishedBits_;
  Row allDistinguishedRow_ = kNone;
};

template <typename Moved, typename Distinguished>
bool SymbolClasses::Unite(std::size_t col, Row a, Row b, Merge* merge, Moved moved,
                          Distinguished distinguished) {
  Row labelA = Label(col, a);
  Row labelB = Label(col, b);
  if (labelA == labelB) return false;
  std::uint32_t infoA = Info(col, labelA);
  std::uint32_t infoB = Info(col, labelB);
  if ((infoA & kSizeMask) < (infoB & kSizeMask)) {  // the larger class keeps its label
    std::swap(labelA, labelB);
    std::swap(infoA, infoB);
  }
  bool distinguishedA = (infoA & kDistinguished) != 0;
  bool distinguishedB = (infoB & kDistinguished) != 0;
  if (merge != nullptr) {
    int symbolA = Symbol(col, labelA);
    int symbolB = Symbol(col, labelB);
    merge->kept = symbolA < symbolB ? symbolA : symbolB;
    merge->dropped = symbolA < symbolB ? symbolB : symbolA;
    merge->cells = (symbolA < symbolB ? infoB : infoA) & kSizeMask;
  }
  // Cells that become distinguished count towards their rows' all-distinguished state;
  // each cell does so once, so this costs a cell at most once over the whole chase.
  if (distinguishedB && !distinguishedA) CountDistinguished(col, labelA);
  if (distinguishedA && !distinguishedB) CountDistinguished(col, labelB);
  bool keptWasAlone = (infoA & kSizeMask) == 1;
  if (keptWasAlone) MarkShared(col, labelA);
  Absorb(col, labelA, labelB);
  std::uint32_t size = (infoA & kSizeMask) + (infoB & kSizeMask);
  SetInfo(col, labelA, size | ((infoA | infoB) & kDistinguished));
  if (!minRow_.empty() && minRow_[Cell(col, labelB)] < minRow_[Cell(col, labelA)]) {
    minRow_[Cell(col, labelA)] = minRow_[Cell(col, labelB)];
  }
  if (distinguishedA || distinguishedB) distinguishedRow_[col] = labelA;
  if (size == rows_) complete_[col] = 1;
  if (keptWasAlone) moved(labelA);
  // The joined ring runs from labelA through the absorbed cells to labelB, then through the
  // kept class's other cells back to labelA.
  Row r = Next(col, labelA);
  for (;; r = Next(col, r)) {
    moved(r);
    if (r == labelB) break;
  }
  if (distinguishedB && !distinguishedA) {
    for (r = Next(col, r); r != labelA; r = Next(col, r)) distinguished(r);
    if (!keptWasAlone) distinguished(labelA);
  }
  return true;
}

template <typename Visit>
void SymbolClasses::ForEachShared(std::size_t col, Visit visit) const {
  const ColumnWord* words = &columnWords_[col * words_];
  for (std::size_t w = 0; w < words_; ++w) {
    for (std::uint64_t word = words[w].shared; word != 0; word &= word - 1) {
      visit(static_cast<Row>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(word))));
    }
  }
}

template <typename Visit>
void SymbolClasses::ForEachMember(std::size_t col, Row row, Visit visit) const {
  Row r = row;
  do {
    visit(r);
    r = Next(col, r);
  } while (r != row);
}
