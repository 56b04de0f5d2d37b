#include "fdengine.h"

#include <unistd.h>

#include <cassert>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "chase.h"
#include "columnbits.h"
#include "columncycles.h"
#include "distinguishedclosure.h"
#include "namedcolumns.h"
#include "rowclosures.h"
#include "symbolclasses.h"

namespace {

// How many 64-bit words the closure of distinguished cells may touch per cell of the tableau
// and per column of a dependency before the chase takes over, and how many per gain, as the
// closure counts it, while it goes on. Inputs it decides need one to a dozen words a cell
// (ten thousand rows of mined dependencies take twelve, and the chase spends a hundred times
// as long on the same cells), and spend well under 30 words per gain; a chain of dependencies
// listed last link first, which it advances by one link a round, spends hundreds.
constexpr std::size_t kClosureWordsPerCell = 32;
constexpr std::size_t kClosureWordsPerGain = 64;
// How many times the size of the dependencies the closures of the rows may cost before the
// chase: each is linear in it, and a row whose closure is every column stops them.
constexpr std::size_t kRowClosurePasses = 4;

std::size_t PhysicalMemoryBytes() {
  long pages = ::sysconf(_SC_PHYS_PAGES);
  long pageSize = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return std::numeric_limits<std::size_t>::max();
  return static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
}

// Refuses a tableau that cannot be indexed or that would not fit in this machine's memory:
// a clear message beats an allocation that the system kills the process for later. A cell
// takes 12 bytes in the symbol classes (4 fewer below 2^15 rows; the limit counts 12 all the
// same) and 4 in the final tableau; tracked symbols add 4, and an explanation's proof forest 16.
void CheckTableauSize(std::size_t rows, std::size_t cols, bool observed) {
  constexpr std::size_t kMaxRows = (std::size_t{1} << 30) - 1;
  constexpr std::size_t kMaxCols = std::numeric_limits<std::uint32_t>::max();
  const std::size_t bytesPerCell = observed ? 36 : 16;
  const std::size_t limit = PhysicalMemoryBytes() / bytesPerCell;
  const bool fits = rows <= kMaxRows && cols <= kMaxCols && (cols == 0 || rows <= limit / cols);
  if (!fits) {
    throw std::length_error("the tableau of " + std::to_string(rows) + " rows and " +
                            std::to_string(cols) + " columns does not fit in memory");
  }
}

// The cells of the initial tableau: each sub-schema's own attributes are distinguished.
ColumnBits InitialDistinguished(const ResolvedInput& input) {
  ColumnBits cells(input.RowNo(), input.ColNo());
  for (Row r{0}; r < input.RowNo(); ++r) {
    for (Column c : input.rowColumns[r]) cells.Set(r, c);
  }
  return cells;
}

// The verdict, read off the distinguished cells: a row distinguished in every column.
Outcome Verdict(const ColumnBits& distinguished) {
  Outcome outcome;
  outcome.decidingRow = FirstRowInEveryColumn(distinguished);
  outcome.lossless = outcome.decidingRow != kNoRow;
  return outcome;
}

// The closure of distinguished cells, then the chase, then the verdict.
Outcome CloseAndChase(const ResolvedInput& input, const DecideOptions& options) {
  const bool observed = options.observer != nullptr;
  const bool verdictOnly = !options.finalTableau && !observed;
  // Without an explanation only the final tableau counts, which equivalent dependencies
  // reach as well; with one, every step must be one of the input's dependencies.
  std::optional<ResolvedDependencies> merged;
  if (!observed) merged = MergeColumnCycles(input.dependencies, input.ColNo());
  const ResolvedDependencies& dependencies = merged ? *merged : input.dependencies;
  // No row whose attributes determine every column: lossy, with no tableau. The rows'
  // closures may take a few passes over the dependencies, no more; the equivalent ones are
  // fewer, as a million mined ones for --check, which are not merged while read. After the
  // named columns were taken, a row must hold the stand-in for the others, which no
  // dependency gives.
  if (verdictOnly &&
      NoRowDeterminesEveryColumn(
          input.rowColumns, input.ColNo(), dependencies,
          kRowClosurePasses * (dependencies.ColumnCount() + input.ColNo() + input.RowNo()))) {
    return Outcome{};
  }
  ColumnBits distinguished = InitialDistinguished(input);
  bool fixpoint = false;
  if (!observed) {
    // Rows that agree on distinguished cells alone decide most large inputs, 64 rows at a
    // time; the closure's work is held to a few words a cell, so that it never costs more than
    // a part of the chase it saves.
    DistinguishedClosure closure(std::move(distinguished), dependencies);
    closure.Run(kClosureWordsPerCell * (input.RowNo() * input.ColNo() + dependencies.ColumnCount()),
                verdictOnly, kClosureWordsPerGain);
    if (verdictOnly) {
      // A row all distinguished stays so whatever the chase does.
      Outcome outcome = Verdict(closure.Cells());
      if (outcome.lossless || closure.IsChaseFixpoint()) return outcome;
    } else {
      fixpoint = closure.IsChaseFixpoint();
    }
    // The chase then starts from the closure's cells: it reaches the same tableau.
    distinguished = closure.TakeCells();
  }
  SymbolClasses classes(std::move(distinguished), observed);
  if (observed && options.observer->initial) options.observer->initial(classes.ToTableau());
  [[maybe_unused]] bool stoppedEarly = false;
  if (!fixpoint) {
    Chase::StepObserver step = observed ? options.observer->step : nullptr;
    // Stopping at the first row all distinguished is right for the verdict: it stays so.
    stoppedEarly = Chase(classes, dependencies, std::move(step)).Run(verdictOnly);
  }
  Outcome outcome = Verdict(classes.Distinguished());
  assert(!stoppedEarly || outcome.lossless);
  if (!verdictOnly) {
    // Made in place, not copied from a temporary: GCC 12 takes the reference counting of
    // such a copy for a use after free (-Wuse-after-free).
    outcome.finalTableau.emplace(static_cast<std::uint32_t>(input.RowNo()),
                                 static_cast<std::uint32_t>(input.ColNo()));
    classes.WriteTableau(*outcome.finalTableau);
  }
  return outcome;
}

}  // namespace

Outcome DecideFunctional(const ResolvedInput& input, const DecideOptions& options) {
  assert(input.dependencies.AllOfKind(DependencyKind::kFunctional));
  const bool observed = options.observer != nullptr;
  const bool verdictOnly = !options.finalTableau && !observed;
  CheckTableauSize(input.RowNo(), input.ColNo(), observed);
  if (!verdictOnly) return CloseAndChase(input, options);
  // A sub-schema of every attribute is a row all distinguished from the start, and it stays so
  // whatever the chase does: for the verdict, no tableau is needed. A sub-schema of millions
  // of names would otherwise take a column's words and lists for each of them.
  for (Row r{0}; r < input.RowNo(); ++r) {
    if (input.rowColumns[r].size() != input.ColNo()) continue;
    Outcome outcome;
    outcome.lossless = true;
    outcome.decidingRow = r;
    return outcome;
  }
  // Where most columns are named by no dependency, as beside a sub-schema of millions of
  // names, the chase takes only the named ones: the rows keep their numbers.
  if (std::optional<NamedColumnsInput> named = OnNamedColumns(input)) {
    if (named->rowsHoldingTheRest == 0) return Outcome{};
    return CloseAndChase(named->input, options);
  }
  return CloseAndChase(input, options);
}
