#include "signaturefilter.h"

#include "sightings.h"

namespace {

constexpr std::uint64_t kGoldenRatio64 = 0x9e3779b97f4a7c15ULL;

// A key that depends on every label and on their columns' order: the previous key, mixed
// with the label by a multiplication, and rotated so that its high bits reach the low ones
// that index the table.
std::uint64_t Mix(std::uint64_t key, Row label) {
  const std::uint64_t x = (key ^ (std::uint64_t{label} + 1)) * kGoldenRatio64;
  return (x << 31) | (x >> 33);
}

}  // namespace

void SignatureFilter::Filter(const SymbolClasses& classes, ColumnSpan left,
                             std::vector<Row>& rows) {
  keys_.assign(rows.size(), 0);
  std::size_t nextCount = 2;
  for (std::size_t i = 0; i < left.size() && !rows.empty(); ++i) {
    const Column c = left[i];
    std::size_t kept = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const Row r = rows[k];
      // A row alone in its class in one column agrees with no row.
      if (!classes.Shared().Test(r, c)) continue;
      keys_[kept] = Mix(keys_[k], classes.Label(r, c));
      rows[kept++] = r;
    }
    rows.resize(kept);
    keys_.resize(kept);
    if (i + 1 == nextCount || i + 1 == left.size()) {
      DropUnique(rows);
      nextCount *= 2;
    }
  }
}

void SignatureFilter::DropUnique(std::vector<Row>& rows) {
  StartRound(slots_, round_, rows.size());
  const std::size_t mask = slots_.size() - 1;
  slotOfRow_.resize(rows.size());
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const std::uint64_t key = keys_[k];
    const auto high = static_cast<std::uint32_t>(key >> 32);
    std::size_t i = static_cast<std::size_t>(key) & mask;
    for (;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (slot.round != round_) {
        slot = {high, round_, 1};
        break;
      }
      if (slot.high == high) {
        slot.count = 2;  // two are as many as it needs to know of
        break;
      }
    }
    slotOfRow_[k] = static_cast<std::uint32_t>(i);
  }
  std::size_t kept = 0;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (slots_[slotOfRow_[k]].count < 2) continue;
    keys_[kept] = keys_[k];
    rows[kept++] = rows[k];
  }
  rows.resize(kept);
  keys_.resize(kept);
}
