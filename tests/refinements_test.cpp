#include "refinements.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Every pair of rows, the plainest way.
bool PlainRefines(const SymbolClasses& classes, Column x, Column t) {
  for (Row a{0}; a < classes.RowNo(); ++a) {
    for (Row b{a + 1}; b < classes.RowNo(); ++b) {
      if (classes.SameClass(a, b, x) && !classes.SameClass(a, b, t)) return false;
    }
  }
  return true;
}

// Random merges, asked about after each: a finding kept from before a merge in either column
// must be worked out again. Rows past one and two words of 64.
TEST(RefinementsTest, AgreesWithEveryPairOfRowsThroughMerges) {
  std::mt19937 random(20261211);
  for (const std::size_t rows : {2u, 5u, 64u, 65u, 130u}) {
    const std::size_t cols = 4;
    SymbolClasses classes(ColumnBits(rows, cols), false);
    Refinements refinements;
    const auto pick = [&](std::size_t count) {
      return static_cast<std::uint32_t>(random() % count);
    };
    for (int step = 0; step < 300; ++step) {
      // Column 0 merges most, so that it comes to determine the others and stops again.
      const Column c(random() % 3 == 0 ? pick(cols) : 0);
      classes.Unite(Row(pick(rows)), Row(pick(rows)), c);
      for (Column x{0}; x < cols; ++x) {
        for (Column t{0}; t < cols; ++t) {
          ASSERT_EQ(refinements.Refines(classes, x, t), PlainRefines(classes, x, t))
              << rows << " rows, step " << step << ", " << x << " in " << t;
        }
      }
    }
  }
}

// A finding is about one tableau: another with the same merge counts is looked at afresh.
TEST(RefinementsTest, FindingsDoNotCarryOverToOtherClasses) {
  SymbolClasses first(ColumnBits(4, 2), false);
  SymbolClasses second(ColumnBits(4, 2), false);
  first.Unite(Row(0), Row(1), Column(0));
  first.Unite(Row(0), Row(1), Column(1));
  second.Unite(Row(0), Row(1), Column(0));
  second.Unite(Row(2), Row(3), Column(1));
  Refinements refinements;
  EXPECT_TRUE(refinements.Refines(first, Column(0), Column(1)));
  EXPECT_FALSE(refinements.Refines(second, Column(0), Column(1)));
}

}  // namespace
