#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "schema.h"
#include "symbolclasses.h"

// One equalization of the chase: rows i and k (i < k) agree on the left-hand side of the
// dependency, and their cells in the column were made equal.
struct ChaseStep {
  SymbolClasses::Row i = 0;
  SymbolClasses::Row k = 0;
  std::size_t column = 0;
  std::size_t dependency = 0;
  SymbolClasses::Merge merge;
};

// The chase on symbol classes: applies the dependencies until none changes anything, as
// congruence closure does. Each equalization is reported to the observer, in the order made.
//
// A dependency with a one-column left-hand side c follows every merge in c: the two rows of
// the merge now agree on c, so they are merged on its right-hand side (dependencies with
// the same column are one list of right-hand columns). A dependency with a longer left-hand
// side keeps a signature per row, the labels of the row's left-hand cells, in a table; only
// rows whose left-hand cells are all shared need one. A merge relabels the cells of the
// smaller class only, and only those rows get new signatures; a signature that collides
// with another row's makes the two rows equal on the right-hand side. A dependency whose
// right-hand columns are each one class is dropped.
class Chase {
 public:
  using Row = SymbolClasses::Row;
  using Observer = std::function<void(const ChaseStep&)>;

  // The chase of dependencies on classes; both must outlive it. With an observer, classes
  // should track symbols, so that each step can say which symbol replaced which.
  Chase(SymbolClasses& classes, const ResolvedDependencies& dependencies,
        Observer observer = nullptr);
  ~Chase();
  Chase(const Chase&) = delete;
  Chase& operator=(const Chase&) = delete;

  // Runs to the fixpoint. With stopAtAllDistinguishedRow it stops as soon as some row is
  // all distinguished: the verdict is known then, though the tableau is not final.
  void Run(bool stopAtAllDistinguishedRow);

 private:
  // A pending equalization: rows a and b agree on the left-hand side of dependency.
  struct Union {
    Column column;
    Row a;
    Row b;
    std::uint32_t dependency;
  };
  // A column that a one-column left-hand side determines, and the first such dependency.
  struct Follower {
    Column column;
    std::uint32_t dependency;
  };
  // Per column, a range of a shared array; dropping an item swaps the last one into it.
  template <typename T>
  struct Ranges {
    std::vector<T> items;
    std::vector<std::uint32_t> begin, end;
    void Drop(Column c, std::uint32_t& at) { items[at] = items[--end[c]]; }
    // Room for count[c] items per column c, all empty.
    void Allocate(const std::vector<std::uint32_t>& count);
  };
  class SignatureTable;

  void BuildFollowers();
  void BuildUses();
  // First application of dependency j, in input order.
  void Start(std::size_t j);
  // Makes every pending equalization, and what each one makes necessary.
  void Drain();
  void Apply(const Union& u);
  // Rows a and b now agree on column c: merge them on what c alone determines.
  void Follow(Column c, Row a, Row b);
  // Row r's cell in column c changed its label: its signatures there must be looked up.
  // With onlyDistinguished, the cell kept its label but became distinguished: only where r
  // is now distinguished on the whole left-hand side can it agree with rows it did not.
  void Resign(Column c, Row r, bool onlyDistinguished = false);
  // Whether row r is distinguished in every left-hand column of dependency j.
  bool AllDistinguished(std::size_t j, Row r) const;
  // Looks up row r's signature for dependency j, and merges it with an equal one.
  void Probe(std::size_t j, Row r);
  // Row r is distinguished on the whole left-hand side of dependency j: it agrees with the
  // first such row, on every right-hand column where the two are not both distinguished.
  void AgreeThroughDistinguished(std::size_t j, Row r);
  // Probes every shared row of the driver column in ascending order, 64 rows at a time;
  // rows that agree through distinguished cells, and would push nothing, are skipped.
  void ProbeAll(std::size_t j, Column driver);
  std::uint32_t Hash(std::size_t j, Row r) const;
  bool SameSignature(std::size_t j, Row a, Row b) const;
  bool IsSettled(std::size_t j);
  void Push(Column c, Row a, Row b, std::size_t j);

  SymbolClasses& classes_;
  const ResolvedDependencies& dependencies_;
  Observer observer_;
  bool stopEarly_ = false;
  bool stopped_ = false;

  Ranges<Follower> followers_;
  // Per column, the longer left-hand sides that hold it, from the time each started.
  Ranges<std::uint32_t> uses_;
  // Per dependency, a right-hand column that was not complete when last looked at: the
  // dependency is settled once it is, and no other right-hand column is incomplete.
  std::vector<Column> watched_;
  // Per dependency with a longer left-hand side, a row distinguished in all its left-hand
  // columns, or kNone: such rows agree without a signature.
  std::vector<Row> allDistinguished_;
  // Last in, first out: the equalizations that one makes necessary follow it at once.
  std::vector<Union> pending_;
  std::unique_ptr<SignatureTable> signatures_;
};
