#include "chase.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "memoryguard.h"

namespace {

// A signature's hash: the sum of a term per left-hand cell, each term the column and the
// label multiplied by Fibonacci hashing's multiplier (2^64 divided by the golden ratio) and
// folded by a shift; the sum, seeded by its group, goes through MurmurHash3's 64-bit finalizer.
// A sum, so that a relabelled cell changes it by the difference of two terms.
constexpr std::uint64_t kGoldenRatio64 = 0x9e3779b97f4a7c15ULL;
constexpr std::uint64_t kMurmurMultiplier = 0xff51afd7ed558ccdULL;
constexpr int kMurmurShift = 29;

// From this many left-hand columns on, a row's signature sum is kept, not made again.
constexpr std::size_t kLongLeft = 16;

constexpr std::uint32_t kNone = UINT32_MAX;

std::uint64_t Finalize(std::uint64_t x) {
  x = (x ^ (x >> 32)) * kMurmurMultiplier;
  return x ^ (x >> kMurmurShift);
}

// One multiplication and a shift: enough to make the sum no linear function of the labels.
std::uint64_t Term(Column c, Row label) {
  const std::uint64_t x = ((std::uint64_t{c} << 32) | label) * kGoldenRatio64;
  return x ^ (x >> kMurmurShift);
}

std::uint32_t HashOf(std::uint32_t g, std::uint64_t sum) {
  return static_cast<std::uint32_t>(Finalize(sum ^ ((g + 1ULL) * kGoldenRatio64)) >> 32);
}

std::size_t HashOfRow(std::uint32_t g, Row r) {
  return static_cast<std::size_t>(Finalize(((std::uint64_t{g} << 32) | r) * kGoldenRatio64));
}

}  // namespace

Chase::Chase(SymbolClasses& classes, const ResolvedDependencies& dependencies,
             StepObserver observer, int filterKeyBits)
    : classes_(classes),
      dependencies_(dependencies),
      groups_(dependencies),
      observer_(std::move(observer)),
      signatures_(Signature{0, kNone, Row(0)}),
      signatureFilter_(filterKeyBits),
      rowStates_(RowState{kNone, Row(0), 0, 0, 0, 0, false}) {
  BuildFollowers();
}

void Chase::BuildFollowers() {
  // The one-column dependencies ordered by their column, in input order within one: a column
  // they name twice for one key is then a repeat when that key named it last.
  std::vector<std::uint32_t> room(classes_.ColNo(), 0);
  std::vector<std::uint32_t> start(classes_.ColNo() + 1, 0);
  for (std::size_t j = 0; j < dependencies_.size(); ++j) {
    const ColumnSpan left = dependencies_.Left(j);
    if (left.size() != 1) continue;
    room[left.front()] += static_cast<std::uint32_t>(dependencies_.Right(j).size());
    ++start[left.front() + 1];
  }
  for (std::size_t c = 0; c < classes_.ColNo(); ++c) start[c + 1] += start[c];
  std::vector<std::uint32_t> byKey(start.back());
  for (std::size_t j = 0; j < dependencies_.size(); ++j) {
    const ColumnSpan left = dependencies_.Left(j);
    if (left.size() == 1) byKey[start[left.front()]++] = static_cast<std::uint32_t>(j);
  }
  followers_ = PackedLists<Target>(room);
  std::vector<Column> lastDeterminedBy(classes_.ColNo(), Column(kNone));
  for (std::uint32_t j : byKey) {
    const Column c = dependencies_.Left(j).front();
    for (Column target : dependencies_.Right(j)) {
      if (target == c || lastDeterminedBy[target] == c) continue;
      lastDeterminedBy[target] = c;
      followers_.Add(c, {target, j});
    }
  }
  keyStarted_.assign(classes_.ColNo(), 0);
  if (start.back() != 0) startDistinguished_ = classes_.Distinguished();
  std::size_t longer = 0;
  for (std::size_t j = 0; j < dependencies_.size(); ++j) longer += dependencies_.Left(j).size() > 1;
  CheckMemoryFor(longer, sizeof(GroupState));
  groupStates_.reserve(longer);
  maxGroups_ = longer;
}

bool Chase::Run(bool stopAtAllDistinguishedRow) {
  stopEarly_ = stopAtAllDistinguishedRow;
  if (stopEarly_) CountDistinguished();
  // Unobserved, the dependencies from one column come first: what they make equal is then
  // in place before a longer left-hand side looks at its rows, which otherwise look again at
  // each merge the keys make later (half the looks, on mined files over wide tables). The
  // longer ones follow by right-hand column (LongerByTarget). Observed, the steps follow the
  // file.
  const bool keysFirst = !observer_;
  if (!keysFirst) {
    for (std::size_t j = 0; j < dependencies_.size() && !stopped_; ++j) {
      Meet(j);
      Drain();
    }
  } else {
    for (std::size_t j = 0; j < dependencies_.size() && !stopped_; ++j) {
      if (dependencies_.Left(j).size() != 1) continue;
      Meet(j);
      Drain();
    }
    for (const std::uint32_t j : LongerByTarget()) {
      if (stopped_) break;
      Meet(j);
      Drain();
    }
  }
  ProbeDeferred();
  pending_.clear();
  return stopped_;
}

