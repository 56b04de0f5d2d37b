#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "namepool.h"

// The positions of a pool's names of at most 16 bytes, by those bytes read as two 64-bit
// words: a look is a hash of two words and a compare of two, with no call. Mined files name
// few attributes, millions of times, and such names are short.
//
// A name with a NUL byte is left out: padded with NULs, it could look like a shorter one.
class ShortNames {
 public:
  static constexpr std::size_t kLongest = 16;

  // Indexes the names of pool, at their positions there.
  explicit ShortNames(const NamePool& pool);

  // The position of name, or NamePool::kMissing. REQUIRES: name holds no NUL byte and at most
  // kLongest bytes, and is a part of text, all of which may be read.
  std::uint32_t Find(std::string_view name, std::string_view text) const {
    std::uint64_t words[2];
    Load(name, text, words);
    for (std::size_t slot = SlotOf(words);; slot = (slot + 1) & mask_) {
      const Entry& entry = entries_[slot];
      if (entry.position == NamePool::kMissing) return NamePool::kMissing;
      if (entry.words[0] == words[0] && entry.words[1] == words[1]) return entry.position;
    }
  }

 private:
  struct Entry {
    std::uint64_t words[2];
    std::uint32_t position;
  };

  static std::uint64_t Word(const char* at) {
    std::uint64_t word;
    std::memcpy(&word, at, 8);
    return word;
  }
  // The low size bytes of word (size < 8).
  static std::uint64_t Low(std::uint64_t word, std::size_t size) {
    return word & ((std::uint64_t{1} << (8 * size)) - 1);
  }
  // The name's bytes, then NULs, as two words. Read a whole word at a time from text, forward
  // from the name's start or backward from its end, wherever text holds eight bytes: bytes
  // stored one by one and read back as a word would stall the load.
  static void Load(std::string_view name, std::string_view text, std::uint64_t (&words)[2]) {
    const char* const begin = name.data();
    const char* const end = begin + name.size();
    const std::size_t size = name.size();
    const char* const textEnd = text.data() + text.size();
    if (textEnd - begin >= 16) {
      words[0] = size >= 8 ? Word(begin) : Low(Word(begin), size);
      words[1] = size >= 16 ? Word(begin + 8) : size <= 8 ? 0 : Low(Word(begin + 8), size - 8);
    } else if (size > 8) {
      words[0] = Word(begin);
      words[1] = Word(end - 8) >> (8 * (16 - size));
    } else if (size > 0 && end - text.data() >= 8) {
      words[0] = Word(end - 8) >> (8 * (8 - size));
      words[1] = 0;
    } else {
      words[0] = words[1] = 0;
      for (std::size_t i = 0; i < size; ++i)
        words[0] |= std::uint64_t{static_cast<unsigned char>(begin[i])} << (8 * i);
    }
  }
  // The high bits of a product, which every bit of both words reaches: names that differ
  // only in their last bytes, as "a1234" and "a1235", land apart.
  std::size_t SlotOf(const std::uint64_t (&words)[2]) const {
    const std::uint64_t h = (words[0] ^ (words[1] * 0xc2b2ae3d27d4eb4fULL)) * 0x9e3779b97f4a7c15ULL;
    return static_cast<std::size_t>(h >> shift_);
  }

  std::vector<Entry> entries_;  // open addressing, at most half full
  std::size_t mask_ = 0;
  unsigned shift_ = 64;  // 64 less the bits of a slot's number
};
