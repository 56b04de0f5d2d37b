#include "symbolclasses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

namespace {

using Row = SymbolClasses::Row;

TEST(SymbolClassesTest, MergesKeepTheSmallerSymbolAndCountTheCellsThatChange) {
  SymbolClasses classes(4, 1);  // symbols 1, 2, 3, 4
  SymbolClasses::Merge merge;
  ASSERT_TRUE(classes.Unite(0, 3, 2, &merge));
  EXPECT_EQ(merge.kept, 3);
  EXPECT_EQ(merge.dropped, 4);
  EXPECT_EQ(merge.cells, 1u);

  ASSERT_TRUE(classes.Unite(0, 3, 1, &merge));  // {2, 3} with symbol 3 meets {1} with 2
  EXPECT_EQ(merge.kept, 2);
  EXPECT_EQ(merge.dropped, 3);
  EXPECT_EQ(merge.cells, 2u);
  EXPECT_FALSE(classes.Unite(0, 2, 1));

  classes.MarkDistinguished(3, 0);  // the whole class of row 3 becomes 0
  EXPECT_EQ(classes.Symbol(0, 0), 1);
  for (Row r : {1u, 2u, 3u}) EXPECT_EQ(classes.Symbol(0, r), 0) << r;

  ASSERT_TRUE(classes.Unite(0, 0, 2, &merge));  // the distinguished value always wins
  EXPECT_EQ(merge.kept, 0);
  EXPECT_EQ(merge.dropped, 1);
  EXPECT_EQ(merge.cells, 1u);
}

TEST(SymbolClassesTest, DistinguishedCellsOfAColumnShareOneClass) {
  SymbolClasses classes(5, 2);
  classes.MarkDistinguished(4, 1);
  classes.MarkDistinguished(1, 1);
  classes.MarkDistinguished(2, 0);
  classes.MarkDistinguished(2, 0);  // a name twice in a sub-schema
  EXPECT_TRUE(classes.SameClass(1, 4, 1));
  EXPECT_FALSE(classes.Unite(1, 1, 4));
  EXPECT_FALSE(classes.SameClass(1, 0, 1));
  EXPECT_EQ(classes.Symbol(0, 2), 0);
  EXPECT_EQ(classes.ClassSize(0, 2), 1u);
  EXPECT_FALSE(classes.IsShared(0, 2));  // alone in its class: it agrees with nobody
  EXPECT_TRUE(classes.IsShared(1, 4));
  EXPECT_EQ(classes.AllDistinguishedRow(), SymbolClasses::kNone);
}

TEST(SymbolClassesTest, ReportsTheRowsOfTheSmallerClassAndTheCellsThatBecomeShared) {
  SymbolClasses classes(6, 1);
  std::vector<Row> moved;
  auto record = [&](Row r) { moved.push_back(r); };
  auto none = [](Row r) { ADD_FAILURE() << "row " << r << " became distinguished"; };
  classes.Unite(0, 4, 5, nullptr, record, none);  // two cells alone: both change
  std::sort(moved.begin(), moved.end());
  EXPECT_EQ(moved, (std::vector<Row>{4, 5}));
  moved.clear();
  classes.Unite(0, 0, 4, nullptr, record, none);  // only the single cell is relabelled
  EXPECT_EQ(moved, (std::vector<Row>{0}));
  moved.clear();
  classes.Unite(0, 1, 2, nullptr, record, none);
  moved.clear();
  classes.Unite(0, 5, 2, nullptr, record, none);  // {1, 2} joins {0, 4, 5}
  std::sort(moved.begin(), moved.end());
  EXPECT_EQ(moved, (std::vector<Row>{1, 2}));
  EXPECT_EQ(classes.ClassSize(0, 3), 1u);
  EXPECT_EQ(classes.ClassSize(0, 1), 5u);

  // The distinguished cell 3 joins the larger class, which keeps its label: its five rows
  // become distinguished without moving, and only 3 is relabelled.
  classes.MarkDistinguished(3, 0);
  moved.clear();
  std::vector<Row> turned;
  classes.Unite(0, 3, 0, nullptr, record, [&](Row r) { turned.push_back(r); });
  std::sort(turned.begin(), turned.end());
  EXPECT_EQ(moved, (std::vector<Row>{3}));
  EXPECT_EQ(turned, (std::vector<Row>{0, 1, 2, 4, 5}));
  for (Row r : {0u, 1u, 2u, 3u, 4u, 5u}) EXPECT_TRUE(classes.IsDistinguishedCell(0, r)) << r;
}

TEST(SymbolClassesTest, TracksSharedRowsCompletenessAndAllDistinguishedRows) {
  SymbolClasses classes(130, 3);  // more rows than two words of shared bits
  EXPECT_EQ(classes.SharedCount(0), 0u);
  classes.Unite(0, 65, 3);
  classes.Unite(0, 3, 128);
  classes.Unite(0, 63, 64);
  EXPECT_EQ(classes.SharedCount(0), 5u);
  std::vector<Row> shared;
  classes.ForEachShared(0, [&](Row r) { shared.push_back(r); });
  EXPECT_EQ(shared, (std::vector<Row>{3, 63, 64, 65, 128}));

  EXPECT_FALSE(classes.IsComplete(1));
  for (Row r = 1; r < 130; ++r) classes.Unite(1, r, 0);
  EXPECT_TRUE(classes.IsComplete(1));
  EXPECT_FALSE(classes.IsComplete(0));
  EXPECT_TRUE(SymbolClasses(1, 2).IsComplete(1));  // one row: nothing left to merge

  // Row 7 becomes all distinguished through a merge, not through its own attributes.
  classes.MarkDistinguished(129, 1);  // the whole column is one class: every row gets it
  classes.MarkDistinguished(7, 2);
  classes.MarkDistinguished(129, 0);
  EXPECT_EQ(classes.AllDistinguishedRow(), SymbolClasses::kNone);
  classes.Unite(0, 129, 7);
  EXPECT_EQ(classes.AllDistinguishedRow(), 7u);
  classes.Unite(2, 7, 129);
  EXPECT_EQ(classes.AllDistinguishedRow(), 7u);              // the first found stays
  EXPECT_EQ(SymbolClasses(2, 0).AllDistinguishedRow(), 0u);  // no cell to wait for
}

TEST(SymbolClassesTest, TableauHoldsEveryCellsSymbol) {
  for (bool track : {true, false}) {
    SymbolClasses classes(3, 2, track);
    classes.MarkDistinguished(0, 0);
    classes.Unite(0, 0, 2);
    classes.Unite(1, 2, 1);
    math::matrix<int> tableau = classes.ToTableau();
    ASSERT_EQ(tableau.RowNo(), 3u);
    ASSERT_EQ(tableau.ColNo(), 2u);
    const int expected[3][2] = {{0, 1}, {2, 2}, {0, 2}};
    for (std::uint32_t r = 0; r < 3; ++r) {
      for (std::uint32_t c = 0; c < 2; ++c) {
        EXPECT_EQ(tableau(r, c), expected[r][c]) << r << c << track;
        EXPECT_EQ(classes.Symbol(c, r), expected[r][c]) << r << c << track;
      }
    }
  }
  EXPECT_EQ(SymbolClasses(0, 4).ToTableau().RowNo(), 0u);
}

// Random merges against a plain model that keeps each column as a vector of symbols, for
// row counts on both sides of every 64-bit word of shared bits.
TEST(SymbolClassesTest, AgreesWithAPlainModelOnRandomMerges) {
  std::mt19937 random(20261208);
  for (std::size_t rows : {1u, 2u, 63u, 64u, 65u, 127u, 128u, 129u, 300u}) {
    const std::size_t cols = 3;
    SymbolClasses classes(rows, cols);
    std::vector<std::vector<int>> model(cols, std::vector<int>(rows));
    std::vector<std::vector<bool>> distinguished(cols, std::vector<bool>(rows, false));
    for (std::size_t c = 0; c < cols; ++c) {
      for (std::size_t r = 0; r < rows; ++r) model[c][r] = static_cast<int>(r) + 1;
    }
    auto pick = [&] { return static_cast<Row>(random() % rows); };
    for (int step = 0; step < 400; ++step) {
      std::size_t c = random() % cols;
      Row a = pick();
      Row b = pick();
      if (step % 10 == 0) {
        classes.MarkDistinguished(a, c);
        int old = model[c][a];
        for (int& cell : model[c]) {
          if (cell == old) cell = 0;
        }
        continue;
      }
      int keep = std::min(model[c][a], model[c][b]);
      int drop = std::max(model[c][a], model[c][b]);
      std::set<Row> changed;  // rows whose class changed: relabelled or newly shared
      std::set<Row> turned;   // the other rows whose cell became distinguished
      SymbolClasses::Merge merge;
      bool merged = classes.Unite(
          c, a, b, &merge, [&](Row r) { changed.insert(r); }, [&](Row r) { turned.insert(r); });
      ASSERT_EQ(merged, keep != drop) << rows << " rows, step " << step;
      if (!merged) continue;
      EXPECT_EQ(merge.kept, keep);
      EXPECT_EQ(merge.dropped, drop);
      EXPECT_EQ(merge.cells,
                static_cast<std::size_t>(std::count(model[c].begin(), model[c].end(), drop)));
      std::set<Row> expectTurned;
      for (std::size_t r = 0; r < rows; ++r) {
        auto row = static_cast<Row>(r);
        if (keep == 0 && model[c][r] == drop && !changed.count(row)) expectTurned.insert(row);
      }
      for (int& cell : model[c]) {
        if (cell == drop) cell = keep;
      }
      EXPECT_TRUE(changed.count(a) || changed.count(b)) << rows << " rows, step " << step;
      EXPECT_EQ(turned, expectTurned) << rows << " rows, step " << step;
    }
    math::matrix<int> tableau = classes.ToTableau();
    for (std::size_t c = 0; c < cols; ++c) {
      std::size_t sharedCells = 0;
      for (std::size_t r = 0; r < rows; ++r) {
        auto row = static_cast<Row>(r);
        auto count = std::count(model[c].begin(), model[c].end(), model[c][r]);
        ASSERT_EQ(tableau(row, static_cast<std::uint32_t>(c)), model[c][r]) << rows << r;
        EXPECT_EQ(classes.ClassSize(c, row), static_cast<std::size_t>(count));
        EXPECT_EQ(classes.IsShared(c, row), count > 1);
        EXPECT_EQ(classes.IsDistinguishedCell(c, row), model[c][r] == 0);
        EXPECT_EQ((classes.DistinguishedWord(c, r / 64) >> (r % 64)) & 1,
                  model[c][r] == 0 ? 1u : 0u);
        EXPECT_EQ((classes.SharedWord(c, r / 64) >> (r % 64)) & 1, count > 1 ? 1u : 0u);
        sharedCells += count > 1;
      }
      EXPECT_EQ(classes.SharedCount(c), sharedCells);
      bool oneClass = std::all_of(model[c].begin(), model[c].end(),
                                  [&](int cell) { return cell == model[c][0]; });
      EXPECT_EQ(classes.IsComplete(c), oneClass);
    }
  }
}

// Marking a column's distinguished cells in one pass leaves the classes that marking them one
// by one does, for the merges that follow too.
TEST(SymbolClassesTest, MarkingCellsInOnePassIsMarkingThemOneByOne) {
  std::mt19937 random(11);
  for (std::size_t rows : {1u, 2u, 63u, 64u, 65u, 129u}) {
    const std::size_t cols = 3;
    SymbolClasses byOne(rows, cols, true);
    SymbolClasses inOnePass(rows, cols, true);
    std::bernoulli_distribution holds(rows == 2 ? 1.0 : 0.4);
    for (std::size_t c = 0; c < cols; ++c) {
      std::vector<Row> marked;
      for (std::size_t r = 0; r < rows; ++r) {
        if (c == 0 || holds(random)) marked.push_back(static_cast<Row>(r));  // column 0: all
      }
      for (Row r : marked) byOne.MarkDistinguished(r, c);
      inOnePass.MarkDistinguished(marked, c);
    }
    std::uniform_int_distribution<Row> pick(0, static_cast<Row>(rows - 1));
    for (int step = 0; step < 50; ++step) {
      std::size_t c = static_cast<std::size_t>(step) % cols;
      Row a = pick(random);
      Row b = pick(random);
      ASSERT_EQ(byOne.Unite(c, a, b), inOnePass.Unite(c, a, b)) << rows << " rows";
    }
    EXPECT_EQ(byOne.ToTableau(), inOnePass.ToTableau()) << rows << " rows";
    EXPECT_EQ(byOne.AllDistinguishedRow(), inOnePass.AllDistinguishedRow()) << rows << " rows";
    for (std::size_t c = 0; c < cols; ++c) {
      EXPECT_EQ(byOne.SharedCount(c), inOnePass.SharedCount(c));
      EXPECT_EQ(byOne.IsComplete(c), inOnePass.IsComplete(c));
      for (std::size_t w = 0; w < byOne.WordsPerColumn(); ++w) {
        EXPECT_EQ(byOne.SharedWord(c, w), inOnePass.SharedWord(c, w));
        EXPECT_EQ(byOne.DistinguishedWord(c, w), inOnePass.DistinguishedWord(c, w));
      }
      for (std::size_t r = 0; r < rows; ++r) {
        EXPECT_EQ(byOne.ClassSize(c, static_cast<Row>(r)),
                  inOnePass.ClassSize(c, static_cast<Row>(r)));
      }
    }
  }
}

}  // namespace
