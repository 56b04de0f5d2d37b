#include "application.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <limits>
#include <stdexcept>

#include "chase.h"
#include "distinguishedclosure.h"
#include "explain.h"
#include "fcopy.h"
#include "reader.h"
#include "symbolclasses.h"
#include "warnings.h"

namespace {

// How many 64-bit words the closure of distinguished cells may touch per cell of the tableau
// and per column of a dependency before the chase takes over, and how many per gain, as the
// closure counts it, while it goes on. Inputs it decides need about one word a cell, and
// spend well under 30 words per gain; a chain of dependencies listed last link first, which
// it advances by one link a round, spends hundreds.
constexpr std::size_t kClosureWordsPerCell = 4;
constexpr std::size_t kClosureWordsPerGain = 64;

// Ends the process with status after the message and, when there is one, a second line that
// names the file and the system's reason: "lossless-join: FILE: what failed: reason".
[[noreturn]] void Fail(const char* message, int status, const std::string& file = "",
                       const std::string& what = "", const std::string& reason = "") {
  std::cerr << message << '\n';
  if (!file.empty())
    std::cerr << "lossless-join: " << file << ": " << what << ": " << reason << '\n';
  std::cerr << std::flush;
  std::exit(status);
}

// Whether a file's last bytes are those of an output of this tool: a line break, then one
// of the two verdict words, at the very end.
bool EndsWithVerdict(const std::string& tail) {
  for (const std::string word : {"\nvesztesegmentes", "\nveszteseges"}) {
    if (tail.size() >= word.size() &&
        tail.compare(tail.size() - word.size(), word.size(), word) == 0) {
      return true;
    }
  }
  return false;
}

// An earlier output given as the input and a hand-written file as the output: the copy
// would replace the hand-written file. Refused before any file is touched. Files that
// cannot be read are not judged here; the copy reports them.
void RefuseSwappedArguments(const char* inputFile, const char* outputFile) {
  constexpr std::size_t kTail = 16;  // "\nvesztesegmentes"
  std::string inputTail;
  std::string outputTail;
  if (!ReadFileTail(inputFile, kTail, inputTail) || !EndsWithVerdict(inputTail)) return;
  if (!ReadFileTail(outputFile, kTail, outputTail) || outputTail.empty()) return;
  if (EndsWithVerdict(outputTail)) return;
  std::cerr << "lossless-join: " << inputFile << " ends with a verdict and " << outputFile
            << " does not: are the arguments swapped? Nothing was changed." << std::endl;
  std::exit(1);
}

std::size_t PhysicalMemoryBytes() {
  long pages = ::sysconf(_SC_PHYS_PAGES);
  long pageSize = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return std::numeric_limits<std::size_t>::max();
  return static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
}

// Refuses a tableau that cannot be indexed or that would not fit in this machine's memory:
// a clear message beats an allocation that the system kills the process for later. A cell
// takes 12 bytes in the symbol classes and 4 in the final tableau; an explanation adds 4 for
// the symbols and 16 for the proof forest.
void CheckTableauSize(std::size_t rows, std::size_t cols, bool explained) {
  constexpr std::size_t kMaxRows = (std::size_t{1} << 30) - 1;
  constexpr std::size_t kMaxCols = std::numeric_limits<std::uint32_t>::max();
  std::size_t bytesPerCell = explained ? 36 : 16;
  std::size_t limit = PhysicalMemoryBytes() / bytesPerCell;
  bool fits = rows <= kMaxRows && cols <= kMaxCols && (cols == 0 || rows <= limit / cols);
  if (!fits) {
    throw std::length_error("the tableau of " + std::to_string(rows) + " rows and " +
                            std::to_string(cols) + " columns does not fit in memory");
  }
}

}  // namespace

Application::Application(const char* inputFile, const char* outputFile)
    : inputName(inputFile), outputName(outputFile) {
  if (SameFile(inputFile, outputFile)) {
    Fail("Input and output must be different files.", 1);
  }
  RefuseSwappedArguments(inputFile, outputFile);
  CopyFailure copy;
  if (FileCopy(inputFile, outputFile, &copy) != 0) {
    Fail("Error while copiing input file.", 1, copy.reading ? inputFile : outputFile,
         copy.reading ? "cannot read the input" : "cannot write the output", copy.reason);
  }
  const char* kReopenFailed =
      "File doesn't exsist or you have no permission to create the output file.";
  input.open(inputFile);
  if (input.fail()) {
    Fail(kReopenFailed, 2, inputFile, "cannot open the input again", std::strerror(errno));
  }
  output.open(outputFile, std::ios::out | std::ios::app | std::ios::binary);
  if (output.fail()) {
    Fail(kReopenFailed, 2, outputFile, "cannot open the output to append", std::strerror(errno));
  }
}

