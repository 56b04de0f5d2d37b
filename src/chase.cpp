#include "chase.h"

#include <algorithm>
#include <utility>

// Signatures of rows for the dependencies with a longer left-hand side, all in one
// open-addressing table of (hash, dependency, row). An entry is never removed when its row
// gets a new signature: it goes stale, and a lookup compares the rows' current labels, so a
// stale entry can never cause a wrong merge. Growing the table drops the stale entries.
class Chase::SignatureTable {
 public:
  static constexpr std::uint32_t kEmpty = static_cast<std::uint32_t>(-1);

  // The row of an entry for dependency j whose signature equals row's (as same(other)
  // says), or kNone after inserting row. isLive(entry) tells whether an entry still holds its
  // row's current signature; only live entries survive growth.
  template <typename Same, typename IsLive>
  Row FindOrInsert(std::uint32_t hash, std::uint32_t j, Row row, Same same, IsLive isLive) {
    if (2 * (used_ + 1) > slots_.size()) Grow(isLive);
    for (std::size_t slot = hash & mask_;; slot = (slot + 1) & mask_) {
      Entry& entry = slots_[slot];
      if (entry.dependency == kEmpty) {
        entry = {hash, j, row};
        ++used_;
        return SymbolClasses::kNone;
      }
      if (entry.hash == hash && entry.dependency == j && same(entry.row)) return entry.row;
    }
  }

  struct Entry {
    std::uint32_t hash;
    std::uint32_t dependency;
    Row row;
  };

 private:
  template <typename IsLive>
  void Grow(IsLive isLive) {
    std::vector<Entry> old = std::move(slots_);
    std::size_t live = 0;
    for (const Entry& entry : old) live += entry.dependency != kEmpty && isLive(entry);
    std::size_t capacity = 64;
    while (capacity < 4 * (live + 1)) capacity *= 2;
    slots_.assign(capacity, Entry{0, kEmpty, 0});
    mask_ = capacity - 1;
    used_ = 0;
    for (const Entry& entry : old) {
      if (entry.dependency == kEmpty || !isLive(entry)) continue;
      std::size_t slot = entry.hash & mask_;
      while (slots_[slot].dependency != kEmpty) slot = (slot + 1) & mask_;
      slots_[slot] = entry;
      ++used_;
    }
  }

  std::vector<Entry> slots_;
  std::size_t used_ = 0;
  std::size_t mask_ = 0;
};

Chase::Chase(SymbolClasses& classes, const ResolvedDependencies& dependencies, Observer observer)
    : classes_(classes),
      dependencies_(dependencies),
      observer_(std::move(observer)),
      watched_(dependencies.size(), 0),
      allDistinguished_(dependencies.size(), SymbolClasses::kNone),
      signatures_(std::make_unique<SignatureTable>()) {
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    ColumnSpan right = dependencies.Right(j);
    if (!right.empty()) watched_[j] = right.front();
  }
  BuildFollowers();
  BuildUses();
}

Chase::~Chase() = default;

template <typename T>
void Chase::Ranges<T>::Allocate(const std::vector<std::uint32_t>& count) {
  begin.assign(count.size(), 0);
  end.assign(count.size(), 0);
  std::uint32_t total = 0;
  for (std::size_t c = 0; c < count.size(); ++c) {
    begin[c] = end[c] = total;
    total += count[c];
  }
  items.resize(total);
}

void Chase::BuildFollowers() {
  const std::size_t cols = classes_.ColNo();
  std::vector<std::uint32_t> count(cols, 0);
  for (std::size_t j = 0; j < dependencies_.size(); ++j) {
    ColumnSpan left = dependencies_.Left(j);
    if (left.size() == 1)
      count[left.front()] += static_cast<std::uint32_t>(dependencies_.Right(j).size());
  }
  followers_.Allocate(count);
  // In input order, so that a column determined twice keeps its first dependency.
  std::vector<std::uint32_t> seenIn(cols, static_cast<std::uint32_t>(-1));
  for (std::size_t j = 0; j < dependencies_.size(); ++j) {
    ColumnSpan left = dependencies_.Left(j);
    if (left.size() != 1) continue;
    Column c = left.front();
    for (Column target : dependencies_.Right(j)) {
      if (target == c || seenIn[target] == c) continue;
      seenIn[target] = c;
      followers_.items[followers_.end[c]++] = {target, static_cast<std::uint32_t>(j)};
    }
  }
}

