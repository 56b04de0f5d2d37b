#include "chase.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace {

// A signature's hash: seeded by its dependency with Fibonacci hashing's multiplier (2^64
// divided by the golden ratio), then each label mixed in with the multiplier and the shift
// of MurmurHash3's 64-bit finalizer. The table takes the high 32 bits.
constexpr std::uint64_t kGoldenRatio64 = 0x9e3779b97f4a7c15ULL;
constexpr std::uint64_t kMurmurMultiplier = 0xff51afd7ed558ccdULL;
constexpr int kMurmurShift = 29;

constexpr std::uint32_t kNoDependency = UINT32_MAX;

}  // namespace

Chase::Chase(SymbolClasses& classes, const ResolvedDependencies& dependencies,
             StepObserver observer)
    : classes_(classes),
      dependencies_(dependencies),
      observer_(std::move(observer)),
      watched_(dependencies.size(), Column(0)),
      firstDistinguishedOnLeft_(dependencies.size(), kNoRow),
      signatures_(Signature{0, kNoDependency, Row(0)}) {
  for (std::size_t j = 0; j < dependencies.size(); ++j) {
    const ColumnSpan right = dependencies.Right(j);
    if (!right.empty()) watched_[j] = right.front();
  }
  BuildFollowers();
  BuildUses();
}

void Chase::BuildFollowers() {
  std::vector<std::uint32_t> room(classes_.ColNo(), 0);
  for (std::size_t j = 0; j < dependencies_.size(); ++j) {
    const ColumnSpan left = dependencies_.Left(j);
    if (left.size() == 1)
      room[left.front()] += static_cast<std::uint32_t>(dependencies_.Right(j).size());
  }
  followers_ = PackedLists<Follower>(room);
  // In input order, so that a column determined twice keeps its first dependency.
  std::vector<Column> lastDeterminedBy(classes_.ColNo(), Column(UINT32_MAX));
  for (std::size_t j = 0; j < dependencies_.size(); ++j) {
    const ColumnSpan left = dependencies_.Left(j);
    if (left.size() != 1) continue;
    const Column c = left.front();
    for (Column target : dependencies_.Right(j)) {
      if (target == c || lastDeterminedBy[target] == c) continue;
      lastDeterminedBy[target] = c;
      followers_.Add(c, {target, static_cast<std::uint32_t>(j)});
    }
  }
}

void Chase::BuildUses() {
  std::vector<std::uint32_t> room(classes_.ColNo(), 0);
  for (std::size_t j = 0; j < dependencies_.size(); ++j) {
    const ColumnSpan left = dependencies_.Left(j);
    if (left.size() > 1) {
      for (Column c : left) ++room[c];
    }
  }
  uses_ = PackedLists<std::uint32_t>(room);  // filled as each dependency starts
}

bool Chase::Run(bool stopAtAllDistinguishedRow) {
  stopEarly_ = stopAtAllDistinguishedRow;
  if (stopEarly_) CountDistinguished();
  for (std::size_t j = 0; j < dependencies_.size() && !stopped_; ++j) {
    Start(j);
    Drain();
  }
  pending_.clear();
  return stopped_;
}

void Chase::Start(std::size_t j) {
  const ColumnSpan left = dependencies_.Left(j);
  if (left.empty() || dependencies_.Right(j).empty() || IsSettled(j)) return;
  if (left.size() == 1) {
    // Every merge in c is followed as it happens (Follow); the rows of c's distinguished class
    // agreed on c before any merge.
    const Column c = left.front();
    const Row first = classes_.DistinguishedLabel(c);
    if (first == kNoRow) return;
    // In row order, not in the order the class grew: what follows from each row then
    // touches the cells of neighbouring rows, not of rows all over the column.
    for (Column target : dependencies_.Right(j)) {
      if (target == c) continue;
      classes_.Shared().ForEach(c, [&](Row r) {
        if (r != first && classes_.SameClass(r, first, c)) Push(first, r, target, j);
      });
    }
    return;
  }
  for (Column c : left) uses_.Add(c, static_cast<std::uint32_t>(j));
  // Only rows shared in every left-hand column can agree with another row; the column with
  // the fewest shared cells bounds them.
  const Column driver = *std::min_element(left.begin(), left.end(), [&](Column a, Column b) {
    return classes_.SharedCount(a) < classes_.SharedCount(b);
  });
  ProbeAll(j, driver);
}

