#include "schema.h"

bool ResolvedDependencies::AllOfKind(DependencyKind kind) const {
  for (DependencyKind each : kinds_) {
    if (each != kind) return false;
  }
  return true;
}

void ResolvedDependencies::AddJoin(const std::vector<std::vector<Column>>& components) {
  joins_.emplace_back(static_cast<std::uint32_t>(kinds_.size()),
                      static_cast<std::uint32_t>(components_.size()));
  kinds_.push_back(DependencyKind::kJoin);
  sides_.Append({});
  sides_.Append({});
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
