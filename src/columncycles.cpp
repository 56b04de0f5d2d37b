#include "columncycles.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

constexpr std::uint32_t kUnvisited = UINT32_MAX;

// A directed graph over nodes numbered from 0, as a list of edges per node.
struct Graph {
  std::vector<std::uint32_t> starts;  // node v's edges go to targets[starts[v]..starts[v + 1])
  std::vector<std::uint32_t> targets;
  std::size_t Nodes() const { return starts.size() - 1; }
};

// Makes the graph of nodes whose edges forEachEdge(add) names, add(from, to) once per edge,
// in two passes: one counts, one fills.
template <typename ForEachEdge>
Graph GraphOf(std::size_t nodes, ForEachEdge forEachEdge) {
  Graph graph;
  graph.starts.assign(nodes + 1, 0);
  forEachEdge([&](std::uint32_t from, std::uint32_t) { ++graph.starts[from + 1]; });
  for (std::size_t v = 0; v < nodes; ++v) graph.starts[v + 1] += graph.starts[v];
  graph.targets.resize(graph.starts[nodes]);
  std::vector<std::uint32_t> next(graph.starts.begin(), graph.starts.end() - 1);
  forEachEdge([&](std::uint32_t from, std::uint32_t to) { graph.targets[next[from]++] = to; });
  return graph;
}

bool IsLink(const ResolvedDependencies& dependencies, std::size_t j) {
  return dependencies.Left(j).size() == 1;
}

// The links between columns: each dependency with one left-hand column links it to each of
// its right-hand columns.
Graph LinksOf(const ResolvedDependencies& dependencies, std::size_t columns) {
  return GraphOf(columns, [&](auto add) {
    for (std::size_t j = 0; j < dependencies.size(); ++j) {
      if (!IsLink(dependencies, j)) continue;
      for (Column target : dependencies.Right(j)) add(dependencies.Left(j).front(), target);
    }
  });
}

// The strongly connected parts of a graph (Tarjan's algorithm, with its own stack so that a
// path of a million nodes does not overflow the thread's): per node, the number of its part.
// Parts are numbered from 0 in the order they are closed, so a part reached from another has
// the lower number.
std::vector<std::uint32_t> CyclesOf(const Graph& graph, std::uint32_t& partCount) {
  const std::size_t nodes = graph.Nodes();
  std::vector<std::uint32_t> order(nodes, kUnvisited);  // when each node was first reached
  std::vector<std::uint32_t> low(nodes);                // the earliest node reachable back from it
  std::vector<std::uint32_t> part(nodes, kUnvisited);
  std::vector<std::uint32_t> open;  // reached nodes whose part is not closed yet
  struct Frame {
    std::uint32_t node;
    std::uint32_t nextEdge;
  };
  std::vector<Frame> path;
  std::uint32_t reached = 0;
  partCount = 0;
  auto reach = [&](std::uint32_t v) {
    order[v] = low[v] = reached++;
    open.push_back(v);
    path.push_back({v, graph.starts[v]});
  };
  for (std::uint32_t root = 0; root < nodes; ++root) {
    if (order[root] != kUnvisited) continue;
    reach(root);
    while (!path.empty()) {
      Frame& frame = path.back();
      const std::uint32_t v = frame.node;
      if (frame.nextEdge < graph.starts[v + 1]) {
        const std::uint32_t target = graph.targets[frame.nextEdge++];
        if (order[target] == kUnvisited) {
          reach(target);
        } else if (part[target] == kUnvisited) {
          low[v] = std::min(low[v], order[target]);
        }
        continue;
      }
      path.pop_back();
      if (!path.empty()) low[path.back().node] = std::min(low[path.back().node], low[v]);
      if (low[v] != order[v]) continue;
      std::uint32_t member;
      do {
        member = open.back();
        open.pop_back();
        part[member] = partCount;
      } while (member != v);
      ++partCount;
    }
  }
  return part;
}

// Each cycle's links from its first column to every other and back, in the order of the
// first columns.
template <typename PartOf>
void AddCycles(std::size_t columns, PartOf part, const std::vector<Column>& first,
               ResolvedDependencies& merged) {
  std::vector<std::vector<Column>> others(first.size());
  for (Column c{0}; c < columns; ++c) {
    if (c != first[part(c)]) others[part(c)].push_back(c);
  }
  for (Column c{0}; c < columns; ++c) {
    const std::vector<Column>& cycle = others[part(c)];
    if (c != first[part(c)] || cycle.empty()) continue;
    merged.Add(DependencyKind::kFunctional, {c}, cycle);
    for (Column other : cycle) merged.Add(DependencyKind::kFunctional, {other}, {c});
  }
}

