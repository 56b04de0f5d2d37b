#include "symbolclasses.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <new>
#include <utility>

#include "memoryguard.h"

namespace {

// The system's smallest page on the machines the tool runs on: what a first write to a cell
// has the system zero and map.
constexpr std::size_t kPageBytes = 4096;

std::uint64_t NextIdentity() {
  static std::atomic<std::uint64_t> last{0};
  return ++last;
}

}  // namespace

void* SymbolClasses::AllocateCells(std::size_t count, std::size_t cellBytes) {
  CheckMemoryFor(count, cellBytes);
  // Zeroed pages that the system gives as they are first touched.
  return std::calloc(count, cellBytes);
}

SymbolClasses::SymbolClasses(ColumnBits distinguished, bool trackSymbols, bool narrowWhenFits)
    : identity_(NextIdentity()),
      rows_(distinguished.RowNo()),
      cols_(distinguished.ColNo()),
      narrow_(narrowWhenFits && rows_ < (std::size_t{1} << 15)),
      labelsAClass_(narrow_ ? 1u << 15 : 1u << 31),
      cells_(AllocateCells(rows_ * cols_ + 1, CellBytes())),
      narrowHalves_(narrow_ ? static_cast<std::uint16_t*>(cells_.get()) : nullptr),
      wideHalves_(narrow_ ? nullptr : static_cast<std::uint32_t*>(cells_.get())),
      distinguished_(std::move(distinguished)),
      shared_(rows_, cols_),
      sharedCount_(cols_, 0),
      sharedClasses_(cols_, 0),
      complete_(cols_, rows_ <= 1 ? 1 : 0),
      merges_(cols_, 0),
      anchor_(cols_, kNoRow),
      untouchedBeforeHugePages_(rows_ * cols_ / 8 + 1) {
  assert(rows_ < (std::size_t{1} << 30));
  if (!cells_) throw std::bad_alloc();
  if (trackSymbols) {
    CheckMemoryFor(rows_ * cols_, sizeof(Row));
    minRow_.resize(rows_ * cols_);
    for (std::size_t cell = 0; cell < rows_ * cols_; ++cell)
      minRow_[cell] = Row(static_cast<std::uint32_t>(cell % rows_));
  }
  // The pages that forming the distinguished classes writes, counted in cells: a class of a
  // few hundred rows spread over a column writes a page for each of them, every page of the
  // column, so that sub-schemas of a few keys each touch most of the table.
  const std::size_t cellsPerPage = kPageBytes / CellBytes();
  std::size_t touched = 0;
  for (Column c{0}; c < cols_; ++c) touched += CellsWrittenToForm(c, cellsPerPage);
  CountTouched(touched);
  std::vector<Row> rows;
  for (Column c{0}; c < cols_; ++c) {
    rows.clear();
    distinguished_.ForEach(c, [&](Row r) { rows.push_back(r); });
    FormDistinguishedClass(rows, c);
  }
}

std::size_t SymbolClasses::CellsWrittenToForm(Column col, std::size_t cellsPerPage) const {
  // From the column's words alone: its count of distinguished cells, and the words of the
  // first and the last of them.
  const std::uint64_t* words = distinguished_.Words(col);
  std::size_t count = 0;
  std::size_t firstWord = SIZE_MAX;
  std::size_t lastWord = 0;
  for (std::size_t w = 0; w < distinguished_.WordsPerColumn(); ++w) {
    if (words[w] == 0) continue;
    count += CountOnes(words[w]);
    if (firstWord == SIZE_MAX) firstWord = w;
    lastWord = w;
  }
  if (count < 2) return count;  // alone, as every cell starts: nothing is written
  const std::size_t spread = 64 * (lastWord - firstWord + 1);
  return std::min(count * cellsPerPage, spread);
}

void SymbolClasses::CountTouched(std::size_t cells) {
  if (untouchedBeforeHugePages_ == 0) return;
  // Huge pages zero 2 MiB where a cell is first touched: worth it once an eighth of the cells
  // are, as when every cell merges, and not for the few merges of a sparse tableau, whose
  // pages of 4 KiB then stay few.
  if (cells < untouchedBeforeHugePages_) {
    untouchedBeforeHugePages_ -= cells;
    return;
  }
  untouchedBeforeHugePages_ = 0;
  AskForHugePages(cells_.get(), (rows_ * cols_ + 1) * CellBytes());
}

