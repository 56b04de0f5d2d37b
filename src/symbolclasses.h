#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "chasestep.h"
#include "columnbits.h"
#include "index.h"
#include "math/matrix.h"

// The cells of a tableau, grouped per column into classes of cells that hold one symbol.
//
// Equalizing two cells of a column merges their classes instead of rewriting the column.
// A class's symbol is the one the smaller-wins rule gives: 0 (distinguished) when any of its
// cells started distinguished, otherwise r + 1 for the smallest row r in it, which is the
// smallest of the symbols its cells started with.
//
// Each cell carries the label of its class (one of the class's rows: two cells of a column are
// in one class exactly when their labels are equal) and a link to the next cell of its class,
// in a ring. A merge keeps the label of the larger class and relabels the cells of the smaller
// one, so a cell is relabelled at most log2(rows) times, and a label is read in one step.
//
// Where each fact is kept:
// - a cell's class: its label and its link, in the cell; a class's size, in its label's cell;
// - whether a cell is distinguished: a bit per cell, Distinguished(); a class's cells all
//   have the same bit, so its label's bit stands for the class;
// - caches of the sizes, kept in step by every merge: Shared(), whether a cell's class holds
//   another cell (only such a cell can agree with another row), with SharedCount() of each
//   column, and IsComplete(), whether a column is one class (then no merge can change it);
// - when symbols are tracked, a class's smallest row, in minRow_ at its label.
// About 4 bytes a cell and two bits when the rows are fewer than 2^15, as in any tableau of up
// to 10,000 sub-schemas; 8 bytes a cell above. 4 bytes more when symbols are tracked.
class SymbolClasses {
 public:
  // Which cells a merge made distinguished: none, those of the class that kept its label, or
  // those of the class it absorbed.
  enum class Turned : std::uint8_t { kNone, kKept, kAbsorbed };

  // What a merge did, for the chase to follow up on.
  struct Merge {
    Row label = kNoRow;     // the merged class's label, the larger class's; kNoRow: no merge
    Row absorbed = kNoRow;  // the former label of the smaller class, whose cells were relabelled
    bool labelWasAlone = false;     // the larger class had one cell, which is now shared
    bool absorbedWasAlone = false;  // the same for the smaller class
    Turned turned = Turned::kNone;
    explicit operator bool() const { return label != kNoRow; }
  };

  // In each column, the cells that distinguished holds form one class, the distinguished
  // one; every other cell is alone, with the symbol row + 1. With trackSymbols, Change is
  // cheap. Cells take two halves of 16 bits when the rows fit, unless narrowWhenFits is false
  // (for tests: the halves of 32 bits then serve any tableau). REQUIRES: fewer than 2^30 rows.
  SymbolClasses(ColumnBits distinguished, bool trackSymbols, bool narrowWhenFits = true);

  // A number that no other SymbolClasses of the process has: what a cache of facts about the
  // cells is kept for.
  std::uint64_t Identity() const { return identity_; }
  std::size_t RowNo() const { return rows_; }
  std::size_t ColNo() const { return cols_; }

  Row Label(Row row, Column col) const { return LabelIn(HeldAt(Cell(row, col)), row); }
  bool SameClass(Row a, Row b, Column col) const { return Label(a, col) == Label(b, col); }
  // Fetches cell (row, col) into the cache, for a look soon after.
  void Prefetch(Row row, Column col) const {
    const std::size_t half = 2 * Cell(row, col);
    if (narrow_) {
      __builtin_prefetch(narrowHalves_ + half);
    } else {
      __builtin_prefetch(wideHalves_ + half);
    }
  }
  std::size_t ClassSize(Row row, Column col) const { return SizeAt(Label(row, col), col); }
  bool IsDistinguished(Row row, Column col) const { return distinguished_.Test(row, col); }
  // The label of col's distinguished class, or kNoRow when col has none.
  Row DistinguishedLabel(Column col) const {
    return anchor_[col] == kNoRow ? kNoRow : Label(anchor_[col], col);
  }
  int Symbol(Row row, Column col) const;
  // How many merges col has seen: its classes are as they were while this stays.
  std::uint32_t MergesIn(Column col) const { return merges_[col]; }
  // Whether every cell of col is in one class.
  bool IsComplete(Column col) const { return complete_[col] != 0; }
  const ColumnBits& Distinguished() const { return distinguished_; }
  const ColumnBits& Shared() const { return shared_; }
  // How many cells of col share their class: the set bits of Shared() in col, without counting
  // them (without -mpopcnt a count is a library call per word).
  std::size_t SharedCount(Column col) const { return sharedCount_[col]; }
  // How many classes of col hold two cells or more. Where there is one, any two cells that
  // share their class share that one: the column tells them apart from no other such cell,
  // and its bits of Shared() say all it says of them.
  std::uint32_t SharedClassCount(Column col) const { return sharedClasses_[col]; }

