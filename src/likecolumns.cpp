#include "likecolumns.h"

#include <algorithm>

#include "memoryguard.h"

namespace {

// A 64-bit mix in which every bit of x reaches every bit of the result (splitmix64's).
std::uint64_t Scramble(std::uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

}  // namespace

bool SameClasses(const SymbolClasses& classes, Column a, Column b, std::vector<Row>& labelIn) {
  // Columns whose cells alone differ differ: a quick way out, which the rest would find too.
  const std::uint64_t* sharedA = classes.Shared().Words(a);
  const std::uint64_t* sharedB = classes.Shared().Words(b);
  if (!std::equal(sharedA, sharedA + classes.Shared().WordsPerColumn(), sharedB)) return false;
  // Every class of a must lie in one class of b: the one its first row is in there, where its
  // other rows must be too.
  const SymbolClasses::ColumnLabels labelsA = classes.LabelsOf(a);
  const SymbolClasses::ColumnLabels labelsB = classes.LabelsOf(b);
  // Columns merged in the same order have the same labels too: one pass tells.
  bool sameLabels = true;
  classes.Shared().ForEach(a, [&](Row r) { sameLabels = sameLabels && labelsA[r] == labelsB[r]; });
  if (sameLabels) return true;
  bool same = true;
  classes.Shared().ForEach(a, [&](Row r) {
    Row& inB = labelIn[labelsA[r]];
    if (inB == kNoRow) inB = labelsB[r];
    same = same && inB == labelsB[r];
  });
  classes.Shared().ForEach(a, [&](Row r) { labelIn[labelsA[r]] = kNoRow; });
  if (!same) return false;
  // And every class of b in one class of a.
  classes.Shared().ForEach(b, [&](Row r) {
    Row& inA = labelIn[labelsB[r]];
    if (inA == kNoRow) inA = labelsA[r];
    same = same && inA == labelsA[r];
  });
  classes.Shared().ForEach(b, [&](Row r) { labelIn[labelsB[r]] = kNoRow; });
  return same;
}

void LikeColumns::Reset(const SymbolClasses& classes) {
  identity_ = classes.Identity();
  entries_.assign(classes.ColNo(), Entry{});
  byFingerprint_.clear();
  CheckMemoryFor(classes.RowNo(), sizeof(std::uint64_t) + sizeof(Row));
  sums_.assign(classes.RowNo(), 0);
  labelIn_.assign(classes.RowNo(), kNoRow);
  orderSeen_.assign(classes.ColNo(), 0);
  orderNumber_ = 0;
}

ColumnSpan LikeColumns::Order(const SymbolClasses& classes, ColumnSpan left) {
  if (identity_ != classes.Identity()) Reset(classes);
  if (++orderNumber_ == 0) {
    std::fill(orderSeen_.begin(), orderSeen_.end(), 0);
    orderNumber_ = 1;
  }
  ordered_.clear();
  repeated_.clear();
  key_.clear();
  for (const Column c : left) {
    const Column standsFor = StandsFor(classes, c);
    if (orderSeen_[standsFor] == orderNumber_) {
      repeated_.push_back(c);
      continue;
    }
    orderSeen_[standsFor] = orderNumber_;
    ordered_.push_back(c);
    key_.push_back(standsFor);
  }
  std::sort(key_.begin(), key_.end());
  const std::size_t distinct = key_.size();
  key_.resize(2 * distinct);
  for (std::size_t i = distinct; i-- > 0;) {
    key_[2 * i] = key_[i];
    key_[2 * i + 1] = classes.MergesIn(Column(key_[i]));
  }
  ordered_.insert(ordered_.end(), repeated_.begin(), repeated_.end());
  return {ordered_.data(), ordered_.data() + ordered_.size()};
}

Column LikeColumns::StandsFor(const SymbolClasses& classes, Column col) {
  Entry& entry = entries_[col];
  if (entry.compared && entry.merges == classes.MergesIn(col) &&
      entry.standsForMerges == classes.MergesIn(entry.standsFor)) {
    return entry.standsFor;
  }
  if (!Counted(classes, col)) return col;
  auto [holder, added] = byFingerprint_.try_emplace(entry.fingerprint, col);
  Column standsFor = holder->second;
  if (!added && standsFor != col) {
    const Entry& other = entries_[standsFor];
    if (!other.counted || other.merges != classes.MergesIn(standsFor) ||
        other.fingerprint != entry.fingerprint) {
      // The holder has merged since: its fingerprint is another now.
      holder->second = col;
      standsFor = col;
    } else if (!Spend(classes)) {
      return col;  // not compared: it stands for itself this time
    } else if (!SameClasses(classes, standsFor, col, labelIn_)) {
      standsFor = col;  // two fingerprints alike by chance
    }
  }
  entry.compared = true;
  entry.standsFor = standsFor;
  entry.standsForMerges = classes.MergesIn(standsFor);
  return standsFor;
}

bool LikeColumns::Counted(const SymbolClasses& classes, Column col) {
  Entry& entry = entries_[col];
  if (entry.counted && entry.merges == classes.MergesIn(col)) return true;
  if (!Spend(classes)) return false;
  entry.counted = true;
  entry.compared = false;
  entry.merges = classes.MergesIn(col);
  entry.fingerprint = Fingerprint(classes, col);
  return true;
}

bool LikeColumns::Spend(const SymbolClasses& classes) {
  if (budget_ < classes.RowNo()) return false;
  budget_ -= classes.RowNo();
  return true;
}

std::uint64_t LikeColumns::Fingerprint(const SymbolClasses& classes, Column col) {
  // A class is known by the sum of a random number per row of it; the column, by the sum of
  // its classes' sums, each scrambled first, so that it depends on how the rows are grouped,
  // not only on which rows share a class. A cell alone adds nothing.
  const SymbolClasses::ColumnLabels labels = classes.LabelsOf(col);
  classes.Shared().ForEach(col, [&](Row r) { sums_[labels[r]] += Scramble(r); });
  std::uint64_t fingerprint = 0;
  classes.Shared().ForEach(col, [&](Row r) {
    if (labels[r] != r) return;
    fingerprint += Scramble(sums_[r] ^ 0x5851f42d4c957f2dULL);
    sums_[r] = 0;
  });
  return fingerprint;
}
