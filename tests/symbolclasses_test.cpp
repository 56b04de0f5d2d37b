#include "symbolclasses.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(classes.Find(1, 4), classes.Find(1, 1));
  EXPECT_FALSE(classes.Unite(1, 1, 4));
  EXPECT_NE(classes.Find(1, 0), classes.Find(1, 1));
  EXPECT_EQ(classes.Symbol(0, 2), 0);
  EXPECT_FALSE(classes.IsShared(0, 2));  // alone in its class: it agrees with nobody
  EXPECT_TRUE(classes.IsShared(1, 4));
}

TEST(SymbolClassesTest, TracksSharedRowsCompletenessAndChangedColumns) {
  SymbolClasses classes(70, 3);  // more rows than one word of shared bits
  EXPECT_EQ(classes.SharedCount(0), 0u);
  classes.Unite(0, 65, 3);
  classes.Unite(0, 3, 7);
  classes.Unite(2, 0, 1);
  EXPECT_EQ(classes.SharedCount(0), 3u);
  std::vector<Row> shared;
  classes.ForEachShared(0, [&](Row r) { shared.push_back(r); });
  EXPECT_EQ(shared, (std::vector<Row>{3, 7, 65}));
  EXPECT_EQ(classes.TakeChangedColumns(), (std::vector<std::size_t>{0, 2}));
  EXPECT_TRUE(classes.TakeChangedColumns().empty());

  EXPECT_FALSE(classes.IsComplete(1));
  for (Row r = 1; r < 70; ++r) classes.Unite(1, 0, r);
  EXPECT_TRUE(classes.IsComplete(1));
  EXPECT_FALSE(classes.IsComplete(0));
  EXPECT_TRUE(SymbolClasses(1, 2).IsComplete(1));  // one row: nothing left to merge
}

TEST(SymbolClassesTest, TableauHoldsEveryCellsSymbol) {
  SymbolClasses classes(3, 2);
  classes.MarkDistinguished(0, 0);
  classes.Unite(0, 0, 2);
  classes.Unite(1, 1, 2);
  math::matrix<int> tableau = classes.ToTableau();
  ASSERT_EQ(tableau.RowNo(), 3u);
  ASSERT_EQ(tableau.ColNo(), 2u);
  const int expected[3][2] = {{0, 1}, {2, 2}, {0, 2}};
  for (std::uint32_t r = 0; r < 3; ++r) {
    for (std::uint32_t c = 0; c < 2; ++c) EXPECT_EQ(tableau(r, c), expected[r][c]) << r << c;
  }
  EXPECT_EQ(SymbolClasses(0, 4).ToTableau().RowNo(), 0u);
}

}  // namespace
