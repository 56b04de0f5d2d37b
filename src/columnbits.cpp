#include "columnbits.h"

#include "memoryguard.h"

ColumnBits::ColumnBits(std::size_t rows, std::size_t cols)
    : rows_(rows), cols_(cols), words_((rows + 63) / 64) {
  CheckMemoryFor(words_ * cols, sizeof(std::uint64_t));
  bits_.assign(words_ * cols, 0);
}

Row FirstRowInEveryColumn(const ColumnBits& bits) {
  const std::size_t rows = bits.RowNo();
  for (std::size_t w = 0; w < bits.WordsPerColumn(); ++w) {
    std::uint64_t word = RowsInWord(rows, w);
    for (Column c{0}; c < bits.ColNo() && word != 0; ++c) word &= bits.Word(c, w);
    if (word != 0) return LowestRowIn(word, w);
  }
  return kNoRow;
}
