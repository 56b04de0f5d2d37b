#include "generalchase.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "memoryguard.h"
#include "probingtable.h"

RowLimitExceeded::RowLimitExceeded(std::size_t limit)
    : std::runtime_error("the chase passed its limit of " + std::to_string(limit) +
                         " rows; --max-rows sets another"),
      limit_(limit) {}

std::size_t RowLimit(std::size_t columns) {
  constexpr std::size_t kBudget = std::size_t{1} << 30;
  // A row's cells, its entry in the set of rows and its share of a join's partial rows.
  constexpr std::size_t kPerRow = 48;
  return std::max<std::size_t>(1, kBudget / (sizeof(int) * columns + kPerRow));
}

namespace {

// Hashes a sequence of symbols.
std::size_t HashSymbols(const int* symbols, std::size_t count) {
  std::uint64_t hash = 0x9e3779b97f4a7c15ULL * (count + 1);
  for (std::size_t i = 0; i < count; ++i) {
    hash = (hash ^ static_cast<std::uint32_t>(symbols[i])) * 0xff51afd7ed558ccdULL;
    hash ^= hash >> 29;
  }
  return static_cast<std::size_t>(hash);
}

// A dependency as the chase applies it: a functional one's sides, or a join's components.
struct Rule {
  std::size_t dependency;
  bool functional;
  std::vector<Column> left, right;              // functional
  std::vector<std::vector<Column>> components;  // join; a multivalued one made into one
};

class GeneralChase {
 public:
  GeneralChase(const ResolvedInput& input, const DecideOptions& options)
      : cols_(input.ColNo()),
        initialRows_(input.RowNo()),
        limit_(options.maxRows != 0 ? options.maxRows : RowLimit(input.ColNo())),
        observer_(options.observer),
        stopEarly_(!options.finalTableau && options.observer == nullptr),
        rowSet_(16, RowHash{this}, RowEqual{this}) {
    MakeRules(input.dependencies);
    IndexLeftUses();
    cells_.assign(initialRows_ * cols_, 0);
    for (Row r{0}; r < initialRows_; ++r) {
      std::fill_n(&cells_[r * cols_], cols_, static_cast<int>(r) + 1);
      for (Column c : input.rowColumns[r]) cells_[r * cols_ + c] = 0;
    }
    // Every symbol its own class, each cell in the ring of its class.
    classSize_.assign(cols_ * (initialRows_ + 1), 0);
    smallest_.resize(cols_ * (initialRows_ + 1));
    for (std::size_t c = 0; c < cols_; ++c) {
      for (std::size_t symbol = 0; symbol <= initialRows_; ++symbol)
        smallest_[c * (initialRows_ + 1) + symbol] = static_cast<int>(symbol);
    }
    nextInClass_.assign(initialRows_ * cols_, 0);
    anchor_.assign(cols_ * (initialRows_ + 1), kNoMember);
    for (std::uint32_t r = 0; r < initialRows_; ++r) JoinRings(r);
    rows_ = initialRows_;
    if (rows_ > limit_) throw RowLimitExceeded(limit_);
  }

  Outcome Run() {
    if (observer_ != nullptr && observer_->initial) observer_->initial(ToTableau());
    RebuildRowSet();
    for (;;) {
      RunFunctional();
      if (stopEarly_ && FirstDistinguishedRow() != kNoRow) break;
      bool added = false;
      for (const Rule& rule : rules_) {
        if (!rule.functional) added = ApplyJoin(rule) || added;
        if (stopped_) break;
      }
      if (!added || stopped_) break;
    }
    Outcome outcome;
    outcome.decidingRow = FirstDistinguishedRow();
    outcome.lossless = outcome.decidingRow != kNoRow;
    if (!stopEarly_) outcome.finalTableau.emplace(ToTableau());
    return outcome;
  }

