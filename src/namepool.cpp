#include "namepool.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>
#include <numeric>

#include "memoryguard.h"

namespace {

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

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

// Eight bytes at a time: a name is compared with every case variant of it in its probe.
bool EqualButCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  std::size_t at = 0;
  for (; at + 8 <= a.size(); at += 8) {
    std::uint64_t x;
    std::uint64_t y;
    std::memcpy(&x, a.data() + at, 8);
    std::memcpy(&y, b.data() + at, 8);
    if (FoldCaseOfWord(x) != FoldCaseOfWord(y)) return false;
  }
  for (; at < a.size(); ++at) {
    if (FoldCase(a[at]) != FoldCase(b[at])) return false;
  }
  return true;
}

std::uint64_t Mix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  return h ^ (h >> 33);
}

// Eight bytes at a time: names are read by the million. With kFoldCase, names that differ
// only in case hash alike; seed keeps the two kinds of hash of one name apart.
template <bool kFoldCase>
std::uint32_t HashOfName(std::string_view name, std::uint64_t seed) {
  const auto fold = [](std::uint64_t word) { return kFoldCase ? FoldCaseOfWord(word) : word; };
  std::uint64_t h = (name.size() + seed) * 0x9e3779b97f4a7c15ULL;
  std::size_t at = 0;
  for (; at + 8 <= name.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, name.data() + at, 8);
    h = (h ^ fold(word)) * 0x100000001b3ULL;
    h ^= h >> 29;
  }
  std::uint64_t tail = 0;
  for (std::size_t i = at; i < name.size(); ++i)
    tail |= static_cast<std::uint64_t>(static_cast<unsigned char>(name[i])) << (8 * (i - at));
  return static_cast<std::uint32_t>(Mix(h ^ fold(tail)));
}

}  // namespace

std::uint32_t NamePool::Hash(std::string_view name) { return HashOfName<true>(name, 0); }

bool NamePool::EqualButCase(std::string_view a, std::string_view b) { return ::EqualButCase(a, b); }

std::uint32_t NamePool::ExactHash(std::string_view name) {
  return HashOfName<false>(name, 0x5bd1e995);
}

NamePool::Found NamePool::Look(std::string_view name, std::uint32_t hash) const {
  Found found;
  const std::uint32_t positions = PositionBits();
  // The first entry of the name's case along its probe is the first name of that case: a
  // later variant, indexed under its own hash, lies farther along any probe it is on, since
  // names go in in position order and the slots before the first were all taken then.
  const std::uint32_t* first = table_.Find(hash, [&](std::uint32_t stored) {
    // Another hash above the position bits: another name, told without reading its bytes.
    if ((stored ^ hash) & ~positions) return false;
    const std::string_view storedName = (*this)[stored & positions];
    // The name itself, most often, at one comparison.
    if (storedName == name) {
      found.exact = stored & positions;
      return true;
    }
    return EqualButCase(storedName, name);
  });
  if (first == nullptr || found.exact != kMissing) return found;
  const std::uint32_t at = *first & positions;
  found.caseVariant = at;
  if (!variantBits_.empty()) found.exact = FindVariant(name);
  return found;
}

std::uint32_t NamePool::FindVariant(std::string_view name) const {
  const std::uint32_t positions = PositionBits();
  const std::uint32_t hash = ExactHash(name);
  const std::uint32_t* found = table_.Find(hash, [&](std::uint32_t stored) {
    return ((stored ^ hash) & ~positions) == 0 && (*this)[stored & positions] == name;
  });
  return found == nullptr ? kMissing : *found & positions;
}

void NamePool::MarkVariant(std::uint32_t at) {
  if (at / 64 >= variantBits_.size()) {
    CheckGrowth(variantBits_);
    variantBits_.resize(at / 64 + 1, 0);
  }
  variantBits_[at / 64] |= std::uint64_t{1} << (at % 64);
  ++variants_;
}

void NamePool::Add(std::string_view name, std::uint32_t hash, bool caseVariantHeld) {
  // Positions into the block are 32 bits: names beyond 4 GiB are more than any input holds
  // that the machine could chase, and are refused as memory is.
  if (used_ + name.size() > UINT32_MAX || size() >= kMissing) throw std::bad_alloc();
  if (inPlace_) {
    // Never past where the name is: the names after it are still to be read.
    assert(name.data() >= bytes_.data() + used_);
    std::memmove(&bytes_[used_], name.data(), name.size());
  } else {
    CheckGrowth(bytes_, name.size());
    bytes_.append(name);
  }
  NoteLength(name.size());
  used_ += name.size();
  const auto at = static_cast<std::uint32_t>(size() - 1);
  if (!caseVariantHeld) {
    Index(at, hash);
    return;
  }
  MarkVariant(at);
  // From where the name now lies: moved in place, it may have moved over its old bytes.
  Index(at, ExactHash((*this)[at]));
}

void NamePool::NoteLength(std::size_t length) {
  if (size() % kGroup == 0) {
    CheckGrowth(groups_);
    groups_.push_back(Group{static_cast<std::uint32_t>(used_), {}});
  }
  if (length >= kLong) {
    CheckGrowth(longLengths_);
    longLengths_.emplace_back(static_cast<std::uint32_t>(size()),
                              static_cast<std::uint32_t>(length));
  }
  groups_.back().lengths[count_++ % kGroup] =
      static_cast<std::uint8_t>(std::min<std::size_t>(length, kLong));
}

std::size_t NamePool::LongStartOf(std::uint32_t at) const {
  std::size_t start = groups_[at / kGroup].start;
  for (std::uint32_t k = at - at % kGroup; k < at; ++k) start += LengthOf(k);
  return start;
}

