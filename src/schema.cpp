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
