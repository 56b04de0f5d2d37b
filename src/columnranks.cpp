#include "columnranks.h"

#include <cassert>

#include "memoryguard.h"

void ColumnRanks::Trim(const SymbolClasses& classes) {
  // Columns of numbers up to a few million rows' worth, a fraction of the tableau's labels:
  // more are made again when met.
  constexpr std::size_t kMostColumns = 64;
  constexpr std::size_t kMostNumbers = std::size_t{1} << 22;
  if (columns_.size() > kMostColumns && columns_.size() * classes.RowNo() > kMostNumbers) {
    columns_.clear();
  }
}

const std::uint16_t* ColumnRanks::Of(const SymbolClasses& classes, Column col) {
  assert(classes.SharedClassCount(col) < UINT16_MAX);
  Ranks& ranks = columns_[col];
  const std::size_t rows = classes.RowNo();
  if (ranks.identity == classes.Identity() && ranks.merges == classes.MergesIn(col) &&
      ranks.ofRow.size() == rows) {
    return ranks.ofRow.data();
  }
  ranks.identity = classes.Identity();
  ranks.merges = classes.MergesIn(col);
  CheckMemoryFor(rows, 2 * sizeof(std::uint16_t));
  ranks.ofRow.assign(rows, 0);
  rankOfLabel_.assign(rows, 0);
  const ColumnBits& shared = classes.Shared();
  std::uint16_t next = 0;
  for (std::size_t w = 0; w < shared.WordsPerColumn(); ++w) {
    ForEachRowIn(shared.Word(col, w), w, [&](Row r) {
      std::uint16_t& rank = rankOfLabel_[classes.Label(r, col)];
      if (rank == 0) rank = ++next;
      ranks.ofRow[r] = rank;
    });
  }
  return ranks.ofRow.data();
}
