#include "rowclosures.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <random>
#include <sstream>
#include <string>

#include "chase_check.h"
#include "reader.h"
#include "reference_chase.h"
#include "warnings.h"

namespace {

constexpr std::size_t kNoLimit = ~std::size_t{0};

bool NoRowDetermines(const std::string& text, std::size_t budget = kNoLimit) {
  const ResolvedInput input = ResolveText(text);
  return NoRowDeterminesEveryColumn(input.rowColumns, input.ColNo(), input.dependencies, budget);
}

TEST(RowClosuresTest, ARowMustHoldEveryColumnThatNoDependencyGives) {
  // B and D are given by no dependency, and no row holds both.
  EXPECT_TRUE(NoRowDetermines("A,B\nC,D\n\nA->C\n"));
  // Row 1 holds B and D and reaches A and C.
  EXPECT_FALSE(NoRowDetermines("A,B\nC,D\nB,D\n\nB->A\nD->C\n"));
  // A right-hand side whose left-hand side names an attribute of no sub-schema gives nothing.
  EXPECT_TRUE(NoRowDetermines("A,B\nB,C\n\nB,Z->C\n"));
  // No dependency at all: only a row of every attribute.
  EXPECT_TRUE(NoRowDetermines("A,B\nB,C\n\n"));
  EXPECT_FALSE(NoRowDetermines("A,B\nA,B,C\n\n"));
}

TEST(RowClosuresTest, ARowThatHoldsThemAllMustReachTheRest) {
  // A and B are held by row 0 alone, whose closure stops there: C and D give each other.
  EXPECT_TRUE(NoRowDetermines("A,B\nB,C\nB,D\n\nC->D\nD->C\n"));
  // A closure of every column says nothing of the verdict: here the rows never agree.
  EXPECT_FALSE(NoRowDetermines("A,B,C\nC,D\n\nA->D\n"));
  // The second row that holds them reaches all.
  EXPECT_FALSE(NoRowDetermines("A,B\nA,B,C\nD\n\nC->D\nD->C\n"));
}

TEST(RowClosuresTest, StopsUndecidedOnceTheBudgetIsSpent) {
  // Two rows hold A and B, and neither reaches C or D: the second closure decides.
  const std::string text = "A,B\nA,B\nC,D\n\nC->D\nD->C\nA->B\n";
  EXPECT_TRUE(NoRowDetermines(text));
  EXPECT_FALSE(NoRowDetermines(text, 0));
}

// Random inputs, of rows around a 64-bit word and past it: whenever the closures say no row
// can end all distinguished, the plain chase finds none.
TEST(RowClosuresTest, NeverDecidesWhatTheChaseFindsLossless) {
  std::mt19937 random(20261211);
  const auto pick = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  int decided = 0;
  int lossless = 0;
  int runs = 0;
  for (const int rows : {1, 2, 3, 5, 63, 64, 65, 130}) {
    for (int input = 0; input < 60; ++input) {
      const int columns = pick(2, 10);
      const auto name = [&] { return "a" + std::to_string(pick(0, columns - 1)); };
      std::string text;
      for (int r = 0; r < rows; ++r) {
        std::string row = name();
        for (int more = pick(0, columns / 2); more > 0; --more) row += "," + name();
        text += row + '\n';
      }
      text += '\n';
      for (int j = pick(0, 2 * columns); j > 0; --j) {
        std::string left = name();
        if (pick(0, 2) == 0) left += "," + name();
        text += left + "->" + name() + '\n';
      }
      std::istringstream in(text);
      std::ostringstream discarded;
      Warnings warnings(discarded, "in.txt");
      const ParsedInput parsed = ReadInput(in, warnings, true);
      const bool chaseLossless = ReferenceChase(parsed.decomposition, parsed.dependencies).lossless;
      const ResolvedInput& resolved = parsed.resolved;
      const bool noRow = NoRowDeterminesEveryColumn(resolved.rowColumns, resolved.ColNo(),
                                                    resolved.dependencies, kNoLimit);
      ASSERT_FALSE(noRow && chaseLossless) << text;
      decided += noRow;
      lossless += chaseLossless;
      ++runs;
    }
  }
  // Both answers are met often, and the chase finds lossless inputs.
  EXPECT_GT(decided, runs / 8);
  EXPECT_LT(decided, runs - runs / 8);
  EXPECT_GT(lossless, runs / 10);
}

}  // namespace
