#include "namepool.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>

#include "memoryguard.h"

namespace {

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool EqualButCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return FoldCase(x) == FoldCase(y);
         });
}

// The eight bytes of word with every ASCII capital made small, at once: a byte gets 0x20 when
// it is below 0x80, at least 'A' and at most 'Z'.
std::uint64_t FoldCaseOfWord(std::uint64_t word) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  const std::uint64_t low = word & ~kHigh;
  const std::uint64_t atLeastA = low + (0x80 - 'A') * kOnes;
  const std::uint64_t aboveZ = low + (0x80 - 'Z' - 1) * kOnes;
  const std::uint64_t capital = atLeastA & ~aboveZ & ~word & kHigh;
  return word | (capital >> 2);
}

std::uint64_t Mix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  return h ^ (h >> 33);
}

}  // namespace

std::uint32_t NamePool::Hash(std::string_view name) {
  // Eight bytes at a time: names are read by the million.
  std::uint64_t h = name.size() * 0x9e3779b97f4a7c15ULL;
  std::size_t at = 0;
  for (; at + 8 <= name.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, name.data() + at, 8);
    h = (h ^ FoldCaseOfWord(word)) * 0x100000001b3ULL;
    h ^= h >> 29;
  }
  std::uint64_t tail = 0;
  for (std::size_t i = at; i < name.size(); ++i)
    tail |= static_cast<std::uint64_t>(static_cast<unsigned char>(FoldCase(name[i])))
            << (8 * (i - at));
  return static_cast<std::uint32_t>(Mix(h ^ tail));
}

NamePool::Found NamePool::Look(std::string_view name, std::uint32_t hash, bool caseVariants) const {
  Found found;
  table_.Find(hash, [&](std::uint32_t stored) {
    if (hashes_[stored] != hash) return false;
    const std::string_view storedName = (*this)[stored];
    if (storedName == name) {
      found.exact = stored;
      return true;
    }
    if (caseVariants && stored < found.caseVariant && EqualButCase(storedName, name))
      found.caseVariant = stored;
    return false;
  });
  return found;
}

void NamePool::Add(std::string_view name, std::uint32_t hash) {
  // Positions into the block are 32 bits: names beyond 4 GiB are more than any input holds
  // that the machine could chase, and are refused as memory is.
  if (bytes_.size() + name.size() > UINT32_MAX || hashes_.size() >= kMissing)
    throw std::bad_alloc();
  CheckGrowth(bytes_, name.size());
  CheckGrowth(ends_);
  bytes_.append(name);
  ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
  hashes_.push_back(hash);
  Index(static_cast<std::uint32_t>(hashes_.size() - 1));
}

void NamePool::Reserve(std::size_t count, std::size_t bytes) {
  ReserveFor(bytes_, bytes);
  ReserveFor(ends_, count);
  ReserveFor(hashes_, count);
}

void NamePool::Index(std::uint32_t at) {
  if (table_.Full()) {
    // Every name is indexed, and its hash kept: the table is made anew from those, twice as
    // large, without the old one alongside as a rebuild would keep it.
    table_.Clear(2 * table_.Capacity() / 3 - 1);
    for (std::uint32_t earlier = 0; earlier < at; ++earlier) Insert(earlier);
  }
  Insert(at);
}

void NamePool::Insert(std::uint32_t at) {
  table_.FindOrInsert(
      hashes_[at], at, [](std::uint32_t) { return false; },
      [&](std::uint32_t stored) { return hashes_[stored]; }, [](std::uint32_t) { return true; });
}

void NamePool::Assign(const AttributeList& names) {
  bytes_.clear();
  ends_.clear();
  hashes_.clear();
  table_.Clear(names.size());
  for (const std::string& name : names) Add(name, Hash(name));
}

std::vector<std::uint32_t> NamePool::Sort() {
  std::vector<std::uint32_t> order(size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(),
            [&](std::uint32_t a, std::uint32_t b) { return (*this)[a] < (*this)[b]; });
  std::vector<std::uint32_t> newPosition(size());
  std::string bytes;
  bytes.reserve(bytes_.size());
  std::vector<std::uint32_t> ends(size()), hashes(size());
  for (std::uint32_t position = 0; position < order.size(); ++position) {
    const std::uint32_t old = order[position];
    newPosition[old] = position;
    bytes.append((*this)[old]);
    ends[position] = static_cast<std::uint32_t>(bytes.size());
    hashes[position] = hashes_[old];
  }
  bytes_ = std::move(bytes);
  ends_ = std::move(ends);
  hashes_ = std::move(hashes);
  // A name keeps its hash, so its entry keeps its slot and only says the new position.
  table_.ForEach([&](std::uint32_t& stored) { stored = newPosition[stored]; });
  return newPosition;
}

AttributeList NamePool::Names() const {
  AttributeList names;
  names.reserve(size());
  for (std::uint32_t at = 0; at < size(); ++at) names.emplace_back((*this)[at]);
  return names;
}
