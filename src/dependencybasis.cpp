#include "dependencybasis.h"

DependencyBasis::DependencyBasis(std::size_t cols) : cols_(cols) {}

void DependencyBasis::AddMultivalued(const std::vector<Column>& left,
                                     const std::vector<Column>& right) {
  sides_.Append(left);
  sides_.Append(right);
}

bool DependencyBasis::Implies(const std::vector<Column>& left, const std::vector<Column>& right) {
  blockOf_.assign(cols_, 0);
  for (Column c : left) blockOf_[c] = kNoBlock;
  blockSize_.assign(1, static_cast<std::uint32_t>(cols_ - left.size()));
  Refine();
  // Y - X is a union of blocks when each block it meets lies in it whole.
  hits_.assign(blockSize_.size(), 0);
  for (Column c : right) {
    if (blockOf_[c] != kNoBlock) ++hits_[blockOf_[c]];
  }
  for (std::size_t b = 0; b < blockSize_.size(); ++b) {
    if (hits_[b] != 0 && hits_[b] != blockSize_[b]) return false;
  }
  return true;
}

void DependencyBasis::Refine() {
  hits_.assign(cols_ + 1, 0);
  mark_.assign(cols_ + 1, 0);
  stamp_ = 0;
  for (bool split = true; split;) {
    split = false;
    for (std::size_t i = 0; i < sides_.size() / 2; ++i) split = SplitBy(i) || split;
  }
}

bool DependencyBasis::SplitBy(std::size_t i) {
  const Span<Column> left = sides_[2 * i];
  const Span<Column> right = sides_[2 * i + 1];
  // A block that the left-hand side meets is not cut: marked with this split's stamp and
  // all its attributes counted as hit.
  const std::uint32_t stamp = ++stamp_;
  const std::uint32_t blocked = UINT32_MAX;
  for (Column c : left) {
    const std::uint32_t b = blockOf_[c];
    if (b == kNoBlock) continue;
    mark_[b] = stamp;
    hits_[b] = blocked;
  }
  for (Column c : right) {
    const std::uint32_t b = blockOf_[c];
    if (b == kNoBlock) continue;
    if (mark_[b] != stamp) {
      mark_[b] = stamp;
      hits_[b] = 0;
    }
    if (hits_[b] != blocked) ++hits_[b];
  }
  bool split = false;
  for (Column c : right) {
    const std::uint32_t b = blockOf_[c];
    if (b == kNoBlock || mark_[b] != stamp || hits_[b] == blocked) continue;
    if (hits_[b] == 0 || hits_[b] == blockSize_[b]) continue;
    // The first attribute of right in b opens the new block; the others follow it.
    const auto fresh = static_cast<std::uint32_t>(blockSize_.size());
    blockSize_.push_back(hits_[b]);
    blockSize_[b] -= hits_[b];
    hits_[b] = 0;  // done: later attributes of right in b move without another split
    for (Column d : right) {
      if (blockOf_[d] == b) blockOf_[d] = fresh;
    }
    mark_[fresh] = stamp;
    hits_[fresh] = blocked;
    split = true;
  }
  return split;
}