std::vector<std::uint32_t> Chase::LongerByTarget() const {
  // A counting sort by the first right-hand column: linear in the dependencies.
  const std::size_t columns = classes_.ColNo();
  CheckMemoryFor(columns + 1, sizeof(std::uint32_t));
  std::vector<std::uint32_t> starts(columns + 1, 0);
  const auto target = [&](std::size_t j) -> std::size_t {
    const ColumnSpan right = dependencies_.Right(j);
    return right.empty() ? 0 : std::size_t{right.front()};
  };
  std::size_t longer = 0;
  for (std::size_t j = 0; j < dependencies_.size(); ++j) {
    if (dependencies_.Left(j).size() <= 1) continue;
    ++starts[target(j) + 1];
    ++longer;
  }
  for (std::size_t c = 0; c < columns; ++c) starts[c + 1] += starts[c];
  CheckMemoryFor(longer, sizeof(std::uint32_t));
  std::vector<std::uint32_t> order(longer);
  for (std::size_t j = 0; j < dependencies_.size(); ++j) {
    if (dependencies_.Left(j).size() <= 1) continue;
    order[starts[target(j)]++] = static_cast<std::uint32_t>(j);
  }
  return order;
}

void Chase::DeferTargets(std::uint32_t g, std::size_t count) {
  GroupState& state = groupStates_[g];
  if (state.deferredFrom != kNotDeferred) return;  // waits already, from an earlier target
  state.deferredFrom = static_cast<std::uint32_t>(groups_.Targets(g).size() - count);
  CheckGrowth(deferred_);
  deferred_.push_back(g);
}

namespace {
// How many columns waiting for a look the look merges in for all its rows before draining.
constexpr std::size_t kFewWaiting = 4;
}  // namespace

void Chase::ProbeDeferred() {
  for (std::size_t i = 0; i < deferred_.size() && !stopped_; ++i) {
    const std::uint32_t g = deferred_[i];
    const Targets all = groups_.Targets(g);
    const Targets waiting(all.begin() + groupStates_[g].deferredFrom, all.end());
    groupStates_[g].deferredFrom = kNotDeferred;
    if (IsSettled(g)) continue;
    // A few columns wait as a first look's do, which reads the side for every row at once;
    // more drain a word of rows at a time, so that what waits stays a few rows' worth.
    ProbeAll(g, waiting, waiting.size() > kFewWaiting);
    Drain();
  }
  deferred_.clear();
}

void Chase::Meet(std::size_t j) {
  const ColumnSpan left = dependencies_.Left(j);
  if (left.empty() || dependencies_.Right(j).empty()) return;
  if (left.size() == 1) {
    if (keyStarted_[left.front()]) return;
    keyStarted_[left.front()] = 1;
    StartKey(left.front());
    return;
  }
  const std::size_t groupsBefore = groups_.size();
  const std::uint32_t g = groups_.Add(j, added_);
  if (added_.empty()) return;  // nothing the group did not have
  const Targets targets(added_.data(), added_.data() + added_.size());
  if (g == groupsBefore) {
    // The group's left-hand side is j's.
    groupStates_.push_back({left.begin(), static_cast<std::uint32_t>(left.size()),
                            added_.front().column, kNoRow, 0, false, false, false,
                            observer_ != nullptr});
    CheckGrowth(classLooks_);
    classLooks_.push_back({0, false});
    AddUses(g);
  } else {
    GroupState& state = groupStates_[g];
    state.settled = false;
    state.watched = added_.front().column;
    if (state.usesDropped) {
      // Settled, it was told of no change: it looks at its rows afresh, as a new group does.
      state.indexed = observer_ != nullptr;
      classLooks_[g].rows = 0;
      AddUses(g);
    } else if (!state.mayAgree) {
      return;  // no two rows agree on the left-hand side yet: they get every column when they do
    }
    if (!observer_) {
      // Thousands of dependencies with one left-hand side would each look at every row for
      // a column or two: the rows are looked at once, after the pass, for all of them. Until
      // then a row that changes meets every column of the group, these included.
      DeferTargets(g, added_.size());
      return;
    }
  }
  if (IsSettled(g)) return;  // every column it would merge in is one class already
  ProbeAll(g, targets);
}

namespace {
// How many rows of a key's class ahead StartKey fetches their cells.
constexpr std::size_t kKeyAhead = 8;
}  // namespace

