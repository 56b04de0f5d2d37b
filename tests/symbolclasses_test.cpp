#include "symbolclasses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

using Turned = SymbolClasses::Turned;

// Classes of rows x cols cells, with the listed (row, column) cells distinguished.
SymbolClasses Classes(std::size_t rows, std::size_t cols,
                      const std::vector<std::pair<int, int>>& distinguished = {},
                      bool trackSymbols = true, bool narrowWhenFits = true) {
  ColumnBits bits(rows, cols);
  for (auto [r, c] : distinguished) {
    bits.Set(Row(static_cast<std::uint32_t>(r)), Column(static_cast<std::uint32_t>(c)));
  }
  return SymbolClasses(std::move(bits), trackSymbols, narrowWhenFits);
}

std::vector<Row> Rows(std::initializer_list<std::uint32_t> rows) {
  std::vector<Row> list;
  for (std::uint32_t r : rows) list.push_back(Row(r));
  return list;
}

const Column kFirst{0};
const Column kSecond{1};

TEST(SymbolClassesTest, MergesKeepTheSmallerSymbolAndCountTheCellsThatChange) {
  SymbolClasses classes = Classes(5, 1, {{4, 0}});  // symbols 1, 2, 3, 4 and a distinguished 0
  auto change = [&](std::uint32_t a, std::uint32_t b) {
    SymbolChange c = classes.Change(Row(a), Row(b), kFirst);
    EXPECT_TRUE(classes.Unite(Row(a), Row(b), kFirst));
    return std::vector<std::size_t>{static_cast<std::size_t>(c.kept),
                                    static_cast<std::size_t>(c.dropped), c.cells};
  };
  EXPECT_EQ(change(3, 2), (std::vector<std::size_t>{3, 4, 1}));
  EXPECT_EQ(change(3, 1), (std::vector<std::size_t>{2, 3, 2}));  // {2, 3} with 3 meets {1}
  EXPECT_FALSE(classes.Unite(Row(2), Row(1), kFirst));
  EXPECT_EQ(change(0, 4), (std::vector<std::size_t>{0, 1, 1}));  // the distinguished 0 wins
  EXPECT_EQ(change(1, 0), (std::vector<std::size_t>{0, 2, 3}));
  for (Row r{0}; r < 5; ++r) EXPECT_EQ(classes.Symbol(r, kFirst), 0) << r;
  EXPECT_TRUE(classes.IsComplete(kFirst));
}

TEST(SymbolClassesTest, DistinguishedCellsOfAColumnStartAsOneClass) {
  // Row 2 holds its column's name twice: still one cell.
  SymbolClasses classes = Classes(5, 2, {{4, 1}, {1, 1}, {2, 0}, {2, 0}});
  EXPECT_TRUE(classes.SameClass(Row(4), Row(1), kSecond));
  EXPECT_FALSE(classes.Unite(Row(1), Row(4), kSecond));
  EXPECT_FALSE(classes.SameClass(Row(0), Row(1), kSecond));
  EXPECT_EQ(classes.ClassSize(Row(4), kSecond), 2u);
  EXPECT_EQ(classes.Symbol(Row(2), kFirst), 0);
  EXPECT_EQ(classes.Symbol(Row(3), kFirst), 4);
  EXPECT_EQ(classes.ClassSize(Row(2), kFirst), 1u);
  EXPECT_EQ(classes.DistinguishedLabel(kFirst), Row(2));
  EXPECT_FALSE(classes.Shared().Test(Row(2), kFirst));  // alone: it agrees with nobody
  EXPECT_TRUE(classes.Shared().Test(Row(4), kSecond));
  EXPECT_EQ(Classes(3, 1).DistinguishedLabel(kFirst), kNoRow);
}