 private:
  struct RowHash {
    const GeneralChase* chase;
    std::size_t operator()(std::uint32_t r) const {
      return HashSymbols(chase->RowCells(r), chase->cols_);
    }
  };
  struct RowEqual {
    const GeneralChase* chase;
    bool operator()(std::uint32_t a, std::uint32_t b) const {
      return std::equal(chase->RowCells(a), chase->RowCells(a) + chase->cols_, chase->RowCells(b));
    }
  };

  void MakeRules(const ResolvedDependencies& dependencies) {
    for (std::size_t j = 0; j < dependencies.size(); ++j) {
      const ColumnSpan left = dependencies.Left(j);
      const ColumnSpan right = dependencies.Right(j);
      if (dependencies.Kind(j) == DependencyKind::kFunctional) {
        if (left.empty() || right.empty()) continue;  // never applies, or says nothing
        rules_.push_back({j, true, {left.begin(), left.end()}, {right.begin(), right.end()}, {}});
        continue;
      }
      // A multivalued dependency whose left-hand side names an unknown attribute never
      // applies; one whose component holds every column always holds. Neither adds a row.
      if (dependencies.Kind(j) == DependencyKind::kMultivalued && left.empty()) continue;
      Rule rule{j, false, {}, {}, dependencies.JoinComponents(j, cols_)};
      const bool holdsAlways = std::any_of(
          rule.components.begin(), rule.components.end(),
          [&](const std::vector<Column>& component) { return component.size() == cols_; });
      if (rule.components.size() >= 2 && !holdsAlways) rules_.push_back(std::move(rule));
    }
  }

  // Per column, the functional rules with it on their left-hand side.
  void IndexLeftUses() {
    leftUses_.assign(cols_, {});
    tables_.assign(rules_.size(), ProbingTable<std::uint32_t>(kNoMember));
    for (std::size_t i = 0; i < rules_.size(); ++i) {
      if (!rules_[i].functional) continue;
      functionalRules_.push_back(i);
      hasFunctional_ = true;
      for (Column c : rules_[i].left) leftUses_[c].push_back(i);
    }
  }

  const int* RowCells(std::uint32_t r) const { return &cells_[r * cols_]; }
  int* RowCells(std::uint32_t r) { return &cells_[r * cols_]; }

  std::size_t ClassAt(Column c, int id) const {
    return c * (initialRows_ + 1) + static_cast<std::size_t>(id);
  }
  std::uint32_t& NextInClass(std::uint32_t r, Column c) { return nextInClass_[r * cols_ + c]; }

  // Puts each cell of row r, which holds its class's id, in that class's ring.
  void JoinRings(std::uint32_t r) {
    for (Column c{0}; c < cols_; ++c) {
      const std::size_t at = ClassAt(c, RowCells(r)[c]);
      std::uint32_t& anchor = anchor_[at];
      if (anchor == kNoMember) {
        anchor = r;
        NextInClass(r, c) = r;
      } else {
        NextInClass(r, c) = NextInClass(anchor, c);
        NextInClass(anchor, c) = r;
      }
      ++classSize_[at];
    }
  }

  // Functional dependencies until none changes anything, as congruence closure does: each
  // keeps its rows in a table by their classes on the left-hand side, and a merge looks up
  // again only the rows whose class changed. Rows added since the last run are put in first.
  void RunFunctional() {
    if (!hasFunctional_) return;
    changedClasses_ = false;
    for (; indexedRows_ < rows_; ++indexedRows_) {
      for (std::size_t i : functionalRules_) LookUp(i, static_cast<std::uint32_t>(indexedRows_));
    }
    Drain();
    if (changedClasses_) RebuildRowSet();
  }

  std::size_t KeyOf(const Rule& rule, std::uint32_t r) const {
    std::uint64_t hash = 0x9e3779b97f4a7c15ULL;
    for (Column c : rule.left)
      hash = (hash ^ static_cast<std::uint32_t>(RowCells(r)[c])) * 0xff51afd7ed558ccdULL;
    return static_cast<std::size_t>(hash ^ (hash >> 29));
  }

