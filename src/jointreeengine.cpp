#include "jointreeengine.h"

#include <algorithm>
#include <vector>

#include "dependencybasis.h"
#include "jointree.h"

namespace {

std::vector<Column> Sorted(ColumnSpan columns) {
  std::vector<Column> sorted(columns.begin(), columns.end());
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}

// Adds the input's dependencies to basis as multivalued ones; false when a join dependency
// is cyclic.
bool AddDependencies(const ResolvedDependencies& dependencies, std::size_t cols,
                     DependencyBasis& basis) {
  std::vector<Column> single(1);
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    const std::vector<Column> left = Sorted(dependencies.Left(j));
    switch (dependencies.Kind(j)) {
      case DependencyKind::kFunctional:
        if (left.empty()) break;  // never applies
        for (Column c : dependencies.Right(j)) {
          single[0] = c;
          basis.AddMultivalued(left, single);
        }
        break;
      case DependencyKind::kMultivalued:
        if (!left.empty()) basis.AddMultivalued(left, Sorted(dependencies.Right(j)));
        break;
      case DependencyKind::kJoin: {
        std::vector<std::vector<Column>> components;
        for (ColumnSpan component : dependencies.Components(j))
          components.push_back(Sorted(component));
        if (components.empty()) break;  // not used
        const auto tree = JoinTreeDependencies(components, cols);
        if (!tree) return false;
        for (const MultivaluedDependency& edge : *tree) basis.AddMultivalued(edge.left, edge.right);
        break;
      }
    }
  }
  return true;
}

}  // namespace

std::optional<bool> DecideByJoinTree(const ResolvedInput& input) {
  if (input.RowNo() == 0) return false;  // no row can become all distinguished
  std::vector<std::vector<Column>> schemas;
  for (std::size_t r = 0; r < input.RowNo(); ++r) schemas.push_back(Sorted(input.rowColumns[r]));
  const auto tree = JoinTreeDependencies(schemas, input.ColNo());
  if (!tree) return std::nullopt;
  DependencyBasis basis(input.ColNo());
  if (!AddDependencies(input.dependencies, input.ColNo(), basis)) return std::nullopt;
  return std::all_of(tree->begin(), tree->end(), [&](const MultivaluedDependency& edge) {
    return basis.Implies(edge.left, edge.right);
  });
}
