#include "leftgroups.h"

#include <algorithm>
#include <cassert>

#include "memoryguard.h"

namespace {

constexpr std::uint64_t kNoPair = UINT64_MAX;

// Each value mixed in with the multiplier and shift of MurmurHash3's 64-bit finalizer.
std::uint64_t Mix(std::uint64_t hash, std::uint64_t value) {
  hash = (hash ^ value) * 0xff51afd7ed558ccdULL;
  return hash ^ (hash >> 29);
}

std::uint32_t HashOf(ColumnSpan left) {
  std::uint64_t hash = left.size();
  for (Column c : left) hash = Mix(hash, c);
  return static_cast<std::uint32_t>(hash >> 32);
}

}  // namespace

LeftGroups::LeftGroups(const ResolvedDependencies& dependencies)
    : dependencies_(dependencies), index_(kNoPair), named_(kNoPair) {
  std::size_t longer = 0;
  for (std::size_t j = 0; j < dependencies.size(); ++j) longer += dependencies.Left(j).size() > 1;
  CheckMemoryFor(longer, sizeof(Group));
  groups_.reserve(longer);
}

std::uint32_t LeftGroups::Add(std::size_t j, std::vector<Target>& added) {
  const ColumnSpan left = dependencies_.Left(j);
  assert(left.size() > 1 && !dependencies_.Right(j).empty());
  const std::size_t groupsBefore = size();
  const std::uint32_t g = GroupOf(j, left);
  added.clear();
  const auto dependency = static_cast<std::uint32_t>(j);
  if (g == groupsBefore) {
    // The first dependency's right-hand side has no repeats: the reader keeps each column once.
    const ColumnSpan right = dependencies_.Right(j);
    Group& group = groups_[g];
    group.start = static_cast<std::uint32_t>(targets_.size());
    group.count = group.capacity = static_cast<std::uint32_t>(right.size());
    CheckGrowth(targets_, right.size());
    for (Column c : right) targets_.push_back({c, dependency});
    const Span<Target> all = Targets(g);
    added.assign(all.begin(), all.end());
    return g;
  }
  if (!groups_[g].named) {
    groups_[g].named = true;
    for (const Target& target : Targets(g)) Name(g, target.column);
  }
  for (Column c : dependencies_.Right(j)) {
    if (!Name(g, c)) continue;
    Append(g, {c, dependency});
    added.push_back({c, dependency});
  }
  return g;
}

std::uint32_t LeftGroups::GroupOf(std::size_t j, ColumnSpan left) {
  const std::uint32_t hash = HashOf(left);
  const auto next = static_cast<std::uint32_t>(size());
  assert(groups_.size() < groups_.capacity());  // reserved: the records never move
  const std::uint64_t entry = (std::uint64_t{hash} << 32) | next;
  const std::uint64_t* found = index_.FindOrInsert(
      hash, entry,
      [&](std::uint64_t stored) {
        if (stored >> 32 != hash) return false;
        const ColumnSpan other = Left(static_cast<std::uint32_t>(stored));
        return other.size() == left.size() && std::equal(left.begin(), left.end(), other.begin());
      },
      [](std::uint64_t stored) { return static_cast<std::size_t>(stored >> 32); },
      [](std::uint64_t) { return true; });
  if (found != nullptr) return static_cast<std::uint32_t>(*found);
  const auto start = static_cast<std::uint32_t>(targets_.size());
  groups_.push_back({static_cast<std::uint32_t>(j), start, 0, 0, false});
  return next;
}

bool LeftGroups::Name(std::uint32_t g, Column c) {
  const std::uint64_t pair = (std::uint64_t{g} << 32) | c;
  return named_.FindOrInsert(
             static_cast<std::size_t>(Mix(0, pair)), pair,
             [&](std::uint64_t stored) { return stored == pair; },
             [](std::uint64_t stored) { return static_cast<std::size_t>(Mix(0, stored)); },
             [](std::uint64_t) { return true; }) == nullptr;
}

void LeftGroups::Append(std::uint32_t g, const Target& target) {
  Group& group = groups_[g];
  if (group.count == group.capacity) {
    // A group whose room ends at the end of the array grows there; another moves to the end
    // with twice the room, so that moves cost at most as much as the targets themselves.
    const bool atEnd = group.start + group.capacity == targets_.size();
    const std::size_t room = std::max<std::size_t>(group.capacity, 1);
    const std::size_t grown = targets_.size() + (atEnd ? 0 : group.count) + room;
    if (grown > targets_.capacity()) {
      CheckGrowth(targets_, grown - targets_.size());
      targets_.reserve(2 * grown);
    }
    if (!atEnd) {
      const std::size_t start = targets_.size();
      for (std::uint32_t i = 0; i < group.count; ++i) targets_.push_back(targets_[group.start + i]);
      group.start = static_cast<std::uint32_t>(start);
      group.capacity = group.count;
    }
    targets_.resize(targets_.size() + room);
    group.capacity += static_cast<std::uint32_t>(room);
  }
  targets_[group.start + group.count++] = target;
}
