#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "index.h"
#include "symbolclasses.h"

// Whether the classes of one column lie within those of another, as the cells are now: every
// two rows of one class of column x are of one class of column t. Then x determines t on the
// tableau, and two rows that agree on a left-hand side that holds x are one class in t already.
//
// A finding is remembered until either column has a merge, so that thousands of left-hand sides
// that hold x ask it at the cost of a lookup. Working it out reads the rows x shares once.
class Refinements {
 public:
  bool Refines(const SymbolClasses& classes, Column x, Column t);

 private:
  struct Finding {
    std::uint32_t mergesInX;
    std::uint32_t mergesInT;
    bool refines;
  };
  bool WorkOut(const SymbolClasses& classes, Column x, Column t);

  std::uint64_t identity_ = 0;                           // the classes the findings are about
  std::unordered_map<std::uint64_t, Finding> findings_;  // by x and t
  std::vector<Row> imageOf_;                             // scratch: per label of x, one of t
  std::vector<Row> labelsSeen_;                          // scratch: the labels of x met
};