void Chase::StartKey(Column c) {
  // Every merge in c is followed as it happens (Follow), for every dependency from c, from the
  // start; the rows of c's distinguished class at the start agreed on c before any merge.
  // Those alone are what is left: a row that joined the class since came with a merge that
  // was followed, and so agrees with the row it joined in every column c determines.
  // A copy: merges in c while this drains drop complete columns from c's list.
  const Span<Target> list = followers_[c];
  keyTargets_.assign(list.begin(), list.end());
  // Gathered once: a walk of the column's bits per target would cost the rows of the whole
  // tableau for each, though the class holds a few of them.
  keyRows_.clear();
  startDistinguished_.ForEach(c, [&](Row r) { keyRows_.push_back(r); });
  for (const Target& target : keyTargets_) {
    const Row first = classes_.DistinguishedLabel(c);
    if (first == kNoRow) return;
    if (!observer_ && ReadByNone(target.column)) {
      // Merges in a column that nothing reads make no other: they are made as they come, not
      // queued. A key to every column merges every cell this way.
      // The rows of a key's class lie apart in the column: each cell is fetched a few rows
      // ahead, so that their misses overlap.
      for (std::size_t i = 0; i < keyRows_.size() && !stopped_; ++i) {
        if (i + kKeyAhead < keyRows_.size())
          classes_.Prefetch(keyRows_[i + kKeyAhead], target.column);
        const Row r = keyRows_[i];
        if (r != first) MergeUnread(first, r, target.column);
      }
      if (stopped_) return;
      continue;
    }
    // In row order, not in the order the class grew: what follows from each row then
    // touches the cells of neighbouring rows, not of rows all over the column.
    for (std::size_t i = 0; i < keyRows_.size(); ++i) {
      if (i + kKeyAhead < keyRows_.size())
        classes_.Prefetch(keyRows_[i + kKeyAhead], target.column);
      const Row r = keyRows_[i];
      if (r != first) Push(first, r, target.column, target.dependency);
    }
    // One column at a time: what waits is at most a row per cell of the column.
    Drain();
    if (stopped_) return;
  }
}

Column Chase::Driver(std::uint32_t g) const {
  const ColumnSpan left = LeftOf(g);
  return *std::min_element(left.begin(), left.end(), [&](Column a, Column b) {
    return classes_.SharedCount(a) < classes_.SharedCount(b);
  });
}

void Chase::ProbeAll(std::uint32_t g, Targets targets, bool drainEachWord) {
  const Column driver = Driver(g);
  const Column finest = FinestColumn(g);
  if (!groupStates_[g].indexed &&
      (TargetsHoldTogether(driver, targets) || FinestColumnHoldsTargets(finest, targets))) {
    // No pair of rows can change a target: only what the look would have noted is noted.
    const ColumnBits& shared = classes_.Shared();
    Row& first = groupStates_[g].firstDistinguished;
    for (std::size_t w = 0; first == kNoRow && w < shared.WordsPerColumn(); ++w) {
      const std::uint64_t agreeing = shared.Word(driver, w) & DistinguishedOnLeft(g, w);
      if (agreeing != 0) first = LowestRowIn(agreeing, w);
    }
    groupStates_[g].mayAgree = true;
    return;
  }
  const std::size_t queuedBefore = queued_;
  LookAtAll(g, targets, driver, drainEachWord);
  if (lookChangedNothing_.empty()) lookChangedNothing_.assign(classes_.ColNo(), 0);
  lookChangedNothing_[finest] = queued_ == queuedBefore ? 1 : 0;
}

Column Chase::FinestColumn(std::uint32_t g) const {
  Column finest = LeftOf(g).front();
  for (const Column c : LeftOf(g)) {
    if (classes_.SharedClassCount(c) > classes_.SharedClassCount(finest)) finest = c;
  }
  return finest;
}

bool Chase::FinestColumnHoldsTargets(Column finest, Targets targets) {
  // Worked out only once a look with the same finest column changed nothing: while looks
  // merge, their targets are not yet determined, and the rows read would be read for nothing.
  // A column of one class of shared cells is the driver's case, which TargetsHoldTogether
  // answers a word of rows at a time.
  if (lookChangedNothing_.empty() || lookChangedNothing_[finest] == 0 ||
      classes_.SharedClassCount(finest) < 2) {
    return false;
  }
  for (const Target& target : targets) {
    if (!refinements_.Refines(classes_, finest, target.column)) return false;
  }
  return true;
}

