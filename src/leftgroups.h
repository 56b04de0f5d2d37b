#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "index.h"
#include "packedlists.h"
#include "probingtable.h"
#include "schema.h"

// The dependencies met so far, grouped by their left-hand side: all the dependencies that
// have one left-hand side are one group, which the chase starts and probes once, applying the
// union of their right-hand sides. Groups are made as the chase meets their first dependency,
// in input order, so that a chase that stops early pays nothing for the dependencies it never
// reached.
class LeftGroups {
 public:
  // A column of a group's right-hand side, with the first dependency of the group that names
  // it: the one an equalization there is credited to.
  struct Target {
    Column column;
    std::uint32_t dependency;
  };

  explicit LeftGroups(const ResolvedDependencies& dependencies);

  // Adds dependency j, which must have non-empty sides, to the group of its left-hand side,
  // made now when j is the first with it. Returns the group; added receives the columns of j's
  // right-hand side that the group did not have yet, which it now has.
  std::uint32_t Add(std::size_t j, std::vector<Target>& added);

  std::size_t size() const { return firstOf_.size(); }
  ColumnSpan Left(std::size_t g) const { return dependencies_.Left(firstOf_[g]); }
  // The union of the group's right-hand sides so far, without repeats, in the order named,
  // but for those that Filter dropped.
  Span<Target> Targets(std::size_t g) const {
    const std::vector<Target>& targets = targets_[g];
    return {targets.data(), targets.data() + targets.size()};
  }
  // Calls keep(target) for each of g's targets and drops those it returns false for; a
  // dropped column is not added again.
  template <typename Keep>
  void Filter(std::size_t g, Keep keep) {
    std::vector<Target>& targets = targets_[g];
    for (std::size_t i = 0; i < targets.size();) {
      if (keep(targets[i])) {
        ++i;
      } else {
        targets[i] = targets.back();
        targets.pop_back();
      }
    }
  }

 private:
  const ResolvedDependencies& dependencies_;
  ProbingTable<std::uint32_t> groups_;  // group numbers, found by their left-hand side
  std::vector<std::uint32_t> firstOf_;  // per group, its first dependency
  std::vector<std::uint64_t> hashOf_;   // per group, its left-hand side's hash
  std::vector<std::vector<Target>> targets_;
  ProbingTable<std::uint64_t> named_;  // every (group, column) a group ever had as a target
};
