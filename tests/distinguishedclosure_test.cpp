#include "distinguishedclosure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "chase.h"
#include "symbolclasses.h"

namespace {

// A random tableau and dependencies, built as columns directly.
struct Input {
  std::size_t rows = 0;
  std::size_t cols = 0;
  ColumnLists rowColumns;
  ResolvedDependencies dependencies;

  ColumnBits Initial() const {
    ColumnBits cells(rows, cols);
    for (Row r{0}; r < rows; ++r) {
      for (Column c : rowColumns[r]) cells.Set(r, c);
    }
    return cells;
  }
};

Input RandomInput(std::mt19937& random, std::size_t rows) {
  auto pick = [&](std::size_t low, std::size_t high) {
    return std::uniform_int_distribution<std::size_t>(low, high)(random);
  };
  Input input;
  input.rows = rows;
  input.cols = pick(1, 12);
  // Dense rows make the rule fire often; sparse ones leave most dependencies idle.
  const double density = std::uniform_real_distribution<double>(0.2, 0.95)(random);
  std::bernoulli_distribution holds(density);
  for (std::size_t r = 0; r < rows; ++r) {
    std::vector<Column> columns;
    for (Column c{0}; c < input.cols; ++c) {
      if (holds(random)) columns.push_back(c);
    }
    input.rowColumns.Append(columns);
  }
  const std::size_t dependencies = pick(0, 16);
  for (std::size_t j = 0; j < dependencies; ++j) {
    std::vector<Column> left;
    std::vector<Column> right;
    auto column = [&] { return Column(static_cast<std::uint32_t>(pick(0, input.cols - 1))); };
    for (std::size_t i = pick(0, 3); i > 0; --i) left.push_back(column());
    for (std::size_t i = pick(1, 2); i > 0; --i) right.push_back(column());
    std::sort(left.begin(), left.end());
    left.erase(std::unique(left.begin(), left.end()), left.end());
    right.erase(std::unique(right.begin(), right.end()), right.end());
    input.dependencies.Add(DependencyKind::kFunctional, left, right);
  }
  return input;
}

using PlainCells = std::vector<std::vector<bool>>;

// The rows distinguished in every left-hand column of dependency j.
std::vector<std::size_t> AgreeingRows(const Input& input, const PlainCells& cells, std::size_t j) {
  const ColumnSpan left = input.dependencies.Left(j);
  std::vector<std::size_t> agreeing;
  for (std::size_t r = 0; r < input.rows && !left.empty(); ++r) {
    if (std::all_of(left.begin(), left.end(), [&](Column c) { return cells[r][c]; }))
      agreeing.push_back(r);
  }
  return agreeing;
}

// The rule applied the plainest way: every dependency, over and over, until nothing changes.
PlainCells PlainClosure(const Input& input) {
  PlainCells cells(input.rows, std::vector<bool>(input.cols, false));
  for (std::size_t r = 0; r < input.rows; ++r) {
    for (Column c : input.rowColumns[r]) cells[r][c] = true;
  }
  for (bool changed = true; changed;) {
    changed = false;
    for (std::size_t j = 0; j < input.dependencies.size(); ++j) {
      const std::vector<std::size_t> agreeing = AgreeingRows(input, cells, j);
      for (Column target : input.dependencies.Right(j)) {
        bool one = std::any_of(agreeing.begin(), agreeing.end(),
                               [&](std::size_t r) { return cells[r][target]; });
        for (std::size_t r : agreeing) {
          if (one && !cells[r][target]) cells[r][target] = changed = true;
        }
      }
    }
  }
  return cells;
}

Row FirstFullRow(const PlainCells& cells) {
  for (Row r{0}; r < cells.size(); ++r) {
    if (std::all_of(cells[r].begin(), cells[r].end(), [](bool cell) { return cell; })) return r;
  }
  return kNoRow;
}

// Whether the tableau of the closure's cells, every other cell a symbol of its own row, is one
// that no dependency changes: rows agree on a column only where both are distinguished.
bool IsPlainFixpoint(const Input& input, const PlainCells& cells) {
  for (std::size_t j = 0; j < input.dependencies.size(); ++j) {
    const std::vector<std::size_t> agreeing = AgreeingRows(input, cells, j);
    for (Column target : input.dependencies.Right(j)) {
      for (std::size_t r : agreeing) {
        if (!cells[r][target] && agreeing.size() > 1) return false;
      }
    }
  }
  return true;
}

// Row counts on both sides of each 64-bit word boundary.
const std::size_t kRowCounts[] = {1, 2, 5, 63, 64, 65, 127, 128, 129, 200};

TEST(DistinguishedClosureTest, ReachesTheFixpointOfTheRuleAppliedPlainly) {
  std::mt19937 random(20261209);
  for (int n = 0; n < 1500; ++n) {
    const std::size_t rows = kRowCounts[static_cast<std::size_t>(n) % std::size(kRowCounts)];
    Input input = RandomInput(random, rows);
    DistinguishedClosure closure(input.Initial(), input.dependencies);
    ASSERT_TRUE(closure.Run(static_cast<std::size_t>(-1), false));
    PlainCells expected = PlainClosure(input);
    for (Row r{0}; r < rows; ++r) {
      for (Column c{0}; c < input.cols; ++c) {
        ASSERT_EQ(closure.Cells().Test(r, c), expected[r][c])
            << "input " << n << ", row " << r << ", column " << c;
      }
    }
    const Row full = FirstFullRow(expected);
    ASSERT_EQ(FirstRowInEveryColumn(closure.Cells()), full) << "input " << n;
    ASSERT_EQ(closure.IsChaseFixpoint(), IsPlainFixpoint(input, expected)) << "input " << n;
    // Stopping at the first full row still finds one exactly when the fixpoint has one.
    DistinguishedClosure early(input.Initial(), input.dependencies);
    ASSERT_TRUE(early.Run(static_cast<std::size_t>(-1), true));
    ASSERT_EQ(FirstRowInEveryColumn(early.Cells()) != kNoRow, full != kNoRow) << "input " << n;
  }
}

TEST(DistinguishedClosureTest, StopsShortWithOnlyCellsOfTheFixpoint) {
  std::mt19937 random(7);
  int stopped = 0;
  for (int n = 0; n < 500; ++n) {
    Input input =
        RandomInput(random, kRowCounts[static_cast<std::size_t>(n) % std::size(kRowCounts)]);
    PlainCells expected = PlainClosure(input);
    DistinguishedClosure closure(input.Initial(), input.dependencies);
    // Small budgets, and yields that no run reaches or that every run does.
    const std::size_t budget =
        n % 3 == 0 ? static_cast<std::size_t>(-1) : static_cast<std::size_t>(n % 5);
    const std::size_t wordsPerGain = n % 3 == 0 ? 1 : (n % 3 == 1 ? 0 : 1000000);
    stopped += closure.Run(budget, n % 2 == 0, wordsPerGain) ? 0 : 1;
    for (Row r{0}; r < input.rows; ++r) {
      for (Column c : input.rowColumns[r]) ASSERT_TRUE(closure.Cells().Test(r, c));
      for (Column c{0}; c < input.cols; ++c) {
        ASSERT_TRUE(!closure.Cells().Test(r, c) || expected[r][c]);
      }
    }
  }
  EXPECT_GT(stopped, 50);
}

// The closure marks only cells that the chase makes distinguished, so the chase started from
// its cells, wherever it stopped, ends with the tableau of the chase from the initial cells.
TEST(DistinguishedClosureTest, TheChaseFromItsCellsEndsWhereTheWholeChaseDoes) {
  std::mt19937 random(13);
  for (int n = 0; n < 600; ++n) {
    Input input =
        RandomInput(random, kRowCounts[static_cast<std::size_t>(n) % std::size(kRowCounts)]);
    SymbolClasses whole(input.Initial(), false);
    Chase(whole, input.dependencies).Run(false);
    DistinguishedClosure closure(input.Initial(), input.dependencies);
    closure.Run(n % 3 == 0 ? static_cast<std::size_t>(-1) : static_cast<std::size_t>(n % 13),
                false);
    SymbolClasses fromClosure(closure.TakeCells(), false);
    Chase(fromClosure, input.dependencies).Run(false);
    ASSERT_EQ(fromClosure.ToTableau(), whole.ToTableau()) << "input " << n;
  }
}

TEST(DistinguishedClosureTest, NoColumnsMeanEveryRowIsFull) {
  ResolvedDependencies none;
  DistinguishedClosure closure(ColumnBits(2, 0), none);
  EXPECT_TRUE(closure.Run(0, true));
  EXPECT_EQ(FirstRowInEveryColumn(closure.Cells()), Row(0));
  EXPECT_TRUE(closure.IsChaseFixpoint());
}

}  // namespace
