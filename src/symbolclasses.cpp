#include "symbolclasses.h"

#include <algorithm>
#include <utility>

SymbolClasses::SymbolClasses(std::size_t rows, std::size_t cols)
    : rows_(rows),
      cols_(cols),
      words_((rows + 63) / 64),
      link_(rows * cols, RootLink(1, false)),
      shared_(words_ * cols, 0),
      sharedCount_(cols, 0),
      distinguishedRow_(cols, kNone),
      isChanged_(cols, false),
      complete_(cols, rows <= 1) {}

std::int32_t SymbolClasses::RootLink(std::size_t size, bool distinguished) {
  return -static_cast<std::int32_t>(2 * size + (distinguished ? 1 : 0));
}

void SymbolClasses::MarkDistinguished(Row row, std::size_t col) {
  Row root = Find(col, row);
  std::int32_t& link = Link(col, root);
  link = RootLink(ClassSize(link), true);
  // A column has one distinguished class: the new cell joins it.
  if (distinguishedRow_[col] == kNone) {
    distinguishedRow_[col] = root;
  } else {
    Unite(col, root, distinguishedRow_[col]);
  }
}

bool SymbolClasses::Unite(std::size_t col, Row a, Row b, Merge* merge) {
  Row rootA = Find(col, a);
  Row rootB = Find(col, b);
  if (rootA == rootB) return false;
  if (rootB < rootA) std::swap(rootA, rootB);  // the smaller row stays the root

  std::int32_t linkA = Link(col, rootA);
  std::int32_t linkB = Link(col, rootB);
  if (merge != nullptr) {
    int symbolA = SymbolOfRoot(col, rootA);
    int symbolB = SymbolOfRoot(col, rootB);
    merge->kept = std::min(symbolA, symbolB);
    merge->dropped = std::max(symbolA, symbolB);
    merge->cells = ClassSize(symbolA < symbolB ? linkB : linkA);
  }
  if (ClassSize(linkA) == 1) MarkShared(col, rootA);
  if (ClassSize(linkB) == 1) MarkShared(col, rootB);
  std::size_t size = ClassSize(linkA) + ClassSize(linkB);
  Link(col, rootA) = RootLink(size, IsDistinguished(linkA) || IsDistinguished(linkB));
  if (size == rows_) complete_[col] = true;
  Link(col, rootB) = static_cast<std::int32_t>(rootA);
  NoteChange(col);
  return true;
}

void SymbolClasses::MarkShared(std::size_t col, Row row) {
  shared_[col * words_ + row / 64] |= std::uint64_t{1} << (row % 64);
  ++sharedCount_[col];
}

void SymbolClasses::NoteChange(std::size_t col) {
  if (!isChanged_[col]) {
    isChanged_[col] = true;
    changed_.push_back(col);
  }
}

std::vector<std::size_t> SymbolClasses::TakeChangedColumns() {
  for (std::size_t col : changed_) isChanged_[col] = false;
  return std::exchange(changed_, {});
}

math::matrix<int> SymbolClasses::ToTableau() {
  math::matrix<int> tableau(static_cast<std::uint32_t>(rows_), static_cast<std::uint32_t>(cols_));
  // Tiles keep both the column-major classes and the row-major tableau in cache.
  constexpr std::size_t kTile = 64;
  for (std::size_t rowStart = 0; rowStart < rows_; rowStart += kTile) {
    std::size_t rowEnd = std::min(rows_, rowStart + kTile);
    for (std::size_t col = 0; col < cols_; ++col) {
      for (std::size_t row = rowStart; row < rowEnd; ++row) {
        tableau(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col)) =
            Symbol(col, static_cast<Row>(row));
      }
    }
  }
  return tableau;
}
