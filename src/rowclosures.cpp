#include "rowclosures.h"

#include <cstdint>
#include <vector>

#include "attributeclosure.h"

namespace {

// The columns on no right-hand side of a functional dependency that applies: only a row that
// holds them reaches them.
std::vector<std::uint8_t> ColumnsGiven(const ResolvedDependencies& dependencies,
                                       std::size_t columns) {
  std::vector<std::uint8_t> given(columns, 0);
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    if (dependencies.Kind(j) != DependencyKind::kFunctional || !dependencies.Applies(j)) continue;
    for (const Column c : dependencies.Right(j)) given[c] = 1;
  }
  return given;
}

}  // namespace

bool NoRowDeterminesEveryColumn(const ColumnLists& rowColumns, std::size_t columns,
                                const ResolvedDependencies& dependencies, std::size_t workBudget) {
  const std::vector<std::uint8_t> given = ColumnsGiven(dependencies, columns);
  std::size_t notGiven = 0;
  for (const std::uint8_t g : given) notGiven += g == 0;
  // The rows that hold every column not given: the only ones whose closure can be all.
  std::vector<Row> candidates;
  for (Row r{0}; r < rowColumns.size(); ++r) {
    std::size_t held = 0;
    for (const Column c : rowColumns[r]) held += given[c] == 0;  // each column once
    if (held == notGiven) candidates.push_back(r);
  }
  if (candidates.empty()) return true;
  AttributeClosure closure(dependencies, columns);
  std::vector<Column> start;
  for (const Row r : candidates) {
    if (closure.Work() > workBudget) return false;
    const ColumnSpan held = rowColumns[r];
    start.assign(held.begin(), held.end());
    closure.Compute(start);
    if (closure.Columns().size() == columns) return false;
  }
  return true;
}
