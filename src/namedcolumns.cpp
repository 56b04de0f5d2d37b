#include "namedcolumns.h"

#include <cstdint>
#include <vector>

namespace {

// The named columns as a bit per column, and per word the named columns before it: a column's
// new number is a count, in a byte per eight columns, not a number per column.
class NamedSet {
 public:
  explicit NamedSet(std::size_t columns) : bits_((columns + 63) / 64, 0) {}

  void Mark(Column c) { bits_[c / 64] |= std::uint64_t{1} << (c % 64); }
  bool Has(Column c) const { return (bits_[c / 64] >> (c % 64)) & 1; }
  // After the last Mark: counts the named columns before each word.
  std::size_t Count() {
    before_.resize(bits_.size());
    std::uint32_t count = 0;
    for (std::size_t w = 0; w < bits_.size(); ++w) {
      before_[w] = count;
      count += static_cast<std::uint32_t>(__builtin_popcountll(bits_[w]));
    }
    return count;
  }
  // The new number of named column c: how many named columns come before it.
  Column NewNumber(Column c) const {
    const std::uint64_t lower = bits_[c / 64] & ((std::uint64_t{1} << (c % 64)) - 1);
    return Column(before_[c / 64] + static_cast<std::uint32_t>(__builtin_popcountll(lower)));
  }

 private:
  std::vector<std::uint64_t> bits_;
  std::vector<std::uint32_t> before_;
};

}  // namespace

std::optional<NamedColumnsInput> OnNamedColumns(const ResolvedInput& input) {
  const ResolvedDependencies& dependencies = input.dependencies;
  NamedSet named(input.ColNo());
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    if (!dependencies.Applies(j)) continue;
    for (const Column c : dependencies.Left(j)) named.Mark(c);
    for (const Column c : dependencies.Right(j)) named.Mark(c);
  }
  const std::size_t namedCount = named.Count();
  const std::size_t rest = input.ColNo() - namedCount;
  if (rest < namedCount || rest == 0) return std::nullopt;

  NamedColumnsInput result;
  const Column standIn(static_cast<std::uint32_t>(namedCount));
  result.input.columns = namedCount + 1;
  std::vector<Column> columns;
  for (std::size_t r = 0; r < input.RowNo(); ++r) {
    columns.clear();
    std::size_t restHeld = 0;
    for (const Column c : input.rowColumns[r]) {
      if (named.Has(c)) {
        columns.push_back(named.NewNumber(c));
      } else {
        ++restHeld;  // a row holds each column once
      }
    }
    if (restHeld == rest) {
      columns.push_back(standIn);
      ++result.rowsHoldingTheRest;
    }
    result.input.rowColumns.Append(columns);
  }
  std::vector<Column> left;
  std::vector<Column> right;
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    if (!dependencies.Applies(j)) continue;
    // Numbers kept in their order: a left-hand side stays sorted.
    left.clear();
    right.clear();
    for (const Column c : dependencies.Left(j)) left.push_back(named.NewNumber(c));
    for (const Column c : dependencies.Right(j)) right.push_back(named.NewNumber(c));
    result.input.dependencies.Add(dependencies.Kind(j), left, right);
  }
  return result;
}