  bool SameOnLeft(const Rule& rule, std::uint32_t a, std::uint32_t b) const {
    return std::all_of(rule.left.begin(), rule.left.end(),
                       [&](Column c) { return RowCells(a)[c] == RowCells(b)[c]; });
  }

  // Row r in rule i's table: when another row agrees with it on the left-hand side, the two
  // are to be equated on the right-hand side.
  void LookUp(std::size_t i, std::uint32_t r) {
    const Rule& rule = rules_[i];
    const std::uint32_t* other = tables_[i].FindOrInsert(
        // r's own entry, from before its classes changed, must not hide another row's.
        KeyOf(rule, r), r, [&](std::uint32_t t) { return t != r && SameOnLeft(rule, t, r); },
        [&](std::uint32_t t) { return KeyOf(rule, t); }, [](std::uint32_t) { return true; });
    if (other == nullptr) return;
    for (Column c : rule.right) pending_.push_back({*other, r, c, rule.dependency});
  }

  struct Equalization {
    std::uint32_t a;
    std::uint32_t b;
    Column column;
    std::size_t dependency;
  };

  void Drain() {
    while (!pending_.empty()) {
      const Equalization e = pending_.back();
      pending_.pop_back();
      Equate(e.a, e.b, e.column, e.dependency);
    }
  }

  // Makes the classes of rows a and b in column c one, relabelling the smaller, and looks up
  // its rows again in the tables of the rules with c on the left-hand side.
  void Equate(std::uint32_t a, std::uint32_t b, Column c, std::size_t dependency) {
    int kept = RowCells(a)[c];
    int absorbed = RowCells(b)[c];
    if (kept == absorbed) return;
    if (classSize_[ClassAt(c, kept)] < classSize_[ClassAt(c, absorbed)]) std::swap(kept, absorbed);
    const std::size_t keptAt = ClassAt(c, kept);
    const std::size_t absorbedAt = ClassAt(c, absorbed);
    if (observer_ != nullptr && observer_->step) {
      // As the textbook says it: the smaller symbol replaces the larger in its cells.
      const bool keptIsSmaller = smallest_[keptAt] < smallest_[absorbedAt];
      const int smaller = std::min(smallest_[keptAt], smallest_[absorbedAt]);
      const int larger = std::max(smallest_[keptAt], smallest_[absorbedAt]);
      const std::size_t cells = classSize_[keptIsSmaller ? absorbedAt : keptAt];
      observer_->step(
          {Row(std::min(a, b)), Row(std::max(a, b)), c, dependency, {smaller, larger, cells}});
    }
    moved_.clear();
    const std::uint32_t start = anchor_[absorbedAt];
    std::uint32_t r = start;
    do {
      RowCells(r)[c] = kept;
      moved_.push_back(r);
      r = NextInClass(r, c);
    } while (r != start);
    // Splice the two rings.
    const std::uint32_t keptAnchor = anchor_[keptAt];
    std::swap(NextInClass(keptAnchor, c), NextInClass(start, c));
    classSize_[keptAt] += classSize_[absorbedAt];
    classSize_[absorbedAt] = 0;
    anchor_[absorbedAt] = kNoMember;
    smallest_[keptAt] = std::min(smallest_[keptAt], smallest_[absorbedAt]);
    changedClasses_ = true;
    const std::vector<std::uint32_t> moved = moved_;
    for (std::size_t i : leftUses_[c]) {
      for (std::uint32_t row : moved) {
        if (row < indexedRows_) LookUp(i, row);
      }
    }
  }

  void RebuildRowSet() {
    rowSet_.clear();
    for (std::uint32_t r = 0; r < rows_; ++r) rowSet_.insert(r);
  }

  // A partial row of a join: its symbols in the columns joined so far (the others are -1),
  // and the rows it was made from.
  struct Partial {
    std::vector<int> cells;
    std::vector<Row> from;
  };

