#include "preservation.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <unordered_map>
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
        rowsOfStart_(input.columns + 1, 0),
        inZ_(input.columns, 0),
        onRight_(input.columns, 0),
        zCount_(input.RowNo(), 0),
        countAtClosure_(input.RowNo(), 0),
        queued_(input.RowNo(), 0) {
    // Sub-schemas of the same columns grow Z alike: only the first of them is met. A file of
    // ten thousand sub-schemas of one key would otherwise take a closure for each.
    std::vector<std::uint32_t> distinct = DistinctRows();
    // Per column, its sub-schemas, in one array: a list each would take a block of memory per
    // column, and a sub-schema may hold millions of them.
    for (std::uint32_t r : distinct) {
      for (Column c : input.rowColumns[r]) ++rowsOfStart_[c + 1];
    }
    for (std::size_t c = 0; c < input.columns; ++c) rowsOfStart_[c + 1] += rowsOfStart_[c];
    rowsOf_.resize(rowsOfStart_[input.columns]);
    std::vector<std::uint32_t> next(rowsOfStart_.begin(), rowsOfStart_.end() - 1);
    for (std::uint32_t r : distinct) {
      for (Column c : input.rowColumns[r]) rowsOf_[next[c]++] = r;
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

  // The sub-schemas, ascending, but for those of the same columns as an earlier one. Found by
  // a hash of the columns that their order does not change, so that a sub-schema of millions
  // of columns is not copied or sorted unless another has its hash.
  std::vector<std::uint32_t> DistinctRows() const {
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> byHash;
    std::vector<std::uint32_t> distinct;
    for (std::size_t r = 0; r < input_.RowNo(); ++r) {
      std::uint64_t hash = input_.rowColumns[r].size();
      for (Column c : input_.rowColumns[r])
        hash += (std::uint64_t{c} + 1) * 0x9e3779b97f4a7c15u >> 7;
      std::vector<std::uint32_t>& alike = byHash[hash];
      const auto r32 = static_cast<std::uint32_t>(r);
      if (std::any_of(alike.begin(), alike.end(),
                      [&](std::uint32_t a) { return SameColumns(a, r32); }))
        continue;
      alike.push_back(r32);
      distinct.push_back(r32);
    }
    return distinct;
  }

  bool SameColumns(std::uint32_t a, std::uint32_t b) const {
    const ColumnSpan first = input_.rowColumns[a];
    const ColumnSpan second = input_.rowColumns[b];
    if (first.size() != second.size()) return false;
    std::vector<Column> x(first.begin(), first.end());
    std::vector<Column> y(second.begin(), second.end());
    std::sort(x.begin(), x.end());
    std::sort(y.begin(), y.end());
    return x == y;
  }

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
    steps_ += rowsOfStart_[c + 1] - rowsOfStart_[c];
    for (std::uint32_t r : RowsOf(c)) {
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
      for (std::uint32_t r : RowsOf(c)) zCount_[r] = countAtClosure_[r] = 0;
    }
    for (std::uint32_t r : queue_) queued_[r] = 0;
    z_.clear();
    queue_.clear();
    missing_ = 0;
  }

  const std::size_t work_;
  const ResolvedInput& input_;
  AttributeClosure closure_;
  // Per column c, the sub-schemas that hold it: rowsOf_[rowsOfStart_[c]] up to
  // rowsOf_[rowsOfStart_[c + 1]].
  Span<std::uint32_t> RowsOf(Column c) const {
    return {rowsOf_.data() + rowsOfStart_[c], rowsOf_.data() + rowsOfStart_[c + 1]};
  }
  std::vector<std::uint32_t> rowsOfStart_;
  std::vector<std::uint32_t> rowsOf_;
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
