#include "chase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "symbolclasses.h"

namespace {

std::size_t Pick(std::mt19937& random, std::size_t low, std::size_t high) {
  return std::uniform_int_distribution<std::size_t>(low, high)(random);
}

// Rows past one and two words of 64, with columns that most rows hold (each then one class of
// shared cells and a few cells alone), few do or none does; keys from one column, so that
// columns gain classes; and sides of three columns or more, which a first look filters.
struct Input {
  ColumnBits initial;
  ResolvedDependencies dependencies;
};

// With aroundOneColumn, column 0 is in every longer left-hand side, and keys give it classes:
// sides after the first find their rows one class in the targets already, as column 0 comes to
// determine them, or not.
Input RandomInput(std::mt19937& random, bool aroundOneColumn = false) {
  const std::size_t rows = Pick(random, 2, 150);
  const std::size_t cols = Pick(random, 4, 12);
  Input input{ColumnBits(rows, cols), {}};
  for (Column c{0}; c < cols; ++c) {
    const double densities[] = {0.0, 0.2, 0.9, 0.9};
    std::bernoulli_distribution holds(densities[Pick(random, 0, 3)]);
    for (Row r{0}; r < rows; ++r) {
      if (holds(random)) input.initial.Set(r, c);
    }
  }
  const auto column = [&] { return Column(static_cast<std::uint32_t>(Pick(random, 0, cols - 1))); };
  for (std::size_t j = aroundOneColumn ? Pick(random, 8, 30) : Pick(random, 1, 14); j > 0; --j) {
    std::vector<Column> left;
    std::vector<Column> right;
    for (std::size_t i = Pick(random, 0, 2) == 0 ? 1 : Pick(random, 3, 5); i > 0; --i) {
      left.push_back(column());
    }
    if (aroundOneColumn && left.size() > 1) left.push_back(Column(0));
    for (std::size_t i = Pick(random, 1, 2); i > 0; --i) right.push_back(column());
    if (aroundOneColumn && left.size() == 1 && j % 2 == 0) right = {Column(0)};
    std::sort(left.begin(), left.end());
    left.erase(std::unique(left.begin(), left.end()), left.end());
    right.erase(std::unique(right.begin(), right.end()), right.end());
    input.dependencies.Add(DependencyKind::kFunctional, left, right);
  }
  return input;
}

// The chase the plainest way: every pair of rows, for every dependency, until nothing changes.
Tableau PlainChase(const Input& input) {
  SymbolClasses classes(input.initial, false);
  const ResolvedDependencies& dependencies = input.dependencies;
  for (bool changed = true; changed;) {
    changed = false;
    for (std::size_t j = 0; j < dependencies.size(); ++j) {
      const ColumnSpan left = dependencies.Left(j);
      for (Row a{0}; a < classes.RowNo(); ++a) {
        for (Row b{a + 1}; b < classes.RowNo(); ++b) {
          if (!std::all_of(left.begin(), left.end(),
                           [&](Column c) { return classes.SameClass(a, b, c); })) {
            continue;
          }
          for (Column t : dependencies.Right(j)) changed = classes.Unite(a, b, t) || changed;
        }
      }
    }
  }
  return classes.ToTableau();
}

// With keys of no bits or two, nearly every row a first look keeps meets a row of its key that it
// does not agree with: the exact look after must still find every pair that agrees, and no
// other. With full keys, the same tableau.
TEST(ChaseTest, RowsThatShareAKeyByChanceEndAtThePlainFixpoint) {
  std::mt19937 random(20261210);
  for (int n = 0; n < 600; ++n) {
    const Input input = RandomInput(random);
    const Tableau expected = PlainChase(input);
    for (const int keyBits : {0, 2, 64}) {
      SymbolClasses classes(input.initial, false);
      Chase(classes, input.dependencies, nullptr, keyBits).Run(false);
      ASSERT_EQ(classes.ToTableau(), expected) << "input " << n << ", keys of " << keyBits;
    }
    // Cells of 32-bit halves, which tableaux of 2^15 rows or more take, on every third input.
    if (n % 3 != 0) continue;
    SymbolClasses wide(input.initial, false, false);
    Chase(wide, input.dependencies, nullptr).Run(false);
    ASSERT_EQ(wide.ToTableau(), expected) << "input " << n << ", wide cells";
  }
}

// Many sides around one column, with few targets: a side is skipped only where that column
// determines its targets, and looked at wherever it does not.
TEST(ChaseTest, SidesAroundOneColumnEndAtThePlainFixpoint) {
  std::mt19937 random(20261212);
  for (int n = 0; n < 120; ++n) {
    const Input input = RandomInput(random, true);
    SymbolClasses classes(input.initial, false);
    Chase(classes, input.dependencies, nullptr).Run(false);
    ASSERT_EQ(classes.ToTableau(), PlainChase(input)) << "input " << n;
  }
}

}  // namespace
