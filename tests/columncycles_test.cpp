#include "columncycles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chase_check.h"

namespace {

using Sides = std::pair<std::vector<std::uint32_t>, std::vector<std::uint32_t>>;

std::vector<Sides> SidesOf(const ResolvedDependencies& dependencies) {
  std::vector<Sides> sides;
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    Sides one;
    for (Column c : dependencies.Left(j)) one.first.push_back(c);
    for (Column c : dependencies.Right(j)) one.second.push_back(c);
    sides.push_back(one);
  }
  return sides;
}

TEST(ColumnCyclesTest, LinksWithoutACycleAreLeftAsTheyAre) {
  // A->B->C and D->A,B link columns, but only A,C->D, which is no link, closes a cycle.
  const ResolvedInput input = ResolveText("A,B,C,D\n\nA->B\nB->C\nA,C->D\nD->A,B\n");
  EXPECT_FALSE(MergeColumnCycles(input.dependencies, input.ColNo()).has_value());
}

TEST(ColumnCyclesTest, ACycleIsWrittenOnceAndWhatItGivesIsDropped) {
  // Columns A=0, B=1, C=2, D=3, E=4. A->B->C->A is a cycle, named by A; B,C->A adds nothing to
  // it, A,D->B,E only E, and C,B,D->E is A,D->E.
  const ResolvedInput input =
      ResolveText("A,B,C,D,E\n\nA->B\nB->C\nC->A\nB,C->A\nA,D->B,E\nC,B,D->E\n");
  const auto merged = MergeColumnCycles(input.dependencies, input.ColNo());
  ASSERT_TRUE(merged.has_value());
  EXPECT_EQ(
      SidesOf(*merged),
      (std::vector<Sides>{{{0}, {1, 2}}, {{1}, {0}}, {{2}, {0}}, {{0, 3}, {4}}, {{0, 3}, {4}}}));
}

TEST(ColumnCyclesTest, CyclesThatMeetThroughOneColumnAreOne) {
  // A->B->A and B->C->B share B; D->E->D stands apart, and A->D links the two.
  const ResolvedInput input = ResolveText("A,B,C,D,E\n\nA->B\nB->A,C\nC->B\nD->E\nE->D\nA->D\n");
  const auto merged = MergeColumnCycles(input.dependencies, input.ColNo());
  ASSERT_TRUE(merged.has_value());
  EXPECT_EQ(SidesOf(*merged),
            (std::vector<Sides>{
                {{0}, {1, 2}}, {{1}, {0}}, {{2}, {0}}, {{3}, {4}}, {{4}, {3}}, {{0}, {3}}}));
}

// Columns A=0, B=1, C=2, D=3, E=4, with no cycle. A,D->B,E gets B from A through one link, and
// keeps E, two links away; B,D->C,A gets C from B, and no link leads to A. A link keeps its own
// right-hand side, whatever other links give.
TEST(ColumnCyclesTest, WhatOneLinkGivesTheLeftHandSideIsDropped) {
  const ResolvedInput input = ResolveText("A,B,C,D,E\n\nA->B,C\nB->C\nC->E\nA,D->B,E\nB,D->C,A\n");
  const auto merged = MergeColumnCycles(input.dependencies, input.ColNo());
  ASSERT_TRUE(merged.has_value());
  EXPECT_EQ(
      SidesOf(*merged),
      (std::vector<Sides>{{{0}, {1, 2}}, {{1}, {2}}, {{2}, {4}}, {{0, 3}, {4}}, {{1, 3}, {0}}}));
}

// A key's dependency written again, whole or in part, adds nothing: a link from the same
// column (or cycle) gave its columns already. Another column's link to one of them does not.
TEST(ColumnCyclesTest, ALinkThatTheSameColumnGaveBeforeIsDropped) {
  const ResolvedInput input = ResolveText("A,B,C\n\nA->B,C\nA->C\nB->C\nA->B\n");
  const auto merged = MergeColumnCycles(input.dependencies, input.ColNo());
  ASSERT_TRUE(merged.has_value());
  EXPECT_EQ(SidesOf(*merged), (std::vector<Sides>{{{0}, {1, 2}}, {{1}, {2}}}));
}

// From a column with many links the look goes back from the right-hand column instead: A
// links to twenty columns, and only A leads to D.
TEST(ColumnCyclesTest, AColumnOfManyLinksIsLookedAtFromTheOtherSide) {
  std::string text = "A,B,D";
  std::string links = "A->D";
  for (int i = 0; i < 20; ++i) {
    text += ",X" + std::to_string(i);
    links += ",X" + std::to_string(i);
  }
  const ResolvedInput input = ResolveText(text + "\n\n" + links + "\nA,B->D\nD,B->A\n");
  const auto merged = MergeColumnCycles(input.dependencies, input.ColNo());
  ASSERT_TRUE(merged.has_value());
  EXPECT_EQ(merged->size(), 2u);  // the link, and D,B->A, which no link gives
  EXPECT_EQ(SidesOf(*merged).back(), (Sides{{1, 2}, {0}}));
}

// A look that would cost more than a few steps per column of the dependency is not taken:
// A has a hundred links, and D a hundred columns that link to it.
TEST(ColumnCyclesTest, ALookOneLinkFurtherHasABoundedCost) {
  std::string text = "A,B,D";
  std::string lines = "A->D";
  for (int i = 0; i < 100; ++i) {
    const std::string x = "X" + std::to_string(i);
    const std::string y = "Y" + std::to_string(i);
    text += "," + x + "," + y;
    lines += "," + x;
  }
  lines += "\n";
  for (int i = 0; i < 99; ++i) lines += "Y" + std::to_string(i) + "->D\n";
  const ResolvedInput input = ResolveText(text + "\n\n" + lines + "A,B->D\n");
  EXPECT_FALSE(MergeColumnCycles(input.dependencies, input.ColNo()).has_value());
}

TEST(ColumnCyclesTest, FeedingOrderPutsADependencyAfterThoseThatGiveItsLeftHandSide) {
  // A chain written last link first comes out first link first.
  const ResolvedInput chain = ResolveText("A,B,C,D\n\nC->D\nB->C\nA->B\n");
  EXPECT_EQ(FeedingOrder(chain.dependencies, chain.ColNo()), (std::vector<std::uint32_t>{2, 1, 0}));
  // Through a longer left-hand side: X gives A, A and B give C, C gives D.
  const ResolvedInput longer = ResolveText("A,B,C,D,X\n\nA,B->C\nC->D\nX->A\n");
  EXPECT_EQ(FeedingOrder(longer.dependencies, longer.ColNo()),
            (std::vector<std::uint32_t>{2, 0, 1}));
  // On a cycle nothing decides: input order, after what feeds the cycle.
  const ResolvedInput cycle = ResolveText("A,B,C\n\nA->B\nB->A\nC->A\n");
  EXPECT_EQ(FeedingOrder(cycle.dependencies, cycle.ColNo()), (std::vector<std::uint32_t>{2, 0, 1}));
}

}  // namespace
