#pragma once

// Whether functional and multivalued dependencies imply a multivalued dependency, through the
// dependency basis of its left-hand side (Beeri 1980).
//
// The basis of X parts the attributes outside X into blocks: X ->> Y holds exactly when Y - X
// is a union of blocks. It starts as one block and is split while some V ->> W, with V
// disjoint from a block B, cuts B (B holds attributes of W and others): X ->> B and V ->> W
// give X ->> B and W. A functional dependency V -> W counts as V ->> A for each A of W.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "index.h"
#include "packedlists.h"

class DependencyBasis {
 public:
  explicit DependencyBasis(std::size_t cols);

  // left ->> right; left -> right is each left ->> A of right.
  void AddMultivalued(const std::vector<Column>& left, const std::vector<Column>& right);

  // Whether the dependencies added imply left ->> right.
  bool Implies(const std::vector<Column>& left, const std::vector<Column>& right);

 private:
  static constexpr std::uint32_t kNoBlock = UINT32_MAX;

  // Splits the blocks by every dependency until none cuts one.
  void Refine();
  // Splits the blocks that dependency i cuts; whether it cut one.
  bool SplitBy(std::size_t i);

  std::size_t cols_;
  PackedLists<Column> sides_;  // per dependency, its left-hand side, then its right-hand side
  std::vector<std::uint32_t> blockOf_;  // per attribute: its block, or kNoBlock inside X
  std::vector<std::uint32_t> blockSize_;
  std::vector<std::uint32_t> hits_;  // per block: attributes of the right-hand side in it
  std::vector<std::uint32_t> mark_;  // per block: the split that last looked at it
  std::uint32_t stamp_ = 0;
};