void SymbolClasses::FormDistinguishedClass(const std::vector<Row>& rows, Column col) {
  assert(std::adjacent_find(rows.begin(), rows.end(), std::greater_equal<Row>()) == rows.end());
  if (rows.empty()) return;
  anchor_[col] = rows.front();
  if (rows.size() == rows_) complete_[col] = 1;
  if (rows.size() == 1) return;  // alone, as every cell starts
  // The ring that merging the cells one at a time, in ascending rows, into the distinguished
  // class gives: from the second row, down from the last to the third, then the first. The
  // chase visits a class's cells in ring order, and an explanation shows its steps in the
  // order made, so the ring is built the same way whichever way the cells came.
  const Row label = rows[1];
  Row previous = label;
  auto link = [&](Row r) {
    SetLabel(r, col, label);
    SetNext(previous, col, r);
    previous = r;
  };
  for (std::size_t i = rows.size() - 1; i >= 2; --i) link(rows[i]);
  link(rows[0]);
  SetNext(previous, col, label);
  SetSize(label, col, static_cast<std::uint32_t>(rows.size()));
  std::copy(distinguished_.Words(col), distinguished_.Words(col) + shared_.WordsPerColumn(),
            shared_.Words(col));
  sharedCount_[col] = rows.size();
  sharedClasses_[col] = 1;
}

int SymbolClasses::Symbol(Row row, Column col) const {
  if (IsDistinguished(row, col)) return 0;
  Row smallest = row;
  if (!minRow_.empty()) {
    smallest = minRow_[Cell(Label(row, col), col)];
  } else {
    ForEachMember(row, col, [&](Row r) { smallest = std::min(smallest, r); });
  }
  return static_cast<int>(smallest) + 1;
}

SymbolChange SymbolClasses::Change(Row a, Row b, Column col) const {
  assert(!SameClass(a, b, col));
  const int symbolA = Symbol(a, col);
  const int symbolB = Symbol(b, col);
  const Row dropped = symbolA < symbolB ? b : a;
  return {std::min(symbolA, symbolB), std::max(symbolA, symbolB), ClassSize(dropped, col)};
}

void SymbolClasses::UniteInto(Row a, Row b, Column col, Merge& merge) {
  Row kept = Label(a, col);
  Row absorbed = Label(b, col);
  if (kept == absorbed) return;
  if (SizeAt(kept, col) < SizeAt(absorbed, col)) std::swap(kept, absorbed);
  const std::uint32_t keptSize = SizeAt(kept, col);
  const std::uint32_t absorbedSize = SizeAt(absorbed, col);
  merge.label = kept;
  merge.absorbed = absorbed;
  merge.labelWasAlone = keptSize == 1;
  merge.absorbedWasAlone = absorbedSize == 1;
  const bool keptDistinguished = IsDistinguished(kept, col);
  if (keptDistinguished != IsDistinguished(absorbed, col)) {
    // Each cell turns distinguished once: over the whole chase, this costs a cell once.
    merge.turned = keptDistinguished ? Turned::kAbsorbed : Turned::kKept;
    ForEachMember(keptDistinguished ? absorbed : kept, col,
                  [&](Row r) { distinguished_.Set(r, col); });
  }
  if (merge.labelWasAlone) MarkShared(kept, col);
  // Two cells alone make a class of two; two such classes make one.
  if (merge.labelWasAlone && merge.absorbedWasAlone) ++sharedClasses_[col];
  if (!merge.labelWasAlone && !merge.absorbedWasAlone) --sharedClasses_[col];
  Absorb(kept, absorbed, col);
  CountTouched(absorbedSize + 1);
  SetSize(kept, col, keptSize + absorbedSize);
  if (!minRow_.empty()) {
    Row& smallest = minRow_[Cell(kept, col)];
    smallest = std::min(smallest, minRow_[Cell(absorbed, col)]);
  }
  if (keptSize + absorbedSize == rows_) complete_[col] = 1;
  ++merges_[col];
}

void SymbolClasses::Absorb(Row to, Row from, Column col) {
  assert(to != from && Label(to, col) == to && Label(from, col) == from);
  const bool wasAlone = Next(from, col) == from;
  ForEachMember(from, col, [&](Row r) { SetLabel(r, col, to); });
  if (wasAlone) MarkShared(from, col);
  const Row afterTo = Next(to, col);
  SetNext(to, col, Next(from, col));
  SetNext(from, col, afterTo);
}

Tableau SymbolClasses::ToTableau() const {
  Tableau tableau(static_cast<std::uint32_t>(rows_), static_cast<std::uint32_t>(cols_));
  WriteTableau(tableau);
  return tableau;
}

void SymbolClasses::WriteTableau(Tableau& tableau) const {
  assert(tableau.RowNo() == rows_ && tableau.ColNo() == cols_);
  // The smallest row of each class: rows are visited in ascending order, so the first row
  // seen with a label is the smallest of its class.
  std::vector<Row> smallest(rows_, kNoRow);
  for (Column col{0}; col < cols_; ++col) {
    std::fill(smallest.begin(), smallest.end(), kNoRow);
    for (Row row{0}; row < rows_; ++row) {
      const Row label = Label(row, col);
      if (smallest[label] == kNoRow) smallest[label] = row;
      tableau(row, col) = IsDistinguished(row, col) ? 0 : static_cast<int>(smallest[label]) + 1;
    }
  }
}
