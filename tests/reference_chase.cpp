#include "reference_chase.h"

#include <algorithm>
#include <string>

namespace {

using Row = std::vector<int>;

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

}  // namespace

ReferenceResult ReferenceChase(const SchemaList& decomposition, const DependencySet& dependencies) {
  AttributeList universe;
  for (const AttributeList& schema : decomposition) {
    for (const std::string& name : schema) {
      if (!Contains(universe, name)) universe.push_back(name);
    }
  }
  std::sort(universe.begin(), universe.end());

  ReferenceResult result;
  for (std::size_t r = 0; r < decomposition.size(); ++r) {
    Row row;
    for (const std::string& name : universe) {
      row.push_back(Contains(decomposition[r], name) ? 0 : static_cast<int>(r) + 1);
    }
    result.tableau.push_back(row);
  }
  std::vector<Row>& t = result.tableau;

  // Columns of each dependency's names; a left-hand name in no sub-schema makes the
  // dependency inapplicable, a right-hand one is left out.
  std::vector<std::vector<int>> left(dependencies.first.size());
  std::vector<std::vector<std::size_t>> right(dependencies.first.size());
  for (std::size_t j = 0; j < dependencies.first.size(); ++j) {
    for (const std::string& name : dependencies.first[j]) left[j].push_back(Find(universe, name));
    for (const std::string& name : dependencies.second[j]) {
      int c = Find(universe, name);
      if (c >= 0) right[j].push_back(static_cast<std::size_t>(c));
    }
  }

  bool changed = true;
  while (changed) {
    changed = false;
    ++result.passes;
    for (std::size_t j = 0; j < left.size(); ++j) {
      for (std::size_t i = 0; i < t.size(); ++i) {
        for (std::size_t k = 0; k < t.size(); ++k) {
          bool agree = true;
          for (int c : left[j]) {
            if (c < 0 || t[i][static_cast<std::size_t>(c)] != t[k][static_cast<std::size_t>(c)]) {
              agree = false;
            }
          }
          if (!agree) continue;
          for (std::size_t c : right[j]) {
            int keep = std::min(t[i][c], t[k][c]);
            int drop = std::max(t[i][c], t[k][c]);
            if (keep == drop) continue;
            for (Row& row : t) {
              if (row[c] == drop) row[c] = keep;
            }
            changed = true;
          }
        }
      }
    }
  }
  for (const Row& row : t) {
    if (std::all_of(row.begin(), row.end(), [](int cell) { return cell == 0; })) {
      result.lossless = true;
    }
  }
  return result;
}