// What the links give a dependency's left-hand side: the cycles of its columns, and for a
// longer left-hand side the cycles that one link leads to from them. A link's own right-hand
// side is never taken as given by links: it is one of them, and is kept.
class LinkReach {
 public:
  LinkReach(const Graph& links, std::vector<std::uint32_t> part, std::uint32_t partCount)
      : part_(std::move(part)),
        stamp_(partCount, 0),
        reached_(partCount, 0),
        givenBy_(part_.size(), 0) {
    // The links between parts, both ways.
    const auto forEachLink = [&](bool backward) {
      return [&, backward](auto add) {
        for (std::uint32_t from = 0; from < links.Nodes(); ++from) {
          for (std::uint32_t at = links.starts[from]; at < links.starts[from + 1]; ++at) {
            const std::uint32_t a = part_[from];
            const std::uint32_t b = part_[links.targets[at]];
            if (a != b) backward ? add(b, a) : add(a, b);
          }
        }
      };
    };
    next_ = GraphOf(partCount, forEachLink(false));
    previous_ = GraphOf(partCount, forEachLink(true));
  }

  std::uint32_t PartOf(Column c) const { return part_[c]; }

  // Calls keep(c) for every right-hand column c of dependency j that its left-hand side does
  // not get through the links.
  template <typename Keep>
  void ForEachKept(const ResolvedDependencies& dependencies, std::size_t j, Keep keep) {
    NextMark();
    const ColumnSpan left = dependencies.Left(j);
    const ColumnSpan right = dependencies.Right(j);
    if (left.size() == 1) {
      const std::uint32_t own = part_[left.front()];
      for (Column c : right) {
        // On its own cycle, or given already by a link from the same cycle, as a file that
        // repeats a key's dependency gives it: the last link that gave the column tells.
        if (part_[c] == own || givenBy_[c] == own + 1) continue;
        givenBy_[c] = own + 1;
        keep(c);
      }
      return;
    }
    leftParts_.clear();
    std::size_t forward = 0;  // what marking the parts one link away costs
    for (Column c : left) {
      if (stamp_[part_[c]] == mark_) continue;
      stamp_[part_[c]] = mark_;
      leftParts_.push_back(part_[c]);
      forward += Degree(next_, part_[c]);
    }
    std::size_t backward = 0;  // what looking back from each right-hand column costs
    for (Column c : right) backward += Degree(previous_, part_[c]);
    // One link further is looked at only within a cost of a few steps per column of the
    // dependency, so that a part with thousands of links costs no dependency more.
    const bool far = std::min(forward, backward) <= kStepsPerColumn * (left.size() + right.size());
    if (far && forward <= backward) {
      for (std::uint32_t p : leftParts_) {
        for (std::uint32_t at = next_.starts[p]; at < next_.starts[p + 1]; ++at) {
          reached_[next_.targets[at]] = mark_;
        }
      }
    }
    for (Column c : right) {
      const std::uint32_t p = part_[c];
      if (stamp_[p] == mark_) continue;
      if (far && forward <= backward && reached_[p] == mark_) continue;
      if (far && forward > backward && LinkedFromLeft(p)) continue;
      keep(c);
    }
  }

  // Forgets what links gave, for another pass over the dependencies.
  void Restart() { std::fill(givenBy_.begin(), givenBy_.end(), 0); }

 private:
  static constexpr std::size_t kStepsPerColumn = 8;

  void NextMark() {
    if (++mark_ != 0) return;
    std::fill(stamp_.begin(), stamp_.end(), 0);  // after 2^32 - 1 marks: older than none
    std::fill(reached_.begin(), reached_.end(), 0);
    mark_ = 1;
  }
  static std::size_t Degree(const Graph& graph, std::uint32_t p) {
    return graph.starts[p + 1] - graph.starts[p];
  }
  bool LinkedFromLeft(std::uint32_t p) const {
    for (std::uint32_t at = previous_.starts[p]; at < previous_.starts[p + 1]; ++at) {
      if (stamp_[previous_.targets[at]] == mark_) return true;
    }
    return false;
  }

  std::vector<std::uint32_t> part_;
  Graph next_;      // per part, the parts one link leads to
  Graph previous_;  // per part, the parts that one link leads from
  // Marks of the current dependency: its left-hand side's parts, and those one link away.
  std::vector<std::uint32_t> stamp_;
  std::vector<std::uint32_t> reached_;
  std::vector<std::uint32_t> leftParts_;  // scratch: the current left-hand side's parts
  // Per column, 1 + the part whose link last gave it.
  std::vector<std::uint32_t> givenBy_;
  std::uint32_t mark_ = 0;
};

}  // namespace

