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

bool Implies(const ResolvedInput& input, const ResolvedDependencies& asked, std::size_t j,
             DecideOptions options, Outcome* outcome) {
  const bool functional = asked.Kind(j) == DependencyKind::kFunctional;
  if (functional && options.observer == nullptr &&
      input.dependencies.AllOfKind(DependencyKind::kFunctional)) {
    AttributeClosure closure(input.dependencies, input.columns);
    closure.Compute(std::vector<Column>(asked.Left(j).begin(), asked.Left(j).end()));
    return closure.HoldsAll(asked.Right(j));
  }
  ResolvedInput tableau;
  tableau.columns = input.columns;
  tableau.rowColumns = ImplicationRows(asked, j, input.columns);
  tableau.dependencies = input.dependencies;
  // For X->Y the first row is all distinguished from the start: the chase runs to its end.
  options.finalTableau = options.finalTableau || functional;
  Outcome decided = Decide(tableau, options);
  bool implied = decided.lossless;
  if (functional) {
    implied = true;
    for (Column c : asked.Right(j)) implied = implied && (*decided.finalTableau)(1, c) == 0;
  }
  if (outcome != nullptr) *outcome = std::move(decided);
  return implied;
}
