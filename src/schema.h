#pragma once

// The vocabulary that reading, the chase and the explanation share.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "math/matrix.h"

// Attribute names are byte strings taken verbatim from the input; equal bytes, same name.
using AttributeList = std::vector<std::string>;
using SchemaList = std::vector<AttributeList>;
// first: the left-hand sides, second: the right-hand sides; entry i of each is dependency i.
using DependencySet = std::pair<SchemaList, SchemaList>;
// One row per sub-schema, one column per attribute; 0 is the distinguished value, a
// positive value a non-distinguished symbol.
using Tableau = math::matrix<int>;

// A column of the tableau: the index of an attribute in the sorted attribute list.
using Column = std::uint32_t;

// A read-only view of consecutive columns.
class ColumnSpan {
 public:
  ColumnSpan(const Column* begin, const Column* end) : begin_(begin), end_(end) {}
  const Column* begin() const { return begin_; }
  const Column* end() const { return end_; }
  std::size_t size() const { return static_cast<std::size_t>(end_ - begin_); }
  bool empty() const { return begin_ == end_; }
  Column operator[](std::size_t i) const { return begin_[i]; }
  Column front() const { return *begin_; }

 private:
  const Column* begin_;
  const Column* end_;
};

// Lists of columns, stored back to back in one array: a million short lists cost a few
// bytes each, not an allocation each.
class ColumnLists {
 public:
  std::size_t size() const { return starts_.size() - 1; }
  ColumnSpan operator[](std::size_t i) const {
    return {columns_.data() + starts_[i], columns_.data() + starts_[i + 1]};
  }
  std::size_t ColumnCount() const { return columns_.size(); }
  // Appends a list; throws std::length_error past 2^32 - 1 columns in all.
  void Append(const std::vector<Column>& list);
  // Gives back the room that growing left unused.
  void ShrinkToFit() {
    columns_.shrink_to_fit();
    starts_.shrink_to_fit();
  }

 private:
  std::vector<Column> columns_;
  std::vector<std::uint32_t> starts_ = {0};
};

// The dependencies as columns, resolved once after reading. Dependency j's left-hand side
// is sorted and without repeats; its right-hand side keeps the order written, without
// repeats. A dependency that names an attribute of no sub-schema on its left-hand side never
// applies: its left-hand side is empty. Right-hand names of no sub-schema are left out.
class ResolvedDependencies {
 public:
  std::size_t size() const { return sides_.size() / 2; }
  ColumnSpan Left(std::size_t j) const { return sides_[2 * j]; }
  ColumnSpan Right(std::size_t j) const { return sides_[2 * j + 1]; }
  bool Applies(std::size_t j) const { return !Left(j).empty(); }
  // How many columns all the dependencies name together.
  std::size_t ColumnCount() const { return sides_.ColumnCount(); }
  void Add(const std::vector<Column>& left, const std::vector<Column>& right) {
    sides_.Append(left);
    sides_.Append(right);
  }
  void ShrinkToFit() { sides_.ShrinkToFit(); }

 private:
  ColumnLists sides_;
};

// The first row that holds only the distinguished value 0, or RowNo() when there is none.
// Decided cell by cell, not by a row sum, which could overflow on a large tableau.
std::uint32_t FirstDistinguishedRow(const Tableau& tableau);
