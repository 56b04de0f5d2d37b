#include "likecolumns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

ColumnSpan SpanOf(const std::vector<Column>& columns) {
  return {columns.data(), columns.data() + columns.size()};
}

std::vector<Column> CopyOf(ColumnSpan columns) { return {columns.begin(), columns.end()}; }

// Joins in col every row with the first row of its kind, kinds[r]; in reverse row order when
// backwards, which leaves the classes alike but their labels other.
void Group(SymbolClasses& classes, Column col, const std::vector<int>& kinds, bool backwards) {
  const auto rows = static_cast<std::uint32_t>(kinds.size());
  for (std::uint32_t k = 0; k < rows; ++k) {
    const std::uint32_t r = backwards ? rows - 1 - k : k;
    for (std::uint32_t first = 0; first < r; ++first) {
      if (kinds[first] == kinds[r]) {
        classes.Unite(Row(first), Row(r), col);
        break;
      }
    }
  }
}

// Whether two rows agree on every column of left, for every two rows: the grouping left gives.
std::vector<bool> Agreement(const SymbolClasses& classes, ColumnSpan left) {
  const std::size_t rows = classes.RowNo();
  std::vector<bool> agree(rows * rows);
  for (Row a{0}; a < rows; ++a) {
    for (Row b{0}; b < rows; ++b) {
      bool same = true;
      for (const Column c : left) same = same && classes.SameClass(a, b, c);
      agree[a * rows + b] = same;
    }
  }
  return agree;
}

// 200 rows, past three 64-bit words. Columns 0 and 1 group the rows alike (by r % 7), with
// other labels; 2 moves one row to another class; 3 leaves one alone; 4 groups by r % 5; 5 as
// 0, with two of its classes one.
class LikeColumnsTest : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kRows = 200;
  LikeColumnsTest() : classes_(ColumnBits(kRows, 6), false) {
    std::vector<int> bySeven(kRows);
    std::vector<int> byFive(kRows);
    for (std::uint32_t r = 0; r < kRows; ++r) {
      bySeven[r] = static_cast<int>(r % 7);
      byFive[r] = static_cast<int>(r % 5);
    }
    Group(classes_, Column(0), bySeven, false);
    Group(classes_, Column(1), bySeven, true);
    std::vector<int> moved = bySeven;
    moved[130] = (moved[130] + 1) % 7;
    Group(classes_, Column(2), moved, false);
    std::vector<int> alone = bySeven;
    alone[199] = 99;
    Group(classes_, Column(3), alone, false);
    Group(classes_, Column(4), byFive, false);
    std::vector<int> fewer = bySeven;
    for (int& kind : fewer) kind = std::max(kind, 1);
    Group(classes_, Column(5), fewer, false);
    like_.Earn(std::size_t{1} << 30);  // reading enough to pay for every fingerprint here
  }
  SymbolClasses classes_;
  LikeColumns like_;
};

TEST_F(LikeColumnsTest, ComparesTheClassesCellByCellBothWays) {
  std::vector<Row> labelIn(kRows, kNoRow);
  EXPECT_TRUE(SameClasses(classes_, Column(0), Column(1), labelIn));
  EXPECT_TRUE(SameClasses(classes_, Column(1), Column(0), labelIn));
  EXPECT_TRUE(SameClasses(classes_, Column(4), Column(4), labelIn));
  for (const Column other : {Column(2), Column(3), Column(4), Column(5)}) {
    EXPECT_FALSE(SameClasses(classes_, Column(0), other, labelIn)) << other;
    EXPECT_FALSE(SameClasses(classes_, other, Column(0), labelIn)) << other;
  }
  EXPECT_EQ(labelIn, std::vector<Row>(kRows, kNoRow));
}

TEST_F(LikeColumnsTest, ReadsOneOfTheColumnsThatGroupRowsAlikeFirst) {
  const std::vector<Column> left = {Column(1), Column(0), Column(2), Column(3), Column(4)};
  EXPECT_EQ(CopyOf(like_.Order(classes_, SpanOf(left))),
            (std::vector<Column>{Column(1), Column(2), Column(3), Column(4), Column(0)}));
  EXPECT_EQ(like_.Key().size(), 2u * 4);
}

