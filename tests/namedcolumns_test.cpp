#include "namedcolumns.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<Column> Columns(std::initializer_list<std::uint32_t> numbers) {
  std::vector<Column> columns;
  for (const std::uint32_t n : numbers) columns.push_back(Column(n));
  return columns;
}

std::vector<std::uint32_t> Numbers(ColumnSpan columns) {
  return std::vector<std::uint32_t>(columns.begin(), columns.end());
}

// Columns 0 to 69, of which the dependencies that apply name 3, 64 and 69: those become 0, 1
// and 2, in their order, and 3 stands for the 67 others, in the rows that hold them all.
TEST(NamedColumnsTest, NumbersTheNamedColumnsInOrderAndStandsInForTheRest) {
  ResolvedInput input;
  input.columns = 70;
  std::vector<Column> every;
  for (std::uint32_t c = 0; c < 70; ++c) every.push_back(Column(c));
  input.rowColumns.Append(every);
  input.rowColumns.Append(Columns({69, 3}));
  std::vector<Column> allButOne = every;
  allButOne.erase(allButOne.begin() + 10);
  input.rowColumns.Append(allButOne);
  input.dependencies.Add(DependencyKind::kFunctional, Columns({3, 64}), Columns({69}));
  // Applies to nothing: what it names is not named.
  input.dependencies.Add(DependencyKind::kFunctional, Columns({}), Columns({5}));
  input.dependencies.Add(DependencyKind::kFunctional, Columns({69}), Columns({64, 3}));

  const std::optional<NamedColumnsInput> named = OnNamedColumns(input);
  ASSERT_TRUE(named.has_value());
  const ResolvedInput& result = named->input;
  EXPECT_EQ(result.ColNo(), 4u);
  ASSERT_EQ(result.RowNo(), 3u);
  EXPECT_EQ(Numbers(result.rowColumns[0]), (std::vector<std::uint32_t>{0, 1, 2, 3}));
  EXPECT_EQ(Numbers(result.rowColumns[1]), (std::vector<std::uint32_t>{2, 0}));
  EXPECT_EQ(Numbers(result.rowColumns[2]), (std::vector<std::uint32_t>{0, 1, 2}));
  EXPECT_EQ(named->rowsHoldingTheRest, 1u);
  ASSERT_EQ(result.dependencies.size(), 2u);
  EXPECT_EQ(Numbers(result.dependencies.Left(0)), (std::vector<std::uint32_t>{0, 1}));
  EXPECT_EQ(Numbers(result.dependencies.Right(0)), (std::vector<std::uint32_t>{2}));
  EXPECT_EQ(Numbers(result.dependencies.Left(1)), (std::vector<std::uint32_t>{2}));
  EXPECT_EQ(Numbers(result.dependencies.Right(1)), (std::vector<std::uint32_t>{1, 0}));
}

TEST(NamedColumnsTest, NoneWhileTheNamedColumnsAreAsMany) {
  ResolvedInput input;
  input.columns = 4;
  input.rowColumns.Append(Columns({0, 1, 2, 3}));
  input.dependencies.Add(DependencyKind::kFunctional, Columns({0}), Columns({1}));
  input.dependencies.Add(DependencyKind::kFunctional, Columns({1}), Columns({2}));
  EXPECT_FALSE(OnNamedColumns(input).has_value());
  input.columns = 6;  // three named, three not
  EXPECT_TRUE(OnNamedColumns(input).has_value());
}

}  // namespace
