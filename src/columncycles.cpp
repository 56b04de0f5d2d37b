#include "columncycles.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t kUnvisited = UINT32_MAX;

// The links between columns, as lists per column: each dependency with one left-hand column
// links it to each of its right-hand columns.
struct ColumnLinks {
  std::vector<std::uint32_t> starts;  // column c's links are targets[starts[c]..starts[c + 1])
  std::vector<Column> targets;
};

bool IsLink(const ResolvedDependencies& dependencies, std::size_t j) {
  return dependencies.Left(j).size() == 1;
}

ColumnLinks LinksOf(const ResolvedDependencies& dependencies, std::size_t columns) {
  ColumnLinks links;
  links.starts.assign(columns + 1, 0);
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    if (IsLink(dependencies, j)) {
      links.starts[dependencies.Left(j).front() + 1] +=
          static_cast<std::uint32_t>(dependencies.Right(j).size());
    }
  }
  for (std::size_t c = 0; c < columns; ++c) links.starts[c + 1] += links.starts[c];
  links.targets.resize(links.starts[columns]);
  std::vector<std::uint32_t> next(links.starts.begin(), links.starts.end() - 1);
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    if (!IsLink(dependencies, j)) continue;
    for (Column target : dependencies.Right(j)) {
      links.targets[next[dependencies.Left(j).front()]++] = target;
    }
  }
  return links;
}

// The strongly connected parts of the links (Tarjan's algorithm, with its own stack so that a
// path of a million columns does not overflow the thread's): per column, the number of its
// part. Parts are numbered from 0 in the order they are closed.
std::vector<std::uint32_t> CyclesOf(const ColumnLinks& links, std::size_t columns,
                                    std::uint32_t& partCount) {
  std::vector<std::uint32_t> order(columns, kUnvisited);  // when each column was first reached
  std::vector<std::uint32_t> low(columns);  // the earliest column reachable back from it
  std::vector<std::uint32_t> part(columns, kUnvisited);
  std::vector<std::uint32_t> open;  // reached columns whose part is not closed yet
  struct Frame {
    std::uint32_t column;
    std::uint32_t nextLink;
  };
  std::vector<Frame> path;
  std::uint32_t reached = 0;
  partCount = 0;
  auto reach = [&](std::uint32_t c) {
    order[c] = low[c] = reached++;
    open.push_back(c);
    path.push_back({c, links.starts[c]});
  };
  for (std::uint32_t root = 0; root < columns; ++root) {
    if (order[root] != kUnvisited) continue;
    reach(root);
    while (!path.empty()) {
      Frame& frame = path.back();
      const std::uint32_t c = frame.column;
      if (frame.nextLink < links.starts[c + 1]) {
        const std::uint32_t target = links.targets[frame.nextLink++];
        if (order[target] == kUnvisited) {
          reach(target);
        } else if (part[target] == kUnvisited) {
          low[c] = std::min(low[c], order[target]);
        }
        continue;
      }
      path.pop_back();
      if (!path.empty()) low[path.back().column] = std::min(low[path.back().column], low[c]);
      if (low[c] != order[c]) continue;
      std::uint32_t member;
      do {
        member = open.back();
        open.pop_back();
        part[member] = partCount;
      } while (member != c);
      ++partCount;
    }
  }
  return part;
}

// Each cycle's links from its first column to every other and back, in the order of the
// first columns.
void AddCycles(const std::vector<std::uint32_t>& part, const std::vector<Column>& first,
               ResolvedDependencies& merged) {
  std::vector<std::vector<Column>> others(first.size());
  for (Column c{0}; c < part.size(); ++c) {
    if (c != first[part[c]]) others[part[c]].push_back(c);
  }
  for (Column c{0}; c < part.size(); ++c) {
    const std::vector<Column>& cycle = others[part[c]];
    if (c != first[part[c]] || cycle.empty()) continue;
    merged.Add(DependencyKind::kFunctional, {c}, cycle);
    for (Column other : cycle) merged.Add(DependencyKind::kFunctional, {other}, {c});
  }
}

}  // namespace

std::optional<ResolvedDependencies> MergeColumnCycles(const ResolvedDependencies& dependencies,
                                                      std::size_t columns) {
  // A cycle takes two links at least; without, a wide universe is not walked at all.
  std::size_t linkCount = 0;
  for (std::size_t j = 0; j < dependencies.size() && linkCount < 2; ++j) {
    if (IsLink(dependencies, j)) linkCount += dependencies.Right(j).size();
  }
  if (linkCount < 2) return std::nullopt;
  std::uint32_t partCount = 0;
  const std::vector<std::uint32_t> part =
      CyclesOf(LinksOf(dependencies, columns), columns, partCount);
  if (partCount == columns) return std::nullopt;

  // Each part is named by its first column.
  std::vector<Column> first(partCount, Column{kUnvisited});
  for (Column c{0}; c < columns; ++c) {
    if (first[part[c]] == Column{kUnvisited}) first[part[c]] = c;
  }
  ResolvedDependencies merged;
  AddCycles(part, first, merged);

  // stamp[p] == j + 1: part p holds a left-hand column of dependency j. Nearly every
  // dependency of a mined file loses its whole right-hand side: that is found first.
  std::vector<std::uint32_t> stamp(partCount, 0);
  std::vector<Column> left;
  std::vector<Column> right;
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    const auto mark = static_cast<std::uint32_t>(j + 1);
    for (Column c : dependencies.Left(j)) stamp[part[c]] = mark;
    right.clear();
    for (Column c : dependencies.Right(j)) {
      if (stamp[part[c]] != mark) right.push_back(c);
    }
    if (right.empty() || !dependencies.Applies(j)) continue;
    left.clear();
    for (Column c : dependencies.Left(j)) {
      if (stamp[part[c]] != mark) continue;
      stamp[part[c]] = 0;  // each part named once
      left.push_back(first[part[c]]);
    }
    std::sort(left.begin(), left.end());
    merged.Add(DependencyKind::kFunctional, left, right);
  }
  return merged;
}