void Chase::ProbeAll(std::size_t j, Column driver) {
  const ColumnBits& shared = classes_.Shared();
  for (std::size_t w = 0; w < shared.WordsPerColumn(); ++w) {
    // Only rows whose driver cell shares its class can agree with another row.
    const std::uint64_t candidates = shared.Word(driver, w);
    if (candidates == 0) continue;
    // Those distinguished on the whole left-hand side agree with one another: the first of
    // them stands for all, as AgreeThroughDistinguished would choose it.
    const std::uint64_t agreeing = candidates & DistinguishedOnLeft(j, w);
    Row& first = firstDistinguishedOnLeft_[j];
    if (first == kNoRow && agreeing != 0) first = LowestRowIn(agreeing, w);
    // Of those, the ones already one class with the first on the right-hand side need nothing.
    const std::uint64_t settled = agreeing & SettledWithFirst(j, w);
    ForEachRowIn(candidates & ~settled, w, [&](Row r) {
      if ((agreeing >> (r % 64)) & 1) {
        AgreeThroughDistinguished(j, r);
      } else {
        Probe(j, r);
      }
    });
  }
}

std::uint64_t Chase::SettledWithFirst(std::size_t j, std::size_t w) const {
  const Row first = firstDistinguishedOnLeft_[j];
  if (first == kNoRow) return 0;
  // Rows distinguished wherever the first is, when it is distinguished in every right-hand
  // column; and the first itself.
  std::uint64_t rows = ~std::uint64_t{0};
  for (Column target : dependencies_.Right(j)) {
    if (!classes_.IsDistinguished(first, target)) {
      rows = 0;
      break;
    }
    rows &= classes_.Distinguished().Word(target, w);
  }
  return rows | BitIn(first, w);
}

void Chase::Drain() {
  while (!pending_.empty() && !stopped_) {
    const PendingMerge pending = pending_.back();
    pending_.pop_back();
    Equalize(pending);
  }
}

void Chase::Equalize(const PendingMerge& pending) {
  const Row a = pending.a;
  const Row b = pending.b;
  const Column col = pending.column;
  if (classes_.IsComplete(col) || classes_.SameClass(a, b, col)) return;
  const SymbolChange change = observer_ ? classes_.Change(a, b, col) : SymbolChange{};
  const SymbolClasses::Merge merge = classes_.Unite(a, b, col);
  if (observer_) observer_({std::min(a, b), std::max(a, b), col, pending.dependency, change});
  FollowUp(merge, col);
  if (stopped_) return;
  Follow(a, b, col);
}

void Chase::FollowUp(const SymbolClasses::Merge& merge, Column col) {
  assert(merge);
  if (merge.labelWasAlone) Recheck(merge.label, col);
  const bool absorbedTurned = merge.turned == SymbolClasses::Turned::kAbsorbed;
  classes_.ForEachRelabelled(merge, col, [&](Row r) {
    Recheck(r, col);
    if (absorbedTurned) CountDistinguished(r);
  });
  if (merge.turned == SymbolClasses::Turned::kKept) {
    classes_.ForEachFormerlyKept(merge, col, [&](Row r) {
      CountDistinguished(r);
      // A lone label was looked at whole above.
      if (!merge.labelWasAlone) RecheckDistinguished(r, col);
    });
  }
}

void Chase::Follow(Row a, Row b, Column c) {
  followers_.Filter(c, [&](const Follower& follower) {
    if (classes_.IsComplete(follower.column)) return false;  // nothing left to merge there
    Push(a, b, follower.column, follower.dependency);
    return true;
  });
}

template <typename Visit>
void Chase::ForEachUse(Column c, Visit visit) {
  uses_.Filter(c, [&](std::uint32_t j) {
    if (IsSettled(j)) return false;
    visit(j);
    return true;
  });
}

void Chase::Recheck(Row r, Column c) {
  ForEachUse(c, [&](std::uint32_t j) { Probe(j, r); });
}

