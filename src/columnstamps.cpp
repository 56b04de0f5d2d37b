#include "columnstamps.h"

#include <algorithm>

#include "memoryguard.h"

void ColumnStamps::Next(std::size_t columns, std::size_t most) {
  if (++stamp_ == 0) {  // after 2^32 lists: old stamps could look current
    std::fill(stamps_.begin(), stamps_.end(), 0);
    std::fill(table_.begin(), table_.end(), 0);
    stamp_ = 1;
  }
  marked_ = 0;
  // Stamps for the lists of a small input, and once a list may mark a quarter of the columns:
  // then they take no more than four times what its table would.
  constexpr std::size_t kFewColumns = std::size_t{1} << 16;
  dense_ = stamps_.size() >= columns || columns <= kFewColumns || 4 * most >= columns;
  if (!dense_) {
    if (table_.empty() || table_.size() < 2 * most) Grow(most);
    return;
  }
  if (stamps_.capacity() < columns) {
    // Half as many again, not twice: the old stamps and the new are held at once as they grow.
    const std::size_t capacity = std::max(columns, stamps_.capacity() / 2 * 3);
    CheckMemoryFor(capacity, sizeof(std::uint32_t));
    stamps_.reserve(capacity);
  }
  if (stamps_.size() < columns) stamps_.resize(columns, 0);
}

std::size_t ColumnStamps::SlotOf(std::uint32_t c) const {
  // The high bits of the column times an odd number, which every bit of the column reaches.
  const std::size_t mask = table_.size() - 1;
  for (std::size_t slot = static_cast<std::size_t>((c * 0x9e3779b97f4a7c15ULL) >> shift_);;
       slot = (slot + 1) & mask) {
    const std::uint64_t entry = table_[slot];
    if (entry >> 32 != stamp_ || static_cast<std::uint32_t>(entry) == c) return slot;
  }
}

bool ColumnStamps::MarkInTable(std::uint32_t c) {
  std::size_t slot = SlotOf(c);
  if (table_[slot] == Entry(c)) return false;
  if (2 * (marked_ + 1) > table_.size()) {
    Grow(marked_ + 1);
    slot = SlotOf(c);
  }
  table_[slot] = Entry(c);
  ++marked_;
  return true;
}

void ColumnStamps::Grow(std::size_t count) {
  std::size_t size = 16;
  int shift = 60;
  for (; size < 2 * count; size *= 2) --shift;
  CheckMemoryFor(size, sizeof(std::uint64_t));
  std::vector<std::uint64_t> old(size, 0);
  old.swap(table_);
  shift_ = shift;
  for (const std::uint64_t entry : old) {
    if (entry >> 32 == stamp_) table_[SlotOf(static_cast<std::uint32_t>(entry))] = entry;
  }
}
