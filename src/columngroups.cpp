#include "columngroups.h"

#include <cassert>

#include "memoryguard.h"

ColumnGroups::ColumnGroups(std::size_t columns, std::size_t maxGroups, bool bitsAllowed)
    : columns_(columns), maxGroups_(maxGroups), bitsAllowed_(bitsAllowed) {}

void ColumnGroups::Add(Column c, std::uint32_t g, std::uint32_t generation) {
  assert(g < maxGroups_);
  Groups& groups = columns_[c];
  if (groups.bits) {
    Set(*groups.bits, g);
    return;
  }
  CheckGrowth(groups.list);
  groups.list.push_back({g, generation});
  // The list now takes 8 bytes a group; the bits would take one bit per group that may come.
  if (bitsAllowed_ && groups.list.size() * 64 >= maxGroups_ + 64) ToBits(groups);
}

bool ColumnGroups::Empty(Column c) const {
  const Groups& groups = columns_[c];
  return groups.bits ? groups.bits->count == 0 : groups.list.empty();
}

void ColumnGroups::Set(Bits& bits, std::uint32_t g) {
  std::uint64_t& word = bits.words[g / 64];
  const std::uint64_t bit = std::uint64_t{1} << (g % 64);
  if ((word & bit) != 0) return;
  word |= bit;
  ++bits.count;
  bits.nonEmpty[g / 64 / 64] |= std::uint64_t{1} << (g / 64 % 64);
}

void ColumnGroups::ToBits(Groups& groups) {
  auto bits = std::make_unique<Bits>();
  const std::size_t words = (maxGroups_ + 63) / 64;
  bits->words.assign(words, 0);
  bits->nonEmpty.assign((words + 63) / 64, 0);
  // An entry of an older generation names a group that holds the column all the same: as a
  // bit it stands for the group's current generation, which keep() then judges.
  for (const Entry& entry : groups.list) Set(*bits, entry.group);
  groups.bits = std::move(bits);
  std::vector<Entry>().swap(groups.list);
}
