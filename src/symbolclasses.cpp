#include "symbolclasses.h"

#include <algorithm>
#include <new>
#include <utility>

SymbolClasses::SymbolClasses(std::size_t rows, std::size_t cols, bool trackSymbols)
    : rows_(rows),
      cols_(cols),
      words_((rows + 63) / 64),
      cells_(static_cast<CellData*>(std::calloc(rows * cols + 1, sizeof(CellData)))),
      columnWords_(words_ * cols, ColumnWord{0, 0}),
      sharedCount_(cols, 0),
      distinguishedRow_(cols, kNone),
      complete_(cols, rows <= 1 ? 1 : 0),
      distinguishedCells_(rows, 0),
      rowWords_((cols + 63) / 64),
      distinguishedBits_(rows * rowWords_, 0) {
  if (!cells_) throw std::bad_alloc();
  if (trackSymbols) {
    minRow_.resize(rows * cols);
    for (std::size_t cell = 0; cell < rows * cols; ++cell)
      minRow_[cell] = static_cast<Row>(cell % rows);
  }
  if (cols == 0 && rows > 0) allDistinguishedRow_ = 0;  // no cell to wait for
}

void SymbolClasses::MarkDistinguished(Row row, std::size_t col) {
  if (IsDistinguished(col, row)) return;
  if (distinguishedRow_[col] != kNone) {
    // A column has one distinguished class: the new cell's class joins it.
    Unite(col, row, distinguishedRow_[col]);
    return;
  }
  Row label = Label(col, row);
  CountDistinguished(col, label);
  SetInfo(col, label, Info(col, label) | kDistinguished);
  distinguishedRow_[col] = label;
}

void SymbolClasses::MarkDistinguished(const std::vector<Row>& rows, std::size_t col) {
  if (rows.empty()) return;
  const Row label = rows.front();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    Row r = rows[i];
    SetLabel(col, r, label);
    SetNext(col, r, i + 1 < rows.size() ? rows[i + 1] : label);
    if (rows.size() > 1) MarkShared(col, r);
  }
  SetInfo(col, label, static_cast<std::uint32_t>(rows.size()) | kDistinguished);
  distinguishedRow_[col] = label;
  if (rows.size() == rows_) complete_[col] = 1;
  CountDistinguished(col, label);
}

int SymbolClasses::Symbol(std::size_t col, Row row) const {
  if (IsDistinguished(col, row)) return 0;
  Row smallest = row;
  if (!minRow_.empty()) {
    smallest = minRow_[Cell(col, Label(col, row))];
  } else {
    ForEachMember(col, row, [&](Row r) { smallest = std::min(smallest, r); });
  }
  return static_cast<int>(smallest) + 1;
}

void SymbolClasses::CountDistinguished(std::size_t col, Row row) {
  ForEachMember(col, row, [&](Row r) {
    distinguishedBits_[r * rowWords_ + col / 64] |= std::uint64_t{1} << (col % 64);
    columnWords_[col * words_ + r / 64].distinguished |= std::uint64_t{1} << (r % 64);
    if (++distinguishedCells_[r] == cols_ && allDistinguishedRow_ == kNone) {
      allDistinguishedRow_ = r;
    }
  });
}

void SymbolClasses::MarkShared(std::size_t col, Row row) {
  columnWords_[col * words_ + row / 64].shared |= std::uint64_t{1} << (row % 64);
  ++sharedCount_[col];
}

void SymbolClasses::Absorb(std::size_t col, Row to, Row from) {
  bool wasAlone = Next(col, from) == from;
  Row r = from;
  do {
    SetLabel(col, r, to);
    r = Next(col, r);
  } while (r != from);
  if (wasAlone) MarkShared(col, from);
  Row afterTo = Next(col, to);
  SetNext(col, to, Next(col, from));
  SetNext(col, from, afterTo);
}

math::matrix<int> SymbolClasses::ToTableau() const {
  math::matrix<int> tableau(static_cast<std::uint32_t>(rows_), static_cast<std::uint32_t>(cols_));
  // The smallest row of each class: rows are visited in ascending order, so the first row
  // seen with a label is the smallest of its class.
  std::vector<Row> smallest(rows_, kNone);
  for (std::size_t col = 0; col < cols_; ++col) {
    std::fill(smallest.begin(), smallest.end(), kNone);
    for (std::size_t row = 0; row < rows_; ++row) {
      Row label = Label(col, static_cast<Row>(row));
      if (smallest[label] == kNone) smallest[label] = static_cast<Row>(row);
      bool distinguished = (Info(col, label) & kDistinguished) != 0;
      tableau(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col)) =
          distinguished ? 0 : static_cast<int>(smallest[label]) + 1;
    }
  }
  return tableau;
}
