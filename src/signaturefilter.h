#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_set>
#include <vector>

#include "columnranks.h"
#include "index.h"
#include "likecolumns.h"
#include "schema.h"
#include "symbolclasses.h"

// Of a group's rows, drops those whose labels on its left-hand side no other of the rows
// shares: they agree with none. It reads the left-hand columns one at a time for the rows
// still kept, and at the 2nd, 4th, 8th, ... column and the last it drops the rows whose labels
// so far are unlike every other's; so rows that two columns already tell apart cost two
// columns, not the whole side, and no order of the columns costs more than the whole side and
// a count per doubling.
//
// Columns that group their rows alike (LikeColumns) are read after one of each: rows that such
// columns tell apart are then dropped at a count before the others are read. A column whose
// shared cells are one class is not read at all: its bits say which rows are alone in it.
//
// Labels are compared through a 64-bit key each row accumulates: a row is dropped only when
// its key is unique, so a row kept may still agree with none (two keys alike by chance), but
// a row dropped never agrees with another.
class SignatureFilter {
 public:
  // Keys of keyBits bits: tests give few, so that rows with unlike labels share keys, as
  // 64-bit keys almost never make them.
  // directKeys: FilterAll reads sides of few classes by exact keys; tests turn it off to reach
  // the hashed keys with the same inputs.
  explicit SignatureFilter(int keyBits = 64, bool directKeys = true)
      : keyMask_(keyBits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << keyBits) - 1),
        directKeys_(directKeys) {}

  // Keeps in rows, in their order, those that may agree with another of them on every column
  // of left.
  void Filter(const SymbolClasses& classes, ColumnSpan left, std::vector<Row>& rows);

  // The same for every row of the tableau, into rows, ascending. While most rows are kept, it
  // reads the columns whole, a cell after the other with no list of rows to follow, which
  // costs a fraction of a look at a listed row; so it suits a side whose rows are mostly
  // candidates. Its first count is at the 4th column, as a whole column costs less than a
  // count. What it keeps for a side it gives again for a side whose columns group the rows
  // alike, as long as they do (thousands of sides may name a few such sets of columns).
  void FilterAll(const SymbolClasses& classes, ColumnSpan left, std::vector<Row>& rows);

  // After Filter or FilterAll, per row kept, a hash of its labels on the side: rows that agree
  // have the same, so a look at them may take it for theirs.
  std::uint32_t HashOfKept(std::size_t k) const {
    return static_cast<std::uint32_t>((keys_[k] * 0x9e3779b97f4a7c15ULL) >> 32);
  }
  // After Filter or FilterAll, per row kept, the place among those kept of the first row with
  // its key (its own when it is the first). Rows with one key agree but for a chance: a look
  // may meet each with the first of its key, and compare their labels only where that
  // changes something. Exact keys give them as they are counted.
  const std::vector<std::uint32_t>& FirstsOfKept();
  // After Filter or FilterAll, whether every row kept agrees with every other, exactly: every
  // column of the side has one class of shared cells, and the rows alone in one were dropped.
  bool KeptAllAgree() const { return telling_.empty(); }
  // After Filter or FilterAll, whether kept rows of one key agree, exactly: their keys were
  // made of their classes' numbers, not hashed.
  bool KeysAreExact() const { return keysExact_; }
  // After Filter or FilterAll, whether kept rows a and b agree on every column of the side,
  // exactly: the columns whose shared cells are one class by their bits, the others by their
  // labels.
  bool Agree(const SymbolClasses& classes, Row a, Row b) const;

 private:
  // A count of FilterByRanks' table, directCounts_.
  using DirectCount = std::uint8_t;

  // Reads the columns of left from the first on for the rows listed (keys_ alike), counting
  // at nextCount columns and every doubling of it.
  void FilterFrom(const SymbolClasses& classes, ColumnSpan left, std::size_t first,
                  std::size_t nextCount, std::vector<Row>& rows);
  // Keeps rows and keys_ as FilterAll's for the last key, within a bound.
  void Remember(const std::vector<Row>& rows, std::size_t rowCount);
  // The columns of left whose labels are read, into telling_: those with two shared classes
  // or more. With markAlone, the rows alone in one of the others go into alone_: they agree
  // with no row; without, alone_ holds none.
  ColumnSpan TellingColumns(const SymbolClasses& classes, ColumnSpan left, bool markAlone);
  // Adds to alone_ the rows whose bit in the words of a column of Shared() is clear.
  void MarkAlone(const std::uint64_t* sharedWords);
  // Keeps in rows, ascending, every row alone in no column of the side, when no column is read.
  void KeepAllButAlone(std::size_t rowCount, std::vector<Row>& rows);
  bool IsAlone(Row r) const { return (alone_[r / 64] >> (r % 64)) & 1; }
  // FilterAll for a side whose telling columns have few classes: the product of their numbers
  // of classes, each with one more for the rows alone, at most kMostDirectKeys, or, for a side
  // of up to kMostNumberedColumns, so many that Renumber between columns keeps the keys within
  // it. A row's key is its classes' numbers (ColumnRanks) as the digits of a mixed radix,
  // exact, and a table indexed by the key counts the rows: no hash, no comparison. Returns
  // false, doing nothing, for other sides.
  bool FilterByRanks(const SymbolClasses& classes, ColumnSpan telling, std::vector<Row>& rows);
  // Numbers FilterByRanks' keys so far, below keyBound, again from 0, in the order their rows
  // come: rows share a number exactly when they shared a key.
  void Renumber(std::size_t rowCount, std::size_t keyBound);
  // After FilterByRanks' count, whose count of a key that more rows had is more: KeepRepeated
  // with its exact keys, and in the same pass, per row kept, the place of the first with its
  // key, into firstsOfKept_.
  void KeepRepeatedPlacingFirsts(std::size_t rowCount, DirectCount more, std::vector<Row>& rows);
  // Mixes the labels of columns into allKeys_, for every row.
  void MixColumns(const SymbolClasses& classes, ColumnSpan columns);
  // Marks in repeated_ the places of the count keys that another of them has; each key is
  // looked for once, and only the places marked are read after.
  void MarkRepeated(const std::uint64_t* keys, std::size_t count);
  // Calls visit(k) for every place marked, ascending, and clears the marks.
  template <typename Visit>
  void ForEachRepeated(std::size_t count, Visit visit);
  // Keeps in rows, ascending, the rows of the tableau marked in repeated_, and their keys of
  // keysOfRows in keys_; clears the marks.
  void KeepRepeated(std::size_t rowCount, const std::vector<std::uint64_t>& keysOfRows,
                    std::vector<Row>& rows);
  // How many places repeated_ marks, and room for as many rows and keys.
  std::size_t SizeForRepeated(std::size_t rowCount, std::vector<Row>& rows);
  // Drops from rows (keys_ alike) those whose key no other row has.
  void DropUnique(std::vector<Row>& rows);

  // The first place of a key in one round of a count: 8 bytes, so that the slots of ten
  // thousand rows stay in the second cache. A key is found by the high bits of the key times an odd
  // number, which every bit of the key reaches, and compared whole.
  struct Slot {
    std::uint32_t place;
    std::uint16_t round;  // the place is of this round; a slot of another round is free
    std::uint16_t count;  // 1, or 2 once another place had the key
  };
  // The slot of this round that holds the first place with the key of keys[k]; when there is
  // none, a free slot, which then holds k with a count of 1.
  Slot& SlotOf(const std::uint64_t* keys, std::size_t k);
  std::vector<std::uint64_t> keys_;      // per row kept, its key over the columns read so far
  std::vector<std::uint64_t> allKeys_;   // FilterAll's keys, per row of the tableau
  std::vector<std::uint64_t> repeated_;  // a bit per place, set while MarkRepeated's
  std::vector<Slot> slots_;
  std::size_t slotMask_ = 0;  // of the slots of this round
  std::vector<std::uint32_t> firstsOfKept_;
  bool firstsKnown_ = false;          // firstsOfKept_ are those of the rows kept
  std::vector<Column> telling_;       // TellingColumns'
  std::vector<std::uint64_t> alone_;  // per word of rows: those alone in a column not read
  LikeColumns likeColumns_;
  // FilterAll's rows kept and their keys, by LikeColumns::Key(), and how many words the
  // entries take.
  struct Kept {
    std::vector<Row> rows;
    std::vector<std::uint64_t> keys;
    std::vector<std::uint32_t> firsts;  // with exact keys
    bool exact;
  };
  std::map<std::vector<std::uint32_t>, Kept> keptForKey_;
  std::size_t keptWords_ = 0;
  // Hashes of the keys of sides looked at once and not kept: a side is kept from its second
  // look on, as most sides are met once, and copying what each kept costs more than its look.
  std::unordered_set<std::uint64_t> seenOnce_;
  std::uint16_t round_ = 0;
  std::uint64_t keyMask_;  // the bits of a key that a count compares
  bool directKeys_;
  static constexpr std::size_t kMostDirectKeys = std::size_t{1} << 20;
  static constexpr std::size_t kMostNumberedColumns = 8;  // in a side whose keys Renumber
  ColumnRanks ranks_;
  std::vector<std::uint32_t> rankKeys_;        // FilterByRanks' keys, per row of the tableau
  std::vector<std::uint32_t> renumberBefore_;  // per column of a look: Renumber first, below it
  std::vector<std::uint32_t> numberOfKey_;     // Renumber's, per key: its new number + 1, or 0
  std::vector<std::uint32_t> keysMet_;         // Renumber's keys met, by their new number + 1
  std::vector<std::uint8_t> repeatedBytes_;    // FilterByRanks' scratch: per row, its key repeated
  // Per key, the number of the last look that met it, times 4, plus 1 when one row had it
  // then, 2 when more did, 3 once the place of the first of those is known: a byte a key, so
  // that the table stays in the second cache beside the columns' numbers (two bytes cost 4%
  // on sides over a quarter of a million keys), and read and written without a branch, which
  // rows of random keys would mispredict. A byte holds 64 looks: the table is cleared then.
  std::vector<DirectCount> directCounts_;
  // Per key counted 3: the place of its first row, as many as firstOfKeyRoom_.
  std::unique_ptr<std::uint32_t[]> firstOfKey_;
  std::size_t firstOfKeyRoom_ = 0;
  DirectCount directRound_ = 0;  // below 2^6
  static constexpr DirectCount kDirectRounds = 1 << 6;
  std::uint64_t keptIdentity_ = 0;  // of the classes that keptForKey_ is about
  bool keysExact_ = false;          // FilterByRanks made keys_
};
