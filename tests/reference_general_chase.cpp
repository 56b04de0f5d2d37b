#include "reference_general_chase.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <set>
#include <string>

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
  // Agreement and equalizing are symmetric: each pair of rows once.
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (std::size_t k = i + 1; k < rows.size(); ++k) {
      if (!AgreeOn(rows[i], rows[k], left)) continue;
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

namespace {

// The components a multivalued or join dependency combines rows by, as the tool lists them.
std::vector<std::vector<Column>> ComponentsOf(const ResolvedInput& input, std::size_t j) {
  const ResolvedDependencies& dependencies = input.dependencies;
  std::vector<std::vector<Column>> components;
  if (dependencies.Kind(j) == DependencyKind::kJoin) {
    for (ColumnSpan c : dependencies.Components(j)) components.emplace_back(c.begin(), c.end());
    return components;
  }
  const ColumnSpan left = dependencies.Left(j);
  const ColumnSpan right = dependencies.Right(j);
  auto in = [](ColumnSpan span, Column c) {
    return std::find(span.begin(), span.end(), c) != span.end();
  };
  components.resize(2);
  for (Column c{0}; c < input.ColNo(); ++c) {
    if (in(left, c) || in(right, c)) components[0].push_back(c);
    if (in(left, c) || !in(right, c)) components[1].push_back(c);
  }
  return components;
}

}  // namespace

std::string ReplayGeneralSteps(const ResolvedInput& input,
                               const std::vector<GeneralProof::Step>& steps, Row row) {
  Rows rows;
  std::map<std::uint32_t, std::size_t> at;  // a row of the run: its place in the replay
  for (std::size_t r = 0; r < input.RowNo(); ++r) {
    std::vector<int> cells(input.ColNo(), static_cast<int>(r) + 1);
    for (Column c : input.rowColumns[r]) cells[c] = 0;
    rows.push_back(cells);
    at[static_cast<std::uint32_t>(r)] = r;
  }
  for (std::size_t s = 0; s < steps.size(); ++s) {
    const std::string where = "step " + std::to_string(s + 1) + ": ";
    const GeneralProof::Step& step = steps[s];
    if (!step.added) {
      const ChaseStep& e = step.equalization;
      if (!at.count(e.i) || !at.count(e.k)) return where + "a row not made yet";
      if (input.dependencies.Kind(e.dependency) != DependencyKind::kFunctional)
        return where + "an equalization by another kind of dependency";
      const std::vector<int>& a = rows[at[e.i]];
      const std::vector<int>& b = rows[at[e.k]];
      if (!AgreeOn(a, b, input.dependencies.Left(e.dependency)))
        return where + "the rows do not agree on the left-hand side";
      const ColumnSpan right = input.dependencies.Right(e.dependency);
      if (std::find(right.begin(), right.end(), e.column) == right.end())
        return where + "the column is not on the right-hand side";
      const int kept = std::min(a[e.column], b[e.column]);
      const int dropped = std::max(a[e.column], b[e.column]);
      for (std::vector<int>& cells : rows) {
        if (cells[e.column] == dropped) cells[e.column] = kept;
      }
      continue;
    }
    const RowAddition& addition = step.addition;
    const std::vector<std::vector<Column>> components = ComponentsOf(input, addition.dependency);
    if (components.size() != addition.from.size()) return where + "a row per component expected";
    std::vector<int> cells(input.ColNo(), -1);
    for (std::size_t i = 0; i < components.size(); ++i) {
      if (!at.count(addition.from[i])) return where + "a row not made yet";
      const std::vector<int>& from = rows[at[addition.from[i]]];
      for (Column c : components[i]) {
        if (cells[c] != -1 && cells[c] != from[c])
          return where + "the rows differ where components share a column";
        cells[c] = from[c];
      }
    }
    at[addition.row] = rows.size();
    rows.push_back(cells);
  }
  if (!at.count(row)) return "the deciding row was never made";
  const std::vector<int>& last = rows[at[row]];
  if (!std::all_of(last.begin(), last.end(), [](int symbol) { return symbol == 0; }))
    return "the deciding row is not all distinguished after the steps";
  return "";
}
