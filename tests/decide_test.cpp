#include "decide.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "chase_check.h"

namespace {

TEST(DecideTest, GivesWhatIsAskedFor) {
  // Row 3 holds every attribute from the start; B->C then completes row 1 as well.
  const ResolvedInput input = ResolveText("A,B\nB,C\nA,B,C\n\nB->C\n");
  const Outcome plain = Decide(input);
  EXPECT_TRUE(plain.lossless);
  EXPECT_NE(plain.decidingRow, kNoRow);
  EXPECT_FALSE(plain.finalTableau.has_value());

  DecideOptions options;
  options.finalTableau = true;
  const Outcome full = Decide(input, options);
  ASSERT_TRUE(full.finalTableau.has_value());
  EXPECT_EQ(full.decidingRow, Row(0));  // the lowest row all distinguished
  EXPECT_EQ(CellsOf(*full.finalTableau),
            (std::vector<std::vector<int>>{{0, 0, 0}, {2, 0, 0}, {0, 0, 0}}));

  const Outcome lossy = Decide(ResolveText("A,B\nC\n\nB->C\n"), options);
  EXPECT_FALSE(lossy.lossless);
  EXPECT_EQ(lossy.decidingRow, kNoRow);
}

TEST(DecideTest, TellsTheObserverTheInitialTableauAndEveryStep) {
  const ResolvedInput input = ResolveText("A,B\nB,C\nC,D\n\nC->D\nB->C\n");
  std::vector<std::vector<std::vector<int>>> initial;
  std::vector<ChaseStep> steps;
  ChaseObserver observer;
  observer.initial = [&](const Tableau& tableau) { initial.push_back(CellsOf(tableau)); };
  observer.step = [&](const ChaseStep& step) { steps.push_back(step); };
  DecideOptions options;
  options.observer = &observer;
  const Outcome outcome = Decide(input, options);
  ASSERT_EQ(initial.size(), 1u);
  EXPECT_EQ(initial[0], (std::vector<std::vector<int>>{{0, 0, 1, 1}, {2, 0, 0, 2}, {3, 3, 0, 0}}));
  // C->D on rows 2 and 3, then B->C on rows 1 and 2, which makes C->D apply to them too.
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[0].i, Row(1));
  EXPECT_EQ(steps[0].column, Column(3));
  EXPECT_EQ(steps[1].dependency, 1u);
  EXPECT_EQ(steps[2].change.dropped, 1);
  EXPECT_EQ(steps[2].change.kept, 0);
  EXPECT_TRUE(outcome.lossless);
  EXPECT_EQ(outcome.decidingRow, Row(0));
}

TEST(DecideTest, RefusesATableauThatCannotBeIndexed) {
  ResolvedInput input = ResolveText("A\nB\n");
  input.columns = std::size_t{1} << 33;
  try {
    Decide(input);
    FAIL() << "no exception";
  } catch (const std::length_error& error) {
    EXPECT_EQ(std::string(error.what()),
              "the tableau of 2 rows and 8589934592 columns does not fit in memory");
  }
}

}  // namespace