  // What merging the classes of cells (a, col) and (b, col) would change. REQUIRES: the two
  // are different classes.
  SymbolChange Change(Row a, Row b, Column col) const;
  // Merges the classes of cells (a, col) and (b, col); a false Merge when they were one.
  Merge Unite(Row a, Row b, Column col) {
    // Made in place in the caller: a Merge returned whole comes back in two registers, read
    // from bytes stored one by one, which the processor cannot pass on to the read at once.
    Merge merge;
    UniteInto(a, b, col, merge);
    return merge;
  }
  // Calls visit(r) for every row whose cell merge relabelled: the absorbed class's.
  template <typename Visit>
  void ForEachRelabelled(const Merge& merge, Column col, Visit visit) const;
  // Calls visit(r) for every row of the class that kept its label, as it was before merge;
  // the label comes last.
  template <typename Visit>
  void ForEachFormerlyKept(const Merge& merge, Column col, Visit visit) const;
  // Calls visit(r) for every row r whose cell is in the class of cell (row, col).
  template <typename Visit>
  void ForEachMember(Row row, Column col, Visit visit) const;
  class ColumnLabels;
  // The labels of col's cells, for reading the column straight through.
  ColumnLabels LabelsOf(Column col) const;

  // The tableau of symbols: cell (r, c) holds the symbol of its class.
  Tableau ToTableau() const;
  // The same into tableau. REQUIRES: tableau has RowNo() rows and ColNo() columns.
  void WriteTableau(Tableau& tableau) const;

 private:
  // What a cell holds, in two halves side by side so that a cell is one cache access: its class
  // label, or when it labels its class, the class size; and the next cell of its class. A label
  // is stored as label ^ row, never 0 and below the rows; a size of 2 or more with the top bit
  // of its half (labelsAClass_) set; and a cell alone in its class, its own label of a class of
  // 1, holds 0, as its next, stored as next ^ row, does too. So the cells start as memory that
  // the system hands out zeroed, and a page of cells that no merge touches is never written.
  // Below 2^15 rows every value fits 15 bits: halves of 16 bits, else of 32.
  struct FreeMemory {
    void operator()(void* cells) const { std::free(cells); }
  };

  // count cells of cellBytes each, zeroed; null when the system has no memory for them.
  static void* AllocateCells(std::size_t count, std::size_t cellBytes);
  std::size_t CellBytes() const {
    return narrow_ ? 2 * sizeof(std::uint16_t) : 2 * sizeof(std::uint32_t);
  }
  std::size_t Cell(Row row, Column col) const {  // column by column
    assert(row < rows_ && col < cols_);
    return col * rows_ + row;
  }
  // The first half of cell: its label or size.
  std::uint32_t HeldAt(std::size_t cell) const {
    return narrow_ ? narrowHalves_[2 * cell] : wideHalves_[2 * cell];
  }
  std::uint32_t NextAt(std::size_t cell) const {
    return narrow_ ? narrowHalves_[2 * cell + 1] : wideHalves_[2 * cell + 1];
  }
  void SetHalf(std::size_t half, std::uint32_t value) {
    if (narrow_) {
      narrowHalves_[half] = static_cast<std::uint16_t>(value);
    } else {
      wideHalves_[half] = value;
    }
  }
  // The label that row's cell holds, held.
  Row LabelIn(std::uint32_t held, std::uint32_t row) const {
    return Row(held & labelsAClass_ ? row : held ^ row);
  }
  Row Next(Row row, Column col) const { return Row(NextAt(Cell(row, col)) ^ row); }
  std::uint32_t SizeAt(Row label, Column col) const {
    const std::uint32_t held = HeldAt(Cell(label, col));
    assert(held == 0 || (held & labelsAClass_) != 0);
    return held == 0 ? 1 : held & ~labelsAClass_;
  }
  // REQUIRES: row != label; the label's cell keeps its class's size instead.
  void SetLabel(Row row, Column col, Row label) {
    assert(row != label);
    SetHalf(2 * Cell(row, col), label ^ row);
  }
  void SetNext(Row row, Column col, Row next) { SetHalf(2 * Cell(row, col) + 1, next ^ row); }
  void SetSize(Row label, Column col, std::uint32_t size) {
    SetHalf(2 * Cell(label, col), size == 1 ? 0 : size | labelsAClass_);
  }