// A fingerprint costs a pass over the rows, and so does a comparison of two columns.
TEST(LikeColumnsBudgetTest, ColumnsStandForThemselvesUntilTheReadingPaysForTheirPasses) {
  constexpr std::uint32_t kRows = 100;
  SymbolClasses classes(ColumnBits(kRows, 2), false);
  const std::vector<int> kinds(kRows, 0);
  Group(classes, Column(0), kinds, false);
  Group(classes, Column(1), kinds, true);
  const std::vector<Column> left = {Column(0), Column(1)};
  LikeColumns like;
  EXPECT_EQ(like.Order(classes, SpanOf(left)).size(), 2u);
  EXPECT_EQ(like.Key().size(), 2u * 2) << "nothing read yet: nothing counted";
  like.Earn(2 * kRows);
  like.Order(classes, SpanOf(left));
  EXPECT_EQ(like.Key().size(), 2u * 2) << "two fingerprints counted, no comparison paid for";
  like.Earn(kRows - 1);
  like.Order(classes, SpanOf(left));
  EXPECT_EQ(like.Key().size(), 2u * 2) << "a comparison costs a pass over every row";
  like.Earn(1);
  like.Order(classes, SpanOf(left));
  EXPECT_EQ(like.Key().size(), 2u * 1);
}

TEST_F(LikeColumnsTest, SidesOfAlikeColumnsShareAKeyUntilAMergeTellsThemApart) {
  const auto keyOf = [&](std::vector<Column> left) {
    like_.Order(classes_, SpanOf(left));
    return like_.Key();
  };
  EXPECT_EQ(keyOf({Column(0), Column(4)}), keyOf({Column(4), Column(1)}));
  EXPECT_NE(keyOf({Column(0), Column(4)}), keyOf({Column(2), Column(4)}));
  EXPECT_NE(keyOf({Column(0), Column(4)}), keyOf({Column(3), Column(4)}));

  classes_.Unite(Row(0), Row(1), Column(1));  // classes 0 and 1 of r % 7 merge in column 1
  EXPECT_NE(keyOf({Column(0), Column(4)}), keyOf({Column(1), Column(4)}));
  EXPECT_EQ(like_.Order(classes_, SpanOf({Column(0), Column(1)})).size(), 2u);
  EXPECT_EQ(like_.Key().size(), 2u * 2);

  classes_.Unite(Row(1), Row(0), Column(0));  // and in column 0: alike again
  EXPECT_EQ(keyOf({Column(0), Column(4)}), keyOf({Column(1), Column(4)}));
}

// Random tableaux whose columns copy a few groupings, some built in other orders, some with a
// row moved; random merges between looks. Two sides with one key must group the rows alike,
// and every order must hold every column of its side.
TEST(LikeColumnsRandomTest, SidesWithOneKeyGroupTheRowsAlike) {
  std::mt19937 random(20261212);
  const auto below = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
  LikeColumns like;
  for (int round = 0; round < 40; ++round) {
    const std::uint32_t rows = 2 + below(90);
    const std::uint32_t cols = 2 + below(24);
    SymbolClasses classes(ColumnBits(rows, cols), false);
    like.Earn(std::size_t{1} << 30);
    std::vector<std::vector<int>> groupings(1 + random() % 4, std::vector<int>(rows));
    for (auto& kinds : groupings) {
      const int count = 1 + static_cast<int>(random() % 6);
      for (auto& kind : kinds) kind = static_cast<int>(random()) % count;
    }
    for (Column c{0}; c < cols; ++c) {
      std::vector<int> kinds = groupings[random() % groupings.size()];
      if (random() % 4 == 0) kinds[random() % rows] = 99;
      Group(classes, c, kinds, random() % 2 == 0);
    }
    for (int look = 0; look < 30; ++look) {
      std::vector<std::vector<Column>> sides(6);
      std::vector<std::vector<std::uint32_t>> keys;
      for (auto& side : sides) {
        for (Column c{0}; c < cols; ++c) {
          if (random() % 3 == 0) side.push_back(c);
        }
        if (side.empty()) side.push_back(Column(0));
        std::shuffle(side.begin(), side.end(), random);
        std::vector<Column> ordered = CopyOf(like.Order(classes, SpanOf(side)));
        keys.push_back(like.Key());
        std::sort(ordered.begin(), ordered.end());
        std::vector<Column> sorted = side;
        std::sort(sorted.begin(), sorted.end());
        ASSERT_EQ(ordered, sorted) << "round " << round << ", look " << look;
      }
      for (std::size_t i = 0; i < sides.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
          if (keys[i] != keys[j]) continue;
          ASSERT_EQ(Agreement(classes, SpanOf(sides[i])), Agreement(classes, SpanOf(sides[j])))
              << "round " << round << ", look " << look;
        }
      }
      classes.Unite(Row(below(rows)), Row(below(rows)), Column(below(cols)));
    }
  }
}

}  // namespace