void Chase::LookAtAll(std::uint32_t g, Targets targets, Column driver, bool drainEachWord) {
  const ColumnBits& shared = classes_.Shared();
  // A left-hand side of three columns or more that no merge changes during the look reads
  // its columns for all its rows at once, before the exact look: most rows are told apart in
  // a few columns. (Two columns are read whole by either way.) When most rows of the tableau
  // are candidates, not distinguished on the whole side (those are met without a look), it
  // reads the columns whole, and the rows it keeps are the only ones gathered.
  const bool filtering = !groupStates_[g].indexed && !drainEachWord && LeftOf(g).size() >= 3;
  const bool filteringAll = filtering && 4 * classes_.SharedCount(driver) >= classes_.RowNo() &&
                            4 * CountLookedAt(g, driver) >= classes_.RowNo();
  if (filteringAll) {
    CheckMemoryFor(shared.WordsPerColumn(), sizeof(std::uint64_t));
    agreeingWords_.assign(shared.WordsPerColumn(), 0);
    signatureFilter_.FilterAll(classes_, LeftOf(g), filtered_);
  } else if (filtering) {
    filtered_.clear();
  } else if (!groupStates_[g].indexed) {
    rowLook_.Start(classes_.SharedCount(driver));
  }
  for (std::size_t w = 0; w < shared.WordsPerColumn(); ++w) {
    // Only rows whose driver cell shares its class can agree with another row.
    const std::uint64_t candidates = shared.Word(driver, w);
    if (candidates == 0) continue;
    // Those distinguished on the whole left-hand side agree with one another: the first of
    // them stands for all, as AgreeThroughDistinguished would choose it.
    const std::uint64_t agreeing = candidates & DistinguishedOnLeft(g, w);
    if (filteringAll) agreeingWords_[w] = agreeing;
    Row& first = groupStates_[g].firstDistinguished;
    if (first == kNoRow && agreeing != 0) first = LowestRowIn(agreeing, w);
    // Of those, the ones already one class with the first on the target columns need nothing.
    const std::uint64_t settled = agreeing & SettledWithFirst(g, w, targets);
    if ((settled & ~BitIn(first, w)) != 0) groupStates_[g].mayAgree = true;
    // The filter kept the others that may agree, of every row.
    const std::uint64_t visited = filteringAll ? agreeing & ~settled : candidates & ~settled;
    ForEachRowIn(visited, w, [&](Row r) {
      if ((agreeing >> (r % 64)) & 1) {
        AgreeThroughDistinguished(g, r, &targets);
      } else if (groupStates_[g].indexed) {
        // Indexed at the start, or since: merges made between words may index it.
        Probe(g, r, &targets);
      } else if (filtering) {
        CheckGrowth(filtered_);
        filtered_.push_back(r);
      } else {
        Sight(g, r, targets, rowLook_);
      }
    });
    if (drainEachWord) {
      // A row whose cells the merges change is looked at again with every column of g.
      Drain();
      if (stopped_) return;
    }
  }
  if (!filtering) return;
  if (!filteringAll) signatureFilter_.Filter(classes_, LeftOf(g), filtered_);
  MeetKept(g, targets, filteringAll);
}

namespace {
// How many kept rows ahead MeetKept fetches target cells, and for how many targets at most.
constexpr std::size_t kMeetAhead = 8;
constexpr std::size_t kMostPrefetchedTargets = 4;
}  // namespace

void Chase::MeetKept(std::uint32_t g, Targets targets, bool metAgreeing) {
  // Rows kept with one key agree but for a chance: each meets the first row kept with its
  // key, and the two are compared only where the targets still tell them apart. So a side
  // whose targets already hold its rows together compares none. The first of a key may not
  // agree with another of it, which then may agree with a third: an exact look at every row
  // kept settles that.
  const auto metAbove = [&](Row r) {
    return metAgreeing && ((agreeingWords_[r / 64] >> (r % 64)) & 1) != 0;
  };
  if (signatureFilter_.KeptAllAgree()) {
    MeetAllAlike(g, targets, metAbove);
    return;
  }
  const std::vector<std::uint32_t>& firsts = signatureFilter_.FirstsOfKept();
  // The rows kept that are not the first of their key, listed without a branch: which rows
  // are firsts is as random as the keys, and a branch per row would mispredict half the time.
  CheckMemoryFor(filtered_.size(), sizeof(std::uint32_t));
  notFirsts_.resize(filtered_.size());
  std::size_t count = 0;
  for (std::size_t k = 0; k < filtered_.size(); ++k) {
    notFirsts_[count] = static_cast<std::uint32_t>(k);
    count += firsts[k] != k ? 1 : 0;
  }
  const bool prefetch = targets.size() <= kMostPrefetchedTargets;
  const bool exactToOne = targets.size() == 1 && signatureFilter_.KeysAreExact();
  const Column only = exactToOne ? targets.front().column : Column(0);
  bool byChance = false;
  for (std::size_t i = 0; i < count; ++i) {
    // The target cells of kept rows are spread over columns that the last sides left out of
    // the cache: fetched a few rows ahead, their misses overlap.
    if (prefetch && i + kMeetAhead < count) {
      const std::size_t ahead = notFirsts_[i + kMeetAhead];
      for (const Target& target : targets) {
        classes_.Prefetch(filtered_[ahead], target.column);
        classes_.Prefetch(filtered_[firsts[ahead]], target.column);
      }
    }
    const std::size_t k = notFirsts_[i];
    const Row r = filtered_[k];
    if (metAbove(r)) continue;
    const Row first = filtered_[firsts[k]];
    groupStates_[g].mayAgree = true;
    if (exactToOne) {
      // The most frequent look, to one column: its labels are compared once, and the merge
      // queued without a second comparison (a complete column has one label).
      if (!classes_.SameClass(first, r, only)) Queue(first, r, only, targets.front().dependency);
      continue;
    }
    if (OneClassInTargets(first, r, targets)) continue;
    if (signatureFilter_.KeysAreExact() || signatureFilter_.Agree(classes_, first, r)) {
      PushTargets(first, r, targets);
    } else {
      byChance = true;
    }
  }
  if (!byChance) return;
  // Sized for the rows kept, most often a few of the candidates: a smaller table stays in the
  // cache with the columns.
  rowLook_.Start(filtered_.size());
  for (std::size_t k = 0; k < filtered_.size(); ++k) {
    // Those distinguished on the whole side were met above. The filter's hash is the look's:
    // the rows' labels are not read twice.
    const Row r = filtered_[k];
    if (!metAbove(r)) SightWithHash(g, r, signatureFilter_.HashOfKept(k), targets, rowLook_);
  }
}

