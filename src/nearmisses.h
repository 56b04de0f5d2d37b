#pragma once

#include <cstdint>
#include <string_view>

#include "namepool.h"
#include "probingtable.h"

// The attribute that a name of no sub-schema may have meant: one that differs from it only in
// the case of ASCII letters or in blanks at the name's ends, and has none at its own (one with
// them is a slip of its own, warned about where it is written); of several, the first in byte
// order, whatever order the columns are in.
//
// The pool finds the first attribute of a case at one look. Only when the input holds later
// case variants are they indexed, once, each case by the first of them in byte order: a file
// of millions of attributes and a few unknown names takes a look per name, not a copy of every
// name.
class NearMisses {
 public:
  // names must outlive the object and stay as they are.
  explicit NearMisses(const NamePool& names) : names_(names) {}

  // The position of the attribute that name may have meant, or NamePool::kMissing.
  std::uint32_t Find(std::string_view name);

 private:
  // Indexes every case that later variants share with an earlier name, by the first of them
  // in byte order.
  void IndexVariants();

  const NamePool& names_;
  ProbingTable<std::uint32_t> firstOfCase_{NamePool::kMissing};
  bool indexed_ = false;
};
