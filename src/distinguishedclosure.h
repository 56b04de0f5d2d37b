#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "schema.h"

// The distinguished cells that the chase must reach through rows that agree on distinguished
// cells alone.
//
// Rows that are distinguished in every left-hand column of a dependency agree there, so the
// chase makes them equal in each right-hand column; when one of them is distinguished there,
// all of them become so. Applying that rule alone, with a bit per cell kept column by column,
// works on 64 rows at a time, and on large inputs it reaches nearly every distinguished cell
// of the final tableau in a small part of the chase's time.
//
// It marks only cells that the chase makes distinguished too. So a row it finds all
// distinguished decides the verdict (lossless); otherwise its cells may start the chase
// distinguished, which then ends with the same tableau as from the initial one.
class DistinguishedClosure {
 public:
  using Row = std::uint32_t;
  static constexpr Row kNone = static_cast<Row>(-1);

  // The initial tableau: row r is distinguished in the columns rowColumns[r]. Both arguments
  // must outlive the closure.
  DistinguishedClosure(std::size_t rows, std::size_t cols, const ColumnLists& rowColumns,
                       const ResolvedDependencies& dependencies);

  // Applies the rule until nothing changes, or sooner: with stopAtAllDistinguishedRow, once
  // some row is all distinguished; after reading or writing about wordBudget 64-bit words;
  // and, with wordsPerGain, once a stretch of its work after every dependency was applied
  // once (from one doubling of the work to the next) spent more than that many words per
  // gain. A marked cell gains one, plus one per dependency that names its column: about what
  // the cell would cost the chase, which does better below such a yield. Returns false when
  // it stopped at the budget or for the yield. Either way every marked cell is one the chase
  // makes distinguished.
  bool Run(std::size_t wordBudget, bool stopAtAllDistinguishedRow, std::size_t wordsPerGain = 0);

  // Whether the marked cells, with every other cell a symbol of its own, are a tableau that
  // no dependency changes. Then it is the chase's final tableau, wherever Run stopped: it
  // holds the initial one, and the chase makes all of it so.
  bool IsChaseFixpoint();

  bool IsDistinguished(Row row, Column col) const {
    return (bits_[col * words_ + row / 64] >> (row % 64)) & 1;
  }
  // The first row marked distinguished in every column, or kNone.
  Row AllDistinguishedRow() const;
  // Calls visit(row) for every row marked distinguished in col, in ascending order.
  template <typename Visit>
  void ForEachDistinguished(Column col, Visit visit) const;

 private:
  // Applies dependency j once, and queues the dependencies that its new cells may enable.
  void Apply(std::size_t j);
  // Leaves in agreeing_ the rows distinguished in every left-hand column of dependency j;
  // returns whether there is one.
  bool FindAgreeingRows(std::size_t j);
  // Queues dependency j unless it waits already; j must be able to mark cells.
  void Enqueue(std::size_t j);
  bool CanMark(std::size_t j) const {
    return dependencies_.Applies(j) && !dependencies_.Right(j).empty();
  }

  std::size_t rows_;
  std::size_t cols_;
  std::size_t words_;  // 64-bit words per column
  const ResolvedDependencies& dependencies_;
  std::vector<std::uint64_t> bits_;  // column by column, a bit per row
  // Per column, the dependencies that name it and can mark cells, back to back.
  std::vector<std::uint32_t> usesBegin_;
  std::vector<std::uint32_t> uses_;
  // First in, first out: a dependency waits while its columns gain more rows, so that one
  // application takes in many of them at once.
  std::vector<std::uint32_t> queue_;
  std::size_t head_ = 0;
  std::vector<std::uint8_t> queued_;
  std::vector<std::uint64_t> agreeing_;  // scratch: the rows distinguished on a left-hand side
  std::size_t work_ = 0;                 // words read or written, and dependencies queued, so far
  std::size_t gain_ = 0;                 // of the cells marked so far
};

template <typename Visit>
void DistinguishedClosure::ForEachDistinguished(Column col, Visit visit) const {
  const std::uint64_t* column = &bits_[col * words_];
  for (std::size_t w = 0; w < words_; ++w) {
    for (std::uint64_t word = column[w]; word != 0; word &= word - 1) {
      visit(static_cast<Row>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(word))));
    }
  }
}
