#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "index.h"

// Per column, the groups of longer left-hand sides that hold it, numbered from 0 as they are
// made: the chase tells each of them of every change in the column.
//
// A column's groups are a list of 8 bytes a group. Once the list takes more room than a bit per
// group that may ever be made, the column keeps a bit per group instead, and a bit per word of
// them that says whether the word holds any: 14,000 left-hand sides of 500 columns over 2,000
// columns then take 3.5 MB, not 56. A column held by few groups stays a list, however many
// groups there are. So the bits of all columns never take more than their lists would.
//
// A group may drop out and be added again later. A list entry carries the generation it was
// added in, so that an entry from before is dropped rather than met twice. A bit carries none:
// the group holds the column whatever its generation, so its bit stands for the current one.
class ColumnGroups {
 public:
  static constexpr std::uint32_t kAnyGeneration = UINT32_MAX;

  ColumnGroups() = default;
  // For columns columns and at most maxGroups groups. With bitsAllowed false, every column is
  // a list, met in the order its groups were added.
  ColumnGroups(std::size_t columns, std::size_t maxGroups, bool bitsAllowed);

  // Adds group g, of generation, to column c. REQUIRES: g < maxGroups.
  void Add(Column c, std::uint32_t g, std::uint32_t generation);
  bool Empty(Column c) const;

  // Calls visit(g) for each group g of column c that keep(g, generation) keeps, and drops the
  // others; keep gets kAnyGeneration for a group held as a bit. Lists meet their groups in an
  // order of their own, bits in ascending order. REQUIRES: neither adds a group to c.
  template <typename Keep, typename Visit>
  void ForEach(Column c, Keep keep, Visit visit);

 private:
  struct Entry {
    std::uint32_t group;
    std::uint32_t generation;
  };
  struct Bits {
    std::vector<std::uint64_t> words;     // bit g % 64 of word g / 64: group g holds the column
    std::vector<std::uint64_t> nonEmpty;  // bit w % 64 of word w / 64: words[w] is not 0
    std::size_t count = 0;                // how many bits of words are set
  };
  struct Groups {
    std::vector<Entry> list;
    std::unique_ptr<Bits> bits;  // once set, every group of the column is here
  };

  void Set(Bits& bits, std::uint32_t g);
  void ToBits(Groups& groups);

  std::vector<Groups> columns_;
  std::size_t maxGroups_ = 0;
  bool bitsAllowed_ = false;
};

template <typename Keep, typename Visit>
void ColumnGroups::ForEach(Column c, Keep keep, Visit visit) {
  Groups& groups = columns_[c];
  if (!groups.bits) {
    // A dropped entry takes the last one's place.
    std::vector<Entry>& list = groups.list;
    for (std::size_t i = 0; i < list.size();) {
      const Entry entry = list[i];
      if (!keep(entry.group, entry.generation)) {
        list[i] = list.back();
        list.pop_back();
        continue;
      }
      visit(entry.group);
      ++i;
    }
    return;
  }
  Bits& bits = *groups.bits;
  for (std::size_t s = 0; s < bits.nonEmpty.size(); ++s) {
    for (std::uint64_t summary = bits.nonEmpty[s]; summary != 0; summary &= summary - 1) {
      const std::size_t w = s * 64 + static_cast<std::size_t>(__builtin_ctzll(summary));
      for (std::uint64_t word = bits.words[w]; word != 0; word &= word - 1) {
        const auto g =
            static_cast<std::uint32_t>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(word)));
        if (keep(g, kAnyGeneration)) {
          visit(g);
        } else {
          bits.words[w] &= ~(std::uint64_t{1} << (g % 64));
          --bits.count;
        }
      }
      if (bits.words[w] == 0) bits.nonEmpty[s] &= ~(std::uint64_t{1} << (w % 64));
    }
  }
}
