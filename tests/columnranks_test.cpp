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

void ExpectNumbersAt(const std::uint16_t* numbers, Column c) {
  for (std::uint32_t r = 0; r < kRows; ++r) {
    // Numbered from 1 in the order of the classes' first rows; 0 for a row alone.
    const std::uint32_t expected = r < kShared ? 1 + r % Kinds(c) : 0;
    ASSERT_EQ(numbers[r], expected) << "row " << r << ", column " << c;
  }
}

void ExpectNumbers(ColumnRanks& ranks, const SymbolClasses& classes, Column c) {
  ranks.Trim(classes);
  ExpectNumbersAt(ranks.Of(classes, c), c);
}

SymbolClasses GroupedColumns() {
  SymbolClasses classes(ColumnBits(kRows, kColumns), false);
  for (Column c{0}; c < kColumns; ++c) {
    for (std::uint32_t r = Kinds(c); r < kShared; ++r) classes.Unite(Row(r % Kinds(c)), Row(r), c);
  }
  return classes;
}

// More columns than the numbers kept at once, read in one order and then in the other, so that
// every column's numbers are dropped and made again; and after a merge, a column's numbers say
// it.
TEST(ColumnRanksTest, NumbersStayRightWhenColumnsAreDroppedAndAfterAMerge) {
  SymbolClasses classes = GroupedColumns();
  ColumnRanks ranks;
  for (Column c{0}; c < kColumns; ++c) ExpectNumbers(ranks, classes, c);
  for (std::uint32_t c = kColumns; c-- > 0;) ExpectNumbers(ranks, classes, Column(c));
  ranks.Of(classes, Column(3));
  classes.Unite(Row(1), Row(kShared), Column(3));
  EXPECT_EQ(ranks.Of(classes, Column(3))[kShared], 2);
  EXPECT_EQ(ranks.Of(classes, Column(3))[kShared + 1], 0);
}

// Without Trim, the numbers of every column read stay where they were given, past the bound
// at which Trim lets them go: a side reads the numbers of its columns side by side.
TEST(ColumnRanksTest, NumbersStayWhereTheyWereGivenUntilTrim) {
  SymbolClasses classes = GroupedColumns();
  ColumnRanks ranks;
  std::vector<const std::uint16_t*> given;
  for (Column c{0}; c < kColumns; ++c) given.push_back(ranks.Of(classes, c));
  for (Column c{0}; c < kColumns; ++c) ExpectNumbersAt(given[c], c);
}

}  // namespace