void Chase::BuildUses() {
  const std::size_t cols = classes_.ColNo();
  std::vector<std::uint32_t> count(cols, 0);
  for (std::size_t j = 0; j < dependencies_.size(); ++j) {
    ColumnSpan left = dependencies_.Left(j);
    if (left.size() > 1) {
      for (Column c : left) ++count[c];
    }
  }
  uses_.Allocate(count);  // filled as each dependency starts
}

void Chase::Run(bool stopAtAllDistinguishedRow) {
  stopEarly_ = stopAtAllDistinguishedRow;
  stopped_ = stopEarly_ && classes_.AllDistinguishedRow() != SymbolClasses::kNone;
  for (std::size_t j = 0; j < dependencies_.size() && !stopped_; ++j) {
    Start(j);
    Drain();
  }
  pending_.clear();
}

void Chase::Start(std::size_t j) {
  ColumnSpan left = dependencies_.Left(j);
  if (left.empty() || dependencies_.Right(j).empty() || IsSettled(j)) return;
  if (left.size() == 1) {
    // The rows that start distinguished in c agree on c: every later merge in c is
    // followed as it happens.
    Column c = left.front();
    Row first = classes_.DistinguishedRow(c);
    if (first == SymbolClasses::kNone) return;
    // In row order, not in the order the class grew: what follows from each row then
    // touches the cells of neighbouring rows, not of rows all over the column.
    for (Column target : dependencies_.Right(j)) {
      if (target == c) continue;
      classes_.ForEachShared(c, [&](Row r) {
        if (r != first && classes_.SameClass(c, r, first)) Push(target, first, r, j);
      });
    }
    return;
  }
  for (Column c : left) uses_.items[uses_.end[c]++] = static_cast<std::uint32_t>(j);
  // Only rows shared in every left-hand column can agree with another row; the column with
  // the fewest shared cells bounds them.
  Column driver = *std::min_element(left.begin(), left.end(), [&](Column a, Column b) {
    return classes_.SharedCount(a) < classes_.SharedCount(b);
  });
  ProbeAll(j, driver);
}

void Chase::ProbeAll(std::size_t j, Column driver) {
  ColumnSpan left = dependencies_.Left(j);
  ColumnSpan right = dependencies_.Right(j);
  Row& first = allDistinguished_[j];
  for (std::size_t w = 0; w < classes_.WordsPerColumn(); ++w) {
    const std::uint64_t shared = classes_.SharedWord(driver, w);
    if (shared == 0) continue;
    std::uint64_t agreeing = shared;
    for (Column c : left) agreeing &= classes_.DistinguishedWord(c, w);
    // The lowest row distinguished on the whole left-hand side stands for all such rows, as
    // it would once probed. Those that are distinguished in every right-hand column where it
    // is are one class with it there already: they need nothing.
    if (first == SymbolClasses::kNone && agreeing != 0) {
      first = static_cast<Row>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(agreeing)));
    }
    std::uint64_t settled = agreeing;
    for (Column target : right) {
      if (first == SymbolClasses::kNone || !classes_.IsDistinguishedCell(target, first)) {
        settled = 0;
        break;
      }
      settled &= classes_.DistinguishedWord(target, w);
    }
    if (first / 64 == w) settled |= std::uint64_t{1} << (first % 64);
    for (std::uint64_t word = shared & ~(agreeing & settled); word != 0; word &= word - 1) {
      auto r = static_cast<Row>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(word)));
      if ((agreeing >> (r % 64)) & 1) {
        AgreeThroughDistinguished(j, r);
      } else {
        Probe(j, r);
      }
    }
  }
}

void Chase::Drain() {
  while (!pending_.empty() && !stopped_) {
    Union u = pending_.back();
    pending_.pop_back();
    Apply(u);
  }
}