// An explanation lists the chase's steps in the order made, which follows the rings of the
// classes: the distinguished class starts as merging its cells one by one, in ascending
// rows, would leave it, label and ring alike.
TEST(SymbolClassesTest, TheDistinguishedClassIsBuiltAsMergingItsCellsOneByOne) {
  for (std::vector<Row> rows : {Rows({3}), Rows({2, 5}), Rows({0, 2, 5, 7, 9, 63, 64, 65})}) {
    std::vector<std::pair<int, int>> cells;
    for (Row r : rows) cells.push_back({static_cast<int>(r), 0});
    SymbolClasses built = Classes(70, 1, cells);
    SymbolClasses merged = Classes(70, 1);
    for (std::size_t i = 1; i < rows.size(); ++i) {
      merged.Unite(rows[i], merged.Label(rows[0], kFirst), kFirst);
    }
    EXPECT_EQ(built.Label(rows[0], kFirst), merged.Label(rows[0], kFirst));
    EXPECT_EQ(built.DistinguishedLabel(kFirst), merged.Label(rows[0], kFirst));
    std::vector<Row> ringBuilt;
    std::vector<Row> ringMerged;
    built.ForEachMember(rows[0], kFirst, [&](Row r) { ringBuilt.push_back(r); });
    merged.ForEachMember(rows[0], kFirst, [&](Row r) { ringMerged.push_back(r); });
    EXPECT_EQ(ringBuilt, ringMerged) << rows.size() << " rows";
  }
}

TEST(SymbolClassesTest, ReportsTheRowsOfTheSmallerClassAndTheCellsThatBecomeDistinguished) {
  SymbolClasses classes = Classes(7, 1, {{6, 0}});
  auto relabelled = [&](const SymbolClasses::Merge& merge) {
    std::vector<Row> rows;
    classes.ForEachRelabelled(merge, kFirst, [&](Row r) { rows.push_back(r); });
    std::sort(rows.begin(), rows.end());
    return rows;
  };
  SymbolClasses::Merge merge = classes.Unite(Row(4), Row(5), kFirst);  // two cells alone
  EXPECT_TRUE(merge.labelWasAlone);
  EXPECT_EQ(relabelled(merge).size() + 1, 2u);  // the other one keeps its label
  EXPECT_EQ(merge.turned, Turned::kNone);
  merge = classes.Unite(Row(0), Row(4), kFirst);  // only the single cell is relabelled
  EXPECT_FALSE(merge.labelWasAlone);
  EXPECT_EQ(relabelled(merge), Rows({0}));
  classes.Unite(Row(1), Row(2), kFirst);
  merge = classes.Unite(Row(5), Row(2), kFirst);  // {1, 2} joins {0, 4, 5}
  EXPECT_EQ(relabelled(merge), Rows({1, 2}));
  EXPECT_EQ(classes.ClassSize(Row(3), kFirst), 1u);
  EXPECT_EQ(classes.ClassSize(Row(1), kFirst), 5u);

  // The distinguished cell 6 joins the larger class, which keeps its label: its five rows
  // become distinguished without moving, and only 6 is relabelled.
  merge = classes.Unite(Row(6), Row(0), kFirst);
  EXPECT_EQ(merge.turned, Turned::kKept);
  EXPECT_EQ(relabelled(merge), Rows({6}));
  std::vector<Row> turned;
  classes.ForEachFormerlyKept(merge, kFirst, [&](Row r) { turned.push_back(r); });
  EXPECT_EQ(turned.back(), merge.label);
  std::sort(turned.begin(), turned.end());
  EXPECT_EQ(turned, Rows({0, 1, 2, 4, 5}));
  for (Row r : Rows({0, 1, 2, 4, 5, 6})) EXPECT_TRUE(classes.IsDistinguished(r, kFirst)) << r;
  EXPECT_FALSE(classes.IsDistinguished(Row(3), kFirst));
  // A lone cell absorbed into the distinguished class turns distinguished itself.
  merge = classes.Unite(Row(3), Row(6), kFirst);
  EXPECT_EQ(merge.turned, Turned::kAbsorbed);
  EXPECT_EQ(relabelled(merge), Rows({3}));
  EXPECT_TRUE(classes.IsDistinguished(Row(3), kFirst));
}

TEST(SymbolClassesTest, TracksSharedRowsAndCompletenessAcrossWordsOfRows) {
  SymbolClasses classes = Classes(130, 2);  // more rows than two words of shared bits
  EXPECT_EQ(classes.SharedCount(kFirst), 0u);
  classes.Unite(Row(65), Row(3), kFirst);
  classes.Unite(Row(3), Row(128), kFirst);
  classes.Unite(Row(63), Row(64), kFirst);
  EXPECT_EQ(classes.SharedCount(kFirst), 5u);
  std::vector<Row> shared;
  classes.Shared().ForEach(kFirst, [&](Row r) { shared.push_back(r); });
  EXPECT_EQ(shared, Rows({3, 63, 64, 65, 128}));

  EXPECT_FALSE(classes.IsComplete(kSecond));
  for (Row r{1}; r < 130; ++r) classes.Unite(r, Row(0), kSecond);
  EXPECT_TRUE(classes.IsComplete(kSecond));
  EXPECT_FALSE(classes.IsComplete(kFirst));
  EXPECT_TRUE(Classes(1, 2).IsComplete(kSecond));  // one row: nothing left to merge
  EXPECT_TRUE(Classes(3, 1, {{0, 0}, {1, 0}, {2, 0}}).IsComplete(kFirst));
}

