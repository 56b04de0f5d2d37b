#include "proof.h"

#include <cassert>
#include <utility>

ProofForest::ProofForest(std::size_t rows, std::size_t cols)
    : rows_(rows),
      parent_((rows + 1) * cols, kRoot),
      edge_((rows + 1) * cols, kNoStep),
      tree_((rows + 1) * cols),
      size_((rows + 1) * cols, 1),
      mark_((rows + 1) * cols, 0) {
  for (Column col{0}; col < cols; ++col) {
    for (Row node{0}; node <= rows; ++node) tree_[Node(node, col)] = node;
  }
}

void ProofForest::MarkDistinguished(Row row, Column col) {
  if (TreeOf(row, col) != TreeOf(DistinguishedNode(), col)) {
    Link(row, DistinguishedNode(), col, kNoStep);
  }
}

void ProofForest::Record(const ChaseStep& step) {
  assert(TreeOf(step.i, step.column) != TreeOf(step.k, step.column));
  steps_.push_back(step);
  needed_.push_back(0);
  Link(step.i, step.k, step.column, static_cast<std::uint32_t>(steps_.size() - 1));
}

void ProofForest::Link(Row a, Row b, Column col, std::uint32_t step) {
  Row treeA = TreeOf(a, col);
  Row treeB = TreeOf(b, col);
  // Turning the smaller tree keeps the cost of all turns at O(n log n) for a column.
  if (size_[Node(treeA, col)] > size_[Node(treeB, col)]) {
    std::swap(a, b);
    std::swap(treeA, treeB);
  }
  MakeRoot(a, col);
  parent_[Node(a, col)] = b;
  edge_[Node(a, col)] = step;
  tree_[Node(treeA, col)] = treeB;
  size_[Node(treeB, col)] += size_[Node(treeA, col)];
}

void ProofForest::MakeRoot(Row node, Column col) {
  Row previous = kRoot;
  std::uint32_t previousEdge = kNoStep;
  for (Row current = node; current != kRoot;) {
    const Row next = parent_[Node(current, col)];
    const std::uint32_t nextEdge = edge_[Node(current, col)];
    parent_[Node(current, col)] = previous;
    edge_[Node(current, col)] = previousEdge;
    previous = current;
    previousEdge = nextEdge;
    current = next;
  }
}

Row ProofForest::TreeOf(Row node, Column col) {
  while (tree_[Node(node, col)] != node) {
    const Row parent = tree_[Node(node, col)];
    tree_[Node(node, col)] = tree_[Node(parent, col)];  // path halving
    node = parent;
  }
  return node;
}

void ProofForest::Join(Row a, Row b, Column col, std::uint32_t label) {
  assert(TreeOf(a, col) != TreeOf(b, col));
  Link(a, b, col, label);
}

void ProofForest::ExplainEqual(Row a, Row b, Column col, std::vector<std::size_t>& queue) {
  ForEachLabelBetween(a, b, col, [&](std::uint32_t step) {
    if (!needed_[step]) {
      needed_[step] = 1;
      queue.push_back(step);
    }
  });
}

std::vector<std::size_t> ProofForest::StepsMakingDistinguished(
    Row row, const ResolvedDependencies& dependencies, const std::vector<Column>* columns) {
  std::vector<std::size_t> queue;
  if (columns != nullptr) {
    for (Column col : *columns) ExplainEqual(row, DistinguishedNode(), col, queue);
  } else {
    const std::size_t cols = parent_.size() / (rows_ + 1);
    for (Column col{0}; col < cols; ++col) ExplainEqual(row, DistinguishedNode(), col, queue);
  }
  while (!queue.empty()) {
    const ChaseStep& step = steps_[queue.back()];
    queue.pop_back();
    for (Column c : dependencies.Left(step.dependency)) ExplainEqual(step.i, step.k, c, queue);
  }
  std::vector<std::size_t> needed;
  for (std::size_t s = 0; s < steps_.size(); ++s) {
    if (needed_[s]) needed.push_back(s);
  }
  return needed;
}
