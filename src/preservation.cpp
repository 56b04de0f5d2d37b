#include "preservation.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "attributeclosure.h"

namespace {

// The growth of Z for one dependency: which sub-schemas Z has gained columns in since their
// closure was last taken, so that each is looked at again only then.
class PreservationTest {
 public:
  // Whether the test passed its work, and its answers are not to be used. Its work is the
  // closures' steps and its own: the columns of each sub-schema it grows Z through, and the
  // sub-schemas of each column Z gains.
  bool Exhausted() const { return closure_.Work() + steps_ > work_; }

  PreservationTest(const ResolvedInput& input, std::size_t work)
      : work_(work),
        input_(input),
        closure_(input.dependencies, input.columns),
        rowsOf_(input.columns),
        inZ_(input.columns, 0),
        onRight_(input.columns, 0),
        zCount_(input.RowNo(), 0),
        countAtClosure_(input.RowNo(), 0),
        queued_(input.RowNo(), 0) {
    // Sub-schemas of the same columns grow Z alike: only the first of them is met. A file of
    // ten thousand sub-schemas of one key would otherwise take a closure for each.
    std::unordered_set<std::vector<Column>, ColumnsHash> distinct;
    std::vector<Column> columns;
    for (std::size_t r = 0; r < input.RowNo(); ++r) {
      columns.assign(input.rowColumns[r].begin(), input.rowColumns[r].end());
      std::sort(columns.begin(), columns.end());
      if (!distinct.insert(columns).second) continue;
      for (Column c : input.rowColumns[r]) rowsOf_[c].push_back(static_cast<std::uint32_t>(r));
    }
  }

  bool Preserved(std::size_t j) {
    const ResolvedDependencies& dependencies = input_.dependencies;
    Reset();
    // The right-hand columns not yet in Z, counted down as Z gains them: a right-hand side of
    // thousands of columns is not counted again after each sub-schema.
    for (Column c : dependencies.Right(j)) {
      if (onRight_[c] == 0) ++missing_;
      onRight_[c] = 1;
    }
    steps_ += dependencies.Right(j).size();
    for (Column c : dependencies.Left(j)) AddToZ(c);
    while (missing_ != 0 && !queue_.empty() && !Exhausted()) {
      const std::uint32_t r = queue_.back();
      queue_.pop_back();
      queued_[r] = 0;
      countAtClosure_[r] = zCount_[r];
      GrowThrough(r);
    }
    for (Column c : dependencies.Right(j)) onRight_[c] = 0;
    return missing_ == 0;
  }

 private:
  // Z := Z ∪ ((Z ∩ Ri)+ ∩ Ri) for sub-schema r. A sub-schema of at most 64 columns keeps what
  // it gave for each part of it, by the bits of its columns: the dependencies ask about the
  // same parts again and again, and each closure walks the dependencies.
  void GrowThrough(std::uint32_t r) {
    const ColumnSpan row = input_.rowColumns[r];
    steps_ += row.size();
    if (row.size() > 64) {
      start_.clear();
      for (Column c : row) {
        if (inZ_[c] != 0) start_.push_back(c);
      }
      closure_.Compute(start_);
      for (Column c : row) {
        if (inZ_[c] == 0 && closure_.In(c)) AddToZ(c);
      }
      return;
    }
    std::uint64_t part = 0;
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (inZ_[row[i]] != 0) part |= std::uint64_t{1} << i;
    }
    const std::uint64_t grown = ClosureWithin(r, row, part);
    for (std::size_t i = 0; i < row.size(); ++i) {
      if ((grown & ~part) & (std::uint64_t{1} << i)) AddToZ(row[i]);
    }
  }

  // (part)+ ∩ Ri as bits of row's columns, remembered.
  std::uint64_t ClosureWithin(std::uint32_t r, ColumnSpan row, std::uint64_t part) {
    const auto found = known_.find({r, part});
    if (found != known_.end()) return found->second;
    start_.clear();
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (part & (std::uint64_t{1} << i)) start_.push_back(row[i]);
    }
    closure_.Compute(start_);
    std::uint64_t grown = 0;
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (closure_.In(row[i])) grown |= std::uint64_t{1} << i;
    }
    known_.emplace(std::make_pair(r, part), grown);
    return grown;
  }

  struct ColumnsHash {
    std::size_t operator()(const std::vector<Column>& columns) const {
      std::uint64_t hash = columns.size();
      for (Column c : columns) hash = (hash ^ c) * 0x9e3779b97f4a7c15u;
      return static_cast<std::size_t>(hash ^ (hash >> 32));
    }
  };

  struct PartHash {
    std::size_t operator()(const std::pair<std::uint32_t, std::uint64_t>& key) const {
      return std::hash<std::uint64_t>()(key.second * 0x9e3779b97f4a7c15u ^ key.first);
    }
  };

  void AddToZ(Column c) {
    if (inZ_[c] != 0) return;
    inZ_[c] = 1;
    z_.push_back(c);
    if (onRight_[c] != 0) --missing_;
    steps_ += rowsOf_[c].size();
    for (std::uint32_t r : rowsOf_[c]) {
      ++zCount_[r];
      if (queued_[r] == 0 && zCount_[r] > countAtClosure_[r]) {
        queued_[r] = 1;
        queue_.push_back(r);
      }
    }
  }

  // Clears what the last dependency touched: Z's columns, their sub-schemas' counts.
  void Reset() {
    for (Column c : z_) {
      inZ_[c] = 0;
      for (std::uint32_t r : rowsOf_[c]) zCount_[r] = countAtClosure_[r] = 0;
    }
    for (std::uint32_t r : queue_) queued_[r] = 0;
    z_.clear();
    queue_.clear();
    missing_ = 0;
  }

  const std::size_t work_;
  const ResolvedInput& input_;
  AttributeClosure closure_;
  std::vector<std::vector<std::uint32_t>> rowsOf_;  // per column, the sub-schemas that hold it
  std::vector<std::uint8_t> inZ_;
  std::vector<std::uint8_t> onRight_;  // the right-hand columns of the dependency tested
  std::size_t missing_ = 0;            // of them, those not in Z
  std::size_t steps_ = 0;              // the test's own work, beside the closures'
  std::vector<Column> z_;
  std::vector<std::uint32_t> zCount_;          // per sub-schema, |Z ∩ Ri|
  std::vector<std::uint32_t> countAtClosure_;  // |Z ∩ Ri| when its closure was last taken
  std::vector<std::uint8_t> queued_;
  std::vector<std::uint32_t> queue_;
  std::vector<Column> start_;
  std::unordered_map<std::pair<std::uint32_t, std::uint64_t>, std::uint64_t, PartHash> known_;
};

}  // namespace

std::optional<std::vector<std::size_t>> NotPreserved(const ResolvedInput& input, std::size_t work) {
  std::vector<std::size_t> notPreserved;
  const ResolvedDependencies& dependencies = input.dependencies;
  bool anyFunctional = false;
  for (std::size_t j = 0; j < dependencies.size() && !anyFunctional; ++j) {
    anyFunctional = dependencies.Kind(j) == DependencyKind::kFunctional && dependencies.Applies(j);
  }
  if (!anyFunctional) return notPreserved;
  PreservationTest test(input, work);
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    if (dependencies.Kind(j) != DependencyKind::kFunctional || !dependencies.Applies(j)) continue;
    if (!test.Preserved(j)) notPreserved.push_back(j);
    if (test.Exhausted()) return std::nullopt;
  }
  return notPreserved;
}
