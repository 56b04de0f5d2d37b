#pragma once

// The vocabulary that reading, the engines and the explanation share.

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "index.h"
#include "math/matrix.h"
#include "packedlists.h"

// Attribute names are byte strings taken verbatim from the input; equal bytes, same name.
using AttributeList = std::vector<std::string>;
using SchemaList = std::vector<AttributeList>;
// first: the left-hand sides, second: the right-hand sides; entry i of each is dependency i.
using DependencySet = std::pair<SchemaList, SchemaList>;
// One row per sub-schema, one column per attribute; 0 is the distinguished value, a
// positive value a non-distinguished symbol.
using Tableau = math::matrix<int>;

using ColumnSpan = Span<Column>;
using ColumnLists = PackedLists<Column>;

// What a dependency says, and so which engine can decide with it.
enum class DependencyKind : std::uint8_t {
  kFunctional,   // rows that agree on the left-hand side agree on the right-hand side
  kMultivalued,  // X->>Y: rows t, u that agree on X give the row of t on X,Y and of u elsewhere
  kJoin,         // *(R1|...|Rk): the relation is the join of its projections on the Ri
};

// The dependencies as columns, resolved once after reading. Dependency j's left-hand side
// is sorted and without repeats; its right-hand side keeps the order written, without
// repeats. A dependency that names an attribute of no sub-schema on its left-hand side never
// applies: its left-hand side is empty. Right-hand names of no sub-schema are left out.
class ResolvedDependencies {
 public:
  std::size_t size() const { return kinds_.size(); }
  DependencyKind Kind(std::size_t j) const { return kinds_[j]; }
  ColumnSpan Left(std::size_t j) const {
    const Column* begin = columns_.data() + starts_[j];
    return {begin, begin + LeftSize(j)};
  }
  ColumnSpan Right(std::size_t j) const {
    return {columns_.data() + starts_[j] + LeftSize(j), columns_.data() + starts_[j + 1]};
  }
  bool Applies(std::size_t j) const { return leftSizes_[j] != 0; }
  // Whether every dependency is of kind.
  bool AllOfKind(DependencyKind kind) const;
  // How many columns all the dependencies name together.
  std::size_t ColumnCount() const { return columns_.size(); }
  // A join dependency's components, each sorted and without repeats; none for other kinds,
  // and none for a join dependency that is ignored.
  std::vector<ColumnSpan> Components(std::size_t j) const;
  // The components whose rows a step of dependency j combines, over columns attributes: a join
  // dependency's own; X->>Y's are X and Y, then X and every column outside Y. None for a
  // functional dependency.
  std::vector<std::vector<Column>> JoinComponents(std::size_t j, std::size_t columns) const;
  // REQUIRES: left is sorted, without repeats; kind is not kJoin.
  void Add(DependencyKind kind, ColumnSpan left, ColumnSpan right) {
    assert(kind != DependencyKind::kJoin);
    assert(std::adjacent_find(left.begin(), left.end(), std::greater_equal<Column>()) ==
           left.end());
    AddSides(kind, left, right);
  }
  void Add(DependencyKind kind, const std::vector<Column>& left, const std::vector<Column>& right) {
    Add(kind, SpanOf(left), SpanOf(right));
  }
  // A join dependency, with empty sides. REQUIRES: each component sorted, without repeats.
  void AddJoin(const std::vector<std::vector<Column>>& components);
  // Room for dependencies that name columns in all, before any is added.
  void Reserve(std::size_t dependencies, std::size_t columns);
  // Becomes a copy of other in the room it has: memory already touched is written again
  // rather than taken anew.
  void Replace(const ResolvedDependencies& other);

 private:
  // A left-hand side this long or longer has its length in longLefts_.
  static constexpr std::uint8_t kLongLeft = UINT8_MAX;

  std::size_t LeftSize(std::size_t j) const {
    return leftSizes_[j] != kLongLeft ? leftSizes_[j] : LongLeftSize(j);
  }
  std::size_t LongLeftSize(std::size_t j) const;
  static ColumnSpan SpanOf(const std::vector<Column>& columns) {
    return {columns.data(), columns.data() + columns.size()};
  }
  void AddSides(DependencyKind kind, ColumnSpan left, ColumnSpan right);

  // Ten million mined dependencies are read at once: a dependency takes 6 bytes besides its
  // columns.
  std::vector<DependencyKind> kinds_;
  std::vector<Column> columns_;              // per dependency, its left-hand side, then its right
  std::vector<std::uint32_t> starts_ = {0};  // dependency j's columns start at starts_[j]
  std::vector<std::uint8_t> leftSizes_;      // how many are on the left, up to kLongLeft
  // The dependencies with kLongLeft columns or more on the left, in order, and that number.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> longLefts_;
  // The join dependencies, few in any input: the dependency, and its first component in
  // components_; its last is before the next one's first.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> joins_;
  ColumnLists components_;
};

// The input as the engines see it: the tableau's shape, the columns each row starts
// distinguished in, and the dependencies as columns.
struct ResolvedInput {
  std::size_t RowNo() const { return rowColumns.size(); }
  std::size_t ColNo() const { return columns; }

  std::size_t columns = 0;  // the attributes of the universe
  ColumnLists rowColumns;   // per sub-schema, the columns of its names, in the order written
  ResolvedDependencies dependencies;
};
