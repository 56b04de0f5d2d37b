#pragma once

// The rows one look at a group has seen, by the hash of their signatures: a table that lives
// for one look and is dropped after. The chase looks at the rows of thousands of groups, most
// of which find a few rows that agree among many, so starting a look must not cost the slots
// that earlier looks used: a slot is free unless it holds the number of the current look.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "index.h"
#include "memoryguard.h"

// Starts the next round of a table whose slots are free unless they hold their round's
// number (a value-initialized slot holds none), and returns the mask of the slots it uses: the
// first of them, at least twice as many as count, so that a free one is always near, and few
// enough for a small round to stay in the cache where a large one left the table large. After
// the last number, or past the table's end, every slot starts free again.
template <typename Slot, typename Number>
std::size_t StartRound(std::vector<Slot>& slots, Number& round, std::size_t count) {
  std::size_t capacity = 16;
  while (capacity < 2 * (count + 1)) capacity *= 2;
  if (++round != 0 && capacity <= slots.size()) return capacity - 1;
  round = 1;
  const std::size_t size = std::max(capacity, slots.size());
  CheckMemoryFor(size, sizeof(Slot));
  std::vector<Slot>().swap(slots);
  slots.assign(size, Slot{});
  return capacity - 1;
}

class Sightings {
 public:
  // Starts a look that sees at most count rows.
  void Start(std::size_t count) { mask_ = StartRound(slots_, look_, count); }

  // An earlier row of this look whose signature has hash and that same(row) accepts; kNoRow
  // when there is none, and then row is seen under hash.
  template <typename Same>
  Row Find(std::uint32_t hash, Row row, Same same) {
    for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
      Slot& slot = slots_[i];
      if (slot.look != look_) {
        slot = {look_, hash, row};
        return kNoRow;
      }
      if (slot.hash == hash && same(slot.row)) return slot.row;
    }
  }

 private:
  struct Slot {
    std::uint32_t look;
    std::uint32_t hash;
    Row row;
  };
  std::vector<Slot> slots_;
  std::size_t mask_ = 0;  // of the slots this look uses
  std::uint32_t look_ = 0;
};
