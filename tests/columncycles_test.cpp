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

}  // namespace
