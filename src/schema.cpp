#include "schema.h"

#include <limits>
#include <stdexcept>

#include "memoryguard.h"

bool ResolvedDependencies::AllOfKind(DependencyKind kind) const {
  for (DependencyKind each : kinds_) {
    if (each != kind) return false;
  }
  return true;
}

void ResolvedDependencies::AddJoin(const std::vector<std::vector<Column>>& components) {
  joins_.emplace_back(static_cast<std::uint32_t>(kinds_.size()),
                      static_cast<std::uint32_t>(components_.size()));
  AddSides(DependencyKind::kJoin, {nullptr, nullptr}, {nullptr, nullptr});
  for (const std::vector<Column>& component : components) {
    assert(std::is_sorted(component.begin(), component.end()));
    components_.Append(component);
  }
}

std::vector<ColumnSpan> ResolvedDependencies::Components(std::size_t j) const {
  std::vector<ColumnSpan> components;
  if (kinds_[j] != DependencyKind::kJoin) return components;
  const auto at = std::lower_bound(joins_.begin(), joins_.end(), j,
                                   [](const std::pair<std::uint32_t, std::uint32_t>& join,
                                      std::size_t k) { return join.first < k; });
  assert(at != joins_.end() && at->first == j);
  const std::size_t end = at + 1 == joins_.end() ? components_.size() : (at + 1)->second;
  for (std::size_t i = at->second; i < end; ++i) components.push_back(components_[i]);
  return components;
}

std::vector<std::vector<Column>> ResolvedDependencies::JoinComponents(std::size_t j,
                                                                      std::size_t columns) const {
  std::vector<std::vector<Column>> components;
  if (kinds_[j] == DependencyKind::kJoin) {
    for (ColumnSpan component : Components(j))
      components.emplace_back(component.begin(), component.end());
  } else if (kinds_[j] == DependencyKind::kMultivalued) {
    std::vector<std::uint8_t> inLeft(columns, 0), inRight(columns, 0);
    for (Column c : Left(j)) inLeft[c] = 1;
    for (Column c : Right(j)) inRight[c] = 1;
    components.resize(2);
    for (Column c{0}; c < columns; ++c) {
      if (inLeft[c] || inRight[c]) components[0].push_back(c);
      if (inLeft[c] || !inRight[c]) components[1].push_back(c);
    }
  }
  return components;
}

void ResolvedDependencies::Reserve(std::size_t dependencies, std::size_t columns) {
  CheckMemoryFor(dependencies, sizeof(std::uint32_t) + 2);
  CheckMemoryFor(columns, sizeof(Column));
  kinds_.reserve(dependencies);
  starts_.reserve(dependencies + 1);
  leftSizes_.reserve(dependencies);
  columns_.reserve(columns);
}

std::size_t ResolvedDependencies::LongLeftSize(std::size_t j) const {
  const auto at = std::lower_bound(longLefts_.begin(), longLefts_.end(), j,
                                   [](const std::pair<std::uint32_t, std::uint32_t>& entry,
                                      std::size_t k) { return entry.first < k; });
  assert(at != longLefts_.end() && at->first == j);
  return at->second;
}

void ResolvedDependencies::AddSides(DependencyKind kind, ColumnSpan left, ColumnSpan right) {
  // Positions are 32 bits: only an input of more than 2^32 names comes near.
  const std::size_t more = left.size() + right.size();
  if (more > std::numeric_limits<std::uint32_t>::max() - columns_.size()) {
    throw std::length_error("too many attribute names in the input");
  }
  CheckGrowth(columns_, more);
  CheckGrowth(starts_);
  const auto j = static_cast<std::uint32_t>(kinds_.size());
  kinds_.push_back(kind);
  columns_.insert(columns_.end(), left.begin(), left.end());
  columns_.insert(columns_.end(), right.begin(), right.end());
  starts_.push_back(static_cast<std::uint32_t>(columns_.size()));
  if (left.size() < kLongLeft) {
    leftSizes_.push_back(static_cast<std::uint8_t>(left.size()));
  } else {
    leftSizes_.push_back(kLongLeft);
    longLefts_.emplace_back(j, static_cast<std::uint32_t>(left.size()));
  }
}

void ResolvedDependencies::Replace(const ResolvedDependencies& other) {
  kinds_.assign(other.kinds_.begin(), other.kinds_.end());
  columns_.assign(other.columns_.begin(), other.columns_.end());
  starts_.assign(other.starts_.begin(), other.starts_.end());
  leftSizes_.assign(other.leftSizes_.begin(), other.leftSizes_.end());
  longLefts_.assign(other.longLefts_.begin(), other.longLefts_.end());
  joins_.assign(other.joins_.begin(), other.joins_.end());
  components_ = other.components_;
}
