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
  // The work of every closure so far: the dependencies looked at, their right-hand columns,
  // the columns reached.
  std::size_t Work() const { return work_; }

 private:
  void Add(Column c);

  const ResolvedDependencies& dependencies_;
  // For each column c, the functional dependencies whose left-hand side holds it:
  // usedBy_[usedByStart_[c]] to usedBy_[usedByStart_[c + 1]], one array for all, as a million
  // dependencies would otherwise make a million small allocations.
  std::vector<std::size_t> usedByStart_;
  std::vector<std::uint32_t> usedBy_;
  // Per dependency, its left-hand columns not yet reached, valid in the round of its stamp:
  // side by side, so that a dependency met costs one miss of the cache, not two, where a
  // million dependencies do not fit in it.
  struct Missing {
    std::uint32_t stamp;
    std::uint32_t count;
  };
  std::vector<Missing> missing_;
  std::vector<std::uint32_t> stamp_;  // per column: round_ when in the closure
  std::uint32_t round_ = 0;
  std::vector<Column> reached_;
  std::size_t work_ = 0;
};

// Whether the closure of start under the functional dependencies among dependencies holds every
// column of target. Whole passes over the dependencies in input order read them as they lie
// in memory and stop as soon as target is reached, which a dependency-discovery run's million
// dependencies allow in a pass or two; after a few passes that do not, AttributeClosure takes
// over from what they reached, linear however the dependencies are ordered.
bool ClosureHolds(const ResolvedDependencies& dependencies, std::size_t columns,
                  const std::vector<Column>& start, ColumnSpan target);
