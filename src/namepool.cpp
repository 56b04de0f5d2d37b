#include "namepool.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <functional>
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

NamePool::Found NamePool::Look(std::string_view name, std::uint32_t hash, bool caseVariants,
                               bool* crowded) const {
  Found found;
  const std::uint32_t positions = PositionBits();
  // Entries with the name's hash bits: its case variants, and now and then another name.
  std::uint32_t matches = 0;
  table_.Find(hash, [&](std::uint32_t stored) {
    // Another hash above the position bits: another name, told without reading its bytes.
    if ((stored ^ hash) & ~positions) return false;
    ++matches;
    const std::uint32_t at = stored & positions;
    const std::string_view storedName = (*this)[at];
    if (storedName == name) {
      found.exact = at;
      return true;
    }
    // A case's names lie along the probe in the order they came: the first met is the first.
    if (found.caseVariant == kMissing && EqualButCase(storedName, name)) found.caseVariant = at;
    return false;
  });
  if (found.exact == kMissing && matches >= kCaseVariantsIndexed &&
      CaseVariantsIndexed(name, hash) >= kCaseVariantsIndexed) {
    // The index holds the first names of a case: a name not there may be one of the others.
    if (crowded != nullptr) *crowded = true;
    found.exact = FindVariant(name);
  }
  if (!caseVariants) found.caseVariant = kMissing;
  return found;
}

std::uint32_t NamePool::CaseVariantsIndexed(std::string_view name, std::uint32_t hash) const {
  const std::uint32_t positions = PositionBits();
  std::uint32_t count = 0;
  table_.Find(hash, [&](std::uint32_t stored) {
    if (((stored ^ hash) & ~positions) == 0 && EqualButCase((*this)[stored & positions], name))
      ++count;
    return false;
  });
  return count;
}

std::uint32_t NamePool::FindVariant(std::string_view name) const {
  if (variantPositions_.empty()) return kMissing;
  const std::uint32_t hash = ExactHash(name);
  const std::uint64_t* found = variants_.Find(hash, [&](std::uint64_t stored) {
    return stored >> 32 == hash && (*this)[static_cast<std::uint32_t>(stored)] == name;
  });
  return found == nullptr ? kMissing : static_cast<std::uint32_t>(*found);
}

std::uint32_t NamePool::ExactHash(std::string_view name) {
  return static_cast<std::uint32_t>(Mix(std::hash<std::string_view>()(name)));
}

void NamePool::Add(std::string_view name, std::uint32_t hash, bool crowded) {
  // Positions into the block are 32 bits: names beyond 4 GiB are more than any input holds
  // that the machine could chase, and are refused as memory is.
  if (used_ + name.size() > UINT32_MAX || size() >= kMissing) throw std::bad_alloc();
  CheckGrowth(ends_);
  if (inPlace_) {
    // Never past where the name is: the names after it are still to be read.
    assert(name.data() >= bytes_.data() + used_);
    std::memmove(&bytes_[used_], name.data(), name.size());
  } else {
    CheckGrowth(bytes_, name.size());
    bytes_.append(name);
  }
  used_ += name.size();
  ends_.push_back(static_cast<std::uint32_t>(used_));
  const auto at = static_cast<std::uint32_t>(size() - 1);
  if (!crowded) {
    Index(at, hash);
    return;
  }
  AddVariant(at);
}

void NamePool::AddVariant(std::uint32_t at) {
  CheckGrowth(variantPositions_);
  variantPositions_.push_back(at);
  const std::uint32_t hash = ExactHash((*this)[at]);
  variants_.FindOrInsert(
      hash, (std::uint64_t{hash} << 32) | at, [](std::uint64_t) { return false; },
      [](std::uint64_t stored) { return static_cast<std::size_t>(stored >> 32); },
      [](std::uint64_t) { return true; });
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

void NamePool::Reserve(std::size_t count, std::size_t bytes) {
  if (!inPlace_) ReserveFor(bytes_, bytes);
  ReserveFor(ends_, count);
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
  while (2 * whole < 3 * (expected_ + 1)) whole *= 2;
  if (whole * sizeof(std::uint32_t) <= 2 * expectedBytes_) return whole;
  // Otherwise four times, while the names expected would fill twice the size.
  return 3 * expected_ > 2 * twice ? 2 * twice : twice;
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
      hashes[next] = Hash((*this)[next]);
      table_.Prefetch(hashes[next]);
    }
    // The case variants that went aside, in position order, stay out of the table.
    auto variant = variantPositions_.begin();
    for (std::uint32_t earlier = 0; earlier < at; ++earlier) {
      const std::uint32_t earlierHash = hashes[earlier % kAhead];
      if (earlier + kAhead < at) {
        hashes[earlier % kAhead] = Hash((*this)[earlier + kAhead]);
        table_.Prefetch(hashes[earlier % kAhead]);
      }
      if (variant != variantPositions_.end() && *variant == earlier) {
        ++variant;
        continue;
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
  ends_.clear();
  variants_.Clear(0);
  variantPositions_.clear();
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
  bytes.reserve(bytes_.size());
  std::vector<std::uint32_t> ends(size());
  for (std::uint32_t position = 0; position < order.size(); ++position) {
    const std::uint32_t old = order[position];
    newPosition[old] = position;
    bytes.append((*this)[old]);
    ends[position] = static_cast<std::uint32_t>(bytes.size());
  }
  bytes_ = std::move(bytes);
  ends_ = std::move(ends);
  used_ = bytes_.size();
  inPlace_ = false;
  // The first name of each case may be another now.
  IndexAll();
  return newPosition;
}

void NamePool::IndexAll() {
  table_.Clear(size());
  variants_.Clear(0);
  variantPositions_.clear();
  for (std::uint32_t at = 0; at < size(); ++at) {
    const std::string_view name = (*this)[at];
    const std::uint32_t hash = Hash(name);
    bool crowded = false;
    Look(name, hash, false, &crowded);
    if (!crowded) {
      Insert(at, hash);
      continue;
    }
    AddVariant(at);
  }
}

AttributeList NamePool::Names() const {
  AttributeList names;
  names.reserve(size());
  for (std::uint32_t at = 0; at < size(); ++at) names.emplace_back((*this)[at]);
  return names;
}
