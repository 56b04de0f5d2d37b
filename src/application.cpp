#include "application.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <iomanip>
#include <iostream>
#include <limits>
#include <stdexcept>

#include "explain.h"
#include "fcopy.h"
#include "reader.h"
#include "symbolclasses.h"
#include "warnings.h"

namespace {

[[noreturn]] void Fail(const char* message, int status) {
  std::cerr << message << std::endl;
  std::exit(status);
}

std::size_t PhysicalMemoryBytes() {
  long pages = ::sysconf(_SC_PHYS_PAGES);
  long pageSize = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return std::numeric_limits<std::size_t>::max();
  return static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
}

// Refuses a tableau that cannot be indexed or that would not fit in this machine's memory:
// a clear message beats an allocation that the system kills the process for later. Each
// cell takes an int in the tableau and one in the symbol classes that compute it.
void CheckTableauSize(std::size_t rows, std::size_t cols) {
  constexpr std::size_t kMaxRows = (std::size_t{1} << 30) - 1;
  constexpr std::size_t kMaxCols = std::numeric_limits<std::uint32_t>::max();
  std::size_t limit = PhysicalMemoryBytes() / (2 * sizeof(int));
  bool fits = rows <= kMaxRows && cols <= kMaxCols && (cols == 0 || rows <= limit / cols);
  if (!fits) {
    throw std::length_error("the tableau of " + std::to_string(rows) + " rows and " +
                            std::to_string(cols) + " columns does not fit in memory");
  }
}

}  // namespace

std::uint32_t FirstDistinguishedRow(const Tableau& tableau) {
  for (std::uint32_t r = 0; r < tableau.RowNo(); ++r) {
    bool allDistinguished = true;
    for (std::uint32_t c = 0; c < tableau.ColNo() && allDistinguished; ++c) {
      allDistinguished = tableau(r, c) == 0;
    }
    if (allDistinguished) return r;
  }
  return tableau.RowNo();
}

Application::Application(const char* inputFile, const char* outputFile) : inputName(inputFile) {
  if (SameFile(inputFile, outputFile)) {
    Fail("Input and output must be different files.", 1);
  }
  if (FileCopy(inputFile, outputFile) != 0) Fail("Error while copiing input file.", 1);
  input.open(inputFile);
  output.open(outputFile, std::ios::out | std::ios::app | std::ios::binary);
  if (input.fail() || output.fail()) {
    Fail("File doesn't exsist or you have no permission to create the output file.", 2);
  }
}

Application::~Application() {
  input.close();
  output.close();
  if (finished) std::cout << "Done." << std::endl;
}

void Application::run() {
  getInput();
  if (explanation != nullptr) printInput(*explanation);
  result(output);
  output.close();
  if (output.fail()) Fail("Error while writing the output file.", 2);
  finished = true;
}

void Application::getInput() {
  getInput(input, inputName);
  if (input.bad()) Fail("Error while reading the input file.", 2);
}

void Application::getInput(std::istream& in, const std::string& name) {
  inputName = name;
  Warnings warnings(std::cerr, name);
  ParsedInput parsed = ReadInput(in, warnings);
  warnings.Finish();
  attributes = std::move(parsed.attributes);
  decomposition = std::move(parsed.decomposition);
  dependencies = std::move(parsed.dependencies);
  dependencyColumns = std::move(parsed.dependencyColumns);
  dependencyLines = std::move(parsed.dependencyLines);
  dependencyTexts = std::move(parsed.dependencyTexts);
  lineBreak = std::move(parsed.lineBreak);
}

std::size_t Application::columnOf(const std::string& name) const {
  return static_cast<std::size_t>(std::lower_bound(attributes.begin(), attributes.end(), name) -
                                  attributes.begin());
}

void Application::showEqualization(std::size_t i, std::size_t k, std::size_t c, std::size_t j,
                                   const SymbolClasses::Merge& merge) {
  ++equalizationsShown;
  *explanation << "  line " << dependencyLines[j] << ", " << EscapeBytes(dependencyTexts[j], false)
               << ": rows " << i + 1 << " and " << k + 1 << ", column "
               << DisplayName(attributes[c]) << ": " << SymbolText(merge.dropped) << " -> "
               << SymbolText(merge.kept) << " (" << merge.cells
               << (merge.cells == 1 ? " cell" : " cells") << " changed)\n";
}