  // Adds every row of the join of the projections on the rule's components that the tableau
  // lacks, as the join makes it. Returns whether it added one.
  bool ApplyJoin(const Rule& rule) {
    std::vector<std::uint8_t> joined(cols_, 0);
    std::vector<Partial> partials = Project(rule.components[0]);
    for (Column c : rule.components[0]) joined[c] = 1;
    for (std::size_t i = 1; i + 1 < rule.components.size() && !partials.empty(); ++i) {
      std::vector<Partial> next;
      Join(partials, rule.components[i], joined, [&](Partial&& partial) {
        next.push_back(std::move(partial));
        CheckLimit(next.size());
        return true;
      });
      partials = std::move(next);
      for (Column c : rule.components[i]) joined[c] = 1;
    }
    bool added = false;
    Join(partials, rule.components.back(), joined, [&](Partial&& partial) {
      added = AddRow(partial, rule.dependency) || added;
      return !stopped_;
    });
    return added;
  }

  // The distinguished projections of the rows on component, each with its first row.
  std::vector<Partial> Project(const std::vector<Column>& component) {
    std::vector<Partial> partials;
    std::unordered_map<std::size_t, std::vector<std::size_t>> seen;
    std::vector<int> key(component.size());
    for (std::uint32_t r = 0; r < rows_; ++r) {
      for (std::size_t i = 0; i < component.size(); ++i) key[i] = RowCells(r)[component[i]];
      std::vector<std::size_t>& bucket = seen[HashSymbols(key.data(), key.size())];
      bool found = false;
      for (std::size_t p : bucket) {
        found = found || ProjectionIs(partials[p], component, key);
      }
      if (found) continue;
      bucket.push_back(partials.size());
      Partial partial{std::vector<int>(cols_, -1), {Row(r)}};
      for (std::size_t i = 0; i < component.size(); ++i) partial.cells[component[i]] = key[i];
      partials.push_back(std::move(partial));
      CheckLimit(partials.size());
    }
    return partials;
  }

  static bool ProjectionIs(const Partial& partial, const std::vector<Column>& component,
                           const std::vector<int>& key) {
    for (std::size_t i = 0; i < component.size(); ++i) {
      if (partial.cells[component[i]] != key[i]) return false;
    }
    return true;
  }

  // Calls visit(extended) for every partial row extended by a projection on component that
  // agrees with it on the columns joined already, until visit returns false.
  template <typename Visit>
  void Join(const std::vector<Partial>& partials, const std::vector<Column>& component,
            const std::vector<std::uint8_t>& joined, Visit visit) {
    std::vector<Column> shared;
    for (Column c : component) {
      if (joined[c]) shared.push_back(c);
    }
    const std::vector<Partial> projections = Project(component);
    std::unordered_map<std::size_t, std::vector<std::size_t>> byShared;
    std::vector<int> key(shared.size());
    for (std::size_t p = 0; p < projections.size(); ++p) {
      for (std::size_t i = 0; i < shared.size(); ++i) key[i] = projections[p].cells[shared[i]];
      byShared[HashSymbols(key.data(), key.size())].push_back(p);
    }
    for (const Partial& partial : partials) {
      for (std::size_t i = 0; i < shared.size(); ++i) key[i] = partial.cells[shared[i]];
      const auto bucket = byShared.find(HashSymbols(key.data(), key.size()));
      if (bucket == byShared.end()) continue;
      for (std::size_t p : bucket->second) {
        const Partial& projection = projections[p];
        if (!ProjectionIs(projection, shared, key)) continue;
        Partial extended = partial;
        for (Column c : component) extended.cells[c] = projection.cells[c];
        extended.from.push_back(projection.from.front());
        if (!visit(std::move(extended))) return;
      }
    }
  }

  void CheckLimit(std::size_t partials) const {
    if (partials > limit_) throw RowLimitExceeded(limit_);
  }

