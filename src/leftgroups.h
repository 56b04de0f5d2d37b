#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "index.h"
#include "packedlists.h"
#include "schema.h"

// The dependencies grouped by their left-hand side: all the dependencies that have one
// left-hand side are one group, which the chase starts, probes and settles once, and whose
// right-hand sides it applies together. Groups are numbered in the order of their first
// dependency; dependencies with an empty left-hand side or right-hand side belong to none.
class LeftGroups {
 public:
  // A column of a group's right-hand side, with the first dependency of the group that names
  // it: the one an equalization there is credited to.
  struct Target {
    Column column;
    std::uint32_t dependency;
  };

  static constexpr std::uint32_t kNoGroup = UINT32_MAX;

  explicit LeftGroups(const ResolvedDependencies& dependencies);

  std::size_t size() const { return firstOf_.size(); }
  // Dependency j's group, or kNoGroup when j has an empty side.
  std::uint32_t GroupOf(std::size_t j) const { return groupOf_[j]; }
  ColumnSpan Left(std::size_t g) const { return dependencies_.Left(firstOf_[g]); }
  // The union of the group's right-hand sides, without repeats, in the order first named.
  Span<Target> Targets(std::size_t g) const { return targets_[g]; }

 private:
  void Group();
  void CollectTargets(std::size_t columns);

  const ResolvedDependencies& dependencies_;
  std::vector<std::uint32_t> groupOf_;
  std::vector<std::uint32_t> firstOf_;  // per group, its first dependency
  PackedLists<Target> targets_;
};
