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
// reached. A group of one dependency, the usual case, costs 24 bytes and its columns. Only
// dependencies with a left-hand side of two columns or more are grouped here.
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

  std::size_t size() const { return groups_.size(); }
  ColumnSpan Left(std::size_t g) const { return dependencies_.Left(groups_[g].firstDependency); }
  // The union of the group's right-hand sides so far, without repeats, in the order named.
  // Valid until the next Add.
  Span<Target> Targets(std::size_t g) const {
    const Target* begin = targets_.data() + groups_[g].start;
    return {begin, begin + groups_[g].count};
  }

 private:
  struct Group {
    std::uint32_t firstDependency;
    // The group's targets are targets_[start, start + count), with room up to capacity.
    std::uint32_t start;
    std::uint32_t count;
    std::uint32_t capacity;
    bool named;  // its targets are in named_: it has had more than one dependency
  };

  // Finds the group of left, or makes one for dependency j.
  std::uint32_t GroupOf(std::size_t j, ColumnSpan left);
  // Whether (g, c) was not in named_; it is now.
  bool Name(std::uint32_t g, Column c);
  void Append(std::uint32_t g, const Target& target);

  const ResolvedDependencies& dependencies_;
  // Room for a group per dependency with a longer left-hand side is reserved at once: address
  // space only, the system gives pages as groups come, and the records never move.
  std::vector<Group> groups_;
  // Per group, its left-hand side's hash in the high half and its number in the low half: a
  // slot of another left-hand side is told apart without reading the group.
  ProbingTable<std::uint64_t> index_;
  std::vector<Target> targets_;
  // Every (group, column) that a group of more than one dependency has as a target.
  ProbingTable<std::uint64_t> named_;
};
