#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "chasestep.h"
#include "columnbits.h"
#include "index.h"
#include "packedlists.h"
#include "probingtable.h"
#include "schema.h"
#include "symbolclasses.h"

// The chase of functional dependencies on symbol classes: applies the dependencies until none
// changes anything, as congruence closure does. Each equalization is reported to the
// observer, in the order made.
//
// A dependency with a one-column left-hand side c follows every merge in c: the two rows of
// the merge now agree on c, so they are merged on its right-hand side (dependencies with
// the same column are one list of right-hand columns). A dependency with a longer left-hand
// side keeps a signature per row, the labels of the row's left-hand cells, in a table; only
// rows whose left-hand cells are all shared need one. A merge relabels the cells of the
// smaller class only, and only those rows get new signatures; a signature that collides
// with another row's makes the two rows equal on the right-hand side. Rows distinguished on
// a whole left-hand side agree without a signature: the first of them stands for all. A
// dependency whose right-hand columns are each one class is dropped.
class Chase {
 public:
  using StepObserver = std::function<void(const ChaseStep&)>;

  // The chase of dependencies on classes; both must outlive it. With an observer, classes
  // should track symbols, so that each step says cheaply which symbol replaced which.
  Chase(SymbolClasses& classes, const ResolvedDependencies& dependencies,
        StepObserver observer = nullptr);
  Chase(const Chase&) = delete;
  Chase& operator=(const Chase&) = delete;

  // Runs to the fixpoint. With stopAtAllDistinguishedRow it stops as soon as some row is
  // all distinguished: the verdict is known then, though the tableau is not final. Returns
  // whether it stopped so.
  bool Run(bool stopAtAllDistinguishedRow);

 private:
  // An equalization waiting its turn: rows a and b agree on the left-hand side of dependency,
  // so their cells in column are to be made equal.
  struct PendingMerge {
    Row a;
    Row b;
    Column column;
    std::uint32_t dependency;
  };
  // A column that a one-column left-hand side determines, and the first such dependency.
  struct Follower {
    Column column;
    std::uint32_t dependency;
  };
  // What the signature table holds: a row, and the hash of its signature for dependency when
  // the entry was made. The row's labels may have changed since: the entry is then stale.
  struct Signature {
    std::uint32_t hash;
    std::uint32_t dependency;
    Row row;
    friend bool operator==(const Signature& a, const Signature& b) {
      return a.hash == b.hash && a.dependency == b.dependency && a.row == b.row;
    }
  };

  void BuildFollowers();
  void BuildUses();
  // First application of dependency j, in input order.
  void Start(std::size_t j);
  // Makes every pending equalization, and what each one makes necessary.
  void Drain();
  void Equalize(const PendingMerge& pending);
  // After a merge in col: looks again at the rows whose cells changed class or became
  // distinguished, and counts the distinguished cells of rows when the chase stops early.
  void FollowUp(const SymbolClasses::Merge& merge, Column col);
  // Rows a and b now agree on column c: merge them on what c alone determines.
  void Follow(Row a, Row b, Column c);
  // Row r's cell in column c is in another class than before: it may agree on a longer
  // left-hand side with rows it did not agree with.
  void Recheck(Row r, Column c);
  // Row r's cell in column c kept its class, which became distinguished: only where r is now
  // distinguished on the whole left-hand side can it agree with rows it did not.
  void RecheckDistinguished(Row r, Column c);
  // Calls visit(j) for every started dependency with a longer left-hand side that holds c,
  // dropping those that are settled.
  template <typename Visit>
  void ForEachUse(Column c, Visit visit);
  // Whether row r is distinguished in every left-hand column of dependency j.
  bool DistinguishedOnLeft(std::size_t j, Row r) const;
  // The same for the rows of the w-th word, as bits.
  std::uint64_t DistinguishedOnLeft(std::size_t j, std::size_t w) const;
  // Looks up row r's signature for dependency j, and merges it with an equal one.
  void Probe(std::size_t j, Row r);
  // Row r is distinguished on the whole left-hand side of dependency j: it agrees with the
  // first such row, on every right-hand column where the two are not both distinguished.
  void AgreeThroughDistinguished(std::size_t j, Row r);
  // Probes every row of the driver column that can agree with another, 64 at a time.
  void ProbeAll(std::size_t j, Column driver);
  // Of the rows of the w-th word, those known to be one class with the first row
  // distinguished on j's left-hand side in every right-hand column of j.
  std::uint64_t SettledWithFirst(std::size_t j, std::size_t w) const;
  std::uint32_t Hash(std::size_t j, Row r) const;
  bool SameSignature(std::size_t j, Row a, Row b) const;
  bool IsSettled(std::size_t j);
  void Push(Row a, Row b, Column c, std::size_t j);
  // Counts the initial distinguished cells of every row, for the early stop.
  void CountDistinguished();
  // One more cell of row r became distinguished.
  void CountDistinguished(Row r);

  SymbolClasses& classes_;
  const ResolvedDependencies& dependencies_;
  StepObserver observer_;
  bool stopEarly_ = false;
  bool stopped_ = false;

  // Per column, the columns that it alone determines.
  PackedLists<Follower> followers_;
  // Per column, the longer left-hand sides that hold it, from the time each started.
  PackedLists<std::uint32_t> uses_;
  // Per dependency, a right-hand column that was not complete when last looked at: the
  // dependency is settled once it is, and no other right-hand column is incomplete.
  std::vector<Column> watched_;
  // Per dependency with a longer left-hand side, the first row found distinguished in all
  // its left-hand columns, or kNoRow: it stands for every such row.
  std::vector<Row> firstDistinguishedOnLeft_;
  // Last in, first out: the equalizations that one makes necessary follow it at once.
  std::vector<PendingMerge> pending_;
  // The signatures of rows for every dependency with a longer left-hand side, in one table. An
  // entry stays when its row gets a new signature: it goes stale, and since a lookup compares
  // the rows' current labels, a stale entry never causes a wrong merge. Rebuilding the table
  // drops the stale entries.
  ProbingTable<Signature> signatures_;
  // Only when stopping early: per row, how many of its cells are distinguished.
  std::vector<std::uint32_t> distinguishedInRow_;
};