template <typename MetAbove>
void Chase::MeetAllAlike(std::uint32_t g, Targets targets, MetAbove metAbove) {
  // Every row kept agrees with every other: each target makes them one class with the first.
  // Where the target's shared cells are one class, the rows shared there are in it already:
  // only those alone there are pushed, found a word of rows at a time.
  if (filtered_.size() < 2) return;
  groupStates_[g].mayAgree = true;
  const ColumnBits& shared = classes_.Shared();
  keptWords_.assign(shared.WordsPerColumn(), 0);
  // A word of rows is gathered in a register: the kept rows come in order, and an update of
  // the word in memory per row would wait on the one before.
  std::size_t word = 0;
  std::uint64_t bits = 0;
  for (const Row r : filtered_) {
    if (r / 64 != word) {
      keptWords_[word] |= bits;
      word = r / 64;
      bits = 0;
    }
    if (!metAbove(r)) bits |= std::uint64_t{1} << (r % 64);
  }
  keptWords_[word] |= bits;
  const Row first = filtered_.front();
  for (const Target& target : targets) {
    const Column t = target.column;
    if (classes_.IsComplete(t)) continue;
    const bool unread = !observer_ && ReadByNone(t);
    const auto push = [&](Row r) {
      if (r == first) return;
      if (unread) {
        MergeUnread(first, r, t);
      } else {
        Push(first, r, t, target.dependency);
      }
    };
    if (classes_.SharedClassCount(t) != 1) {
      for (std::size_t w = 0; w < keptWords_.size(); ++w) ForEachRowIn(keptWords_[w], w, push);
      continue;
    }
    // The first joins the shared class through one row of it, when it is not in it.
    bool inClass = shared.Test(first, t);
    for (std::size_t w = 0; w < keptWords_.size(); ++w) {
      std::uint64_t pushed = keptWords_[w] & ~shared.Word(t, w);
      const std::uint64_t inside = keptWords_[w] & shared.Word(t, w);
      if (!inClass && inside != 0) {
        pushed |= inside & (~inside + 1);
        inClass = true;
      }
      ForEachRowIn(pushed, w, push);
    }
  }
}

bool Chase::OneClassInTargets(Row a, Row b, Targets targets) const {
  // A plain loop: it runs for each row kept, and a call with a closure costs more than a test.
  const ColumnBits& shared = classes_.Shared();
  for (const Target& target : targets) {
    const Column t = target.column;
    if (classes_.IsComplete(t)) continue;
    // Where the shared cells are one class, two shared cells are in it: bits, not cells.
    if (classes_.SharedClassCount(t) == 1 && shared.Test(a, t) && shared.Test(b, t)) continue;
    if (!classes_.SameClass(a, b, t)) return false;
  }
  return true;
}

bool Chase::TargetsHoldTogether(Column driver, Targets targets) const {
  // A row that agrees with another has its driver cell shared. A target column holds all such
  // rows together when it is one class, or when its shared cells are one class and every such
  // row is shared there.
  for (const Target& target : targets) {
    const Column t = target.column;
    if (!classes_.IsComplete(t) && classes_.SharedClassCount(t) != 1) return false;
  }
  const ColumnBits& shared = classes_.Shared();
  for (std::size_t w = 0; w < shared.WordsPerColumn(); ++w) {
    const std::uint64_t mayAgree = shared.Word(driver, w);
    if (mayAgree == 0) continue;
    for (const Target& target : targets) {
      const Column t = target.column;
      if (!classes_.IsComplete(t) && (mayAgree & ~shared.Word(t, w)) != 0) return false;
    }
  }
  return true;
}

std::size_t Chase::CountLookedAt(std::uint32_t g, Column driver) const {
  std::size_t count = 0;
  for (std::size_t w = 0; w < classes_.Shared().WordsPerColumn(); ++w) {
    const std::uint64_t candidates = classes_.Shared().Word(driver, w);
    if (candidates != 0) count += PopCount(candidates & ~DistinguishedOnLeft(g, w));
  }
  return count;
}

void Chase::Sight(std::uint32_t g, Row r, Targets targets, Sightings& look) {
  std::uint64_t sum = 0;
  for (Column c : LeftOf(g)) {
    if (!classes_.Shared().Test(r, c)) return;  // alone in a class: it agrees with no row
    sum += Term(c, classes_.Label(r, c));
  }
  SightWithHash(g, r, HashOf(g, sum), targets, look);
}

void Chase::SightWithHash(std::uint32_t g, Row r, std::uint32_t hash, Targets targets,
                          Sightings& look) {
  const Row seen = look.Find(hash, r, [&](Row earlier) { return SameSignature(g, earlier, r); });
  if (seen == kNoRow) return;
  groupStates_[g].mayAgree = true;
  PushTargets(seen, r, targets);
}