void Application::printInput(std::ostream& os) const {
  auto printNames = [&os](const AttributeList& names) {
    for (const std::string& name : names) os << std::setw(3) << name;
  };
  os << "Relaciosema dekompozicioja\n";
  for (const AttributeList& schema : decomposition) {
    printNames(schema);
    os << '\n';
  }
  os << "\nFunkcionalis fuggosegi halmaz\n";
  for (std::size_t j = 0; j < dependencies.first.size(); ++j) {
    printNames(dependencies.first[j]);
    os << std::setw(3) << "->";
    printNames(dependencies.second[j]);
    os << '\n';
  }
  os << '\n';
}

void Application::result(std::ostream& os) {
  os << lineBreak << std::flush;
  kapcsolas_teszt(os);
}

void Application::kapcsolas_teszt(std::ostream& os) {
  Tableau tableau = finalTableau();
  std::uint32_t row = FirstDistinguishedRow(tableau);
  const char* verdict = row < tableau.RowNo() ? "vesztesegmentes" : "veszteseges";
  if (explanation != nullptr) {
    *explanation << "\nFinal tableau\n";
    PrintTableau(*explanation, tableau, attributes, decomposition);
    if (row < tableau.RowNo()) {
      *explanation << "\nRow " << RowLabel(row, decomposition[row])
                   << " is all a: the decomposition is lossless (" << verdict << ").\n";
    } else {
      *explanation << "\nNo row became all a: the decomposition is lossy (" << verdict << ").\n";
    }
  }
  os << verdict;
}

Tableau Application::finalTableau() {
  CheckTableauSize(decomposition.size(), attributes.size());
  SymbolClasses classes(decomposition.size(), attributes.size());
  for (std::size_t r = 0; r < decomposition.size(); ++r) {
    for (const std::string& name : decomposition[r]) {
      classes.MarkDistinguished(static_cast<SymbolClasses::Row>(r), columnOf(name));
    }
  }
  classes.TakeChangedColumns();
  if (explanation != nullptr) {
    *explanation << "Initial tableau\n";
    PrintTableau(*explanation, classes.ToTableau(), attributes, decomposition);
    *explanation << "\nEqualizations\n";
  }
  chase(classes);
  if (explanation != nullptr && equalizationsShown == 0) *explanation << "  none\n";
  return classes.ToTableau();
}

// Groups rows by a key of class roots: an open-addressing table from the key's hash to the
// first row seen with that key, reused from one dependency to the next.
class RowGroups {
 public:
  using Row = SymbolClasses::Row;

  void Reset(std::size_t expected) {
    std::size_t capacity = 16;
    while (capacity < 2 * expected) capacity *= 2;
    if (capacity > rows_.size()) {
      rows_.assign(capacity, 0);
      hashes_.assign(capacity, 0);
      stamps_.assign(capacity, 0);
      generation_ = 0;
    }
    mask_ = capacity - 1;
    if (++generation_ == 0) {  // after 2^32 uses: stale stamps could look current
      std::fill(stamps_.begin(), stamps_.end(), 0);
      generation_ = 1;
    }
  }

  // The first row inserted with a key equal to row's (sameKey decides), or row itself,
  // which is then inserted.
  template <typename SameKey>
  Row FirstWithKey(std::uint64_t hash, Row row, SameKey sameKey) {
    for (std::size_t slot = hash & mask_;; slot = (slot + 1) & mask_) {
      if (stamps_[slot] != generation_) {
        stamps_[slot] = generation_;
        hashes_[slot] = hash;
        rows_[slot] = row;
        return row;
      }
      if (hashes_[slot] == hash && sameKey(rows_[slot])) return rows_[slot];
    }
  }

 private:
  std::vector<Row> rows_;
  std::vector<std::uint64_t> hashes_;
  std::vector<std::uint32_t> stamps_;
  std::uint32_t generation_ = 0;
  std::size_t mask_ = 0;
};

namespace {

std::uint64_t Mix(std::uint64_t hash, std::uint64_t value) {
  hash ^= value + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
  return hash * 0xff51afd7ed558ccdULL;
}

}  // namespace

