#include "schema.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<Column> Columns(std::uint32_t first, std::size_t count) {
  std::vector<Column> columns(count);
  for (std::size_t i = 0; i < count; ++i)
    columns[i] = Column(first + static_cast<std::uint32_t>(i));
  return columns;
}

std::vector<Column> Of(ColumnSpan span) { return {span.begin(), span.end()}; }

// Left-hand sides of every length around the one past which a length is kept apart, among
// join dependencies and dependencies that never apply: each side as it was added.
TEST(ResolvedDependenciesTest, KeepsEverySideWhateverTheLengthOfItsLeft) {
  ResolvedDependencies dependencies;
  std::vector<std::pair<std::vector<Column>, std::vector<Column>>> added;
  std::size_t columns = 0;
  for (std::size_t left : {0u, 1u, 3u, 254u, 255u, 256u, 2u, 1000u, 0u, 300u}) {
    const std::vector<Column> l = Columns(7, left);
    const std::vector<Column> r = Columns(5000, left % 4 + 1);
    dependencies.Add(left % 2 ? DependencyKind::kFunctional : DependencyKind::kMultivalued, l, r);
    added.emplace_back(l, r);
    columns += l.size() + r.size();
    if (left == 255) {
      dependencies.AddJoin({Columns(0, 3), Columns(2, 4)});
      added.emplace_back();
    }
  }
  ASSERT_EQ(dependencies.size(), added.size());
  EXPECT_EQ(dependencies.ColumnCount(), columns);
  for (std::size_t j = 0; j < added.size(); ++j) {
    EXPECT_EQ(Of(dependencies.Left(j)), added[j].first) << j;
    EXPECT_EQ(Of(dependencies.Right(j)), added[j].second) << j;
    EXPECT_EQ(dependencies.Applies(j), !added[j].first.empty()) << j;
  }
  EXPECT_EQ(dependencies.Kind(5), DependencyKind::kJoin);
  EXPECT_EQ(dependencies.Components(5).size(), 2u);
}

}  // namespace
