#include "distinguishedclosure.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <utility>

#include "columncycles.h"

DistinguishedClosure::DistinguishedClosure(ColumnBits distinguished,
                                           const ResolvedDependencies& dependencies)
    : cells_(std::move(distinguished)),
      dependencies_(dependencies),
      queued_((dependencies.size() + 63) / 64, 0),
      agreeing_(cells_.WordsPerColumn(), 0) {
  live_.reserve(cells_.WordsPerColumn());
  // A dependency can mark more cells when its left-hand columns gain rows, and also when a
  // right-hand column does: one of its agreeing rows may now be distinguished there.
  auto forEachUse = [&](auto use) {
    for (std::size_t j = 0; j < dependencies.size(); ++j) {
      if (!CanMark(j)) continue;
      for (Column c : dependencies.Left(j)) use(c, j);
      for (Column c : dependencies.Right(j)) use(c, j);
    }
  };
  std::vector<std::uint32_t> room(cells_.ColNo(), 0);
  forEachUse([&](Column c, std::size_t) { ++room[c]; });
  uses_ = PackedLists<std::uint32_t>(room);
  forEachUse([&](Column c, std::size_t j) { uses_.Add(c, static_cast<std::uint32_t>(j)); });
  if (dependencies.size() > 1) {
    firstRound_ = FeedingOrder(dependencies, cells_.ColNo());
  } else {
    firstRound_.assign(dependencies.size(), 0);
  }
}

bool DistinguishedClosure::Run(std::size_t wordBudget, bool stopAtAllDistinguishedRow,
                               std::size_t wordsPerGain) {
  // Every dependency that can mark cells waits at the start: the first round walks them in
  // feeding order, and only those queued again wait in queue_.
  for (std::size_t j = 0; j < dependencies_.size(); ++j) {
    if (CanMark(j)) SetQueued(j, true);
  }
  // What to stop at is looked at only as the work doubles: the looks then cost at most as
  // much as the work itself.
  std::size_t nextLook = 2 * cells_.ColNo() * cells_.WordsPerColumn();
  std::size_t workAtLook = 0;
  std::size_t gainAtLook = 0;
  for (;;) {
    // The first round applies every dependency once, in feeding order, and may gain little
    // before its last ones: the yield counts only after it.
    while (firstRoundNext_ < dependencies_.size() && !CanMark(firstRound_[firstRoundNext_])) {
      ++firstRoundNext_;
    }
    const bool firstRound = firstRoundNext_ < dependencies_.size();
    if (!firstRound && head_ == queue_.size()) break;
    if (work_ > wordBudget) return false;
    if (work_ > nextLook) {
      if (stopAtAllDistinguishedRow && FirstRowInEveryColumn(cells_) != kNoRow) return true;
      if (wordsPerGain != 0 && !firstRound &&
          (gain_ - gainAtLook) * wordsPerGain < work_ - workAtLook) {
        return false;
      }
      workAtLook = work_;
      gainAtLook = gain_;
      nextLook = 2 * work_;
    }
    const std::size_t j = firstRound ? firstRound_[firstRoundNext_++] : queue_[head_++];
    SetQueued(j, false);
    if (head_ > 4096 && 2 * head_ > queue_.size()) {  // keep the queue as long as what waits
      queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(head_));
      head_ = 0;
    }
    Apply(j);
  }
  return true;
}

void DistinguishedClosure::Enqueue(std::size_t j) {
  assert(CanMark(j));
  if (IsQueued(j)) return;
  SetQueued(j, true);
  queue_.push_back(static_cast<std::uint32_t>(j));
}

bool DistinguishedClosure::FindAgreeingRows(std::size_t j) {
  const ColumnSpan left = dependencies_.Left(j);
  const std::size_t words = cells_.WordsPerColumn();
  dense_ = true;
  if (left.empty()) {
    std::fill(agreeing_.begin(), agreeing_.end(), ~std::uint64_t{0});
    work_ += words;
    return words != 0;
  }
  const std::uint64_t* first = cells_.Words(left[0]);
  std::size_t holding = 0;  // words that hold a row
  for (std::size_t w = 0; w < words; ++w) {
    agreeing_[w] = first[w];
    holding += first[w] != 0 ? 1 : 0;
  }
  work_ += words;
  // Column by column, a plain pass while more than an eighth of the words hold a row...
  std::size_t k = 1;
  for (; k < left.size() && 8 * holding > words; ++k) {
    const std::uint64_t* column = cells_.Words(left[k]);
    holding = 0;
    for (std::size_t w = 0; w < words; ++w) {
      agreeing_[w] &= column[w];
      holding += agreeing_[w] != 0 ? 1 : 0;
    }
    work_ += words;
  }
  if (k == left.size()) return holding != 0;
  // ...then over those words alone: few rows are distinguished in all of a long left-hand
  // side, so after its first columns most words are out, and a left side of hundreds of
  // columns costs a few passes over the rows, not one per column.
  dense_ = false;
  live_.clear();
  for (std::size_t w = 0; w < words; ++w) {
    if (agreeing_[w] != 0) live_.push_back(static_cast<std::uint32_t>(w));
  }
  for (; k < left.size() && !live_.empty(); ++k) {
    const std::uint64_t* column = cells_.Words(left[k]);
    std::size_t kept = 0;
    for (const std::uint32_t w : live_) {
      agreeing_[w] &= column[w];
      if (agreeing_[w] != 0) live_[kept++] = w;
    }
    work_ += live_.size();
    live_.resize(kept);
  }
  return !live_.empty();
}

void DistinguishedClosure::Apply(std::size_t j) {
  if (!FindAgreeingRows(j)) return;
  for (Column target : dependencies_.Right(j)) {
    std::uint64_t* column = cells_.Words(target);
    std::uint64_t meet = 0;
    std::uint64_t missing = 0;
    ForEachAgreeingWord([&](std::size_t w) {
      meet |= agreeing_[w] & column[w];
      missing |= agreeing_[w] & ~column[w];
    });
    work_ += AgreeingWords();
    // Only when one agreeing row is distinguished here do all of them become so.
    if (meet == 0 || missing == 0) continue;
    std::size_t marked = 0;
    ForEachAgreeingWord([&](std::size_t w) {
      marked += CountOnes(agreeing_[w] & ~column[w]);
      column[w] |= agreeing_[w];
    });
    const Span<std::uint32_t> uses = uses_[target];
    gain_ += marked * (1 + uses.size());
    work_ += AgreeingWords() + uses.size();
    for (std::uint32_t other : uses) {
      if (other != j) Enqueue(other);
    }
  }
}

bool DistinguishedClosure::IsChaseFixpoint() {
  // Two rows agree on a column only where both are distinguished, as every other symbol is
  // a row's own. So the rows that agree on a left-hand side are the agreeing rows; at the
  // closure's fixpoint each right-hand column holds all of them or none. When it holds none
  // and they are two or more, the chase must still make their symbols there one.
  for (std::size_t j = 0; j < dependencies_.size(); ++j) {
    if (!CanMark(j) || !FindAgreeingRows(j)) continue;
    std::size_t agreeing = 0;
    ForEachAgreeingWord([&](std::size_t w) { agreeing += CountOnes(agreeing_[w]); });
    if (agreeing < 2) continue;
    for (Column target : dependencies_.Right(j)) {
      const std::uint64_t* column = cells_.Words(target);
      std::uint64_t missing = 0;
      ForEachAgreeingWord([&](std::size_t w) { missing |= agreeing_[w] & ~column[w]; });
      if (missing != 0) return false;
    }
  }
  return true;
}
