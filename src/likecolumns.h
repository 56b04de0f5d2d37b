#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "index.h"
#include "schema.h"
#include "symbolclasses.h"

// Whether columns a and b have the same classes, cell by cell. labelIn: RowNo() rows, all
// kNoRow, and left so.
bool SameClasses(const SymbolClasses& classes, Column a, Column b, std::vector<Row>& labelIn);

// Which columns of a tableau group their rows alike: the same classes of two cells or more.
// Of such columns a left-hand side needs one to tell its rows apart. So a reader of its
// columns reads one of each first, and the rows those tell apart are dropped before the
// others are read; and two left-hand sides whose columns stand for the same ones group their
// rows alike, so a reader may keep what it found for one and give it for the other.
//
// A column's fingerprint, a 64-bit hash of its classes, is counted from its cells; a column
// stands for another with the same fingerprint only once their cells are compared, so what
// readers find never rests on a hash. Both are kept until one of the columns has a merge.
// Each costs a pass over the column's rows, paid for by the reading it spares: they are made
// only while the cells passed over stay within those that readers said they read (Earn), so
// they never more than double the reading. A column without them stands for itself alone.
class LikeColumns {
 public:
  // The columns of left: first, in left's order, the first of those that stand for each
  // column; then the others, in left's order. Valid until the next call, as Key() is.
  ColumnSpan Order(const SymbolClasses& classes, ColumnSpan left);
  // For the left of the last Order: the columns its columns stand for, ascending, each followed
  // by its merges so far. Two left-hand sides with equal keys group their rows alike, now and
  // for as long as they have these keys.
  const std::vector<std::uint32_t>& Key() const { return key_; }
  // cells were read that the columns standing for others may have spared.
  void Earn(std::size_t cells) { budget_ += cells; }

 private:
  // The column col stands for: itself when no other is known to group rows alike.
  Column StandsFor(const SymbolClasses& classes, Column col);
  // Whether col's fingerprint is up to date, counting it when the budget allows.
  bool Counted(const SymbolClasses& classes, Column col);
  // Whether spending the cost of a pass over the rows is within the budget; spends it if so.
  bool Spend(const SymbolClasses& classes);
  // The fingerprint of col's classes as they are now.
  std::uint64_t Fingerprint(const SymbolClasses& classes, Column col);
  // Starts over for a tableau other than the last one; what readers earned stays.
  void Reset(const SymbolClasses& classes);

  struct Entry {
    bool counted = false;
    bool compared = false;          // standsFor holds
    std::uint32_t merges = 0;       // the column's, when counted
    std::uint64_t fingerprint = 0;  // when counted
    Column standsFor{0};            // when compared
    std::uint32_t standsForMerges = 0;
  };
  std::uint64_t identity_ = 0;                               // of the tableau entries_ are of
  std::vector<Entry> entries_;                               // per column
  std::unordered_map<std::uint64_t, Column> byFingerprint_;  // a column with each
  std::size_t budget_ = 0;                                   // cells that may still be passed over
  std::vector<std::uint64_t> sums_;                          // per label: zero between fingerprints
  std::vector<Row> labelIn_;                                 // SameClasses'

  std::vector<std::uint32_t> orderSeen_;  // per column: the Order call that saw it stood for
  std::uint32_t orderNumber_ = 0;
  std::vector<Column> ordered_;
  std::vector<Column> repeated_;
  std::vector<std::uint32_t> key_;
};
