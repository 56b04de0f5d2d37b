#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "columnbits.h"
#include "packedlists.h"
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
  // Starts from the distinguished cells of a tableau; dependencies must outlive the closure.
  DistinguishedClosure(ColumnBits distinguished, const ResolvedDependencies& dependencies);

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

  // The cells marked so far, the initial ones included.
  const ColumnBits& Cells() const { return cells_; }
  // The same, handed over: the closure is done with them.
  ColumnBits TakeCells() { return std::move(cells_); }

 private:
  // Applies dependency j once, and queues the dependencies that its new cells may enable.
  void Apply(std::size_t j);
  // Leaves in agreeing_ the rows distinguished in every left-hand column of dependency j;
  // returns whether there is one. Unless dense_, live_ then holds the words that hold one,
  // and every other word of agreeing_ is zero.
  bool FindAgreeingRows(std::size_t j);
  // Calls visit(w) for each word w of agreeing_ that may hold a row.
  template <typename Visit>
  void ForEachAgreeingWord(Visit visit) const {
    if (dense_) {
      for (std::size_t w = 0; w < agreeing_.size(); ++w) visit(w);
      return;
    }
    for (const std::uint32_t w : live_) visit(w);
  }
  std::size_t AgreeingWords() const { return dense_ ? agreeing_.size() : live_.size(); }
  // Queues dependency j unless it waits already; j must be able to mark cells.
  void Enqueue(std::size_t j);
  bool CanMark(std::size_t j) const {
    return dependencies_.Applies(j) && !dependencies_.Right(j).empty();
  }

  ColumnBits cells_;
  const ResolvedDependencies& dependencies_;
  // Per column, the dependencies that name it and can mark cells.
  PackedLists<std::uint32_t> uses_;
  bool IsQueued(std::size_t j) const { return (queued_[j / 64] >> (j % 64)) & 1; }
  void SetQueued(std::size_t j, bool queued) {
    const std::uint64_t bit = std::uint64_t{1} << (j % 64);
    queued_[j / 64] = queued ? queued_[j / 64] | bit : queued_[j / 64] & ~bit;
  }

  // First in, first out: a dependency waits while its columns gain more rows, so that one
  // application takes in many of them at once. First every dependency, in firstRound_ up to
  // firstRoundNext_; then those queued again, in queue_ from head_.
  // The first round goes in feeding order (FeedingOrder): a dependency comes after those that
  // give its left-hand columns cells, so that a chain is taken in at one pass, not a pass a link.
  std::vector<std::uint32_t> firstRound_;
  std::size_t firstRoundNext_ = 0;
  std::vector<std::uint32_t> queue_;
  std::size_t head_ = 0;
  std::vector<std::uint64_t> queued_;    // a bit per dependency: whether it waits
  std::vector<std::uint64_t> agreeing_;  // scratch: the rows distinguished on a left-hand side
  std::vector<std::uint32_t> live_;      // scratch: the words of agreeing_ that are not zero
  bool dense_ = true;                    // live_ is not kept: any word may hold a row
  std::size_t work_ = 0;                 // words read or written, and dependencies queued, so far
  std::size_t gain_ = 0;                 // of the cells marked so far
};