void Chase::MarkTouched(std::uint32_t g) {
  if (classLooks_[g].waiting) return;
  classLooks_[g].waiting = true;
  CheckGrowth(touched_);
  touched_.push_back(g);
}

void Chase::LookAtTouched(Row label, Column col) {
  const std::size_t size = classes_.ClassSize(label, col);
  for (const std::uint32_t g : touched_) {
    classLooks_[g].waiting = false;
    if (groupStates_[g].indexed || IsSettled(g)) continue;
    if (classLooks_[g].rows + size > classes_.SharedCount(Driver(g))) {
      Index(g);
    } else {
      classLooks_[g].rows += static_cast<std::uint32_t>(size);
      LookAtClass(g, label, col);
    }
  }
  touched_.clear();
}

void Chase::LookAtClass(std::uint32_t g, Row label, Column col) {
  const Targets targets = groups_.Targets(g);
  classLook_.Start(classes_.ClassSize(label, col));
  const bool isLong = IsLong(g);
  classes_.ForEachMember(label, col, [&](Row r) {
    if (!DistinguishedOnLeft(g, r)) {
      Sight(g, r, targets, classLook_);
    } else if (isLong) {
      AgreeThroughDistinguished(g, r, &targets);  // a short group's did when they changed
    }
  });
}

void Chase::Index(std::uint32_t g) {
  groupStates_[g].indexed = true;
  ProbeAll(g, groups_.Targets(g));
}

