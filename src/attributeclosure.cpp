#include "attributeclosure.h"

#include <algorithm>

namespace {

constexpr std::size_t kFetchAhead = 16;

}  // namespace

AttributeClosure::AttributeClosure(const ResolvedDependencies& dependencies, std::size_t columns)
    : dependencies_(dependencies),
      usedByStart_(columns + 1, 0),
      missing_(dependencies.size(), Missing{0, 0}),
      stamp_(columns, 0) {
  const auto used = [&](std::size_t j) {
    return dependencies.Kind(j) == DependencyKind::kFunctional && dependencies.Applies(j);
  };
  // Counted, then placed: each column's dependencies in input order.
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    if (!used(j)) continue;
    for (Column c : dependencies.Left(j)) ++usedByStart_[c + 1];
  }
  for (std::size_t c = 0; c < columns; ++c) usedByStart_[c + 1] += usedByStart_[c];
  usedBy_.resize(usedByStart_[columns]);
  std::vector<std::size_t> next(usedByStart_.begin(), usedByStart_.end() - 1);
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    if (!used(j)) continue;
    for (Column c : dependencies.Left(j)) usedBy_[next[c]++] = static_cast<std::uint32_t>(j);
  }
}

void AttributeClosure::Compute(const std::vector<Column>& start) { Compute(start, nullptr); }

void AttributeClosure::Compute(const std::vector<Column>& start,
                               const std::vector<std::uint8_t>* usable) {
  if (++round_ == 0) {  // after 2^32 rounds, old stamps could look current
    std::fill(stamp_.begin(), stamp_.end(), 0);
    std::fill(missing_.begin(), missing_.end(), Missing{0, 0});
    round_ = 1;
  }
  reached_.clear();
  for (Column c : start) Add(c);
  std::size_t looked = 0;
  // reached_ grows as it is walked: each column reached is looked at once.
  for (std::size_t next = 0; next < reached_.size(); ++next) {
    const Column c = reached_[next];
    const std::size_t end = usedByStart_[c + 1];
    for (std::size_t at = usedByStart_[c]; at < end; ++at) {
      // A column of a million dependencies meets them far apart: fetched some ahead, their
      // misses of the cache overlap.
      if (at + kFetchAhead < end) __builtin_prefetch(&missing_[usedBy_[at + kFetchAhead]]);
      const std::uint32_t j = usedBy_[at];
      ++looked;
      if (usable != nullptr && (*usable)[j] == 0) continue;
      Missing& missing = missing_[j];
      if (missing.stamp != round_) {
        missing.stamp = round_;
        missing.count = static_cast<std::uint32_t>(dependencies_.Left(j).size());
      }
      if (--missing.count != 0) continue;
      // Each right-hand column is a step: a right-hand side of thousands of columns costs them.
      looked += dependencies_.Right(j).size();
      for (Column added : dependencies_.Right(j)) Add(added);
    }
  }
  work_ += looked + reached_.size();
}

void AttributeClosure::Add(Column c) {
  if (stamp_[c] == round_) return;
  stamp_[c] = round_;
  reached_.push_back(c);
}

bool ClosureHolds(const ResolvedDependencies& dependencies, std::size_t columns,
                  const std::vector<Column>& start, ColumnSpan target) {
  std::vector<std::uint8_t> in(columns, 0);
  std::vector<std::uint8_t> wanted(columns, 0);
  std::vector<Column> reached;
  std::size_t missing = 0;
  for (Column c : target) {
    missing += wanted[c] == 0 ? 1 : 0;
    wanted[c] = 1;
  }
  const auto add = [&](Column c) {
    if (in[c] != 0) return;
    in[c] = 1;
    reached.push_back(c);
    missing -= wanted[c];
  };
  for (Column c : start) add(c);
  constexpr int kPasses = 3;
  for (int pass = 0; pass < kPasses && missing != 0; ++pass) {
    const std::size_t before = reached.size();
    for (std::size_t j = 0; j < dependencies.size() && missing != 0; ++j) {
      if (dependencies.Kind(j) != DependencyKind::kFunctional || !dependencies.Applies(j)) continue;
      const ColumnSpan left = dependencies.Left(j);
      if (!std::all_of(left.begin(), left.end(), [&](Column c) { return in[c] != 0; })) continue;
      for (Column c : dependencies.Right(j)) add(c);
    }
    if (reached.size() == before) return missing == 0;  // a pass that added nothing: the end
  }
  if (missing == 0) return true;
  AttributeClosure closure(dependencies, columns);
  closure.Compute(reached);
  return closure.HoldsAll(target);
}