TEST(SymbolClassesTest, TableauHoldsEveryCellsSymbol) {
  for (bool track : {true, false}) {
    SymbolClasses classes = Classes(3, 2, {{0, 0}}, track);
    classes.Unite(Row(0), Row(2), kFirst);
    classes.Unite(Row(2), Row(1), kSecond);
    Tableau tableau = classes.ToTableau();
    ASSERT_EQ(tableau.RowNo(), 3u);
    ASSERT_EQ(tableau.ColNo(), 2u);
    const int expected[3][2] = {{0, 1}, {2, 2}, {0, 2}};
    for (Row r{0}; r < 3; ++r) {
      for (Column c{0}; c < 2; ++c) {
        EXPECT_EQ(tableau(r, c), expected[r][c]) << r << c << track;
        EXPECT_EQ(classes.Symbol(r, c), expected[r][c]) << r << c << track;
      }
    }
  }
  EXPECT_EQ(Classes(0, 4).ToTableau().RowNo(), 0u);
}

// Random merges against a plain model that keeps each column as a vector of symbols, for
// row counts on both sides of every 64-bit word of bits, in cells of 16-bit halves and of
// 32-bit ones.
TEST(SymbolClassesTest, AgreesWithAPlainModelOnRandomMerges) {
  std::mt19937 random(20261208);
  for (std::size_t run = 0; run < 18; ++run) {
    const std::size_t sizes[] = {1u, 2u, 63u, 64u, 65u, 127u, 128u, 129u, 300u};
    const std::size_t rows = sizes[run % 9];
    const bool narrow = run < 9;
    const std::size_t cols = 3;
    std::vector<std::vector<int>> model(cols, std::vector<int>(rows));
    std::vector<std::pair<int, int>> distinguished;
    for (std::size_t c = 0; c < cols; ++c) {
      for (std::size_t r = 0; r < rows; ++r) {
        // Column 0 starts with no distinguished cell, the others with some.
        const bool marked = c != 0 && random() % 7 == 0;
        model[c][r] = marked ? 0 : static_cast<int>(r) + 1;
        if (marked) distinguished.push_back({static_cast<int>(r), static_cast<int>(c)});
      }
    }
    SymbolClasses classes = Classes(rows, cols, distinguished, true, narrow);
    auto pick = [&] { return Row(static_cast<std::uint32_t>(random() % rows)); };
    for (int step = 0; step < 400; ++step) {
      const Column c(static_cast<std::uint32_t>(random() % cols));
      const Row a = pick();
      const Row b = pick();
      const int keep = std::min(model[c][a], model[c][b]);
      const int drop = std::max(model[c][a], model[c][b]);
      ASSERT_EQ(classes.SameClass(a, b, c), keep == drop)
          << rows << " rows, narrow " << narrow << ", step " << step;
      if (keep == drop) continue;
      const SymbolChange change = classes.Change(a, b, c);
      const SymbolClasses::Merge merge = classes.Unite(a, b, c);
      ASSERT_TRUE(merge);
      EXPECT_EQ(change.kept, keep);
      EXPECT_EQ(change.dropped, drop);
      EXPECT_EQ(change.cells,
                static_cast<std::size_t>(std::count(model[c].begin(), model[c].end(), drop)));
      // The relabelled rows are one of the two classes; the cells that turned distinguished
      // are those of the class that was not.
      std::set<Row> relabelled;
      classes.ForEachRelabelled(merge, c, [&](Row r) { relabelled.insert(r); });
      const int relabelledSymbol = model[c][*relabelled.begin()];
      std::set<Row> turned;
      if (merge.turned == Turned::kAbsorbed) turned = relabelled;
      if (merge.turned == Turned::kKept) {
        classes.ForEachFormerlyKept(merge, c, [&](Row r) { turned.insert(r); });
      }
      std::set<Row> expectRelabelled;
      std::set<Row> expectTurned;
      for (Row r{0}; r < rows; ++r) {
        if (model[c][r] == relabelledSymbol) expectRelabelled.insert(r);
        if (keep == 0 && model[c][r] == drop) expectTurned.insert(r);
      }
      EXPECT_EQ(relabelled, expectRelabelled)
          << rows << " rows, narrow " << narrow << ", step " << step;
      EXPECT_EQ(turned, expectTurned) << rows << " rows, narrow " << narrow << ", step " << step;
      for (int& cell : model[c]) {
        if (cell == drop) cell = keep;
      }
    }
    Tableau tableau = classes.ToTableau();
    for (Column c{0}; c < cols; ++c) {
      bool oneClass = true;
      std::size_t sharedCells = 0;
      for (Row r{0}; r < rows; ++r) {
        const auto count = std::count(model[c].begin(), model[c].end(), model[c][r]);
        ASSERT_EQ(tableau(r, c), model[c][r]) << rows << " rows, row " << r;
        EXPECT_EQ(classes.ClassSize(r, c), static_cast<std::size_t>(count));
        EXPECT_EQ(classes.Shared().Test(r, c), count > 1);
        sharedCells += count > 1 ? 1 : 0;
        EXPECT_EQ(classes.IsDistinguished(r, c), model[c][r] == 0);
        oneClass = oneClass && model[c][r] == model[c][0];
      }
      EXPECT_EQ(classes.IsComplete(c), oneClass);
      EXPECT_EQ(classes.SharedCount(c), sharedCells);
      const bool hasDistinguished = std::count(model[c].begin(), model[c].end(), 0) > 0;
      EXPECT_EQ(classes.DistinguishedLabel(c) != kNoRow, hasDistinguished);
    }
  }
}