std::uint64_t Chase::SettledWithFirst(std::uint32_t g, std::size_t w, Targets targets) const {
  const Row first = groupStates_[g].firstDistinguished;
  if (first == kNoRow) return 0;
  // Rows distinguished wherever the first is, when it is distinguished in every target
  // column; and the first itself.
  std::uint64_t rows = ~std::uint64_t{0};
  for (const Target& target : targets) {
    if (!classes_.IsDistinguished(first, target.column)) {
      rows = 0;
      break;
    }
    rows &= classes_.Distinguished().Word(target.column, w);
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
  if (!observer_ && ReadByNone(col)) {
    // Nothing reads col: the merge makes no other, and its rows need no look again. Groups
    // over many right-hand columns queue millions of such merges.
    MergeUnread(a, b, col);
    return;
  }
  if (classes_.IsComplete(col) || classes_.SameClass(a, b, col)) return;
  const SymbolChange change = observer_ ? classes_.Change(a, b, col) : SymbolChange{};
  const SymbolClasses::Merge merge = classes_.Unite(a, b, col);
  if (observer_) observer_({std::min(a, b), std::max(a, b), col, pending.dependency, change});
  FollowUp(merge, col);
  if (stopped_) return;
  Follow(a, b, col);
}

bool Chase::ReadByNone(Column col) const {
  return followers_[col].empty() && (!usesMade_ || uses_.Empty(col));
}

void Chase::MergeUnread(Row a, Row b, Column col) {
  if (classes_.IsComplete(col)) return;
  // Unite finds the two cells one class as a test would, from the same labels.
  const SymbolClasses::Merge merge = classes_.Unite(a, b, col);
  // No follower to push, no started group to look again: only the counts of distinguished
  // cells, when the chase stops at a row of them. A key to every column makes millions of
  // such merges, and a look for the groups of each cell would find none.
  if (stopEarly_ && merge) CountTurned(merge, col);
}

void Chase::CountTurned(const SymbolClasses::Merge& merge, Column col) {
  using Turned = SymbolClasses::Turned;
  if (merge.turned == Turned::kAbsorbed) {
    classes_.ForEachRelabelled(merge, col, [&](Row r) { CountDistinguished(r); });
  } else if (merge.turned == Turned::kKept) {
    classes_.ForEachFormerlyKept(merge, col, [&](Row r) { CountDistinguished(r); });
  }
}

void Chase::FollowUp(const SymbolClasses::Merge& merge, Column col) {
  assert(merge);
  using Turned = SymbolClasses::Turned;
  // A lone label kept its label and became shared; distinguished too, when its class turned.
  if (merge.labelWasAlone)
    Recheck(merge.label, col, {merge.label, merge.label, true, merge.turned == Turned::kKept});
  const CellChange relabelled{merge.absorbed, merge.label, merge.absorbedWasAlone,
                              merge.turned == Turned::kAbsorbed};
  classes_.ForEachRelabelled(merge, col, [&](Row r) {
    Recheck(r, col, relabelled);
    if (relabelled.becameDistinguished) CountDistinguished(r);
  });
  if (merge.turned == Turned::kKept) {
    classes_.ForEachFormerlyKept(merge, col, [&](Row r) {
      CountDistinguished(r);
      // A lone label was looked at above.
      if (!merge.labelWasAlone) Recheck(r, col, {merge.label, merge.label, false, true});
    });
  }
  if (!touched_.empty()) LookAtTouched(merge.label, col);
}

void Chase::Follow(Row a, Row b, Column c) {
  // Merges in c are the most frequent reason to look at cells.
  PrefetchTargets(a, b, followers_[c]);
  followers_.Filter(c, [&](const Target& follower) {
    if (classes_.IsComplete(follower.column)) return false;  // nothing left to merge there
    Push(a, b, follower.column, follower.dependency);
    return true;
  });
}

void Chase::PrefetchTargets(Row a, Row b, Targets targets) const {
  for (const Target& target : targets) {
    classes_.Prefetch(a, target.column);
    classes_.Prefetch(b, target.column);
  }
}

void Chase::AddUses(std::uint32_t g) {
  if (!usesMade_) {
    uses_ = ColumnGroups(classes_.ColNo(), maxGroups_, !observer_);
    usesMade_ = true;
  }
  GroupState& state = groupStates_[g];
  if (state.usesDropped) ++state.generation;
  state.usesDropped = false;
  for (const Column c : LeftOf(g)) uses_.Add(c, g, state.generation);
}

template <typename Visit>
void Chase::ForEachUse(Column c, Visit visit) {
  if (!usesMade_) return;
  // Visiting adds no use.
  const auto live = [&](std::uint32_t g, std::uint32_t generation) {
    const GroupState& state = groupStates_[g];
    // Most groups are neither dropped nor near settling: their watched column is incomplete.
    return (generation == ColumnGroups::kAnyGeneration || generation == state.generation) &&
           !state.settled && (!classes_.IsComplete(state.watched) || !IsSettled(g));
  };
  uses_.ForEach(c, live, visit);
}

void Chase::Recheck(Row r, Column c, const CellChange& change) {
  // A short left-hand side is looked at whole, here: the most frequent visit.
  const bool signatureChanged = change.becameShared || change.newLabel != change.oldLabel;
  ForEachUse(c, [&](std::uint32_t g) {
    if (!groupStates_[g].indexed) {
      RecheckUnindexed(g, r, change.becameDistinguished, signatureChanged);
      return;
    }
    if (LeftOf(g).size() >= kLongLeft) {
      ProbeChanged(g, r, c, change);
    } else if (signatureChanged) {
      Probe(g, r, nullptr);
    } else if (DistinguishedOnLeft(g, r)) {
      AgreeThroughDistinguished(g, r, nullptr);
    }
  });
}

void Chase::RecheckUnindexed(std::uint32_t g, Row r, bool becameDistinguished,
                             bool signatureChanged) {
  if (IsLong(g)) {
    // Counting the row's distinguished cells would cost its whole left-hand side: the look at
    // the class does, for all the rows of the merge, and it is paid for (LookAtTouched).
    MarkTouched(g);
  } else if (DistinguishedOnLeft(g, r)) {
    // Its partners are the rows distinguished there too, which the first of them stands for,
    // met as when the group is indexed: a row whose signature did not change either was so
    // before, or met the first when its signature last changed.
    if (becameDistinguished || signatureChanged) AgreeThroughDistinguished(g, r, nullptr);
  } else if (signatureChanged) {
    MarkTouched(g);
  }
}

bool Chase::IsLong(std::uint32_t g) const { return LeftOf(g).size() >= kLongLeft; }

bool Chase::DistinguishedOnLeft(std::uint32_t g, Row r) const {
  const ColumnBits& distinguished = classes_.Distinguished();
  const ColumnSpan left = LeftOf(g);
  return std::all_of(left.begin(), left.end(), [&](Column c) { return distinguished.Test(r, c); });
}

std::uint64_t Chase::DistinguishedOnLeft(std::uint32_t g, std::size_t w) const {
  std::uint64_t rows = ~std::uint64_t{0};
  // A long side is often distinguished nowhere: no need to read all its columns for that.
  for (Column c : LeftOf(g)) {
    rows &= classes_.Distinguished().Word(c, w);
    if (rows == 0) break;
  }
  return rows;
}

void Chase::Probe(std::uint32_t g, Row r, const Targets* only) {
  const ColumnSpan left = LeftOf(g);
  if (left.size() >= kLongLeft) {
    ProbeState(g, r, StateOf(g, r), only);
    return;
  }
  // One pass over the cells for both questions.
  bool distinguished = true;
  bool shared = true;
  for (Column c : left) {
    distinguished = distinguished && classes_.IsDistinguished(r, c);
    shared = shared && classes_.Shared().Test(r, c);
    if (!distinguished && !shared) return;  // alone in a class: it agrees with no row
  }
  if (distinguished) {
    AgreeThroughDistinguished(g, r, only);
  } else {
    Lookup(g, r, SumOf(g, r), only);
  }
}

void Chase::ProbeChanged(std::uint32_t g, Row r, Column c, const CellChange& change) {
  assert(IsLong(g));
  RowState* state = CurrentState(g, r);
  if (state == nullptr) {
    // Counted from the cells as they are now, this change included.
    Probe(g, r, nullptr);
    return;
  }
  // Kept up to date even when another row stands for r: new target columns look r up again.
  if (change.newLabel != change.oldLabel) {
    state->sum += Term(c, change.newLabel) - Term(c, change.oldLabel);
  }
  if (change.becameShared) --state->unshared;
  if (change.becameDistinguished) --state->undistinguished;
  if (!state->retired) ProbeState(g, r, *state, nullptr);
}

void Chase::ProbeState(std::uint32_t g, Row r, RowState& state, const Targets* only) {
  if (state.undistinguished == 0) {
    // Rows that agree with r there are distinguished there too: the first of them handles all.
    AgreeThroughDistinguished(g, r, only);
    state.retired = true;
  } else if (state.unshared == 0) {
    // Lookup neither adds nor moves row states: state stays where it is.
    if (Lookup(g, r, state.sum, only)) state.retired = true;
  }
}

Chase::RowState& Chase::StateOf(std::uint32_t g, Row r) {
  if (RowState* found = FindState(g, r)) {
    if (found->generation != groupStates_[g].generation) Count(*found);
    return *found;
  }
  RowState state{g, r, 0, 0, 0, 0, false};
  Count(state);
  rowStates_.FindOrInsert(
      HashOfRow(g, r), state, [](const RowState&) { return false; },
      [](const RowState& s) { return HashOfRow(s.group, s.row); },
      [](const RowState&) { return true; });
  return *FindState(g, r);
}

void Chase::Count(RowState& state) const {
  const Row r = state.row;
  state = {state.group, r, 0, 0, 0, groupStates_[state.group].generation, false};
  for (Column c : LeftOf(state.group)) {
    state.sum += Term(c, classes_.Label(r, c));
    state.unshared += classes_.Shared().Test(r, c) ? 0 : 1;
    state.undistinguished += classes_.IsDistinguished(r, c) ? 0 : 1;
  }
}

Chase::RowState* Chase::CurrentState(std::uint32_t g, Row r) {
  RowState* state = FindState(g, r);
  return state != nullptr && state->generation == groupStates_[g].generation ? state : nullptr;
}

bool Chase::Lookup(std::uint32_t g, Row r, std::uint64_t sum, const Targets* only) {
  const std::uint32_t hash = HashOf(g, sum);
  const Signature* found = signatures_.FindOrInsert(
      hash, {hash, g, r},
      [&](const Signature& entry) {
        return entry.hash == hash && entry.group == g &&
               (entry.row == r || SameSignature(g, entry.row, r));
      },
      [](const Signature& entry) { return entry.hash; },
      [&](const Signature& entry) { return IsLive(entry); });
  if (found == nullptr || found->row == r) return false;
  groupStates_[g].mayAgree = true;
  PushTargets(found->row, r, only != nullptr ? *only : groups_.Targets(g));
  return true;
}

bool Chase::IsLive(const Signature& entry) {
  const std::uint32_t g = entry.group;
  if (IsSettled(g)) return false;
  if (!IsLong(g)) return HashOf(g, SumOf(g, entry.row)) == entry.hash;
  const RowState* state = CurrentState(g, entry.row);
  return state != nullptr && state->unshared == 0 && HashOf(g, state->sum) == entry.hash;
}

Chase::RowState* Chase::FindState(std::uint32_t g, Row r) {
  return rowStates_.Find(HashOfRow(g, r),
                         [&](const RowState& s) { return s.group == g && s.row == r; });
}

void Chase::AgreeThroughDistinguished(std::uint32_t g, Row r, const Targets* only) {
  Row& first = groupStates_[g].firstDistinguished;
  if (first == kNoRow) first = r;
  if (first == r) return;
  groupStates_[g].mayAgree = true;
  for (const Target& target : only != nullptr ? *only : groups_.Targets(g)) {
    const Column c = target.column;
    if (classes_.IsDistinguished(first, c) && classes_.IsDistinguished(r, c)) continue;
    Push(first, r, c, target.dependency);
  }
}

void Chase::PushTargets(Row a, Row b, Targets targets) {
  for (const Target& target : targets) Push(a, b, target.column, target.dependency);
}

std::uint64_t Chase::SumOf(std::uint32_t g, Row r) const {
  std::uint64_t sum = 0;
  for (Column c : LeftOf(g)) sum += Term(c, classes_.Label(r, c));
  return sum;
}

bool Chase::SameSignature(std::uint32_t g, Row a, Row b) const {
  const ColumnSpan left = LeftOf(g);
  return std::all_of(left.begin(), left.end(),
                     [&](Column c) { return classes_.SameClass(a, b, c); });
}

bool Chase::IsSettled(std::uint32_t g) {
  GroupState& state = groupStates_[g];
  if (state.settled) return true;
  // Columns only ever become complete: while the watched column is not, g is not settled.
  if (!classes_.IsComplete(state.watched)) return false;
  for (const Target& target : groups_.Targets(g)) {
    if (!classes_.IsComplete(target.column)) {
      state.watched = target.column;
      return false;
    }
  }
  state.settled = true;
  // Settled, it is not told of changes and its signatures go: new columns need a look at
  // every row, and the group's uses made again.
  state.usesDropped = true;
  return true;
}

void Chase::Queue(Row a, Row b, Column c, std::size_t j) {
  assert(j < dependencies_.size());
  ++queued_;
  CheckGrowth(pending_);
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
