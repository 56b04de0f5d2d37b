#include "columnbits.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// Row counts on both sides of each 64-bit word boundary.
const std::size_t kRowCounts[] = {1, 2, 63, 64, 65, 127, 128, 129, 200};

TEST(ColumnBitsTest, SetsListsAndCountsRowsOfAColumnAcrossWords) {
  for (std::size_t rows : kRowCounts) {
    ColumnBits bits(rows, 3);
    std::vector<Row> set;
    for (Row r{0}; r < rows; ++r) {
      if (r % 3 == 0 || r + 1 == rows) {
        bits.Set(r, Column(1));
        set.push_back(r);
      }
    }
    std::vector<Row> listed;
    bits.ForEach(Column(1), [&](Row r) { listed.push_back(r); });
    EXPECT_EQ(listed, set) << rows << " rows";
    std::size_t elsewhere = 0;
    for (Column c : {Column(0), Column(2)}) bits.ForEach(c, [&](Row) { ++elsewhere; });
    EXPECT_EQ(elsewhere, 0u);
    EXPECT_TRUE(bits.Test(Row(static_cast<std::uint32_t>(rows - 1)), Column(1)));
    EXPECT_FALSE(bits.Test(Row(static_cast<std::uint32_t>(rows - 1)), Column(2)));
  }
  EXPECT_EQ(BitIn(Row(65), 1), std::uint64_t{2});
  EXPECT_EQ(BitIn(Row(65), 0), 0u);
}

TEST(ColumnBitsTest, CountsTheBitsOfAWord) {
  std::mt19937_64 random(20261210);
  for (int n = 0; n < 1000; ++n) {
    const std::uint64_t word = random() >> (n % 64);
    std::size_t expected = 0;
    for (std::uint64_t rest = word; rest != 0; rest >>= 1) expected += rest & 1;
    ASSERT_EQ(CountOnes(word), expected) << word;
  }
  EXPECT_EQ(CountOnes(0), 0u);
  EXPECT_EQ(CountOnes(~std::uint64_t{0}), 64u);
}

// The verdict's question, against a plain search, on random bits: the lowest row set in every
// column, wherever it falls in its word, and never a row past the last.
TEST(ColumnBitsTest, FindsTheLowestRowSetInEveryColumn) {
  std::mt19937 random(20261209);
  for (int n = 0; n < 400; ++n) {
    const std::size_t rows = kRowCounts[static_cast<std::size_t>(n) % std::size(kRowCounts)];
    const std::size_t cols = static_cast<std::size_t>(n % 4);
    ColumnBits bits(rows, cols);
    std::bernoulli_distribution holds(n % 2 == 0 ? 0.9 : 0.98);
    for (Row r{0}; r < rows; ++r) {
      for (Column c{0}; c < cols; ++c) {
        if (holds(random)) bits.Set(r, c);
      }
    }
    Row expected = kNoRow;
    for (Row r{0}; r < rows && expected == kNoRow; ++r) {
      bool all = true;
      for (Column c{0}; c < cols; ++c) all = all && bits.Test(r, c);
      if (all) expected = r;
    }
    ASSERT_EQ(FirstRowInEveryColumn(bits), expected) << rows << " rows, " << cols << " columns";
  }
  // Only the last row qualifies, alone in its word.
  ColumnBits last(65, 2);
  last.Set(Row(64), Column(0));
  last.Set(Row(64), Column(1));
  last.Set(Row(3), Column(0));
  EXPECT_EQ(FirstRowInEveryColumn(last), Row(64));
  EXPECT_EQ(FirstRowInEveryColumn(ColumnBits(0, 3)), kNoRow);
  EXPECT_EQ(FirstRowInEveryColumn(ColumnBits(70, 0)), Row(0));  // no column to wait for
}

}  // namespace