Application::~Application() {
  input.close();
  output.close();
  // One write for the whole line: a failure leaves no half of it.
  if (finished) std::cout << "Done.\n" << std::flush;
}

void Application::run() {
  getInput();
  if (explanation != nullptr) printInput(*explanation);
  result(output);
  output.close();
  if (output.fail()) {
    Fail("Error while writing the output file.", 2, outputName, "cannot write the output",
         std::strerror(errno));
  }
  finished = true;
}

void Application::getInput() {
  getInput(input, inputName);
  if (input.bad()) {
    Fail("Error while reading the input file.", 2, inputName, "cannot read the input",
         std::strerror(readError));
  }
}

void Application::getInput(std::istream& in, const std::string& name) {
  inputName = name;
  Warnings warnings(std::cerr, name);
  ParsedInput parsed = ReadInput(in, warnings, keepNames || explanation != nullptr);
  warnings.Finish();
  attributes = std::move(parsed.attributes);
  decomposition = std::move(parsed.decomposition);
  dependencies = std::move(parsed.dependencies);
  rowColumns = std::move(parsed.rowColumns);
  resolved = std::move(parsed.resolved);
  dependencyLines = std::move(parsed.dependencyLines);
  dependencyTexts = std::move(parsed.dependencyTexts);
  lineBreak = std::move(parsed.lineBreak);
  readError = parsed.readError;
}

void Application::printInput(std::ostream& os) const {
  // Right-aligned in fields of three, and never run together: a name of three bytes or more
  // gets a blank before it.
  auto printNames = [&os](const AttributeList& names) {
    for (const std::string& name : names)
      os << (name.size() >= 3 ? " " : "") << std::setw(3) << name;
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
  bool lossless = false;
  if (explanation == nullptr) {
    lossless = isLossless();
  } else {
    Explanation shown(*explanation, attributes, decomposition, rowColumns, resolved,
                      dependencyLines, dependencyTexts);
    lossless = shown.ShowConclusion(runChase(&shown));
  }
  os << (lossless ? "vesztesegmentes" : "veszteseges");
}

bool Application::isLossless() const {
  // Without an explanation only the verdict counts. Rows that agree on distinguished cells
  // alone decide most large inputs, 64 rows at a time; the closure's work is held to a few
  // words a cell, so that it never costs more than a part of the chase it saves.
  const std::size_t rows = decomposition.size();
  const std::size_t cols = attributes.size();
  CheckTableauSize(rows, cols, false);
  SymbolClasses classes(0, 0, false);
  {
    DistinguishedClosure closure(rows, cols, rowColumns, resolved);
    closure.Run(kClosureWordsPerCell * (rows * cols + resolved.ColumnCount()), true,
                kClosureWordsPerGain);
    if (closure.AllDistinguishedRow() != DistinguishedClosure::kNone) return true;
    if (closure.IsChaseFixpoint()) return false;
    // The chase then starts from the closure's cells: it reaches the same tableau, and it
    // stops at the first row that is all distinguished, which stays so whatever follows.
    classes = initialClasses(false, &closure);
  }
  Chase(classes, resolved).Run(true);
  return classes.AllDistinguishedRow() != SymbolClasses::kNone;
}

SymbolClasses Application::initialClasses(bool trackSymbols,
                                          const DistinguishedClosure* closure) const {
  CheckTableauSize(decomposition.size(), attributes.size(), trackSymbols);
  SymbolClasses classes(decomposition.size(), attributes.size(), trackSymbols);
  if (closure != nullptr) {
    // The closure holds the initial cells too; column by column, each in one pass.
    std::vector<SymbolClasses::Row> rows;
    for (Column c = 0; c < attributes.size(); ++c) {
      rows.clear();
      closure->ForEachDistinguished(c, [&](SymbolClasses::Row r) { rows.push_back(r); });
      classes.MarkDistinguished(rows, c);
    }
    return classes;
  }
  for (std::size_t r = 0; r < rowColumns.size(); ++r) {
    for (Column c : rowColumns[r]) classes.MarkDistinguished(static_cast<SymbolClasses::Row>(r), c);
  }
  return classes;
}

Tableau Application::finalTableau() { return runChase(nullptr); }

Tableau Application::runChase(Explanation* shown) {
  SymbolClasses classes = initialClasses(shown != nullptr);
  Chase::Observer observer;
  if (shown != nullptr) {
    shown->ShowInitial(classes.ToTableau());
    observer = [shown](const ChaseStep& step) { shown->ShowStep(step); };
  }
  Chase(classes, resolved, observer).Run(false);
  return classes.ToTableau();
}

void Application::egyenlosit(std::size_t i, std::size_t k, SymbolClasses& classes, std::size_t j) {
  for (Column c : resolved.Right(j)) {
    classes.Unite(c, static_cast<SymbolClasses::Row>(i), static_cast<SymbolClasses::Row>(k));
  }
}
