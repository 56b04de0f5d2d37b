#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "index.h"
#include "schema.h"
#include "symbolclasses.h"

// Of a group's rows, drops those whose labels on its left-hand side no other of the rows
// shares: they agree with none. It reads the left-hand columns one at a time for the rows
// still kept, and at the 2nd, 4th, 8th, ... column and the last it drops the rows whose labels
// so far are unlike every other's; so rows that two columns already tell apart cost two
// columns, not the whole side, and no order of the columns costs more than the whole side and
// a count per doubling.
//
// Labels are compared through a 64-bit key each row accumulates: a row is dropped only when
// its key is unique, so a row kept may still agree with none (two keys alike by chance), but
// a row dropped never agrees with another.
class SignatureFilter {
 public:
  // Keeps in rows, in their order, those that may agree with another of them on every column
  // of left.
  void Filter(const SymbolClasses& classes, ColumnSpan left, std::vector<Row>& rows);

 private:
  // Drops from rows (keys_ alike) those whose key no other row has.
  void DropUnique(std::vector<Row>& rows);

  // A key's count in one round of DropUnique, two at most: 8 bytes, so that the slots of ten
  // thousand rows stay in the cache. A slot holds the high half of a key, and is found by its
  // low bits: two keys alike in both count as one, and keep a row that may agree with none.
  struct Slot {
    std::uint32_t high;
    std::uint16_t round;  // the count is of this round; a slot of another round is free
    std::uint16_t count;
  };
  std::vector<std::uint64_t> keys_;       // per row kept, its key over the columns read so far
  std::vector<std::uint32_t> slotOfRow_;  // per row kept, its key's slot in this round
  std::vector<Slot> slots_;
  std::uint16_t round_ = 0;
};
