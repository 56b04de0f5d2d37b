#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Which columns a list of names holds, one list after another: the reader keeps each column of
// a sub-schema or a side of a dependency once with it.
//
// A stamp per column answers at once, but takes 4 bytes for every column of the input. A file
// of millions of attributes would pay that for each of its short lists: a list much shorter
// than the columns marks them in a small table of its own instead, whose entries of another
// list count as free, so that a new list costs nothing. Once a list is long against the columns,
// the stamps are made, and every later list of no more columns uses them.
class ColumnStamps {
 public:
  // Starts a list of at most most columns, each below columns; none is marked in it.
  void Next(std::size_t columns, std::size_t most);
  // Marks column c in the list; returns whether it was not marked yet.
  bool Mark(std::uint32_t c) {
    if (dense_) {
      if (stamps_[c] == stamp_) return false;
      stamps_[c] = stamp_;
      return true;
    }
    return MarkInTable(c);
  }
  bool Marked(std::uint32_t c) const {
    return dense_ ? stamps_[c] == stamp_ : table_[SlotOf(c)] == Entry(c);
  }

 private:
  // A table entry: the list's stamp above the column.
  std::uint64_t Entry(std::uint32_t c) const { return std::uint64_t{stamp_} << 32 | c; }
  // The slot of c in the table, or the free one where it would go.
  std::size_t SlotOf(std::uint32_t c) const;
  bool MarkInTable(std::uint32_t c);
  // Room in the table for count columns, keeping those of the list.
  void Grow(std::size_t count);

  bool dense_ = true;                  // the list marks stamps_, not table_
  std::vector<std::uint32_t> stamps_;  // per column, the last list that marked it; or none
  std::vector<std::uint64_t> table_;   // by a hash of the column; a power of two of slots
  int shift_ = 64;                     // 64 less the bits of a slot's number
  std::size_t marked_ = 0;             // in the table, for this list
  std::uint32_t stamp_ = 0;
};
