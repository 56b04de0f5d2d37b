#include "preservation.h"

#include <cstdint>

#include "attributeclosure.h"

namespace {

// The growth of Z for one dependency: which sub-schemas Z has gained columns in since their
// closure was last taken, so that each is looked at again only then.
class PreservationTest {
 public:
  explicit PreservationTest(const ResolvedInput& input)
      : input_(input),
        closure_(input.dependencies, input.columns),
        rowsOf_(input.columns),
        inZ_(input.columns, 0),
        zCount_(input.RowNo(), 0),
        countAtClosure_(input.RowNo(), 0),
        queued_(input.RowNo(), 0) {
    for (std::size_t r = 0; r < input.RowNo(); ++r) {
      for (Column c : input.rowColumns[r]) rowsOf_[c].push_back(static_cast<std::uint32_t>(r));
    }
  }

  bool Preserved(std::size_t j) {
    const ResolvedDependencies& dependencies = input_.dependencies;
    Reset();
    for (Column c : dependencies.Left(j)) AddToZ(c);
    std::size_t missing = 0;
    for (Column c : dependencies.Right(j)) missing += inZ_[c] == 0 ? 1 : 0;
    while (missing != 0 && !queue_.empty()) {
      const std::uint32_t r = queue_.back();
      queue_.pop_back();
      queued_[r] = 0;
      countAtClosure_[r] = zCount_[r];
      start_.clear();
      for (Column c : input_.rowColumns[r]) {
        if (inZ_[c] != 0) start_.push_back(c);
      }
      closure_.Compute(start_);
      for (Column c : input_.rowColumns[r]) {
        if (inZ_[c] == 0 && closure_.In(c)) AddToZ(c);
      }
      missing = 0;
      for (Column c : dependencies.Right(j)) missing += inZ_[c] == 0 ? 1 : 0;
    }
    return missing == 0;
  }

 private:
  void AddToZ(Column c) {
    inZ_[c] = 1;
    z_.push_back(c);
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
  }

  const ResolvedInput& input_;
  AttributeClosure closure_;
  std::vector<std::vector<std::uint32_t>> rowsOf_;  // per column, the sub-schemas that hold it
  std::vector<std::uint8_t> inZ_;
  std::vector<Column> z_;
  std::vector<std::uint32_t> zCount_;          // per sub-schema, |Z ∩ Ri|
  std::vector<std::uint32_t> countAtClosure_;  // |Z ∩ Ri| when its closure was last taken
  std::vector<std::uint8_t> queued_;
  std::vector<std::uint32_t> queue_;
  std::vector<Column> start_;
};

}  // namespace

std::vector<std::size_t> NotPreserved(const ResolvedInput& input) {
  std::vector<std::size_t> notPreserved;
  const ResolvedDependencies& dependencies = input.dependencies;
  bool anyFunctional = false;
  for (std::size_t j = 0; j < dependencies.size() && !anyFunctional; ++j) {
    anyFunctional = dependencies.Kind(j) == DependencyKind::kFunctional && dependencies.Applies(j);
  }
  if (!anyFunctional) return notPreserved;
  PreservationTest test(input);
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    if (dependencies.Kind(j) != DependencyKind::kFunctional || !dependencies.Applies(j)) continue;
    if (!test.Preserved(j)) notPreserved.push_back(j);
  }
  return notPreserved;
}
