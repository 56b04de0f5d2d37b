#include "signaturefilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

namespace {

// Classes over rows x cols cells: in each column, every row joins the class of a random one
// of `classes` rows, a few of them distinguished; with many classes, most cells stay alone.
SymbolClasses RandomClasses(std::mt19937& random, std::size_t rows, std::size_t cols) {
  ColumnBits distinguished(rows, cols);
  for (std::size_t k = 0; k < rows * cols / 10; ++k) {
    distinguished.Set(Row(static_cast<std::uint32_t>(random() % rows)),
                      Column(static_cast<std::uint32_t>(random() % cols)));
  }
  SymbolClasses classes(std::move(distinguished), false);
  for (Column c{0}; c < cols; ++c) {
    const std::size_t kinds = 1 + random() % (c % 3 == 0 ? rows : std::min<std::size_t>(rows, 4));
    for (Row r{0}; r < rows; ++r) {
      classes.Unite(r, Row(static_cast<std::uint32_t>(random() % kinds)), c);
    }
  }
  return classes;
}

// Whether row r agrees with another of rows on every column of left.
bool AgreesWithAnother(const SymbolClasses& classes, const std::vector<Column>& left,
                       const std::vector<Row>& rows, Row r) {
  for (const Row other : rows) {
    if (other == r) continue;
    bool same = true;
    for (const Column c : left) same = same && classes.SameClass(r, other, c);
    if (same) return true;
  }
  return false;
}

// Of rows, those that agree with another of them on every column of left.
std::vector<Row> ThoseThatAgree(const SymbolClasses& classes, const std::vector<Column>& left,
                                const std::vector<Row>& rows) {
  std::vector<Row> agreeing;
  for (const Row r : rows) {
    if (AgreesWithAnother(classes, left, rows, r)) agreeing.push_back(r);
  }
  return agreeing;
}

// Of cols columns, all but about one in skipOneIn; column 0 when that leaves none.
std::vector<Column> RandomLeft(std::mt19937& random, std::size_t cols, unsigned skipOneIn) {
  std::vector<Column> left;
  for (Column c{0}; c < cols; ++c) {
    if (random() % skipOneIn != 0) left.push_back(c);
  }
  if (left.empty()) left.push_back(Column(0));
  return left;
}

// With exact keys, rows of one key agree: each row kept is given the first kept row that agrees
// with it on every column of the side, the lowest, as the rows were counted or when a side met
// again takes what was kept for the last alike.
void ExpectFirstsOfExactKeysAgree(SignatureFilter& filter, const SymbolClasses& classes,
                                  const std::vector<Column>& left, const std::vector<Row>& kept) {
  if (!filter.KeysAreExact()) return;
  const auto agree = [&](Row a, Row b) {
    return std::all_of(left.begin(), left.end(),
                       [&](Column c) { return classes.SameClass(a, b, c); });
  };
  const std::vector<std::uint32_t>& firsts = filter.FirstsOfKept();
  ASSERT_EQ(firsts.size(), kept.size());
  for (std::size_t k = 0; k < kept.size(); ++k) {
    std::size_t first = 0;
    while (!agree(kept[first], kept[k])) ++first;
    ASSERT_EQ(firsts[k], first) << "row " << kept[k];
  }
}

// Random left-hand sides of 1 to 40 columns (past every doubling at which rows are dropped)
// over rows that reach past two 64-bit words. Keys of 64 bits collide by chance too rarely
// for a kept row that agrees with none to show here: the rows kept are exactly those that
// agree.
TEST(SignatureFilterTest, KeepsExactlyTheRowsThatAgreeWithAnotherOnTheWholeSide) {
  std::mt19937 random(20261210);
  SignatureFilter filter;
  for (int round = 0; round < 300; ++round) {
    const std::size_t rows = 1 + random() % 150;
    const std::size_t cols = 1 + random() % 40;
    const SymbolClasses classes = RandomClasses(random, rows, cols);
    const std::vector<Column> left = RandomLeft(random, cols, 3);
    std::vector<Row> all;
    for (Row r{0}; r < rows; ++r) {
      if (random() % 4 != 0) all.push_back(r);
    }
    const std::vector<Row> expected = ThoseThatAgree(classes, left, all);
    std::vector<Row> kept = all;
    filter.Filter(classes, {left.data(), left.data() + left.size()}, kept);
    ASSERT_EQ(kept, expected) << "round " << round << ", " << left.size() << " columns";
  }
}

// The same for every row of the tableau, read column by column whole: sides of up to 40
// columns, past the counts at 4, 8, 16 and 32 columns, over classes few enough that most rows
// are kept through several counts, or many enough that most go at the first and the rest are
// followed row by row; one filter for all, so that each starts from what the last left.
// Sides of few classes are read by exact keys; the same inputs are met again with hashed keys.
TEST(SignatureFilterTest, OfAllRowsKeepsExactlyThoseThatAgreeWithAnother) {
  for (const bool directKeys : {true, false}) {
    std::mt19937 random(20261211);
    SignatureFilter filter(64, directKeys);
    for (int round = 0; round < 300; ++round) {
      const std::size_t rows = 1 + random() % 200;
      const std::size_t cols = 1 + random() % 40;
      const SymbolClasses classes = RandomClasses(random, rows, cols);
      std::vector<Column> left = RandomLeft(random, cols, 4);
      std::shuffle(left.begin(), left.end(), random);
      std::vector<Row> all;
      for (Row r{0}; r < rows; ++r) all.push_back(r);
      const std::vector<Row> expected = ThoseThatAgree(classes, left, all);
      std::vector<Row> kept = {Row(0)};  // what the filter finds replaces what rows held
      filter.FilterAll(classes, {left.data(), left.data() + left.size()}, kept);
      ASSERT_EQ(kept, expected) << "round " << round << ", " << left.size() << " columns";
      ExpectFirstsOfExactKeysAgree(filter, classes, left, kept);
    }
  }
}

// Rows that copy one of a few patterns, each cell moved to another of the column's classes now
// and then: sides of several such columns have far more keys than a table holds, and are read
// by exact keys numbered again by their rows between columns, up to eight columns. Last, four
// columns over 20,000 rows: the rows' numbers times the last column's 51 numbers (50 classes
// and one for the rows alone) fit in the count's 2^20 keys, 53 would not. The rows expected
// are found by sorting the rows' labels.
TEST(SignatureFilterTest, KeysOfManyDigitsAreNumberedAgainByTheirRows) {
  std::mt19937 random(20261211);
  const auto below = [&](std::size_t n) { return static_cast<std::uint32_t>(random() % n); };
  SignatureFilter filter;
  int numbered = 0;  // looks whose keys were numbered again
  for (int round = 0; round < 40; ++round) {
    const std::size_t rows = round < 36 ? 2 + below(700) : 20000;
    const std::size_t cols = round < 36 ? 3 + below(10) : 4;
    const std::size_t kinds = round < 36 ? 8 + below(60) : (round % 2 == 0 ? 50u : 52u);
    const std::size_t patterns = 1 + below(rows / 3 + 1);
    SymbolClasses classes(ColumnBits(rows, cols), false);
    std::vector<std::uint32_t> pattern(rows);
    for (auto& p : pattern) p = below(patterns);
    for (Column c{0}; c < cols; ++c) {
      std::vector<Row> firstOfKind(kinds, kNoRow);
      for (Row r{0}; r < rows; ++r) {
        const std::size_t kind = below(20) == 0 ? below(kinds) : (pattern[r] * 7919 + c) % kinds;
        if (firstOfKind[kind] == kNoRow) firstOfKind[kind] = r;
        classes.Unite(firstOfKind[kind], r, c);
      }
    }
    std::vector<Column> left;
    for (Column c{0}; c < cols; ++c) left.push_back(c);
    std::vector<std::pair<std::vector<Row>, Row>> labels;
    for (Row r{0}; r < rows; ++r) {
      std::vector<Row> of;
      for (const Column c : left) of.push_back(classes.Label(r, c));
      labels.emplace_back(std::move(of), r);
    }
    std::sort(labels.begin(), labels.end());
    std::vector<Row> expected;
    for (std::size_t k = 0; k < labels.size(); ++k) {
      const bool before = k > 0 && labels[k - 1].first == labels[k].first;
      const bool after = k + 1 < labels.size() && labels[k + 1].first == labels[k].first;
      if (before || after) expected.push_back(labels[k].second);
    }
    std::sort(expected.begin(), expected.end());
    std::vector<Row> kept;
    filter.FilterAll(classes, {left.data(), left.data() + left.size()}, kept);
    ASSERT_EQ(kept, expected) << "round " << round << ", " << cols << " columns";
    // Keys of more digits than the table holds, in columns that tell rows apart (more than one
    // class of shared cells), are exact for sides of up to eight such columns, while the
    // rows' numbers times a column's fit.
    std::size_t digits = 1;
    std::size_t telling = 0;
    for (const Column c : left) {
      const std::size_t numbers = classes.SharedClassCount(c) + 1;
      if (numbers <= 2) continue;
      digits = std::min<std::size_t>(digits * numbers, std::size_t{1} << 40);
      ++telling;
    }
    if (digits > (std::size_t{1} << 20)) {
      const bool exact = telling <= 8 && (rows <= 700 || kinds == 50);
      ASSERT_EQ(filter.KeysAreExact(), exact) << "round " << round;
      numbered += exact ? 1 : 0;
    }
    if (rows <= 700) ExpectFirstsOfExactKeysAgree(filter, classes, left, kept);
  }
  EXPECT_GE(numbered, 10);
}

// The exact keys' counts carry the number of their look in 6 bits: past the last number the
// counts of earlier looks must not come back. Rows 0 and 3 have the same keys in both tableaux,
// where they share them with rows 1 and 2 in the first only; only the look numbered 2, and the
// looks 2^6 - 1 later, and again, that take its number again, are of the first.
TEST(SignatureFilterTest, ExactCountsOfEarlierLooksNeverCount) {
  SignatureFilter filter;
  const std::vector<Column> left = {Column(0), Column(1)};
  for (int look = 1; look < 4 * (1 << 6) + 4; ++look) {
    const bool first = look == 2;
    SymbolClasses classes(ColumnBits(4, 2), false);
    classes.Unite(Row(0), Row(1), Column(0));
    classes.Unite(Row(2), Row(3), Column(0));
    classes.Unite(Row(0), first ? Row(1) : Row(2), Column(1));
    classes.Unite(Row(3), first ? Row(2) : Row(1), Column(1));
    std::vector<Row> kept;
    filter.FilterAll(classes, {left.data(), left.data() + left.size()}, kept);
    ASSERT_TRUE(filter.KeysAreExact());
    ASSERT_EQ(kept.size(), first ? 4u : 0u) << "look " << look;
  }
}

// One tableau whose columns copy a few groupings, looked at again and again with merges in
// between: what the filter kept for a side must not come back once a merge changed what its
// columns group, nor for a side that only looked alike before it.
TEST(SignatureFilterTest, OfAllRowsKeepsWhatAgreesAfterMerges) {
  std::mt19937 random(20261213);
  const auto below = [&](std::size_t n) { return static_cast<std::uint32_t>(random() % n); };
  SignatureFilter filter;
  for (int round = 0; round < 20; ++round) {
    const std::size_t rows = 2 + below(150);
    const std::size_t cols = 3 + below(20);
    SymbolClasses classes(ColumnBits(rows, cols), false);
    std::vector<std::uint32_t> kinds(rows);
    for (Column c{0}; c < cols; ++c) {
      // Three groupings into rows / 2 kinds, with rows / 8 of them moved in some columns.
      std::mt19937 grouping(c % 3);
      for (auto& kind : kinds) kind = static_cast<std::uint32_t>(grouping() % (rows / 2 + 1));
      if (c % 2 == 1) {
        for (std::size_t k = 0; k < rows / 8; ++k) kinds[below(rows)] = below(rows);
      }
      for (Row r{0}; r < rows; ++r)
        classes.Unite(Row(static_cast<std::uint32_t>(kinds[r] % rows)), r, c);
    }
    std::vector<Row> all;
    for (Row r{0}; r < rows; ++r) all.push_back(r);
    for (int look = 0; look < 60; ++look) {
      std::vector<Column> left;
      for (std::size_t k = 0; k < 3 + below(6); ++k) left.push_back(Column(below(cols)));
      const std::vector<Row> expected = ThoseThatAgree(classes, left, all);
      std::vector<Row> kept;
      filter.FilterAll(classes, {left.data(), left.data() + left.size()}, kept);
      ASSERT_EQ(kept, expected) << "round " << round << ", look " << look;
      ExpectFirstsOfExactKeysAgree(filter, classes, left, kept);
      if (look % 3 == 0) classes.Unite(Row(below(rows)), Row(below(rows)), Column(below(cols)));
    }
  }
}

// Each filter counts in a round of its own, numbered in 16 bits: past the last number the
// counts of earlier rounds must not come back. Rows 0 and 2 are seen together only in the
// round numbered 2 and in the round 2^16 rounds later; every other round sees rows 2 and 3.
TEST(SignatureFilterTest, CountsOfEarlierRoundsNeverCount) {
  ColumnBits none(4, 1);
  SymbolClasses classes(std::move(none), false);
  classes.Unite(Row(0), Row(1), Column(0));  // two classes: rows 0 and 1, rows 2 and 3
  classes.Unite(Row(2), Row(3), Column(0));
  const std::vector<Column> left = {Column(0)};
  SignatureFilter filter;
  for (int round = 0; round < 65536 + 4; ++round) {
    const bool apart = round % 65536 == 1;  // rows of two classes: neither is kept
    std::vector<Row> rows =
        apart ? std::vector<Row>{Row(0), Row(2)} : std::vector<Row>{Row(2), Row(3)};
    filter.Filter(classes, {left.data(), left.data() + left.size()}, rows);
    ASSERT_EQ(rows.size(), apart ? 0u : 2u) << "round " << round;
  }
}

}  // namespace
