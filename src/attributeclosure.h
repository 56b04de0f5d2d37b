#pragma once

// The closure of a set of attributes under functional dependencies: every attribute that the
// set determines. Linear in the size of the dependencies, as Beeri and Bernstein compute it
// (1979): each dependency counts the columns of its left-hand side not yet in the closure,
// and gives its right-hand side when the count reaches 0.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "index.h"
#include "schema.h"

class AttributeClosure {
 public:
  // The functional dependencies among dependencies, over columns attributes; the others are
  // not used. dependencies must outlive the closure.
  AttributeClosure(const ResolvedDependencies& dependencies, std::size_t columns);

  // Computes the closure of start; In tells what it holds until the next call. Costs what the
  // dependencies that it reaches name, not all of them: a small closure is quick.
  void Compute(const std::vector<Column>& start);
  // The same, but only the dependencies marked in usable count (one flag per dependency).
  void Compute(const std::vector<Column>& start, const std::vector<std::uint8_t>* usable);
  bool In(Column c) const { return stamp_[c] == round_; }
  // Whether every column of columns is in the closure.
  template <typename Columns>
  bool HoldsAll(const Columns& columns) const {
    for (Column c : columns) {
      if (!In(c)) return false;
    }
    return true;
  }
  // The columns of the closure, in the order reached.
  const std::vector<Column>& Columns() const { return reached_; }

 private:
  void Add(Column c);

  const ResolvedDependencies& dependencies_;
  // For each column, the functional dependencies whose left-hand side holds it.
  std::vector<std::vector<std::uint32_t>> usedBy_;
  std::vector<std::uint32_t> missing_;  // per dependency, left-hand columns not yet reached
  std::vector<std::uint32_t> missingStamp_;
  std::vector<std::uint32_t> stamp_;  // per column: round_ when in the closure
  std::uint32_t round_ = 0;
  std::vector<Column> reached_;
};
