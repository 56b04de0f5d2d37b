#include "attributeclosure.h"

#include <algorithm>

AttributeClosure::AttributeClosure(const ResolvedDependencies& dependencies, std::size_t columns)
    : dependencies_(dependencies),
      usedBy_(columns),
      missing_(dependencies.size(), 0),
      missingStamp_(dependencies.size(), 0),
      stamp_(columns, 0) {
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    if (dependencies.Kind(j) != DependencyKind::kFunctional || !dependencies.Applies(j)) continue;
    for (Column c : dependencies.Left(j)) usedBy_[c].push_back(static_cast<std::uint32_t>(j));
  }
}

void AttributeClosure::Compute(const std::vector<Column>& start) { Compute(start, nullptr); }

void AttributeClosure::Compute(const std::vector<Column>& start,
                               const std::vector<std::uint8_t>* usable) {
  if (++round_ == 0) {  // after 2^32 rounds, old stamps could look current
    std::fill(stamp_.begin(), stamp_.end(), 0);
    std::fill(missingStamp_.begin(), missingStamp_.end(), 0);
    round_ = 1;
  }
  reached_.clear();
  for (Column c : start) Add(c);
  // reached_ grows as it is walked: each column reached is looked at once.
  for (std::size_t next = 0; next < reached_.size(); ++next) {
    for (std::uint32_t j : usedBy_[reached_[next]]) {
      if (usable != nullptr && (*usable)[j] == 0) continue;
      if (missingStamp_[j] != round_) {
        missingStamp_[j] = round_;
        missing_[j] = static_cast<std::uint32_t>(dependencies_.Left(j).size());
      }
      if (--missing_[j] != 0) continue;
      for (Column c : dependencies_.Right(j)) Add(c);
    }
  }
}

void AttributeClosure::Add(Column c) {
  if (stamp_[c] == round_) return;
  stamp_[c] = round_;
  reached_.push_back(c);
}
