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
// number (a value-initialized slot holds none): at least twice as many slots as count, so
// that a free one is always near. After the last number, or in a larger table, every slot
// starts free again.
template <typename Slot, typename Number>
void StartRound(std::vector<Slot>& slots, Number& round, std::size_t count) {
  std::size_t capacity = 16;
  while (capacity < 2 * (count + 1)) capacity *= 2;
  if (++round != 0 && capacity <= slots.size()) return;
  round = 1;
  capacity = std::max(capacity, slots.size());
  CheckMemoryFor(capacity, sizeof(Slot));
  std::vector<Slot>().swap(slots);
  slots.assign(capacity, Slot{});
}

class Sightings {
 public:
  // Starts a look that sees at most count rows.
  void Start(std::size_t count) { StartRound(slots_, look_, count); }

  // An earlier row of this look whose signature has hash and that same(row) accepts; kNoRow
  // when there is none, and then row is seen under hash.
  template <typename Same>
  Row Find(std::uint32_t hash, Row row, Same same) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
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
  std::uint32_t look_ = 0;
};