std::size_t NamePool::LongLength(std::uint32_t at) const {
  const auto found =
      std::lower_bound(longLengths_.begin(), longLengths_.end(), at,
                       [](const std::pair<std::uint32_t, std::uint32_t>& entry,
                          std::uint32_t position) { return entry.first < position; });
  assert(found != longLengths_.end() && found->first == at);
  return found->second;
}

std::string_view NamePool::TakeBlock(std::string&& block) {
  const std::size_t length = block.size();
  assert(WouldTakeBlockOf(length));
  if (used_ != 0) {
    // The names held are kept where they are, at the block's start: a few bytes beside a line
    // of millions of names, moved once with it. The block has room for the rest of the file,
    // which is usually enough; otherwise it grows by no more than the names.
    if (block.capacity() < block.size() + used_) {
      CheckMemoryFor(block.size() + used_, 1);
      block.reserve(block.size() + used_);
    }
    block.insert(0, bytes_, 0, used_);
  }
  bytes_ = std::move(block);
  inPlace_ = true;
  return std::string_view(bytes_).substr(used_, length);
}

void NamePool::EndBlock() {
  if (!inPlace_) return;
  // What follows the names is text already read; the block's room serves later names.
  bytes_.resize(used_);
  inPlace_ = false;
}

void NamePool::Reserve(std::size_t count, std::size_t bytes, std::size_t later) {
  if (!inPlace_) ReserveFor(bytes_, bytes);
  ReserveFor(groups_, (count + later) / kGroup + 1);
  expected_ = size() + count;
  expectedBytes_ = bytes;
}

std::size_t NamePool::NextCapacity() const {
  const std::size_t twice = 2 * table_.Capacity();
  // The slots for every name still expected, at once, when they take no more than twice the
  // bytes of the line that may hold them: a sub-schema of millions of names is then indexed
  // once, not again at each growth, and a line that writes a few names millions of times
  // cannot make the table take more than twice its text.
  std::size_t whole = twice;
  while (3 * whole < 4 * (expected_ + 1)) whole *= 2;
  if (whole * sizeof(std::uint32_t) <= 2 * expectedBytes_) return whole;
  // Otherwise four times, while the names expected would fill twice the size.
  return 4 * expected_ > 3 * twice ? 2 * twice : twice;
}

void NamePool::Index(std::uint32_t at, std::uint32_t hash) {
  if (table_.Full()) {
    // The table is made anew, larger, from the names and their hashes made again (read in
    // order, the bytes cost less than keeping the hashes would), without the old table
    // alongside as a rebuild would keep it.
    table_.Clear(NextCapacity() / 3 - 1);
    // The slots are written at random: each is fetched a few names ahead of its write.
    constexpr std::uint32_t kAhead = 8;  // a power of two
    std::uint32_t hashes[kAhead];
    for (std::uint32_t next = 0; next < std::min(at, kAhead); ++next) {
      hashes[next] = IndexHash(next);
      table_.Prefetch(hashes[next]);
    }
    // In position order, so that the first name of each case comes first along its probe.
    for (std::uint32_t earlier = 0; earlier < at; ++earlier) {
      const std::uint32_t earlierHash = hashes[earlier % kAhead];
      if (earlier + kAhead < at) {
        hashes[earlier % kAhead] = IndexHash(earlier + kAhead);
        table_.Prefetch(hashes[earlier % kAhead]);
      }
      Insert(earlier, earlierHash);
    }
  }
  Insert(at, hash);
}

void NamePool::Insert(std::uint32_t at, std::uint32_t hash) {
  // Index made the room: the table is never rebuilt here, which would keep entries made for
  // another size.
  assert(!table_.Full());
  table_.FindOrInsert(
      hash, (hash & ~PositionBits()) | at, [](std::uint32_t) { return false; },
      [](std::uint32_t) -> std::size_t {
        assert(false);
        return 0;
      },
      [](std::uint32_t) { return true; });
}

void NamePool::Assign(const AttributeList& names) {
  bytes_.clear();
  groups_.clear();
  longLengths_.clear();
  count_ = 0;
  variantBits_.clear();
  variants_ = 0;
  used_ = 0;
  inPlace_ = false;
  expected_ = 0;
  expectedBytes_ = 0;
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
  bytes.reserve(used_);
  for (std::uint32_t position = 0; position < order.size(); ++position) {
    newPosition[order[position]] = position;
    bytes.append((*this)[order[position]]);
  }
  // The lengths in the new order, laid out again from the start.
  std::vector<std::uint32_t> lengths(size());
  for (std::uint32_t position = 0; position < order.size(); ++position) {
    lengths[position] = static_cast<std::uint32_t>(LengthOf(order[position]));
  }
  groups_.clear();
  longLengths_.clear();
  count_ = 0;
  used_ = 0;
  for (const std::uint32_t length : lengths) {
    NoteLength(length);
    used_ += length;
  }
  bytes_ = std::move(bytes);
  inPlace_ = false;
  // The first name of each case may be another now.
  IndexAll();
  return newPosition;
}

void NamePool::IndexAll() {
  table_.Clear(size());
  variantBits_.clear();
  variants_ = 0;
  for (std::uint32_t at = 0; at < size(); ++at) {
    const std::string_view name = (*this)[at];
    const std::uint32_t hash = Hash(name);
    if (Look(name, hash).caseVariant == kMissing) {
      Insert(at, hash);
      continue;
    }
    MarkVariant(at);
    Insert(at, ExactHash(name));
  }
}

AttributeList NamePool::Names() const {
  AttributeList names;
  names.reserve(size());
  for (std::uint32_t at = 0; at < size(); ++at) names.emplace_back((*this)[at]);
  return names;
}