  // What Unite does, into merge, which stays as it is when the two were one class.
  void UniteInto(Row a, Row b, Column col, Merge& merge);
  void MarkShared(Row row, Column col) {
    shared_.Set(row, col);
    ++sharedCount_[col];
  }
  // Makes the cells of rows, ascending, col's distinguished class.
  void FormDistinguishedClass(const std::vector<Row>& rows, Column col);
  // How many cells forming col's distinguished class writes, counted by the pages it
  // writes: every cell of a page that it writes a cell of.
  std::size_t CellsWrittenToForm(Column col, std::size_t cellsPerPage) const;
  // cells more cells were written: asks for huge pages for the table once enough were.
  void CountTouched(std::size_t cells);
  // Relabels the class labelled from as to, marks its cells shared and joins the two rings,
  // so that the ring runs from to through the cells of from, ending at from.
  void Absorb(Row to, Row from, Column col);

  std::uint64_t identity_;
  std::size_t rows_;
  std::size_t cols_;
  bool narrow_;
  std::uint32_t labelsAClass_;  // the top bit of a half
  std::unique_ptr<void, FreeMemory> cells_;
  // cells_ as halves of 16 bits when narrow_, else of 32; the other is null.
  std::uint16_t* narrowHalves_;
  std::uint32_t* wideHalves_;
  ColumnBits distinguished_;
  ColumnBits shared_;
  std::vector<std::size_t> sharedCount_;
  std::vector<std::uint32_t> sharedClasses_;
  std::vector<std::uint8_t> complete_;
  std::vector<std::uint32_t> merges_;  // per column, fewer than its rows
  // Per column, a row of its distinguished class, or kNoRow: rows never leave a class, so it
  // finds the class's current label.
  std::vector<Row> anchor_;
  std::vector<Row> minRow_;  // per cell that labels a class, when symbols are tracked
  // How many more cells are written before the table asks for huge pages; 0 once it has.
  std::size_t untouchedBeforeHugePages_;
};

template <typename Visit>
void SymbolClasses::ForEachRelabelled(const Merge& merge, Column col, Visit visit) const {
  // The joined ring runs from the label through the absorbed cells, ending at the absorbed
  // label, then through the kept class's other cells back to the label.
  for (Row r = Next(merge.label, col);; r = Next(r, col)) {
    visit(r);
    if (r == merge.absorbed) break;
  }
}

template <typename Visit>
void SymbolClasses::ForEachFormerlyKept(const Merge& merge, Column col, Visit visit) const {
  for (Row r = Next(merge.absorbed, col); r != merge.label; r = Next(r, col)) visit(r);
  visit(merge.label);
}

template <typename Visit>
void SymbolClasses::ForEachMember(Row row, Column col, Visit visit) const {
  Row r = row;
  do {
    visit(r);
    r = Next(r, col);
  } while (r != row);
}

class SymbolClasses::ColumnLabels {
 public:
  ColumnLabels(const SymbolClasses& classes, std::size_t firstCell)
      : classes_(classes), firstCell_(firstCell) {}
  // Label(row, col), REQUIRES: row < RowNo().
  Row operator[](std::uint32_t row) const {
    return classes_.LabelIn(classes_.HeldAt(firstCell_ + row), row);
  }

 private:
  const SymbolClasses& classes_;
  std::size_t firstCell_;
};

inline SymbolClasses::ColumnLabels SymbolClasses::LabelsOf(Column col) const {
  return ColumnLabels(*this, Cell(Row(0), col));
}
