#include "jointree.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

constexpr std::size_t kNone = SIZE_MAX;

// The GYO reduction, driven by a list of components to look at: a component can become an
// ear only when it loses an attribute, so only then is it looked at again.
class Reduction {
 public:
  Reduction(const std::vector<std::vector<Column>>& components, std::size_t cols)
      : components_(components),
        holdersOf_(cols),
        holders_(cols, 0),
        remaining_(components.size()),
        alive_(components.size(), 1),
        parent_(components.size(), kNone) {
    for (std::size_t e = 0; e < components.size(); ++e) {
      remaining_[e].assign(components[e].size(), 1);
      for (Column c : components[e]) {
        holdersOf_[c].push_back(e);
        ++holders_[c];
      }
    }
  }

  // Reduces as far as it goes; whether at most one component is left.
  bool Run() {
    std::size_t left = components_.size();
    std::vector<std::size_t> toLook(components_.size());
    for (std::size_t e = 0; e < toLook.size(); ++e) toLook[e] = toLook.size() - 1 - e;
    for (std::size_t e = 0; e < components_.size(); ++e) DropLoneAttributes(e);
    while (!toLook.empty() && left > 1) {
      const std::size_t e = toLook.back();
      toLook.pop_back();
      if (!alive_[e]) continue;
      const std::size_t parent = Container(e);
      if (parent == kNone) continue;
      Remove(e, parent, toLook);
      --left;
    }
    return left <= 1;
  }

  std::size_t Parent(std::size_t e) const { return parent_[e]; }

  // Per component, the attributes of it and of the components under it in the tree, a bit
  // each: children are removed before their parents, so one pass in that order gathers them.
  std::vector<std::vector<std::uint64_t>> SubtreeAttributes() const {
    const std::size_t words = (holders_.size() + 63) / 64;
    std::vector<std::vector<std::uint64_t>> below(components_.size(),
                                                  std::vector<std::uint64_t>(words, 0));
    for (std::size_t e = 0; e < components_.size(); ++e) {
      for (Column c : components_[e]) below[e][c / 64] |= std::uint64_t{1} << (c % 64);
    }
    for (std::size_t e : removed_) {
      for (std::size_t w = 0; w < words; ++w) below[parent_[e]][w] |= below[e][w];
    }
    return below;
  }

 private:
  // Whether live component f still holds attribute c.
  bool Holds(std::size_t f, Column c) const {
    const std::vector<Column>& component = components_[f];
    const auto at = std::lower_bound(component.begin(), component.end(), c);
    return at != component.end() && *at == c &&
           remaining_[f][static_cast<std::size_t>(at - component.begin())];
  }

  // Drops from e the attributes that no other live component holds; whether it dropped one.
  bool DropLoneAttributes(std::size_t e) {
    bool dropped = false;
    for (std::size_t i = 0; i < components_[e].size(); ++i) {
      const Column c = components_[e][i];
      if (remaining_[e][i] && holders_[c] == 1) {
        remaining_[e][i] = 0;
        holders_[c] = 0;
        dropped = true;
      }
    }
    return dropped;
  }

  // Another live component that holds what remains of e, or kNone. It must hold e's first
  // remaining attribute; when none remains, any other live component does.
  std::size_t Container(std::size_t e) const {
    const std::vector<Column>& component = components_[e];
    std::size_t first = 0;
    while (first < component.size() && !remaining_[e][first]) ++first;
    if (first == component.size()) return AnyOtherLive(e);
    for (std::size_t f : holdersOf_[component[first]]) {
      if (f == e || !alive_[f]) continue;
      bool holds = true;
      for (std::size_t i = first; i < component.size() && holds; ++i)
        holds = !remaining_[e][i] || Holds(f, component[i]);
      if (holds) return f;
    }
    return kNone;
  }

  std::size_t AnyOtherLive(std::size_t e) const {
    for (std::size_t f = 0; f < alive_.size(); ++f) {
      if (f != e && alive_[f]) return f;
    }
    return kNone;
  }

  // Hangs e under parent; an attribute that only one live component then holds is dropped
  // from it, and that component is looked at again.
  void Remove(std::size_t e, std::size_t parent, std::vector<std::size_t>& toLook) {
    alive_[e] = 0;
    parent_[e] = parent;
    removed_.push_back(e);
    for (std::size_t i = 0; i < components_[e].size(); ++i) {
      if (!remaining_[e][i]) continue;
      const Column c = components_[e][i];
      if (--holders_[c] != 1) continue;
      for (std::size_t f : holdersOf_[c]) {
        if (alive_[f] && DropLoneAttributes(f)) toLook.push_back(f);
      }
    }
  }

  const std::vector<std::vector<Column>>& components_;
  std::vector<std::vector<std::size_t>> holdersOf_;  // per attribute: the components with it
  std::vector<std::size_t> holders_;  // per attribute: the live components that still hold it
  std::vector<std::vector<std::uint8_t>> remaining_;  // per component and position
  std::vector<std::uint8_t> alive_;
  std::vector<std::size_t> parent_;
  std::vector<std::size_t> removed_;  // in the order removed
};

}  // namespace

std::optional<std::vector<MultivaluedDependency>> JoinTreeDependencies(
    const std::vector<std::vector<Column>>& components, std::size_t cols) {
  Reduction reduction(components, cols);
  if (!reduction.Run()) return std::nullopt;
  const std::vector<std::vector<std::uint64_t>> below = reduction.SubtreeAttributes();
  std::vector<MultivaluedDependency> dependencies;
  for (std::size_t e = 0; e < components.size(); ++e) {
    const std::size_t parent = reduction.Parent(e);
    if (parent == kNone) continue;
    MultivaluedDependency edge;
    std::set_intersection(components[e].begin(), components[e].end(), components[parent].begin(),
                          components[parent].end(), std::back_inserter(edge.left));
    for (Column c{0}; c < cols; ++c) {
      if (((below[e][c / 64] >> (c % 64)) & 1) != 0 &&
          !std::binary_search(edge.left.begin(), edge.left.end(), c))
        edge.right.push_back(c);
    }
    dependencies.push_back(std::move(edge));
  }
  return dependencies;
}