// At 2^15 rows a class's size no longer fits the 15 bits that a cell of 16-bit halves has for
// it: a column merged whole, at random, keeps its size, labels and ring on both sides.
TEST(SymbolClassesTest, AColumnMergedWholeKeepsItsSizeOnBothSidesOf32768Rows) {
  std::mt19937 random(20261211);
  for (const std::size_t rows : {32767u, 32768u}) {
    SymbolClasses classes = Classes(rows, 2, {{5, 1}}, false);
    std::vector<Row> order(rows);
    for (std::size_t r = 0; r < rows; ++r) order[r] = Row(static_cast<std::uint32_t>(r));
    std::shuffle(order.begin(), order.end(), random);
    // Classes of two first, then merged pairwise, so that large classes meet large ones.
    for (std::size_t step = 1; step < rows; step *= 2) {
      for (std::size_t i = 0; i + step < rows; i += 2 * step) {
        ASSERT_TRUE(classes.Unite(order[i], order[i + step], kFirst));
        classes.Unite(order[i], order[i + step], kSecond);
      }
    }
    for (const Column c : {kFirst, kSecond}) {
      EXPECT_TRUE(classes.IsComplete(c)) << rows;
      EXPECT_EQ(classes.ClassSize(order.back(), c), rows);
      std::size_t members = 0;
      classes.ForEachMember(order.front(), c, [&](Row) { ++members; });
      EXPECT_EQ(members, rows);
      for (std::size_t r = 0; r < rows; r += 97) {
        ASSERT_TRUE(classes.SameClass(Row(static_cast<std::uint32_t>(r)), order.back(), c));
      }
    }
    EXPECT_EQ(classes.Symbol(order.back(), kFirst), 1);
    EXPECT_EQ(classes.Symbol(order.back(), kSecond), 0);
  }
}

// Classes of two cells or more, counted through merges of cells alone, of a cell alone into
// a class, and of two classes.
TEST(SymbolClassesTest, SharedClassesAreCountedThroughMerges) {
  ColumnBits initial(6, 1);
  initial.Set(Row(0), Column(0));
  initial.Set(Row(1), Column(0));
  SymbolClasses classes(initial, false);
  const Column c{0};
  EXPECT_EQ(classes.SharedClassCount(c), 1u);
  classes.Unite(Row(2), Row(3), c);
  EXPECT_EQ(classes.SharedClassCount(c), 2u);
  classes.Unite(Row(4), Row(2), c);
  EXPECT_EQ(classes.SharedClassCount(c), 2u);
  classes.Unite(Row(0), Row(3), c);
  EXPECT_EQ(classes.SharedClassCount(c), 1u);
  classes.Unite(Row(5), Row(5), c);
  EXPECT_EQ(classes.SharedClassCount(c), 1u);
}

}  // namespace
