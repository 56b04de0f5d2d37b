#include "refinements.h"

bool Refinements::Refines(const SymbolClasses& classes, Column x, Column t) {
  if (classes.IsComplete(t) || x == t) return true;
  if (identity_ != classes.Identity()) {
    findings_.clear();
    identity_ = classes.Identity();
  }
  const std::uint64_t key = std::uint64_t{x} << 32 | t;
  const auto found = findings_.find(key);
  if (found != findings_.end() && found->second.mergesInX == classes.MergesIn(x) &&
      found->second.mergesInT == classes.MergesIn(t)) {
    return found->second.refines;
  }
  const bool refines = WorkOut(classes, x, t);
  findings_[key] = {classes.MergesIn(x), classes.MergesIn(t), refines};
  return refines;
}

bool Refinements::WorkOut(const SymbolClasses& classes, Column x, Column t) {
  // Each label of x maps to the label of t its first row has; a row that maps elsewhere tells
  // the two apart. Rows alone in x are in no class with another row.
  imageOf_.resize(classes.RowNo(), kNoRow);
  bool refines = true;
  const ColumnBits& shared = classes.Shared();
  for (std::size_t w = 0; refines && w < shared.WordsPerColumn(); ++w) {
    ForEachRowIn(shared.Word(x, w), w, [&](Row r) {
      if (!refines) return;
      const Row label = classes.Label(r, x);
      Row& image = imageOf_[label];
      if (image == kNoRow) {
        image = classes.Label(r, t);
        labelsSeen_.push_back(label);
      } else if (image != classes.Label(r, t)) {
        refines = false;
      }
    });
  }
  for (const Row label : labelsSeen_) imageOf_[label] = kNoRow;
  labelsSeen_.clear();
  return refines;
}
