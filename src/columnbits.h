#pragma once

// A bit per cell of the tableau, stored column by column, 64 rows to a word: bit b of word w
// of a column stands for row 64 w + b. Most questions the engine asks of the tableau are about
// many rows of one column at once ("which rows are distinguished here", "which share their
// class"), and a word answers them for 64 rows.
//
// Invariant: bits past the last row, in a column's last word, are never set.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "index.h"

// How many bits of word are set.
inline std::size_t PopCount(std::uint64_t word) {
  return static_cast<std::size_t>(__builtin_popcountll(word));
}

// The lowest row set in word, the w-th word of a column. REQUIRES: word != 0.
inline Row LowestRowIn(std::uint64_t word, std::size_t w) {
  assert(word != 0);
  return Row(static_cast<std::uint32_t>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(word))));
}

// Calls visit(row) for every set bit of word, the w-th word of a column, in ascending order.
// The one loop over the set bits of a word.
template <typename Visit>
void ForEachRowIn(std::uint64_t word, std::size_t w, Visit visit) {
  for (; word != 0; word &= word - 1) visit(LowestRowIn(word, w));
}

// How many bits of word are set. Inline arithmetic: built for any x86-64, the compiler's own
// count is a call into its support library that looks bytes up in a table, a tenth of the
// closure's time on a large tableau.
inline std::size_t CountOnes(std::uint64_t word) {
  word -= (word >> 1) & 0x5555555555555555ULL;
  word = (word & 0x3333333333333333ULL) + ((word >> 2) & 0x3333333333333333ULL);
  word = (word + (word >> 4)) & 0x0f0f0f0f0f0f0f0fULL;
  return static_cast<std::size_t>((word * 0x0101010101010101ULL) >> 56);
}

// The bits of the w-th word of a column of rows rows that stand for a row: all but in a last
// word that rows do not fill.
inline std::uint64_t RowsInWord(std::size_t rows, std::size_t w) {
  return w + 1 < (rows + 63) / 64 || rows % 64 == 0 ? ~std::uint64_t{0}
                                                    : (std::uint64_t{1} << (rows % 64)) - 1;
}

// The bit of row in the w-th word of a column, or 0 when the row is in another word.
inline std::uint64_t BitIn(Row row, std::size_t w) {
  return row / 64 == w ? std::uint64_t{1} << (row % 64) : 0;
}

class ColumnBits {
 public:
  ColumnBits() = default;
  // Every bit clear.
  ColumnBits(std::size_t rows, std::size_t cols);

  std::size_t RowNo() const { return rows_; }
  std::size_t ColNo() const { return cols_; }
  std::size_t WordsPerColumn() const { return words_; }

  bool Test(Row row, Column col) const {
    assert(row < rows_ && col < cols_);
    return (bits_[col * words_ + row / 64] >> (row % 64)) & 1;
  }
  void Set(Row row, Column col) {
    assert(row < rows_ && col < cols_);
    bits_[col * words_ + row / 64] |= std::uint64_t{1} << (row % 64);
  }
  // The words of col, WordsPerColumn() of them.
  const std::uint64_t* Words(Column col) const {
    assert(col < cols_);
    return bits_.data() + col * words_;
  }
  std::uint64_t* Words(Column col) {
    assert(col < cols_);
    return bits_.data() + col * words_;
  }
  std::uint64_t Word(Column col, std::size_t w) const {
    assert(w < words_);
    return Words(col)[w];
  }

  // Calls visit(row) for every set bit of col, in ascending order.
  template <typename Visit>
  void ForEach(Column col, Visit visit) const {
    const std::uint64_t* words = Words(col);
    for (std::size_t w = 0; w < words_; ++w) ForEachRowIn(words[w], w, visit);
  }

 private:
  std::size_t rows_ = 0;
  std::size_t cols_ = 0;
  std::size_t words_ = 0;
  std::vector<std::uint64_t> bits_;
};

// The lowest row whose bit is set in every column, or kNoRow. With no column at all, every
// row qualifies. This is how the tool decides its verdict: a row distinguished in every column.
Row FirstRowInEveryColumn(const ColumnBits& bits);