void Application::chase(SymbolClasses& classes) {
  // A dependency whose left-hand side is one column follows every merge in that column at
  // once (egyenlosit queues it). One with a longer left-hand side is looked at again, as a
  // whole, after a column of its left-hand side changed.
  followers.assign(attributes.size(), {});
  std::vector<std::vector<std::size_t>> dependentsOf(attributes.size());
  std::deque<std::size_t> work;
  std::vector<bool> queued(dependencyColumns.size(), false);
  for (std::size_t j = 0; j < dependencyColumns.size(); ++j) {
    const DependencyColumns& columns = dependencyColumns[j];
    if (!columns.applies || columns.right.empty()) continue;
    std::vector<std::size_t> left = columns.left;
    std::sort(left.begin(), left.end());
    left.erase(std::unique(left.begin(), left.end()), left.end());
    if (left.size() == 1) {
      followers[left.front()].push_back(j);
    } else {
      for (std::size_t c : left) dependentsOf[c].push_back(j);
    }
    work.push_back(j);
    queued[j] = true;
  }
  RowGroups groups;
  while (!work.empty()) {
    std::size_t j = work.front();
    work.pop_front();
    queued[j] = false;
    applyDependency(classes, j, groups);
    for (std::size_t c : classes.TakeChangedColumns()) {
      for (std::size_t dependent : dependentsOf[c]) {
        if (!queued[dependent]) {
          queued[dependent] = true;
          work.push_back(dependent);
        }
      }
    }
  }
  followers.clear();
}

void Application::applyDependency(SymbolClasses& classes, std::size_t j, RowGroups& groups) {
  using Row = SymbolClasses::Row;
  const std::vector<std::size_t>& left = dependencyColumns[j].left;
  if (isSettled(classes, j)) return;
  // Only rows whose cell shares its class in every left-hand column can agree with another
  // row; the column with the fewest shared cells bounds the candidates.
  std::size_t driver = *std::min_element(left.begin(), left.end(), [&](auto a, auto b) {
    return classes.SharedCount(a) < classes.SharedCount(b);
  });
  if (classes.SharedCount(driver) < 2) return;

  std::vector<std::pair<Row, Row>> agreeing;
  groups.Reset(classes.SharedCount(driver));
  classes.ForEachShared(driver, [&](Row r) {
    std::uint64_t hash = 0;
    for (std::size_t c : left) {
      if (!classes.IsShared(c, r)) return;
      hash = Mix(hash, classes.Find(c, r));
    }
    Row first = groups.FirstWithKey(hash, r, [&](Row other) {
      return std::all_of(left.begin(), left.end(), [&](std::size_t c) {
        return classes.Find(c, other) == classes.Find(c, r);
      });
    });
    if (first != r) agreeing.emplace_back(first, r);
  });
  for (const auto& [first, r] : agreeing) equalize(first, r, classes, j);
}

bool Application::isSettled(const SymbolClasses& classes, std::size_t j) const {
  const std::vector<std::size_t>& right = dependencyColumns[j].right;
  return std::all_of(right.begin(), right.end(),
                     [&](std::size_t c) { return classes.IsComplete(c); });
}

void Application::equalize(std::size_t i, std::size_t k, SymbolClasses& classes, std::size_t j) {
  egyenlosit(i, k, classes, j);
  while (!pending.empty()) {
    Equalization next = pending.back();
    pending.pop_back();
    egyenlosit(next.i, next.k, classes, next.j);
  }
}

void Application::egyenlosit(std::size_t i, std::size_t k, SymbolClasses& classes, std::size_t j) {
  SymbolClasses::Merge merge;
  for (std::size_t c : dependencyColumns[j].right) {
    if (classes.Unite(c, static_cast<SymbolClasses::Row>(i), static_cast<SymbolClasses::Row>(k),
                      &merge)) {
      if (explanation != nullptr) showEqualization(i, k, c, j, merge);
      // Rows i and k now agree on c: so they must on what c alone determines.
      if (c < followers.size()) {
        for (std::size_t follower : followers[c]) {
          if (!isSettled(classes, follower)) pending.push_back({i, k, follower});
        }
      }
    }
  }
}
