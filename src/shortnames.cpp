#include "shortnames.h"

ShortNames::ShortNames(const NamePool& pool) {
  std::size_t slots = 16;
  shift_ = 60;
  while (slots < 2 * pool.size()) {
    slots *= 2;
    --shift_;
  }
  entries_.assign(slots, Entry{{0, 0}, NamePool::kMissing});
  mask_ = slots - 1;
  for (std::uint32_t at = 0; at < pool.size(); ++at) {
    const std::string_view name = pool[at];
    if (name.size() > kLongest || name.find('\0') != std::string_view::npos) continue;
    std::uint64_t words[2];
    Load(name, name, words);
    std::size_t slot = SlotOf(words);
    while (entries_[slot].position != NamePool::kMissing) slot = (slot + 1) & mask_;
    entries_[slot] = Entry{{words[0], words[1]}, at};
  }
}
