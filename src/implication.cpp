#include "implication.h"

#include <algorithm>
#include <vector>

#include "attributeclosure.h"
#include "decide.h"

ColumnLists ImplicationRows(const ResolvedDependencies& asked, std::size_t j, std::size_t columns) {
  ColumnLists rows;
  std::vector<Column> row;
  const auto add = [&] {
    std::sort(row.begin(), row.end());
    row.erase(std::unique(row.begin(), row.end()), row.end());
    rows.Append(row);
    row.clear();
  };
  switch (asked.Kind(j)) {
    case DependencyKind::kFunctional:
      for (Column c{0}; c < columns; ++c) row.push_back(c);
      add();
      row.assign(asked.Left(j).begin(), asked.Left(j).end());
      add();
      break;
    case DependencyKind::kMultivalued:
    case DependencyKind::kJoin:
      // The components that a step of the dependency joins: X,Y and X with the rest.
      for (const std::vector<Column>& component : asked.JoinComponents(j, columns)) {
        row = component;
        add();
      }
      break;
  }
  return rows;
}

ResolvedInput ImplicationTableau(const ResolvedInput& input, const ResolvedDependencies& asked,
                                 std::size_t j) {
  ResolvedInput tableau;
  tableau.columns = input.columns;
  tableau.rowColumns = ImplicationRows(asked, j, input.columns);
  tableau.dependencies = input.dependencies;
  return tableau;
}

bool ReadImplication(const ResolvedDependencies& asked, std::size_t j, const Outcome& outcome) {
  if (asked.Kind(j) != DependencyKind::kFunctional) return outcome.lossless;
  for (Column c : asked.Right(j)) {
    if ((*outcome.finalTableau)(1, c) != 0) return false;
  }
  return true;
}

bool Implies(const ResolvedInput& input, const ResolvedDependencies& asked, std::size_t j,
             const DecideOptions& options) {
  const bool functional = asked.Kind(j) == DependencyKind::kFunctional;
  if (functional && input.dependencies.AllOfKind(DependencyKind::kFunctional)) {
    return ClosureHolds(input.dependencies, input.columns,
                        std::vector<Column>(asked.Left(j).begin(), asked.Left(j).end()),
                        asked.Right(j));
  }
  DecideOptions chase = options;
  // For X->Y the first row is all distinguished from the start: the chase runs to its end.
  chase.finalTableau = chase.finalTableau || functional;
  return ReadImplication(asked, j, Decide(ImplicationTableau(input, asked, j), chase));
}
