#include "reference_chase.h"

#include <algorithm>
#include <string>

namespace {

using TableauRow = std::vector<int>;

// Position of name in the universe, or -1.
int Find(const AttributeList& universe, const std::string& name) {
  for (std::size_t c = 0; c < universe.size(); ++c) {
    if (universe[c] == name) return static_cast<int>(c);
  }
  return -1;
}

bool Contains(const AttributeList& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The initial tableau and the dependencies' columns. A left-hand name in no sub-schema is
// -1 and makes the dependency inapplicable; a right-hand one is left out.
struct Plain {
  std::vector<TableauRow> tableau;
  std::vector<std::vector<int>> left;
  std::vector<std::vector<std::size_t>> right;
};

Plain Setup(const SchemaList& decomposition, const DependencySet& dependencies) {
  AttributeList universe;
  for (const AttributeList& schema : decomposition) {
    for (const std::string& name : schema) {
      if (!Contains(universe, name)) universe.push_back(name);
    }
  }
  std::sort(universe.begin(), universe.end());

  Plain plain;
  for (std::size_t r = 0; r < decomposition.size(); ++r) {
    TableauRow row;
    for (const std::string& name : universe) {
      row.push_back(Contains(decomposition[r], name) ? 0 : static_cast<int>(r) + 1);
    }
    plain.tableau.push_back(row);
  }
  plain.left.resize(dependencies.first.size());
  plain.right.resize(dependencies.first.size());
  for (std::size_t j = 0; j < dependencies.first.size(); ++j) {
    for (const std::string& name : dependencies.first[j]) {
      plain.left[j].push_back(Find(universe, name));
    }
    for (const std::string& name : dependencies.second[j]) {
      int c = Find(universe, name);
      if (c >= 0) plain.right[j].push_back(static_cast<std::size_t>(c));
    }
  }
  return plain;
}

bool Agree(const Plain& plain, std::size_t j, std::size_t i, std::size_t k) {
  for (int c : plain.left[j]) {
    if (c < 0) return false;
    auto column = static_cast<std::size_t>(c);
    if (plain.tableau[i][column] != plain.tableau[k][column]) return false;
  }
  return true;
}

// Every cell of column c that holds the larger of the two rows' symbols takes the smaller.
void Equalize(std::vector<TableauRow>& t, std::size_t i, std::size_t k, std::size_t c) {
  int keep = std::min(t[i][c], t[k][c]);
  int drop = std::max(t[i][c], t[k][c]);
  for (TableauRow& row : t) {
    if (row[c] == drop) row[c] = keep;
  }
}

}  // namespace

ReferenceResult ReferenceChase(const SchemaList& decomposition, const DependencySet& dependencies) {
  Plain plain = Setup(decomposition, dependencies);
  std::vector<TableauRow>& t = plain.tableau;
  ReferenceResult result;
  bool changed = true;
  while (changed) {
    changed = false;
    ++result.passes;
    for (std::size_t j = 0; j < plain.left.size(); ++j) {
      // Agreement and equalizing are symmetric: each pair of rows once.
      for (std::size_t i = 0; i < t.size(); ++i) {
        for (std::size_t k = i + 1; k < t.size(); ++k) {
          if (!Agree(plain, j, i, k)) continue;
          for (std::size_t c : plain.right[j]) {
            if (t[i][c] == t[k][c]) continue;
            Equalize(t, i, k, c);
            changed = true;
          }
        }
      }
    }
  }
  result.lossless = HasDistinguishedRow(t);
  result.tableau = std::move(t);
  return result;
}

Replay ReplaySteps(const SchemaList& decomposition, const DependencySet& dependencies,
                   const std::vector<ChaseStep>& steps, bool checkSymbols) {
  Plain plain = Setup(decomposition, dependencies);
  std::vector<TableauRow>& t = plain.tableau;
  Replay replay;
  for (std::size_t s = 0; s < steps.size() && replay.error.empty(); ++s) {
    const ChaseStep& step = steps[s];
    std::string where = "step " + std::to_string(s + 1) + ": ";
    const std::vector<std::size_t>& right = plain.right[step.dependency];
    if (!Agree(plain, step.dependency, step.i, step.k)) {
      replay.error = where + "the rows do not agree on the left-hand side";
    } else if (std::find(right.begin(), right.end(), step.column) == right.end()) {
      replay.error = where + "the column is not on the right-hand side";
    } else if (t[step.i][step.column] == t[step.k][step.column]) {
      replay.error = where + "the cells are equal already";
    } else if (checkSymbols) {
      int keep = std::min(t[step.i][step.column], t[step.k][step.column]);
      int drop = std::max(t[step.i][step.column], t[step.k][step.column]);
      auto cells = static_cast<std::size_t>(std::count_if(
          t.begin(), t.end(), [&](const TableauRow& row) { return row[step.column] == drop; }));
      if (step.change.kept != keep || step.change.dropped != drop || step.change.cells != cells) {
        replay.error = where + "the symbols or the count of cells differ";
      }
    }
    if (replay.error.empty()) Equalize(t, step.i, step.k, step.column);
  }
  replay.tableau = std::move(t);
  return replay;
}

bool HasDistinguishedRow(const std::vector<std::vector<int>>& tableau) {
  return std::any_of(tableau.begin(), tableau.end(), [](const TableauRow& row) {
    return std::all_of(row.begin(), row.end(), [](int cell) { return cell == 0; });
  });
}
