#include "nearmisses.h"

#include <string>

#include "notation.h"

std::uint32_t NearMisses::Find(std::string_view name) {
  const std::string key = NearMissKey(name);
  if (key.empty()) return NamePool::kMissing;
  const std::uint32_t hash = NamePool::Hash(key);
  const NamePool::Found found = names_.FindWithCaseVariant(key, hash);
  // The first of the key's case, which the key itself may be.
  const std::uint32_t first =
      found.caseVariant != NamePool::kMissing ? found.caseVariant : found.exact;
  if (first == NamePool::kMissing || !names_.HasLaterVariants()) return first;
  IndexVariants();
  const std::uint32_t* least = firstOfCase_.Find(
      hash, [&](std::uint32_t at) { return NamePool::EqualButCase(names_[at], key); });
  return least != nullptr ? *least : first;
}

void NearMisses::IndexVariants() {
  if (indexed_) return;
  indexed_ = true;
  const auto hashOf = [&](std::uint32_t at) -> std::size_t { return NamePool::Hash(names_[at]); };
  names_.ForEachLaterVariant([&](std::uint32_t at) {
    const std::string_view variant = names_[at];
    const std::uint32_t hash = NamePool::Hash(variant);
    // The first of its case in position order, which the pool finds; then the least of all.
    const std::uint32_t first = names_.FindWithCaseVariant(variant, hash).caseVariant;
    const std::uint32_t least = variant < names_[first] ? at : first;
    const auto sameCase = [&](std::uint32_t stored) {
      return NamePool::EqualButCase(names_[stored], variant);
    };
    std::uint32_t* stored = firstOfCase_.Find(hash, sameCase);
    if (stored == nullptr) {
      firstOfCase_.FindOrInsert(hash, least, sameCase, hashOf, [](std::uint32_t) { return true; });
    } else if (names_[least] < names_[*stored]) {
      *stored = least;
    }
  });
}
