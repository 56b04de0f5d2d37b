#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "chasestep.h"
#include "columnbits.h"
#include "columngroups.h"
#include "index.h"
#include "leftgroups.h"
#include "packedlists.h"
#include "probingtable.h"
#include "refinements.h"
#include "schema.h"
#include "sightings.h"
#include "signaturefilter.h"
#include "symbolclasses.h"

// The chase of functional dependencies on symbol classes: applies the dependencies until none
// changes anything, as congruence closure does. Each equalization is reported to the
// observer, in the order made.
//
// A dependency with a one-column left-hand side c follows every merge in c, from the start:
// the two rows of the merge now agree on c, so they are merged on its right-hand side. All
// dependencies from c share one list of right-hand columns, each column once; the rows that
// agree on c from the start are merged on all of them when the first dependency from c comes.
//
// Dependencies with one longer left-hand side are one group (LeftGroups), made when the chase
// meets the first of them in input order. A later dependency with that side adds the columns
// the group lacks, and those alone are applied to the rows that agree there. Rows agree when
// their signatures do, the labels of their left-hand cells; only rows whose left-hand cells
// are all shared have one. Unobserved, a group looks at its rows' signatures in a scratch
// table and keeps none (see GroupState::indexed) until looks at merged classes cost what
// keeping them would. An indexed group keeps a signature per row in a table: a merge
// relabels the cells of the smaller class only, and only those rows get new signatures; a
// signature that collides with another row's makes the two rows equal on the right-hand side.
// Rows distinguished on a whole left-hand side agree without a signature: the first of them
// stands for all. A group whose right-hand columns are each one class is settled until it gets
// new ones.
//
// A signature's hash is a sum over its cells, so a relabelled cell changes it by the
// difference of two terms. For long left-hand sides a row's state is kept from the first time
// one of its left-hand cells changes: the sum, how many of the cells are not shared yet and
// how many not distinguished yet (both only go down), and whether another row stands for it
// there (one it agrees with, which it then agrees with for good). So a change to a cell costs
// the same whatever the length of the left-hand side, and a row's cells are counted once.
class Chase {
 public:
  using StepObserver = std::function<void(const ChaseStep&)>;

  // The chase of dependencies on classes; both must outlive it. With an observer, classes
  // should track symbols, so that each step says cheaply which symbol replaced which.
  // filterKeyBits: the bits of the keys that tell rows apart at a first look (SignatureFilter).
  Chase(SymbolClasses& classes, const ResolvedDependencies& dependencies,
        StepObserver observer = nullptr, int filterKeyBits = 64);
  Chase(const Chase&) = delete;
  Chase& operator=(const Chase&) = delete;

  // Runs to the fixpoint. With stopAtAllDistinguishedRow it stops as soon as some row is
  // all distinguished: the verdict is known then, though the tableau is not final. Returns
  // whether it stopped so.
  bool Run(bool stopAtAllDistinguishedRow);

 private:
  using Target = LeftGroups::Target;
  using Targets = Span<Target>;

  // An equalization waiting its turn: rows a and b agree on the left-hand side of dependency,
  // so their cells in column are to be made equal.
  struct PendingMerge {
    Row a;
    Row b;
    Column column;
    std::uint32_t dependency;
  };
  static constexpr std::uint32_t kNotDeferred = UINT32_MAX;
  // What the chase knows of a group and reads on every visit to it: 32 bytes, two to a cache
  // line, a million of them visited at random.
  struct GroupState {
    // The left-hand side, kept here as well.
    const Column* left;
    std::uint32_t leftSize;
    // A right-hand column that was not complete when last looked at: the group is settled
    // once it is, and no other right-hand column is incomplete.
    Column watched;
    // The first row found distinguished in all its left-hand columns, or kNoRow: it stands for
    // every such row.
    Row firstDistinguished;
    // Its uses' generation: the group's nodes are made again when it gets new columns after it
    // was settled, since the lists drop a settled group's nodes as they meet them.
    std::uint32_t generation;
    bool settled;
    bool usesDropped;
    // Some two rows were found to agree on the left-hand side. Until then, and while it is not
    // settled (and so told of every change), new target columns need no look at the rows.
    bool mayAgree;
    // Its rows' signatures (and a long group's row states) are in the tables. Unobserved, a
    // group's look at every row finds the rows that agree in a table of its own, dropped
    // after; a merge that changes a left-hand cell makes it look at the merged class. So a
    // group keeps nothing per row until such looks have cost what indexing it would:
    // thousands of groups over rows that never agree cost no memory per row and group.
    // Under an observer, whose steps follow the table's order, every group is indexed.
    bool indexed;
    // Unobserved, the first of its targets that wait for a look at the rows, or kNotDeferred.
    std::uint32_t deferredFrom = kNotDeferred;
  };
  // What the signature table holds: a row, and the hash of its signature for group when the
  // entry was made. The row's labels may have changed since: the entry is then stale.
  struct Signature {
    std::uint32_t hash;
    std::uint32_t group;
    Row row;
    friend bool operator==(const Signature& a, const Signature& b) {
      return a.hash == b.hash && a.group == b.group && a.row == b.row;
    }
  };
  // A row of a long group, once one of its left-hand cells changed: the sum its signature's
  // hash is made from, how many of its left-hand cells are not shared and not distinguished,
  // and whether another row stands for it there (one it agrees with, or the first row
  // distinguished there): the row then needs looking at again only for new right-hand columns.
  // Counted in the group's generation: a settled group is told of no change, so a state of an
  // older generation is counted again from the cells.
  struct RowState {
    std::uint32_t group;
    Row row;
    std::uint64_t sum;
    std::uint32_t unshared;
    std::uint32_t undistinguished;
    std::uint32_t generation;
    bool retired;
    friend bool operator==(const RowState& a, const RowState& b) {
      return a.group == b.group && a.row == b.row;
    }
  };
  // What a merge did to one cell.
  struct CellChange {
    Row oldLabel;  // the label before, and after: the same when it kept its class
    Row newLabel;
    bool becameShared;
    bool becameDistinguished;
  };