void Chase::RecheckDistinguished(Row r, Column c) {
  ForEachUse(c, [&](std::uint32_t j) {
    if (DistinguishedOnLeft(j, r)) AgreeThroughDistinguished(j, r);
  });
}

bool Chase::DistinguishedOnLeft(std::size_t j, Row r) const {
  const ColumnBits& distinguished = classes_.Distinguished();
  const std::size_t w = r / 64;
  const std::uint64_t bit = std::uint64_t{1} << (r % 64);
  for (Column c : dependencies_.Left(j)) {
    if ((distinguished.Word(c, w) & bit) == 0) return false;
  }
  return true;
}

std::uint64_t Chase::DistinguishedOnLeft(std::size_t j, std::size_t w) const {
  std::uint64_t rows = ~std::uint64_t{0};
  for (Column c : dependencies_.Left(j)) rows &= classes_.Distinguished().Word(c, w);
  return rows;
}

void Chase::Probe(std::size_t j, Row r) {
  if (DistinguishedOnLeft(j, r)) {
    AgreeThroughDistinguished(j, r);
    return;
  }
  for (Column c : dependencies_.Left(j)) {
    if (!classes_.Shared().Test(r, c)) return;  // alone in a class: it agrees with no row
  }
  auto isLive = [&](const Signature& entry) {
    return !IsSettled(entry.dependency) && Hash(entry.dependency, entry.row) == entry.hash;
  };
  const std::uint32_t hash = Hash(j, r);
  const Signature* found = signatures_.FindOrInsert(
      hash, {hash, static_cast<std::uint32_t>(j), r},
      [&](const Signature& entry) {
        return entry.hash == hash && entry.dependency == j && SameSignature(j, entry.row, r);
      },
      [](const Signature& entry) { return entry.hash; }, isLive);
  if (found == nullptr || found->row == r) return;
  const Row other = found->row;
  for (Column target : dependencies_.Right(j)) Push(other, r, target, j);
}

void Chase::AgreeThroughDistinguished(std::size_t j, Row r) {
  Row& first = firstDistinguishedOnLeft_[j];
  if (first == kNoRow) {
    first = r;
    return;
  }
  for (Column target : dependencies_.Right(j)) {
    if (classes_.IsDistinguished(first, target) && classes_.IsDistinguished(r, target)) continue;
    Push(first, r, target, j);
  }
}

std::uint32_t Chase::Hash(std::size_t j, Row r) const {
  std::uint64_t hash = (j + 1) * kGoldenRatio64;
  for (Column c : dependencies_.Left(j)) {
    hash = (hash ^ classes_.Label(r, c)) * kMurmurMultiplier;
    hash ^= hash >> kMurmurShift;
  }
  return static_cast<std::uint32_t>(hash >> 32);
}

bool Chase::SameSignature(std::size_t j, Row a, Row b) const {
  const ColumnSpan left = dependencies_.Left(j);
  return std::all_of(left.begin(), left.end(),
                     [&](Column c) { return classes_.SameClass(a, b, c); });
}

bool Chase::IsSettled(std::size_t j) {
  assert(!dependencies_.Right(j).empty());
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

void Chase::Push(Row a, Row b, Column c, std::size_t j) {
  assert(j < dependencies_.size());
  if (classes_.IsComplete(c) || classes_.SameClass(a, b, c)) return;
  pending_.push_back({a, b, c, static_cast<std::uint32_t>(j)});
}

void Chase::CountDistinguished() {
  const ColumnBits& distinguished = classes_.Distinguished();
  distinguishedInRow_.assign(classes_.RowNo(), 0);
  for (Column c{0}; c < classes_.ColNo(); ++c) {
    distinguished.ForEach(c, [&](Row r) { ++distinguishedInRow_[r]; });
  }
  for (std::uint32_t count : distinguishedInRow_) {
    if (count == classes_.ColNo()) stopped_ = true;
  }
}

void Chase::CountDistinguished(Row r) {
  if (stopEarly_ && ++distinguishedInRow_[r] == classes_.ColNo()) stopped_ = true;
}