std::optional<ResolvedDependencies> MergeColumnCycles(const ResolvedDependencies& dependencies,
                                                      std::size_t columns,
                                                      std::vector<Column>* cycleOf) {
  // A cycle takes two links, and one link alone gives little to drop: with fewer, a wide
  // universe is not walked at all.
  std::size_t linkCount = 0;
  for (std::size_t j = 0; j < dependencies.size() && linkCount < 2; ++j) {
    if (IsLink(dependencies, j)) linkCount += dependencies.Right(j).size();
  }
  if (linkCount < 2) return std::nullopt;
  const Graph links = LinksOf(dependencies, columns);
  std::uint32_t partCount = 0;
  std::vector<std::uint32_t> part = CyclesOf(links, partCount);
  LinkReach reach(links, std::move(part), partCount);
  const bool cycles = partCount < columns;
  // Without a cycle, the dependencies are kept as they are unless some loses a column.
  if (!cycles) {
    bool loses = false;
    for (std::size_t j = 0; j < dependencies.size() && !loses; ++j) {
      std::size_t kept = 0;
      reach.ForEachKept(dependencies, j, [&](Column) { ++kept; });
      loses = kept < dependencies.Right(j).size() && dependencies.Applies(j);
    }
    if (!loses) return std::nullopt;
    reach.Restart();
  }

  // Each part is named by its first column.
  std::vector<Column> first(partCount, Column{kUnvisited});
  for (Column c{0}; c < columns; ++c) {
    if (first[reach.PartOf(c)] == Column{kUnvisited}) first[reach.PartOf(c)] = c;
  }
  if (cycleOf != nullptr && cycles) {
    cycleOf->resize(columns);
    for (Column c{0}; c < columns; ++c) (*cycleOf)[c] = first[reach.PartOf(c)];
  }
  ResolvedDependencies merged;
  AddCycles(
      columns, [&](Column c) { return reach.PartOf(c); }, first, merged);

  // Nearly every dependency of a mined file loses its whole right-hand side: that is found
  // first.
  std::vector<Column> left;
  std::vector<Column> right;
  std::vector<std::uint32_t> named(partCount, 0);  // named[p] == j + 1: in j's left-hand side
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    right.clear();
    reach.ForEachKept(dependencies, j, [&](Column c) { right.push_back(c); });
    if (right.empty() || !dependencies.Applies(j)) continue;
    left.clear();
    const auto mark = static_cast<std::uint32_t>(j + 1);
    for (Column c : dependencies.Left(j)) {
      // Each part named once, by its first column.
      const std::uint32_t p = reach.PartOf(c);
      if (named[p] == mark) continue;
      named[p] = mark;
      left.push_back(first[p]);
    }
    std::sort(left.begin(), left.end());
    merged.Add(DependencyKind::kFunctional, left, right);
  }
  return merged;
}

std::vector<std::uint32_t> FeedingOrder(const ResolvedDependencies& dependencies,
                                        std::size_t columns) {
  // A node per column that a dependency names (a wide universe costs a number per column, no
  // more), then one per dependency: each left-hand column leads to the dependency, and the
  // dependency to each right-hand column. So the edges are as many as the dependencies'
  // columns, however long both sides are.
  std::vector<std::uint32_t> nodeOf(columns, kUnvisited);
  std::uint32_t named = 0;
  const auto name = [&](ColumnSpan side) {
    for (Column c : side) {
      if (nodeOf[c] == kUnvisited) nodeOf[c] = named++;
    }
  };
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    name(dependencies.Left(j));
    name(dependencies.Right(j));
  }
  const auto node = [&](std::size_t j) { return static_cast<std::uint32_t>(named + j); };
  const Graph graph = GraphOf(named + dependencies.size(), [&](auto add) {
    for (std::size_t j = 0; j < dependencies.size(); ++j) {
      for (Column c : dependencies.Left(j)) add(nodeOf[c], node(j));
      for (Column c : dependencies.Right(j)) add(node(j), nodeOf[c]);
    }
  });
  std::uint32_t partCount = 0;
  const std::vector<std::uint32_t> part = CyclesOf(graph, partCount);
  // A part that feeds another is closed after it: by descending part, in input order within
  // one part (a counting sort).
  std::vector<std::uint32_t> start(partCount + 1, 0);
  for (std::size_t j = 0; j < dependencies.size(); ++j) ++start[partCount - part[node(j)]];
  for (std::uint32_t p = 0; p < partCount; ++p) start[p + 1] += start[p];
  std::vector<std::uint32_t> order(dependencies.size());
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    order[start[partCount - 1 - part[node(j)]]++] = static_cast<std::uint32_t>(j);
  }
  return order;
}
