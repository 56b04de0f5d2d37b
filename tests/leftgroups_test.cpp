#include "leftgroups.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <utility>
#include <vector>

namespace {

using Columns = std::vector<Column>;

Columns ColumnsOf(std::initializer_list<std::uint32_t> list) {
  Columns columns;
  for (std::uint32_t c : list) columns.push_back(Column(c));
  return columns;
}

// Against a model: per left-hand side, its columns in the order first named and the first
// dependency that named each. Groups met again and again, in turns, so that their targets
// outgrow their room and move, many times over.
TEST(LeftGroupsTest, GroupsByLeftHandSideAndAddsEachColumnOnce) {
  std::mt19937 random(20261209);
  auto pick = [&](std::uint32_t n) {
    return static_cast<std::uint32_t>(
        std::uniform_int_distribution<std::uint32_t>(0, n - 1)(random));
  };
  ResolvedDependencies dependencies;
  std::vector<Columns> lefts = {ColumnsOf({0, 1}), ColumnsOf({0, 2}), ColumnsOf({1, 2, 3}),
                                ColumnsOf({3, 4}), ColumnsOf({0, 1, 2, 3, 4})};
  for (int j = 0; j < 3000; ++j) {
    Columns right;
    for (std::uint32_t c = 0; c < 200; ++c) {
      if (pick(40) == 0) right.push_back(Column(c));
    }
    if (right.empty()) right.push_back(Column(pick(200)));
    dependencies.Add(DependencyKind::kFunctional, lefts[pick(5)], right);
  }
  LeftGroups groups(dependencies);
  std::map<Columns, std::vector<std::pair<Column, std::size_t>>> model;
  std::map<Columns, std::uint32_t> groupOf;
  std::vector<LeftGroups::Target> added;
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    const ColumnSpan leftSpan = dependencies.Left(j);
    const Columns left(leftSpan.begin(), leftSpan.end());
    const std::uint32_t g = groups.Add(j, added);
    if (groupOf.count(left) == 0) groupOf[left] = static_cast<std::uint32_t>(groupOf.size());
    ASSERT_EQ(g, groupOf[left]);
    auto& expected = model[left];
    std::vector<std::pair<Column, std::size_t>> expectedAdded;
    for (Column c : dependencies.Right(j)) {
      bool known = false;
      for (const auto& target : expected) known = known || target.first == c;
      if (!known) {
        expected.push_back({c, j});
        expectedAdded.push_back({c, j});
      }
    }
    std::vector<std::pair<Column, std::size_t>> gotAdded;
    for (const auto& target : added) gotAdded.push_back({target.column, target.dependency});
    ASSERT_EQ(gotAdded, expectedAdded) << "dependency " << j;
  }
  ASSERT_EQ(groups.size(), model.size());
  for (const auto& [left, expected] : model) {
    std::vector<std::pair<Column, std::size_t>> got;
    for (const auto& target : groups.Targets(groupOf[left]))
      got.push_back({target.column, target.dependency});
    EXPECT_EQ(got, expected);
    EXPECT_EQ(
        std::vector<Column>(groups.Left(groupOf[left]).begin(), groups.Left(groupOf[left]).end()),
        left);
  }
}

}  // namespace
