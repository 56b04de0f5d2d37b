#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "probingtable.h"
#include "schema.h"

// The attribute names of an input, each once, at positions in the order they were added: their
// bytes in one block, and a hash index over them. A name costs its bytes and about seven bytes
// more, not a string of its own: its length in a byte, a start per twelve names, and its entry
// in an index that fills to three quarters. A sub-schema of ten million short names then takes
// its line, its row and about 85 MB more, not 150.
//
// Names that differ only in the letter case of ASCII letters hash alike, so a look for a name
// also finds the first name that is a case variant of it. The index holds that first name of
// each case under the hash of its case, and every later variant under a hash of its exact
// bytes: a file of thousands of case variants of one name then makes a look compare it with
// the first of them and with the names of its exact hash, not with all of them.
class NamePool {
 public:
  static constexpr std::uint32_t kMissing = UINT32_MAX;

  struct Found {
    std::uint32_t exact = kMissing;  // the position of the name itself
    // The first name that differs from it only in case, when that is another name.
    std::uint32_t caseVariant = kMissing;
  };

  // Three quarters full at most: a sub-schema of millions of names takes a table of half the
  // size, for a few probes more, each a comparison of the hash bits an entry holds.
  NamePool() : table_(kMissing, ProbingTable<std::uint32_t>::kThreeQuarters) {}

  // Replaces every name by names, which must be without duplicates.
  void Assign(const AttributeList& names);

  std::size_t size() const { return count_; }
  std::string_view operator[](std::uint32_t at) const {
    return std::string_view(bytes_).substr(StartOf(at), LengthOf(at));
  }

  // Names that differ only in letter case have one hash.
  static std::uint32_t Hash(std::string_view name);
  // Whether a and b differ at most in the case of ASCII letters.
  static bool EqualButCase(std::string_view a, std::string_view b);

