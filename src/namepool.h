#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "probingtable.h"
#include "schema.h"

// The attribute names of an input, each once, at positions in the order they were added: their
// bytes in one block, and a hash index over them. A name costs its bytes and about ten bytes
// more, not a string of its own.
//
// Names that differ only in the letter case of ASCII letters hash alike, so a look for a name
// also finds the first name that is a case variant of it. The index holds the first 128 names
// of each case; the others are kept by their exact bytes in an index of their own, so that a
// file of thousands of case variants of one name does not make each look compare it with all
// of them.
class NamePool {
 public:
  static constexpr std::uint32_t kMissing = UINT32_MAX;

  struct Found {
    std::uint32_t exact = kMissing;        // the position of the name itself
    std::uint32_t caseVariant = kMissing;  // the first name that differs from it only in case
  };
  // How many names of one case the index holds, at most.
  static constexpr std::uint32_t kCaseVariantsIndexed = 128;

  // Two thirds full at most: a sub-schema of millions of names takes a table of half the size,
  // for a probe or two more.
  NamePool() : table_(kMissing, true), variants_(UINT64_MAX, true) {}

  // Replaces every name by names, which must be without duplicates.
  void Assign(const AttributeList& names);

  std::size_t size() const { return ends_.size(); }
  std::string_view operator[](std::uint32_t at) const {
    const std::uint32_t start = at == 0 ? 0 : ends_[at - 1];
    return std::string_view(bytes_).substr(start, ends_[at] - start);
  }

  // Names that differ only in letter case have one hash.
  static std::uint32_t Hash(std::string_view name);

  // The position of name, or kMissing.
  std::uint32_t Find(std::string_view name) const { return Look(name, Hash(name), false).exact; }
  // The same, with the first case variant of name, whose hash is given.
  // With crowded, whether name's case has all the room it gets in the index, so that name,
  // added, goes aside (kept apart from Found, which two registers return).
  Found FindWithCaseVariant(std::string_view name, std::uint32_t hash,
                            bool* crowded = nullptr) const {
    return Look(name, hash, true, crowded);
  }
  // Room for count more names of bytes in all, which the index expects as it grows.
  void Reserve(std::size_t count, std::size_t bytes);
  // Adds name, of hash, which is not in the pool, at the next position.
  void Add(std::string_view name, std::uint32_t hash) {
    bool crowded = false;
    Look(name, hash, false, &crowded);
    Add(name, hash, crowded);
  }
  // The same, with what a look for it said of its case.
  void Add(std::string_view name, std::uint32_t hash, bool crowded);

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

  // For a name of hash looked for soon, fetches the slot that the look reads first into the
  // cache. Millions of names in one sub-schema otherwise each wait on memory.
  void Prefetch(std::uint32_t hash) const { table_.Prefetch(hash); }

  // Puts the names in byte order. Returns, per old position, the new one.
  std::vector<std::uint32_t> Sort();
  // Every name, as a string, in position order.
  AttributeList Names() const;

 private:
  Found Look(std::string_view name, std::uint32_t hash, bool caseVariants,
             bool* crowded = nullptr) const;
  // How many case variants of name, of hash, table_ holds.
  std::uint32_t CaseVariantsIndexed(std::string_view name, std::uint32_t hash) const;
  // The position of name among the case variants, or kMissing.
  std::uint32_t FindVariant(std::string_view name) const;
  // A hash of name's exact bytes, for the case variants.
  static std::uint32_t ExactHash(std::string_view name);
  // Puts the name at position at, a case variant of earlier ones that fill their room in the
  // index, among the variants.
  void AddVariant(std::uint32_t at);
  // Indexes every name again, in position order: the first 128 of each case in table_, the
  // others aside.
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

  std::string bytes_;                  // the names, one after another, from the start
  std::size_t used_ = 0;               // how many bytes of bytes_ the names take
  bool inPlace_ = false;               // bytes_ is a taken block: past used_, its line
  std::size_t expected_ = 0;           // how many names Reserve said may come, at most
  std::size_t expectedBytes_ = 0;      // and how many bytes they take, with their commas
  std::vector<std::uint32_t> ends_;    // per position: where its name ends in bytes_
  ProbingTable<std::uint32_t> table_;  // positions with hash bits above them, by hash
  // The case variants beyond those that table_ holds, by ExactHash: each entry holds the hash
  // above the position, so that a look reads no other name's bytes and growing reads none.
  // And their positions, in order.
  ProbingTable<std::uint64_t> variants_;
  std::vector<std::uint32_t> variantPositions_;
};
