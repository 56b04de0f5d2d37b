#include "leftgroups.h"

#include <algorithm>

#include "probingtable.h"

namespace {

// The hash of a left-hand side: each column mixed in with the multiplier and shift of
// MurmurHash3's 64-bit finalizer.
std::size_t HashOf(ColumnSpan left) {
  std::uint64_t hash = left.size();
  for (Column c : left) {
    hash = (hash ^ c) * 0xff51afd7ed558ccdULL;
    hash ^= hash >> 29;
  }
  return static_cast<std::size_t>(hash);
}

bool SameColumns(ColumnSpan a, ColumnSpan b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace

LeftGroups::LeftGroups(const ResolvedDependencies& dependencies)
    : dependencies_(dependencies), groupOf_(dependencies.size(), kNoGroup) {
  Group();
  std::size_t columns = 0;
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    for (Column c : dependencies.Left(j)) columns = std::max<std::size_t>(columns, c + 1);
    for (Column c : dependencies.Right(j)) columns = std::max<std::size_t>(columns, c + 1);
  }
  CollectTargets(columns);
}

void LeftGroups::Group() {
  // Holds the group numbers; a group is found by comparing its first dependency's columns.
  ProbingTable<std::uint32_t> groups(kNoGroup);
  for (std::size_t j = 0; j < dependencies_.size(); ++j) {
    const ColumnSpan left = dependencies_.Left(j);
    if (left.empty() || dependencies_.Right(j).empty()) continue;
    const std::uint32_t next = static_cast<std::uint32_t>(firstOf_.size());
    const std::uint32_t* found = groups.FindOrInsert(
        HashOf(left), next, [&](std::uint32_t g) { return SameColumns(Left(g), left); },
        [&](std::uint32_t g) { return HashOf(Left(g)); }, [](std::uint32_t) { return true; });
    if (found == nullptr) {
      firstOf_.push_back(static_cast<std::uint32_t>(j));
      groupOf_[j] = next;
    } else {
      groupOf_[j] = *found;
    }
  }
}

void LeftGroups::CollectTargets(std::size_t columns) {
  // Each group's dependencies, in input order, then the groups one after the other: a column
  // is a repeat in a group when the group last named it.
  std::vector<std::uint32_t> room(size(), 0);
  std::vector<std::uint32_t> start(size() + 1, 0);
  for (std::size_t j = 0; j < dependencies_.size(); ++j) {
    if (groupOf_[j] == kNoGroup) continue;
    room[groupOf_[j]] += static_cast<std::uint32_t>(dependencies_.Right(j).size());
    ++start[groupOf_[j] + 1];
  }
  for (std::size_t g = 0; g < size(); ++g) start[g + 1] += start[g];
  std::vector<std::uint32_t> byGroup(start.back());
  for (std::size_t j = 0; j < dependencies_.size(); ++j) {
    if (groupOf_[j] != kNoGroup) byGroup[start[groupOf_[j]]++] = static_cast<std::uint32_t>(j);
  }
  targets_ = PackedLists<Target>(room);
  std::vector<std::uint32_t> lastNamedBy(columns, kNoGroup);
  for (std::uint32_t j : byGroup) {
    const std::uint32_t g = groupOf_[j];
    for (Column target : dependencies_.Right(j)) {
      if (lastNamedBy[target] == g) continue;
      lastNamedBy[target] = g;
      targets_.Add(g, {target, j});
    }
  }
}
