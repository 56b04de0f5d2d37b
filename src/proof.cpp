#include "proof.h"

#include <utility>

ProofForest::ProofForest(std::size_t rows, std::size_t cols)
    : rows_(rows),
      parent_((rows + 1) * cols, kRoot),
      edge_((rows + 1) * cols, kNoStep),
      tree_((rows + 1) * cols),
      size_((rows + 1) * cols, 1),
      mark_((rows + 1) * cols, 0) {
  for (std::size_t col = 0; col < cols; ++col) {
    for (Row node = 0; node <= rows; ++node) tree_[Node(col, node)] = node;
  }
}

void ProofForest::MarkDistinguished(Row row, std::size_t col) {
  auto distinguished = static_cast<Row>(rows_);
  if (TreeOf(col, row) != TreeOf(col, distinguished)) Link(col, row, distinguished, kNoStep);
}

void ProofForest::Record(const ChaseStep& step) {
  steps_.push_back(step);
  needed_.push_back(0);
  Link(step.column, step.i, step.k, static_cast<std::uint32_t>(steps_.size() - 1));
}

void ProofForest::Link(std::size_t col, Row a, Row b, std::uint32_t step) {
  Row treeA = TreeOf(col, a);
  Row treeB = TreeOf(col, b);
  // Turning the smaller tree keeps the cost of all turns at O(n log n) for a column.
  if (size_[Node(col, treeA)] > size_[Node(col, treeB)]) {
    std::swap(a, b);
    std::swap(treeA, treeB);
  }
  MakeRoot(col, a);
  parent_[Node(col, a)] = b;
  edge_[Node(col, a)] = step;
  tree_[Node(col, treeA)] = treeB;
  size_[Node(col, treeB)] += size_[Node(col, treeA)];
}

void ProofForest::MakeRoot(std::size_t col, Row node) {
  Row previous = kRoot;
  std::uint32_t previousEdge = kNoStep;
  for (Row current = node; current != kRoot;) {
    Row next = parent_[Node(col, current)];
    std::uint32_t nextEdge = edge_[Node(col, current)];
    parent_[Node(col, current)] = previous;
    edge_[Node(col, current)] = previousEdge;
    previous = current;
    previousEdge = nextEdge;
    current = next;
  }
}

ProofForest::Row ProofForest::TreeOf(std::size_t col, Row node) {
  while (tree_[Node(col, node)] != node) {
    Row parent = tree_[Node(col, node)];
    tree_[Node(col, node)] = tree_[Node(col, parent)];  // path halving
    node = parent;
  }
  return node;
}

void ProofForest::ExplainEqual(std::size_t col, Row a, Row b, std::vector<std::size_t>& queue) {
  if (a == b) return;
  // The nearest common ancestor: the first of b's ancestors that is one of a's.
  ++query_;
  for (Row x = a; x != kRoot; x = parent_[Node(col, x)]) mark_[Node(col, x)] = query_;
  Row common = b;
  while (common != kRoot && mark_[Node(col, common)] != query_) {
    common = parent_[Node(col, common)];
  }
  for (Row from : {a, b}) {
    for (Row x = from; x != common && x != kRoot; x = parent_[Node(col, x)]) {
      std::uint32_t step = edge_[Node(col, x)];
      if (step != kNoStep && !needed_[step]) {
        needed_[step] = 1;
        queue.push_back(step);
      }
    }
  }
}

std::vector<std::size_t> ProofForest::StepsMakingDistinguished(
    Row row, const ResolvedDependencies& dependencies) {
  std::vector<std::size_t> queue;
  std::size_t cols = parent_.size() / (rows_ + 1);
  for (std::size_t col = 0; col < cols; ++col) {
    ExplainEqual(col, row, static_cast<Row>(rows_), queue);
  }
  while (!queue.empty()) {
    const ChaseStep& step = steps_[queue.back()];
    queue.pop_back();
    for (Column c : dependencies.Left(step.dependency)) ExplainEqual(c, step.i, step.k, queue);
  }
  std::vector<std::size_t> needed;
  for (std::size_t s = 0; s < steps_.size(); ++s) {
    if (needed_[s]) needed.push_back(s);
  }
  return needed;
}