void Chase::Apply(const Union& u) {
  if (classes_.IsComplete(u.column)) return;
  SymbolClasses::Merge merge;
  bool merged = classes_.Unite(
      u.column, u.a, u.b, observer_ ? &merge : nullptr, [&](Row r) { Resign(u.column, r); },
      [&](Row r) { Resign(u.column, r, true); });
  if (!merged) return;
  if (observer_) {
    observer_({std::min(u.a, u.b), std::max(u.a, u.b), u.column, u.dependency, merge});
  }
  if (stopEarly_ && classes_.AllDistinguishedRow() != SymbolClasses::kNone) {
    stopped_ = true;
    return;
  }
  Follow(u.column, u.a, u.b);
}

void Chase::Follow(Column c, Row a, Row b) {
  for (std::uint32_t at = followers_.begin[c]; at < followers_.end[c];) {
    Follower follower = followers_.items[at];
    if (classes_.IsComplete(follower.column)) {
      followers_.Drop(c, at);
      continue;
    }
    Push(follower.column, a, b, follower.dependency);
    ++at;
  }
}

void Chase::Resign(Column c, Row r, bool onlyDistinguished) {
  for (std::uint32_t at = uses_.begin[c]; at < uses_.end[c];) {
    std::uint32_t j = uses_.items[at];
    if (IsSettled(j)) {
      uses_.Drop(c, at);
      continue;
    }
    if (!onlyDistinguished || AllDistinguished(j, r)) Probe(j, r);
    ++at;
  }
}

bool Chase::AllDistinguished(std::size_t j, Row r) const {
  ColumnSpan left = dependencies_.Left(j);
  return std::all_of(left.begin(), left.end(),
                     [&](Column c) { return classes_.IsDistinguishedCell(c, r); });
}

void Chase::Probe(std::size_t j, Row r) {
  ColumnSpan left = dependencies_.Left(j);
  // The rows distinguished in every left-hand column all agree: one of them stands for all,
  // and no signature is needed.
  if (AllDistinguished(j, r)) {
    AgreeThroughDistinguished(j, r);
    return;
  }
  for (Column c : left) {
    if (!classes_.IsShared(c, r)) return;
  }
  auto isLive = [&](const SignatureTable::Entry& entry) {
    return !IsSettled(entry.dependency) && Hash(entry.dependency, entry.row) == entry.hash;
  };
  Row other = signatures_->FindOrInsert(
      Hash(j, r), static_cast<std::uint32_t>(j), r,
      [&](Row candidate) { return SameSignature(j, candidate, r); }, isLive);
  if (other == SymbolClasses::kNone || other == r) return;
  for (Column target : dependencies_.Right(j)) Push(target, other, r, j);
}

void Chase::AgreeThroughDistinguished(std::size_t j, Row r) {
  Row& first = allDistinguished_[j];
  if (first == SymbolClasses::kNone) {
    first = r;
    return;
  }
  for (Column target : dependencies_.Right(j)) {
    if (classes_.IsDistinguishedCell(target, first) && classes_.IsDistinguishedCell(target, r))
      continue;
    Push(target, first, r, j);
  }
}

std::uint32_t Chase::Hash(std::size_t j, Row r) const {
  std::uint64_t hash = (j + 1) * 0x9e3779b97f4a7c15ULL;
  for (Column c : dependencies_.Left(j)) {
    hash = (hash ^ classes_.Label(c, r)) * 0xff51afd7ed558ccdULL;
    hash ^= hash >> 29;
  }
  return static_cast<std::uint32_t>(hash >> 32);
}

bool Chase::SameSignature(std::size_t j, Row a, Row b) const {
  ColumnSpan left = dependencies_.Left(j);
  return std::all_of(left.begin(), left.end(),
                     [&](Column c) { return classes_.SameClass(c, a, b); });
}

bool Chase::IsSettled(std::size_t j) {
  // Columns only ever become complete: while the watched column is not, j is not settled.
  if (!classes_.IsComplete(watched_[j])) return false;
  for (Column c : dependencies_.Right(j)) {
    if (!classes_.IsComplete(c)) {
      watched_[j] = c;
      return false;
    }
  }
  return true;
}

void Chase::Push(Column c, Row a, Row b, std::size_t j) {
  if (classes_.IsComplete(c) || classes_.SameClass(c, a, b)) return;
  pending_.push_back({c, a, b, static_cast<std::uint32_t>(j)});
}
