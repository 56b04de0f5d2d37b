#include "reference_general_chase.h"

#include <algorithm>
#include <cstddef>
#include <set>

namespace {

using Rows = std::vector<std::vector<int>>;

bool Contains(const Rows& rows, const std::vector<int>& row) {
  return std::find(rows.begin(), rows.end(), row) != rows.end();
}

bool AgreeOn(const std::vector<int>& t, const std::vector<int>& u, ColumnSpan columns) {
  return std::all_of(columns.begin(), columns.end(), [&](Column c) { return t[c] == u[c]; });
}

// Rows that agree on the left-hand side: in each right-hand column the larger symbol becomes
// the smaller, in the whole column.
bool Functional(Rows& rows, ColumnSpan left, ColumnSpan right) {
  bool changed = false;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (std::size_t k = 0; k < rows.size(); ++k) {
      if (i == k || !AgreeOn(rows[i], rows[k], left)) continue;
      for (Column c : right) {
        const int a = rows[i][c];
        const int b = rows[k][c];
        if (a == b) continue;
        for (std::vector<int>& row : rows) {
          if (row[c] == std::max(a, b)) row[c] = std::min(a, b);
        }
        changed = true;
      }
    }
  }
  return changed;
}

// Rows t and u that agree on X give the row of t on X and Y, and of u elsewhere.
bool Multivalued(Rows& rows, ColumnSpan left, ColumnSpan right) {
  bool changed = false;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (std::size_t k = 0; k < rows.size(); ++k) {
      if (!AgreeOn(rows[i], rows[k], left)) continue;
      std::vector<int> row = rows[k];
      for (Column c : left) row[c] = rows[i][c];
      for (Column c : right) row[c] = rows[i][c];
      if (!Contains(rows, row)) {
        rows.push_back(row);
        changed = true;
      }
    }
  }
  return changed;
}

// Every tuple of the columns' symbols whose projection on each component is a row's.
bool Join(Rows& rows, const std::vector<ColumnSpan>& components, std::size_t cols) {
  std::vector<std::vector<int>> symbols(cols);
  for (std::size_t c = 0; c < cols; ++c) {
    std::set<int> seen;
    for (const std::vector<int>& row : rows) seen.insert(row[c]);
    symbols[c].assign(seen.begin(), seen.end());
  }
  bool changed = false;
  std::vector<std::size_t> at(cols, 0);
  const Rows before = rows;
  for (;;) {
    std::vector<int> tuple(cols);
    for (std::size_t c = 0; c < cols; ++c) tuple[c] = symbols[c][at[c]];
    const bool inJoin = std::all_of(components.begin(), components.end(), [&](ColumnSpan r) {
      return std::any_of(before.begin(), before.end(),
                         [&](const std::vector<int>& row) { return AgreeOn(row, tuple, r); });
    });
    if (inJoin && !Contains(rows, tuple)) {
      rows.push_back(tuple);
      changed = true;
    }
    std::size_t c = 0;
    while (c < cols && ++at[c] == symbols[c].size()) at[c++] = 0;
    if (c == cols) break;
  }
  return changed;
}

}  // namespace

GeneralReferenceResult ReferenceGeneralChase(const ResolvedInput& input) {
  const std::size_t cols = input.ColNo();
  Rows rows;
  for (std::size_t r = 0; r < input.RowNo(); ++r) {
    std::vector<int> row(cols, static_cast<int>(r) + 1);
    for (Column c : input.rowColumns[r]) row[c] = 0;
    rows.push_back(row);
  }
  const ResolvedDependencies& dependencies = input.dependencies;
  for (bool changed = true; changed && cols > 0;) {
    changed = false;
    for (std::size_t j = 0; j < dependencies.size(); ++j) {
      const ColumnSpan left = dependencies.Left(j);
      switch (dependencies.Kind(j)) {
        case DependencyKind::kFunctional:
          if (!left.empty()) changed = Functional(rows, left, dependencies.Right(j)) || changed;
          break;
        case DependencyKind::kMultivalued:
          if (!left.empty()) changed = Multivalued(rows, left, dependencies.Right(j)) || changed;
          break;
        case DependencyKind::kJoin: {
          const std::vector<ColumnSpan> components = dependencies.Components(j);
          if (!components.empty()) changed = Join(rows, components, cols) || changed;
          break;
        }
      }
    }
  }
  GeneralReferenceResult result;
  std::set<std::vector<int>> distinct(rows.begin(), rows.end());
  result.rows.assign(distinct.begin(), distinct.end());
  result.lossless = std::any_of(rows.begin(), rows.end(), [](const std::vector<int>& row) {
    return std::all_of(row.begin(), row.end(), [](int s) { return s == 0; });
  });
  return result;
}