  // Per column, the columns that it alone determines, from every one-column dependency.
  void BuildFollowers();
  // The dependencies with longer left-hand sides, by their first right-hand column, in input
  // order for each: the sides that merge in one column come one after another, while its
  // cells are in the cache.
  std::vector<std::uint32_t> LongerByTarget() const;
  // Dependency j, when the chase comes to it: starts its key column the first time, or its
  // group, or applies the right-hand columns it adds to a started group.
  void Meet(std::size_t j);
  // The first dependency from column c alone, when the chase comes to it: what every
  // dependency from c determines, for the rows that agree on c from the start.
  void StartKey(Column c);
  // Makes every pending equalization, and what each one makes necessary.
  void Drain();
  void Equalize(const PendingMerge& pending);
  // After a merge in col: looks again at the rows whose cells changed class or became
  // distinguished, and counts the distinguished cells of rows when the chase stops early.
  void FollowUp(const SymbolClasses::Merge& merge, Column col);
  // What FollowUp does when no group reads col: counts the cells that merge made
  // distinguished, for the early stop.
  void CountTurned(const SymbolClasses::Merge& merge, Column col);
  // Rows a and b now agree on column c: merge them on what c alone determines.
  void Follow(Row a, Row b, Column c);
  // Whether no dependency reads col: it determines no column alone, and no started group
  // holds it on its left-hand side. Merges there then make no other merge.
  bool ReadByNone(Column col) const;
  // Merges the classes of cells (a, col) and (b, col) at once, unobserved. REQUIRES:
  // ReadByNone(col).
  void MergeUnread(Row a, Row b, Column col);
  // Row r's cell in column c changed as change says: r may agree on a longer left-hand side
  // with rows it did not agree with.
  void Recheck(Row r, Column c, const CellChange& change);
  // Calls visit(g) for every started group g with a longer left-hand side that holds c and
  // is not settled, dropping those that are, and the uses of a generation the group has left:
  // it was settled, and has other uses since it got new columns.
  template <typename Visit>
  void ForEachUse(Column c, Visit visit);
  // Puts group g in the use lists of its left-hand columns.
  void AddUses(std::uint32_t g);
  ColumnSpan LeftOf(std::uint32_t g) const {
    const GroupState& state = groupStates_[g];
    return {state.left, state.left + state.leftSize};
  }
  bool IsLong(std::uint32_t g) const;
  // Whether row r is distinguished in every left-hand column of group g.
  bool DistinguishedOnLeft(std::uint32_t g, Row r) const;
  // The same for the rows of the w-th word, as bits.
  std::uint64_t DistinguishedOnLeft(std::uint32_t g, std::size_t w) const;
  // Looks at row r's signature for group g from scratch, and applies the target columns to it
  // and a row it agrees with: those of only, or when it is null all the group's (read only
  // then: most looks find no such row).
  void Probe(std::uint32_t g, Row r, const Targets* only);
  // The same for long group g, after row r's cell in its left-hand column c changed.
  void ProbeChanged(std::uint32_t g, Row r, Column c, const CellChange& change);
  // Row r of long group g, from its state: agrees through the distinguished cells, or looks up
  // its signature.
  void ProbeState(std::uint32_t g, Row r, RowState& state, const Targets* only);
  // Row r's state for long group g, counted from its cells: made the first time it is asked for,
  // and counted again when it is of an older generation than the group.
  RowState& StateOf(std::uint32_t g, Row r);
  // Counts state from the cells of its row, in its group's generation.
  void Count(RowState& state) const;
  // Row r's state for long group g when it is of the group's generation, or null.
  RowState* CurrentState(std::uint32_t g, Row r);
  // Looks up row r's signature for group g, whose hash is made from sum, and applies the
  // target columns, as Probe, to r and a row of an equal one. Returns whether there was one.
  bool Lookup(std::uint32_t g, Row r, std::uint64_t sum, const Targets* only);
  // Row r is distinguished on the whole left-hand side of group g: it agrees with the first
  // such row, on every target column (as Probe) where the two are not both distinguished.
  void AgreeThroughDistinguished(std::uint32_t g, Row r, const Targets* only);
  // Probes every row of the driver column, g's column with the fewest shared cells, that can
  // agree with another, 64 at a time, applying targets; with drainEachWord, the merges of each
  // 64 rows are made before the next, so that what waits stays a few rows' worth.
  void ProbeAll(std::uint32_t g, Targets targets, bool drainEachWord = false);
  // After a filtered first look at g, meets the rows the filter kept (but those distinguished
  // on the whole side, when metAgreeing: ProbeAll met them), each with an earlier row that
  // agrees with it, on targets.
  void MeetKept(std::uint32_t g, Targets targets, bool metAgreeing);
  // The same when every row the filter kept agrees with every other: each is merged with the
  // first on targets. metAbove(r): whether ProbeAll met row r.
  template <typename MetAbove>
  void MeetAllAlike(std::uint32_t g, Targets targets, MetAbove metAbove);
  // Whether rows a and b are one class in every column of targets.
  bool OneClassInTargets(Row a, Row b, Targets targets) const;
  // Whether every two rows that may agree, as driver's shared cells bound them, are one class
  // in every column of targets already: then no look at them can change anything there.
  bool TargetsHoldTogether(Column driver, Targets targets) const;
  // The left-hand column of g with the most classes of shared cells: the likeliest of its
  // columns to determine a target.
  Column FinestColumn(std::uint32_t g) const;
  // Whether finest determines every column of targets as the cells are: rows that agree on a
  // side that holds it are one class there already.
  bool FinestColumnHoldsTargets(Column finest, Targets targets);
  // ProbeAll's look at every row that may agree, driver's shared ones.
  void LookAtAll(std::uint32_t g, Targets targets, Column driver, bool drainEachWord);
  // Only rows shared in every left-hand column of g can agree with another row: its column
  // with the fewest shared cells bounds them.
  Column Driver(std::uint32_t g) const;
  // How many rows a first look at g would look at: those whose driver cell shares its class,
  // not distinguished on the whole left-hand side.
  std::size_t CountLookedAt(std::uint32_t g, Column driver) const;
  // Row r of group g, not distinguished on the whole left-hand side, in a look of a group that
  // is not indexed: agrees with the row the look saw first with its signature, on targets.
  void Sight(std::uint32_t g, Row r, Targets targets, Sightings& look);
  // The same, with the hash of r's signature that every row of the look has from one source.
  void SightWithHash(std::uint32_t g, Row r, std::uint32_t hash, Targets targets, Sightings& look);
  // Row r's cell changed in a left-hand column of g, which is not indexed, as Recheck says.
  void RecheckUnindexed(std::uint32_t g, Row r, bool becameDistinguished, bool signatureChanged);
  // A merge changed a left-hand cell of g, which is not indexed: g looks at the merged class
  // when the merge's changes are all made.
  void MarkTouched(std::uint32_t g);
  // The merge whose class is label's in col is followed up: every group it touched looks at
  // the rows of that class, the only ones that can agree with a row they did not agree with.
  // A group whose looks would have seen more rows than its index takes (the shared cells of
  // its driver column) is indexed instead: a class that grows a row at a time then costs it
  // no more than indexing twice would.
  void LookAtTouched(Row label, Column col);
  void LookAtClass(std::uint32_t g, Row label, Column col);
  // Puts the signatures of g's rows in the table, applying every target to the rows that
  // agree. From then on a changed cell costs a look at its own row's signature.
  void Index(std::uint32_t g);
  // Targets from g's count-th on wait for a look at the rows (DeferTargets), made once for all
  // the columns the group gains in a pass (ProbeDeferred).
  void DeferTargets(std::uint32_t g, std::size_t count);
  void ProbeDeferred();
  // Of the rows of the w-th word, those known to be one class with the first row
  // distinguished on g's left-hand side in every column of targets.
  std::uint64_t SettledWithFirst(std::uint32_t g, std::size_t w, Targets targets) const;
  // The sum over row r's left-hand cells of group g that its signature's hash is made from.
  std::uint64_t SumOf(std::uint32_t g, Row r) const;
  // Whether entry is the current signature of its row, as far as a hash tells.
  bool IsLive(const Signature& entry);
  RowState* FindState(std::uint32_t g, Row r);
  bool SameSignature(std::uint32_t g, Row a, Row b) const;
  bool IsSettled(std::uint32_t g);
  void PushTargets(Row a, Row b, Targets targets);
  // Fetches the cells of rows a and b in the target columns into the cache at once, rather
  // than one after the other as pushing them looks: each is in a column of its own.
  void PrefetchTargets(Row a, Row b, Targets targets) const;
  // Queues the merge of rows a and b in column c, credited to dependency j, unless they are
  // one class there. Inline: a key's start makes one for every row of its class.
  void Push(Row a, Row b, Column c, std::size_t j) {
    if (classes_.IsComplete(c) || classes_.SameClass(a, b, c)) return;
    Queue(a, b, c, j);
  }
  void Queue(Row a, Row b, Column c, std::size_t j);
  // Counts the initial distinguished cells of every row, for the early stop.
  void CountDistinguished();
  // One more cell of row r became distinguished.
  void CountDistinguished(Row r);

