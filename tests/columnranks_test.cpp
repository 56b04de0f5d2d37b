#include "columnranks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t kRows = 66000;    // past 2^16, so that a few dozen columns of numbers
constexpr std::uint32_t kShared = 65000;  // take more room than the ranks keep at once
constexpr std::uint32_t kColumns = 72;

// Column c groups the rows below kShared by their number modulo 2 + c % 5; the rest are alone.
std::uint32_t Kinds(Column c) { return 2 + static_cast<std::uint32_t>(c) % 5; }

void ExpectNumbers(ColumnRanks& ranks, const SymbolClasses& classes, Column c) {
  const std::uint16_t* numbers = ranks.Of(classes, c);
  for (std::uint32_t r = 0; r < kRows; ++r) {
    // Numbered from 1 in the order of the classes' first rows; 0 for a row alone.
    const std::uint32_t expected = r < kShared ? 1 + r % Kinds(c) : 0;
    ASSERT_EQ(numbers[r], expected) << "row " << r << ", column " << c;
  }
}

// More columns than the numbers kept at once, read in one order and then in the other, so that
// every column's numbers are dropped and made again; and after a merge, a column's numbers say
// it.
TEST(ColumnRanksTest, NumbersStayRightWhenColumnsAreDroppedAndAfterAMerge) {
  SymbolClasses classes(ColumnBits(kRows, kColumns), false);
  for (Column c{0}; c < kColumns; ++c) {
    for (std::uint32_t r = Kinds(c); r < kShared; ++r) classes.Unite(Row(r % Kinds(c)), Row(r), c);
  }
  ColumnRanks ranks;
  for (Column c{0}; c < kColumns; ++c) ExpectNumbers(ranks, classes, c);
  for (std::uint32_t c = kColumns; c-- > 0;) ExpectNumbers(ranks, classes, Column(c));
  ranks.Of(classes, Column(3));
  classes.Unite(Row(1), Row(kShared), Column(3));
  EXPECT_EQ(ranks.Of(classes, Column(3))[kShared], 2);
  EXPECT_EQ(ranks.Of(classes, Column(3))[kShared + 1], 0);
}

}  // namespace
