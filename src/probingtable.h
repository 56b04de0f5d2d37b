#pragma once

// The tool's hash table: open addressing with linear probing over a power-of-two array of
// slots, never more than half full (or three quarters, when asked: fewer slots, longer probes).
//
// It stores small entries and knows nothing of keys: the caller gives the hash, and says which
// stored entries match what it looks for. So a table of positions finds names in a list that
// it does not own, and entries that went stale can stay in place until the table is rebuilt,
// which drops them.

#include <cassert>
#include <cstddef>
#include <utility>
#include <vector>

#include "memoryguard.h"

template <typename Entry>
class ProbingTable {
 public:
  // How full the table may get before it is rebuilt.
  enum Fill { kHalf, kThreeQuarters };

  // free: the value of a free slot, which no stored entry may equal.
  explicit ProbingTable(const Entry& free, Fill fill = kHalf) : free_(free), fill_(fill) {
    Clear(0);
  }

  // The first stored entry along hash's probe sequence that matches(entry) accepts, or null.
  template <typename Matches>
  const Entry* Find(std::size_t hash, Matches matches) const {
    for (std::size_t slot = hash & mask_;; slot = (slot + 1) & mask_) {
      const Entry& stored = slots_[slot];
      if (stored == free_) return nullptr;
      if (matches(stored)) return &stored;
    }
  }

  // Fetches the first slot of hash's probe sequence into the cache, for a look soon after.
  void Prefetch(std::size_t hash) const { __builtin_prefetch(&slots_[hash & mask_]); }

  // As Find, for changing what the entry holds beyond what hash and matches read.
  template <typename Matches>
  Entry* Find(std::size_t hash, Matches matches) {
    return const_cast<Entry*>(static_cast<const ProbingTable&>(*this).Find(hash, matches));
  }

  // As Find; on a miss, stores entry and returns null. When the table would be more than half
  // full, it is rebuilt first: every stored entry that keep(entry) accepts is put back at
  // hashOf(entry), and the others are dropped.
  template <typename Matches, typename HashOf, typename Keep>
  const Entry* FindOrInsert(std::size_t hash, const Entry& entry, Matches matches, HashOf hashOf,
                            Keep keep) {
    assert(!(entry == free_));
    if (Full()) Rebuild(hashOf, keep);
    for (std::size_t slot = hash & mask_;; slot = (slot + 1) & mask_) {
      Entry& stored = slots_[slot];
      if (stored == free_) {
        stored = entry;
        ++used_;
        return nullptr;
      }
      if (matches(stored)) return &stored;
    }
  }

  // Calls change(entry) for every stored entry, which may change what it holds but not its
  // hash.
  template <typename Change>
  void ForEach(Change change) {
    for (Entry& stored : slots_) {
      if (!(stored == free_)) change(stored);
    }
  }

  // Whether one more entry would make FindOrInsert rebuild the table first.
  bool Full() const {
    return (fill_ == kHalf ? 2 : 4) * (used_ + 1) > (fill_ == kHalf ? 1 : 3) * slots_.size();
  }
  std::size_t Capacity() const { return slots_.size(); }

  // Drops every entry, with room for count of them before the next rebuild.
  void Clear(std::size_t count) {
    std::size_t capacity = 16;
    // A third full at most: a rebuild that kept nearly all entries is far from the next one.
    while (capacity < 3 * (count + 1)) capacity *= 2;
    CheckMemoryFor(capacity, sizeof(Entry));
    // The old slots go first: both at once would take half as much again.
    if (capacity > slots_.capacity()) std::vector<Entry>().swap(slots_);
    slots_.assign(capacity, free_);
    mask_ = capacity - 1;
    used_ = 0;
  }

 private:
  template <typename HashOf, typename Keep>
  void Rebuild(HashOf hashOf, Keep keep) {
    std::vector<Entry> old = std::move(slots_);
    std::size_t kept = 0;
    for (const Entry& stored : old) kept += !(stored == free_) && keep(stored);
    Clear(kept);
    for (const Entry& stored : old) {
      if (stored == free_ || !keep(stored)) continue;
      std::size_t slot = hashOf(stored) & mask_;
      while (!(slots_[slot] == free_)) slot = (slot + 1) & mask_;
      slots_[slot] = stored;
      ++used_;
    }
  }

  Entry free_;
  std::vector<Entry> slots_;
  std::size_t mask_ = 0;
  Fill fill_;
  std::size_t used_ = 0;  // stored entries, stale ones included
};