  // Adds the row of partial unless the tableau holds it; whether it did.
  bool AddRow(const Partial& partial, std::size_t dependency) {
    assert(std::none_of(partial.cells.begin(), partial.cells.end(), [](int s) { return s < 0; }));
    const auto r = static_cast<std::uint32_t>(rows_);
    CheckGrowth(cells_, cols_);
    cells_.insert(cells_.end(), partial.cells.begin(), partial.cells.end());
    ++rows_;
    if (!rowSet_.insert(r).second) {
      --rows_;
      cells_.resize(rows_ * cols_);
      return false;
    }
    if (rows_ > limit_) throw RowLimitExceeded(limit_);
    CheckGrowth(nextInClass_, cols_);
    nextInClass_.resize(rows_ * cols_);
    JoinRings(r);
    if (observer_ != nullptr && observer_->added)
      observer_->added({dependency, partial.from, Row(r), Symbols(r)});
    if (stopEarly_ && IsAllDistinguished(r)) stopped_ = true;
    return true;
  }

  // Whether every cell of row r is in its column's distinguished class, whatever its id.
  bool IsAllDistinguished(std::uint32_t r) const {
    for (Column c{0}; c < cols_; ++c) {
      if (smallest_[ClassAt(c, RowCells(r)[c])] != 0) return false;
    }
    return true;
  }

  Row FirstDistinguishedRow() const {
    for (std::uint32_t r = 0; r < rows_; ++r) {
      if (IsAllDistinguished(r)) return Row(r);
    }
    return kNoRow;
  }

  // Row r as the textbook writes it: each cell the smallest symbol of its class.
  std::vector<int> Symbols(std::uint32_t r) const {
    std::vector<int> symbols(cols_);
    for (Column c{0}; c < cols_; ++c) symbols[c] = smallest_[ClassAt(c, RowCells(r)[c])];
    return symbols;
  }

  Tableau ToTableau() {
    Tableau tableau(static_cast<std::uint32_t>(rows_), static_cast<std::uint32_t>(cols_));
    for (std::uint32_t r = 0; r < rows_; ++r) {
      for (Column c{0}; c < cols_; ++c) tableau(r, c) = smallest_[ClassAt(c, RowCells(r)[c])];
    }
    return tableau;
  }

  const std::size_t cols_;
  const std::size_t initialRows_;
  const std::size_t limit_;
  const ChaseObserver* observer_;
  const bool stopEarly_;
  bool stopped_ = false;
  std::vector<Rule> rules_;
  std::vector<std::vector<std::size_t>> leftUses_;  // per column: functional rules using it
  static constexpr std::uint32_t kNoMember = UINT32_MAX;
  // Each cell holds the id of its class: one of the symbols 0..initialRows_ that its column
  // started with (the chase makes no others), kept while the class absorbs smaller ones. Per
  // column and id: the class's size, a row of it, and its smallest symbol, which the
  // textbook's tableau shows; the cells of a class form a ring.
  std::vector<int> cells_;                  // row by row
  std::vector<std::uint32_t> nextInClass_;  // row by row: the next row of the cell's class
  std::vector<std::uint32_t> classSize_;
  std::vector<std::uint32_t> anchor_;
  std::vector<int> smallest_;
  // Per functional rule, its rows by their classes on the left-hand side; the rows below
  // indexedRows_ are in them.
  std::vector<ProbingTable<std::uint32_t>> tables_;
  std::vector<std::size_t> functionalRules_;
  bool hasFunctional_ = false;
  std::size_t indexedRows_ = 0;
  std::vector<Equalization> pending_;
  std::vector<std::uint32_t> moved_;
  bool changedClasses_ = false;
  std::size_t rows_ = 0;
  // The rows, by their cells: a join adds only rows not in it. Cells change only in
  // RunFunctional, which rebuilds it.
  std::unordered_set<std::uint32_t, RowHash, RowEqual> rowSet_;
};

}  // namespace

Outcome DecideGeneral(const ResolvedInput& input, const DecideOptions& options) {
  return GeneralChase(input, options).Run();
}
