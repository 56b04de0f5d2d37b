#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "chasestep.h"
#include "index.h"
#include "schema.h"

// Why the chase made cells equal, as proof-producing congruence closure keeps it (Nieuwenhuis
// and Oliveras, 2005): per column, a forest whose edges are the merges, each between the two
// cells merged and labelled with its step; a node per column stands for the distinguished
// symbol, joined without a step to the cells that start distinguished. Two cells are equal
// exactly when a path joins them, and the steps on it explain why; each of those steps in
// turn needs its two rows to agree on its dependency's left-hand side.
class ProofForest {
 public:
  ProofForest(std::size_t rows, std::size_t cols);

  // Cell (row, col) starts distinguished.
  void MarkDistinguished(Row row, Column col);
  // The chase's next step, in the order made. REQUIRES: its two cells were not yet equal.
  void Record(const ChaseStep& step);
  std::size_t StepCount() const { return steps_.size(); }
  const ChaseStep& Step(std::size_t s) const { return steps_[s]; }

  // For a forest whose steps its owner keeps: joins the trees of nodes a and b of col with an
  // edge labelled label. REQUIRES: they are two trees.
  void Join(Row a, Row b, Column col, std::uint32_t label);
  // Calls visit(label) for the label of every edge on the path between nodes a and b of col.
  // REQUIRES: they are one tree.
  template <typename Visit>
  void ForEachLabelBetween(Row a, Row b, Column col, Visit visit);

  // The steps on which row's being all distinguished depends, in the order made: those on
  // the paths from its cells to the distinguished nodes, and, for each of them, those on the
  // paths between its two rows' cells in each left-hand column, and so on.
  // With columns, only those of row's cells count.
  std::vector<std::size_t> StepsMakingDistinguished(Row row,
                                                    const ResolvedDependencies& dependencies,
                                                    const std::vector<Column>* columns = nullptr);

 private:
  static constexpr std::uint32_t kNoStep = static_cast<std::uint32_t>(-1);
  // The nodes of a column are its rows, and one more for the distinguished symbol.
  static constexpr Row kRoot = kNoRow;  // the parent of a tree's root

  Row DistinguishedNode() const { return Row(static_cast<std::uint32_t>(rows_)); }
  std::size_t Node(Row node, Column col) const {
    assert(node <= rows_ && col < parent_.size() / (rows_ + 1));
    return col * (rows_ + 1) + node;
  }
  // Adds the edge between nodes a and b of col, labelled step: b's tree takes a's as a
  // subtree, after the smaller of the two is turned to hang from its end of the edge.
  void Link(Row a, Row b, Column col, std::uint32_t step);
  // Turns node's tree so that node is its root.
  void MakeRoot(Row node, Column col);
  // The node that stands for node's tree, through a union-find of the trees.
  Row TreeOf(Row node, Column col);
  // Marks the steps on the path between a and b in col, queueing those not marked before.
  void ExplainEqual(Row a, Row b, Column col, std::vector<std::size_t>& queue);

  std::size_t rows_;
  std::vector<Row> parent_;          // per node: its parent in the forest, or kRoot
  std::vector<std::uint32_t> edge_;  // per node: the step of the edge to its parent
  std::vector<Row> tree_;            // per node: union-find of the trees, and their sizes
  std::vector<std::uint32_t> size_;
  std::vector<std::uint32_t> mark_;  // per node: the query that last walked up through it
  std::uint32_t query_ = 0;
  std::vector<ChaseStep> steps_;
  std::vector<std::uint8_t> needed_;
};

template <typename Visit>
void ProofForest::ForEachLabelBetween(Row a, Row b, Column col, Visit visit) {
  if (a == b) return;
  // The nearest common ancestor: the first of b's ancestors that is one of a's.
  ++query_;
  for (Row x = a; x != kRoot; x = parent_[Node(x, col)]) mark_[Node(x, col)] = query_;
  Row common = b;
  while (common != kRoot && mark_[Node(common, col)] != query_) {
    common = parent_[Node(common, col)];
  }
  for (Row from : {a, b}) {
    for (Row x = from; x != common && x != kRoot; x = parent_[Node(x, col)]) {
      const std::uint32_t label = edge_[Node(x, col)];
      if (label != kNoStep) visit(label);
    }
  }
}
