#include "distinguishedclosure.h"

#include <cstddef>

DistinguishedClosure::DistinguishedClosure(std::size_t rows, std::size_t cols,
                                           const ColumnLists& rowColumns,
                                           const ResolvedDependencies& dependencies)
    : rows_(rows),
      cols_(cols),
      words_((rows + 63) / 64),
      dependencies_(dependencies),
      bits_(words_ * cols, 0),
      usesBegin_(cols + 1, 0),
      queued_(dependencies.size(), 0),
      agreeing_(words_, 0) {
  for (std::size_t r = 0; r < rowColumns.size(); ++r) {
    for (Column c : rowColumns[r]) bits_[c * words_ + r / 64] |= std::uint64_t{1} << (r % 64);
  }
  // A dependency can mark more cells when its left-hand columns gain rows, and also when a
  // right-hand column does: one of its agreeing rows may now be distinguished there.
  auto forEachUse = [&](auto use) {
    for (std::size_t j = 0; j < dependencies.size(); ++j) {
      if (!CanMark(j)) continue;
      for (Column c : dependencies.Left(j)) use(c, j);
      for (Column c : dependencies.Right(j)) use(c, j);
    }
  };
  forEachUse([&](Column c, std::size_t) { ++usesBegin_[c + 1]; });
  for (std::size_t c = 0; c < cols; ++c) usesBegin_[c + 1] += usesBegin_[c];
  uses_.resize(usesBegin_[cols]);
  std::vector<std::uint32_t> fill(usesBegin_.begin(), usesBegin_.end() - 1);
  forEachUse([&](Column c, std::size_t j) { uses_[fill[c]++] = static_cast<std::uint32_t>(j); });
}

bool DistinguishedClosure::Run(std::size_t wordBudget, bool stopAtAllDistinguishedRow,
                               std::size_t wordsPerGain) {
  for (std::size_t j = 0; j < dependencies_.size(); ++j) {
    if (CanMark(j)) Enqueue(j);
  }
  // The first round applies every dependency once, in input order, and may gain little
  // before its last ones: the yield counts only after it.
  std::size_t firstRound = queue_.size();
  // What to stop at is looked at only as the work doubles: the looks then cost at most as
  // much as the work itself.
  std::size_t nextLook = 2 * cols_ * words_;
  std::size_t workAtLook = 0;
  std::size_t gainAtLook = 0;
  while (head_ < queue_.size()) {
    if (work_ > wordBudget) return false;
    if (work_ > nextLook) {
      if (stopAtAllDistinguishedRow && AllDistinguishedRow() != kNone) return true;
      if (wordsPerGain != 0 && firstRound == 0 &&
          (gain_ - gainAtLook) * wordsPerGain < work_ - workAtLook) {
        return false;
      }
      workAtLook = work_;
      gainAtLook = gain_;
      nextLook = 2 * work_;
    }
    if (firstRound > 0) --firstRound;
    std::uint32_t j = queue_[head_++];
    queued_[j] = 0;
    if (head_ > 4096 && 2 * head_ > queue_.size()) {  // keep the queue as long as what waits
      queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(head_));
      head_ = 0;
    }
    Apply(j);
  }
  return true;
}

void DistinguishedClosure::Enqueue(std::size_t j) {
  if (queued_[j]) return;
  queued_[j] = 1;
  queue_.push_back(static_cast<std::uint32_t>(j));
}

bool DistinguishedClosure::FindAgreeingRows(std::size_t j) {
  ColumnSpan left = dependencies_.Left(j);
  std::uint64_t any = 0;
  for (std::size_t w = 0; w < words_; ++w) {
    std::uint64_t word = ~std::uint64_t{0};
    for (Column c : left) word &= bits_[c * words_ + w];
    agreeing_[w] = word;
    any |= word;
  }
  work_ += left.size() * words_;
  return any != 0;
}

void DistinguishedClosure::Apply(std::size_t j) {
  if (!FindAgreeingRows(j)) return;
  for (Column target : dependencies_.Right(j)) {
    std::uint64_t* column = &bits_[target * words_];
    std::uint64_t meet = 0;
    std::uint64_t missing = 0;
    for (std::size_t w = 0; w < words_; ++w) {
      meet |= agreeing_[w] & column[w];
      missing |= agreeing_[w] & ~column[w];
    }
    work_ += words_;
    // Only when one agreeing row is distinguished here do all of them become so.
    if (meet == 0 || missing == 0) continue;
    std::size_t marked = 0;
    for (std::size_t w = 0; w < words_; ++w) {
      marked += static_cast<std::size_t>(__builtin_popcountll(agreeing_[w] & ~column[w]));
      column[w] |= agreeing_[w];
    }
    const std::size_t uses = usesBegin_[target + 1] - usesBegin_[target];
    gain_ += marked * (1 + uses);
    work_ += words_ + uses;
    for (std::uint32_t at = usesBegin_[target]; at < usesBegin_[target + 1]; ++at)
      if (uses_[at] != j) Enqueue(uses_[at]);
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
    for (std::size_t w = 0; w < words_ && agreeing < 2; ++w)
      agreeing += static_cast<std::size_t>(__builtin_popcountll(agreeing_[w]));
    if (agreeing < 2) continue;
    for (Column target : dependencies_.Right(j)) {
      const std::uint64_t* column = &bits_[target * words_];
      std::uint64_t missing = 0;
      for (std::size_t w = 0; w < words_; ++w) missing |= agreeing_[w] & ~column[w];
      if (missing != 0) return false;
    }
  }
  return true;
}

DistinguishedClosure::Row DistinguishedClosure::AllDistinguishedRow() const {
  if (rows_ == 0) return kNone;
  for (std::size_t w = 0; w < words_; ++w) {
    std::uint64_t word = w + 1 < words_ || rows_ % 64 == 0 ? ~std::uint64_t{0}
                                                           : (std::uint64_t{1} << (rows_ % 64)) - 1;
    for (std::size_t c = 0; c < cols_ && word != 0; ++c) word &= bits_[c * words_ + w];
    if (word != 0)
      return static_cast<Row>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(word)));
  }
  return kNone;
}
