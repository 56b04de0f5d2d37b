#include "leftgroups.h"

#include <algorithm>
#include <cassert>

namespace {

constexpr std::uint32_t kNoGroup = UINT32_MAX;
constexpr std::uint64_t kNoPair = UINT64_MAX;

// Each value mixed in with the multiplier and shift of MurmurHash3's 64-bit finalizer.
std::uint64_t Mix(std::uint64_t hash, std::uint64_t value) {
  hash = (hash ^ value) * 0xff51afd7ed558ccdULL;
  return hash ^ (hash >> 29);
}

std::uint64_t HashOf(ColumnSpan left) {
  std::uint64_t hash = left.size();
  for (Column c : left) hash = Mix(hash, c);
  return hash;
}

}  // namespace

LeftGroups::LeftGroups(const ResolvedDependencies& dependencies)
    : dependencies_(dependencies), groups_(kNoGroup), named_(kNoPair) {}

std::uint32_t LeftGroups::Add(std::size_t j, std::vector<Target>& added) {
  const ColumnSpan left = dependencies_.Left(j);
  assert(!left.empty() && !dependencies_.Right(j).empty());
  const std::uint64_t hash = HashOf(left);
  const auto next = static_cast<std::uint32_t>(size());
  // The hashes are compared first: a different left-hand side is told apart without its columns.
  const std::uint32_t* found = groups_.FindOrInsert(
      static_cast<std::size_t>(hash), next,
      [&](std::uint32_t g) {
        const ColumnSpan other = Left(g);
        return hashOf_[g] == hash && other.size() == left.size() &&
               std::equal(left.begin(), left.end(), other.begin());
      },
      [&](std::uint32_t g) { return static_cast<std::size_t>(hashOf_[g]); },
      [](std::uint32_t) { return true; });
  std::uint32_t g = next;
  if (found == nullptr) {
    firstOf_.push_back(static_cast<std::uint32_t>(j));
    hashOf_.push_back(hash);
    targets_.emplace_back();
  } else {
    g = *found;
  }
  added.clear();
  for (Column c : dependencies_.Right(j)) {
    const std::uint64_t pair = (std::uint64_t{g} << 32) | c;
    const bool isNew =
        named_.FindOrInsert(
            static_cast<std::size_t>(Mix(0, pair)), pair,
            [&](std::uint64_t stored) { return stored == pair; },
            [](std::uint64_t stored) { return static_cast<std::size_t>(Mix(0, stored)); },
            [](std::uint64_t) { return true; }) == nullptr;
    if (!isNew) continue;
    added.push_back({c, static_cast<std::uint32_t>(j)});
    targets_[g].push_back(added.back());
  }
  return g;
}
