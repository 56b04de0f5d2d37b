#include "generalchase.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <numeric>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "memoryguard.h"

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
    // Every symbol its own class: per column, the parent of s is s.
    symbolParent_.resize(cols_ * (initialRows_ + 1));
    for (std::size_t c = 0; c < cols_; ++c) {
      const auto begin =
          symbolParent_.begin() + static_cast<std::ptrdiff_t>(c * (initialRows_ + 1));
      std::iota(begin, begin + static_cast<std::ptrdiff_t>(initialRows_ + 1), 0);
    }
    cells_.assign(initialRows_ * cols_, 0);
    for (Row r{0}; r < initialRows_; ++r) {
      std::fill_n(&cells_[r * cols_], cols_, static_cast<int>(r) + 1);
      for (Column c : input.rowColumns[r]) cells_[r * cols_ + c] = 0;
    }
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
      switch (dependencies.Kind(j)) {
        case DependencyKind::kFunctional:
          if (left.empty() || right.empty()) break;  // never applies, or says nothing
          rules_.push_back({j, true, {left.begin(), left.end()}, {right.begin(), right.end()}, {}});
          break;
        case DependencyKind::kMultivalued:
          if (!left.empty()) AddMultivalued(j, left, right);
          break;
        case DependencyKind::kJoin: {
          Rule rule{j, false, {}, {}, {}};
          for (ColumnSpan component : dependencies.Components(j))
            rule.components.emplace_back(component.begin(), component.end());
          if (rule.components.size() >= 2) rules_.push_back(std::move(rule));
          break;
        }
      }
    }
  }

  // Per column, the functional rules with it on their left-hand side.
  void IndexLeftUses() {
    leftUses_.assign(cols_, {});
    for (std::size_t i = 0; i < rules_.size(); ++i) {
      if (!rules_[i].functional) continue;
      for (Column c : rules_[i].left) leftUses_[c].push_back(i);
    }
  }

  // X->>Y as *(XY | X(U-Y)); one that always holds adds no row, and is left out.
  void AddMultivalued(std::size_t j, ColumnSpan left, ColumnSpan right) {
    std::vector<std::uint8_t> inLeft(cols_, 0), inRight(cols_, 0);
    for (Column c : left) inLeft[c] = 1;
    for (Column c : right) inRight[c] = 1;
    Rule rule{j, false, {}, {}, {{}, {}}};
    for (Column c{0}; c < cols_; ++c) {
      if (inLeft[c] || inRight[c]) rule.components[0].push_back(c);
      if (inLeft[c] || !inRight[c]) rule.components[1].push_back(c);
    }
    if (rule.components[0].size() == cols_ || rule.components[1].size() == cols_) return;
    rules_.push_back(std::move(rule));
  }

  const int* RowCells(std::uint32_t r) const { return &cells_[r * cols_]; }
  int* RowCells(std::uint32_t r) { return &cells_[r * cols_]; }

  int Find(Column c, int symbol) {
    int* parent = &symbolParent_[c * (initialRows_ + 1)];
    int root = symbol;
    while (parent[root] != root) root = parent[root];
    while (parent[symbol] != root) symbol = std::exchange(parent[symbol], root);
    return root;
  }

  // Functional dependencies until none changes anything; then every cell holds the symbol
  // that stands for its class, and the set of rows is rebuilt when any changed. A dependency
  // is applied again only when a column of its left-hand side changed: a chain of them costs
  // one application per link, not a pass over all of them per link.
  void RunFunctional() {
    std::vector<std::size_t> waiting;
    std::vector<std::uint8_t> isWaiting(rules_.size(), 0);
    for (std::size_t i = rules_.size(); i-- > 0;) {
      if (!rules_[i].functional) continue;
      waiting.push_back(i);
      isWaiting[i] = 1;
    }
    bool changedAny = false;
    std::vector<Column> changed;
    while (!waiting.empty()) {
      const std::size_t i = waiting.back();
      waiting.pop_back();
      isWaiting[i] = 0;
      changed.clear();
      ApplyFunctional(rules_[i], changed);
      for (Column c : changed) {
        changedAny = true;
        for (std::size_t user : leftUses_[c]) {
          if (!isWaiting[user]) {
            isWaiting[user] = 1;
            waiting.push_back(user);
          }
        }
      }
    }
    if (!changedAny) return;
    for (std::uint32_t r = 0; r < rows_; ++r) {
      int* cells = RowCells(r);
      for (Column c{0}; c < cols_; ++c) cells[c] = Find(c, cells[c]);
    }
    RebuildRowSet();
  }

  // Groups the rows by their classes on the left-hand side, and makes each group one class in
  // every right-hand column; adds the columns where a class changed to changed.
  void ApplyFunctional(const Rule& rule, std::vector<Column>& changed) {
    std::unordered_map<std::size_t, std::vector<std::uint32_t>> byKey;
    std::vector<int> key(rule.left.size());
    for (std::uint32_t r = 0; r < rows_; ++r) {
      for (std::size_t i = 0; i < key.size(); ++i)
        key[i] = Find(rule.left[i], RowCells(r)[rule.left[i]]);
      std::vector<std::uint32_t>& bucket = byKey[HashSymbols(key.data(), key.size())];
      std::uint32_t first = r;
      for (std::uint32_t other : bucket) {
        if (SameOnLeft(rule, other, key)) {
          first = other;
          break;
        }
      }
      if (first == r) {
        bucket.push_back(r);
        continue;
      }
      for (Column c : rule.right) {
        if (Equate(first, r, c, rule.dependency)) changed.push_back(c);
      }
    }
  }

  bool SameOnLeft(const Rule& rule, std::uint32_t r, const std::vector<int>& key) {
    for (std::size_t i = 0; i < key.size(); ++i) {
      if (Find(rule.left[i], RowCells(r)[rule.left[i]]) != key[i]) return false;
    }
    return true;
  }

  // Makes the classes of rows a and b in column c one; whether they were two.
  bool Equate(std::uint32_t a, std::uint32_t b, Column c, std::size_t dependency) {
    const int x = Find(c, RowCells(a)[c]);
    const int y = Find(c, RowCells(b)[c]);
    if (x == y) return false;
    const int kept = std::min(x, y);
    const int dropped = std::max(x, y);
    if (observer_ != nullptr && observer_->step) {
      std::size_t cells = 0;
      for (std::uint32_t r = 0; r < rows_; ++r) cells += Find(c, RowCells(r)[c]) == dropped;
      symbolParent_[c * (initialRows_ + 1) + static_cast<std::size_t>(dropped)] = kept;
      observer_->step(
          {Row(std::min(a, b)), Row(std::max(a, b)), c, dependency, {kept, dropped, cells}});
    } else {
      symbolParent_[c * (initialRows_ + 1) + static_cast<std::size_t>(dropped)] = kept;
    }
    return true;
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
    if (observer_ != nullptr && observer_->added)
      observer_->added({dependency, partial.from, Row(r), partial.cells});
    if (stopEarly_ &&
        std::all_of(partial.cells.begin(), partial.cells.end(), [](int s) { return s == 0; })) {
      stopped_ = true;
    }
    return true;
  }

  Row FirstDistinguishedRow() const {
    for (std::uint32_t r = 0; r < rows_; ++r) {
      if (std::all_of(RowCells(r), RowCells(r) + cols_, [](int s) { return s == 0; }))
        return Row(r);
    }
    return kNoRow;
  }

  Tableau ToTableau() {
    Tableau tableau(static_cast<std::uint32_t>(rows_), static_cast<std::uint32_t>(cols_));
    for (std::uint32_t r = 0; r < rows_; ++r) {
      for (Column c{0}; c < cols_; ++c) tableau(r, c) = Find(c, RowCells(r)[c]);
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
  // Per column, the union-find of its symbols 0..initialRows_: the chase makes no others.
  std::vector<int> symbolParent_;
  std::vector<int> cells_;  // row by row
  std::size_t rows_ = 0;
  // The rows, by their cells: a join adds only rows not in it. Cells change only in
  // RunFunctional, which rebuilds it.
  std::unordered_set<std::uint32_t, RowHash, RowEqual> rowSet_;
};

}  // namespace

Outcome DecideGeneral(const ResolvedInput& input, const DecideOptions& options) {
  return GeneralChase(input, options).Run();
}