  // Whether a name was added after another that differs from it only in case.
  bool HasLaterVariants() const { return variants_ != 0; }
  // Calls visit(at) for the position of every such name, in order.
  template <typename Visit>
  void ForEachLaterVariant(Visit visit) const {
    for (std::size_t w = 0; w < variantBits_.size(); ++w) {
      for (std::uint64_t bits = variantBits_[w]; bits != 0; bits &= bits - 1) {
        visit(static_cast<std::uint32_t>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits))));
      }
    }
  }

  // The position of name, or kMissing.
  std::uint32_t Find(std::string_view name) const { return Look(name, Hash(name)).exact; }
  // The same, with the first case variant of name, whose hash is given.
  Found FindWithCaseVariant(std::string_view name, std::uint32_t hash) const {
    return Look(name, hash);
  }
  // Room for count more names of bytes in all, which the index expects as it grows, and as
  // address space for later ones more, which it does not expect.
  void Reserve(std::size_t count, std::size_t bytes, std::size_t later = 0);
  // Adds name, of hash, which is not in the pool, at the next position.
  void Add(std::string_view name, std::uint32_t hash) {
    Add(name, hash, Look(name, hash).caseVariant != kMissing);
  }
  // The same, with whether a look for it found a case variant.
  void Add(std::string_view name, std::uint32_t hash, bool caseVariantHeld);

  // Takes block, a line of names, as the room for the names: the names held so far move in
  // front of it, and those of the line that are added next are moved to their place in it,
  // before where they were, until EndBlock. A sub-schema of millions of names then takes no
  // second copy of its bytes. Returns where the block's text now lies. REQUIRES: each name
  // added until EndBlock is a part of that text after every name added before.
  std::string_view TakeBlock(std::string&& block);
  // Whether a block of size bytes is worth taking: the names held, which move with it, take
  // no more than it does, so that blocks taken line after line move O(bytes read) in all.
  bool WouldTakeBlockOf(std::size_t size) const { return used_ <= size; }
  void EndBlock();

  // For name, of hash, looked for soon, fetches the slot that the look reads first into the
  // cache. Millions of names in one sub-schema otherwise each wait on memory. Where case
  // variants are many, also the slot of its own hash, which their looks read next.
  void Prefetch(std::string_view name, std::uint32_t hash) const {
    table_.Prefetch(hash);
    if (variants_ * 4 > size()) table_.Prefetch(ExactHash(name));
  }

  // Puts the names in byte order. Returns, per old position, the new one.
  std::vector<std::uint32_t> Sort();
  // Every name, as a string, in position order.
  AttributeList Names() const;

 private:
  Found Look(std::string_view name, std::uint32_t hash) const;
  // The position of name, a case variant of an earlier name, or kMissing.
  std::uint32_t FindVariant(std::string_view name) const;
  // A hash of name's exact bytes, under which a later case variant is indexed.
  static std::uint32_t ExactHash(std::string_view name);
  bool IsVariant(std::uint32_t at) const {
    return at / 64 < variantBits_.size() && (variantBits_[at / 64] >> (at % 64) & 1) != 0;
  }
  void MarkVariant(std::uint32_t at);
  // The hash the name at position at is indexed under.
  std::uint32_t IndexHash(std::uint32_t at) const {
    return IsVariant(at) ? ExactHash((*this)[at]) : Hash((*this)[at]);
  }
  // Indexes every name again, in position order: the first of each case under its case's
  // hash, the others under their own.
  void IndexAll();
  // Puts the name at position at, of hash, in the table, which holds every earlier one.
  void Index(std::uint32_t at, std::uint32_t hash);
  void Insert(std::uint32_t at, std::uint32_t hash);
  // How many slots the table takes when it grows next.
  std::size_t NextCapacity() const;

  // The bits of a table entry that hold a position: as many as the table's slots take, since
  // a position is below the number of names, which is below the number of slots. The bits
  // above hold the same bits of the name's hash, so that a look passes over the entries of
  // other names without reading their hashes or bytes, each a wait on memory.
  std::uint32_t PositionBits() const { return static_cast<std::uint32_t>(table_.Capacity() - 1); }

  static constexpr std::uint32_t kGroup = 12;
  static constexpr std::uint8_t kLong = UINT8_MAX;
  // Twelve names: where the first starts in bytes_, and the length of each, in 16 bytes that
  // one fetch from memory brings.
  struct Group {
    std::uint32_t start;
    std::uint8_t lengths[kGroup];
  };
  // From the start of its group, past the lengths of those before it: summed a word at once.
  std::size_t StartOf(std::uint32_t at) const {
    const Group& group = groups_[at / kGroup];
    const std::uint32_t count = at % kGroup;
    std::uint64_t low;
    std::uint32_t high;
    std::memcpy(&low, group.lengths, sizeof low);
    std::memcpy(&high, group.lengths + sizeof low, sizeof high);
    std::uint64_t before[2] = {low, high};
    if (count <= 8) {
      before[0] &= count == 0 ? 0 : ~std::uint64_t{0} >> (64 - 8 * count);
      before[1] = 0;
    } else {
      before[1] &= ~std::uint64_t{0} >> (64 - 8 * (count - 8));
    }
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    constexpr std::uint64_t kEvenBytes = 0x00FF00FF00FF00FFULL;
    std::uint64_t pairs = 0;
    for (const std::uint64_t word : before) {
      // A long name's byte, 255, stands for a length kept aside: then one at a time.
      if ((((word & kLow7) + kOnes) & word & kHigh) != 0) return LongStartOf(at);
      pairs += (word & kEvenBytes) + ((word >> 8) & kEvenBytes);
    }
    // The four 16-bit sums of pairs of bytes, added by a multiplication.
    return group.start + ((pairs * 0x0001000100010001ULL) >> 48);
  }
  std::size_t LongStartOf(std::uint32_t at) const;
  std::size_t LengthOf(std::uint32_t at) const {
    const std::uint8_t length = groups_[at / kGroup].lengths[at % kGroup];
    return length != kLong ? length : LongLength(at);
  }
  std::size_t LongLength(std::uint32_t at) const;
  // Notes that the next position's name takes length bytes from used_ on.
  void NoteLength(std::size_t length);

  std::string bytes_;              // the names, one after another, from the start
  std::size_t used_ = 0;           // how many bytes of bytes_ the names take
  bool inPlace_ = false;           // bytes_ is a taken block: past used_, its line
  std::size_t expected_ = 0;       // how many names Reserve said may come, at most
  std::size_t expectedBytes_ = 0;  // and how many bytes they take, with their commas
  // Per group of kGroup positions, where its first name starts in bytes_ and their lengths:
  // a name's length, or kLong for a name of kLong bytes or more, whose length longLengths_
  // holds, by position.
  std::vector<Group> groups_;
  std::size_t count_ = 0;  // names
  std::vector<std::pair<std::uint32_t, std::uint32_t>> longLengths_;
  ProbingTable<std::uint32_t> table_;  // positions with hash bits above them, by hash
  // Per position, a bit set when the name is a later case variant, indexed by ExactHash; no
  // words at all while there is none.
  std::vector<std::uint64_t> variantBits_;
  std::size_t variants_ = 0;  // how many bits are set
};