  SymbolClasses& classes_;
  const ResolvedDependencies& dependencies_;
  LeftGroups groups_;
  StepObserver observer_;
  bool stopEarly_ = false;
  bool stopped_ = false;

  // Room for a group per dependency is reserved at once: address space only, the system gives
  // pages as groups come, and the records never move. Read on every visit, so one load away.
  std::vector<GroupState> groupStates_;
  std::vector<Target> added_;            // scratch: what a dependency adds to its group
  std::vector<Target> keyTargets_;       // scratch: the columns a key's start walks
  std::vector<Row> keyRows_;             // scratch: the rows of a key's class at the start
  std::vector<std::uint32_t> deferred_;  // the groups with targets that wait for a look
  // The distinguished cells as the chase started, when a dependency has a one-column left-hand
  // side: the rows that agree on its column with no merge followed.
  ColumnBits startDistinguished_;
  // Per column, the columns that it alone determines, each with its first dependency. Active
  // from the start: a merge in the column is followed whether or not the chase has come to
  // the dependencies yet.
  PackedLists<Target> followers_;
  std::vector<std::uint8_t> keyStarted_;  // per column
  // Per column, the longer left-hand sides that hold it; made when the first longer group
  // starts. Observed, the uses of a column are met in the order they came, as they always
  // were, so that the steps an explanation shows do not change.
  ColumnGroups uses_;
  bool usesMade_ = false;
  std::size_t maxGroups_ = 0;  // the dependencies with longer left-hand sides
  // Last in, first out: the equalizations that one makes necessary follow it at once.
  std::vector<PendingMerge> pending_;
  std::size_t queued_ = 0;  // how many merges were ever queued
  // Per column, whether the last look at every row with it as the finest left-hand column
  // queued no merge; empty until a look ends.
  std::vector<std::uint8_t> lookChangedNothing_;
  Refinements refinements_;
  // The signatures of rows for every group with a longer left-hand side, in one table. An
  // entry stays when its row gets a new signature: it goes stale, and since a lookup compares
  // the rows' current labels, a stale entry never causes a wrong merge. Rebuilding the table
  // drops the stale entries.
  ProbingTable<Signature> signatures_;
  // Scratch for groups that are not indexed: the rows seen by a look at every row, and by a
  // look at a merged class. Two, since merges made between the words of the first end with
  // looks of the second.
  Sightings rowLook_;
  Sightings classLook_;
  std::vector<Row> filtered_;  // scratch: the rows of a group's first look
  // scratch: per word of rows, those of a first look distinguished on the whole side
  std::vector<std::uint64_t> agreeingWords_;
  std::vector<std::uint64_t> keptWords_;  // scratch: per word of rows, those a filter kept
  std::vector<std::uint32_t> notFirsts_;  // scratch: places of kept rows not first of their key
  SignatureFilter signatureFilter_;
  // Per group, while it is not indexed: the rows its looks at merged classes have seen, and
  // whether the merge being followed up changed one of its left-hand cells.
  struct ClassLooks {
    std::uint32_t rows;
    bool waiting;
  };
  std::vector<ClassLooks> classLooks_;
  std::vector<std::uint32_t> touched_;  // the groups whose look waits for the merge's end
  // Per row and long group, from the first change to one of the row's left-hand cells.
  ProbingTable<RowState> rowStates_;
  // Only when stopping early: per row, how many of its cells are distinguished.
  std::vector<std::uint32_t> distinguishedInRow_;
};
