#include "application.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <limits>
#include <stdexcept>

#include "fcopy.h"
#include "stringutils.h"

namespace {

[[noreturn]] void Fail(const char* message, int status) {
  std::cerr << message << std::endl;
  std::exit(status);
}

// Reads one line without its line feed; a carriage return before the line feed is dropped
// too, so that files saved with CR LF line ends read like any other.
bool ReadLine(std::istream& in, std::string& line, bool& endedWithCrLf) {
  if (!std::getline(in, line)) return false;
  endedWithCrLf = false;
  if (!line.empty() && line.back() == '\r') {
    line.pop_back();
    endedWithCrLf = !in.eof();
  }
  return true;
}

// The names of a comma-separated list; a text without a comma is one name.
AttributeList SplitNames(const std::string& text) {
  AttributeList names;
  if (StringUtils::SplitString(text, ",", names, true) == 0) names.push_back(text);
  return names;
}

// A name as it can stand in a one-line message: control bytes, quotes and backslashes
// are escaped, everything else (UTF-8 among it) is kept.
std::string Quoted(const std::string& name) {
  std::string quoted = "\"";
  for (char byte : name) {
    auto c = static_cast<unsigned char>(byte);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7f) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02x", c);
      quoted += escape;
    } else {
      quoted += static_cast<char>(c);
    }
  }
  return quoted + "\"";
}

std::size_t PhysicalMemoryBytes() {
  long pages = ::sysconf(_SC_PHYS_PAGES);
  long pageSize = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return std::numeric_limits<std::size_t>::max();
  return static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
}

// Refuses a tableau that cannot be indexed or that would not fit in this machine's memory:
// a clear message beats an allocation that the system kills the process for later.
void CheckTableauSize(std::size_t rows, std::size_t cols) {
  constexpr std::size_t kMaxRows = std::numeric_limits<int>::max() - 1;
  constexpr std::size_t kMaxCols = std::numeric_limits<std::uint32_t>::max();
  std::size_t limit = PhysicalMemoryBytes() / sizeof(int);
  bool fits = rows <= kMaxRows && cols <= kMaxCols && (cols == 0 || rows <= limit / cols);
  if (!fits) {
    throw std::length_error("the tableau of " + std::to_string(rows) + " rows and " +
                            std::to_string(cols) + " columns does not fit in memory");
  }
}

std::uint32_t Index(std::size_t i) { return static_cast<std::uint32_t>(i); }

}  // namespace

bool HasDistinguishedRow(const Tableau& tableau) {
  for (std::uint32_t r = 0; r < tableau.RowNo(); ++r) {
    bool allDistinguished = true;
    for (std::uint32_t c = 0; c < tableau.ColNo() && allDistinguished; ++c) {
      allDistinguished = tableau(r, c) == 0;
    }
    if (allDistinguished) return true;
  }
  return false;
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
  std::string line;
  std::size_t lineNumber = 0;
  bool endedWithCrLf = false;
  while (ReadLine(in, line, endedWithCrLf)) {
    if (++lineNumber == 1 && endedWithCrLf) lineBreak = "\r\n";
    if (line.empty()) break;
    addSchemaLine(line);
  }
  // Dependencies name only attributes of the schema lines, so the universe is complete
  // here and each dependency line can be resolved as it is read.
  sortAttributes();
  while (ReadLine(in, line, endedWithCrLf)) {
    addDependencyLine(line, ++lineNumber);
  }
}

void Application::addSchemaLine(const std::string& line) {
  AttributeList names = SplitNames(line);
  attributes.insert(attributes.end(), names.begin(), names.end());
  decomposition.push_back(std::move(names));
}

void Application::sortAttributes() {
  std::sort(attributes.begin(), attributes.end());
  attributes.erase(std::unique(attributes.begin(), attributes.end()), attributes.end());
  attributes.shrink_to_fit();
}

void Application::addDependencyLine(const std::string& line, std::size_t lineNumber) {
  if (line.empty()) return;
  AttributeList sides;
  if (StringUtils::SplitString(line, "->", sides, true) == 0) {
    warn(lineNumber, "no \"->\" in dependency; line ignored");
    return;
  }
  // With more than one "->", the texts between the first and the last are not used.
  AttributeList left = SplitNames(sides.front());
  AttributeList right = SplitNames(sides.back());
  dependencyColumns.push_back(resolveColumns(left, right, lineNumber));
  dependencies.first.push_back(std::move(left));
  dependencies.second.push_back(std::move(right));
  dependencyLines.push_back(lineNumber);
}

DependencyColumns Application::resolveColumns(const AttributeList& left, const AttributeList& right,
                                              std::size_t lineNumber) const {
  DependencyColumns columns;
  auto resolve = [&](const AttributeList& names, std::vector<std::size_t>& found,
                     const char* consequence) {
    std::vector<const std::string*> reported;
    for (const std::string& name : names) {
      std::size_t column = columnOf(name);
      if (column != kNoColumn) {
        found.push_back(column);
        continue;
      }
      bool seen = std::any_of(reported.begin(), reported.end(),
                              [&](const std::string* other) { return *other == name; });
      if (!seen) {
        reported.push_back(&name);
        warn(lineNumber, "attribute " + Quoted(name) + " is in no sub-schema; " + consequence);
      }
    }
    return reported.empty();
  };
  columns.applies = resolve(left, columns.left, "the dependency never applies");
  resolve(right, columns.right, "ignored on the right-hand side");
  return columns;
}

std::size_t Application::columnOf(const std::string& name) const {
  auto at = std::lower_bound(attributes.begin(), attributes.end(), name);
  if (at == attributes.end() || *at != name) return kNoColumn;
  return static_cast<std::size_t>(at - attributes.begin());
}

void Application::warn(std::size_t lineNumber, const std::string& message) const {
  std::cerr << "lossless-join: " << inputName << ':' << lineNumber << ": " << message << std::endl;
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

Tableau Application::initialTableau() const {
  CheckTableauSize(decomposition.size(), attributes.size());
  Tableau tableau(Index(decomposition.size()), Index(attributes.size()));
  for (std::size_t r = 0; r < decomposition.size(); ++r) {
    for (std::size_t c = 0; c < attributes.size(); ++c) {
      tableau(Index(r), Index(c)) = static_cast<int>(r + 1);
    }
    for (const std::string& name : decomposition[r]) {
      tableau(Index(r), Index(columnOf(name))) = 0;
    }
  }
  return tableau;
}

bool Application::rowsAgree(const Tableau& tableau, std::size_t i, std::size_t k,
                            std::size_t j) const {
  for (std::size_t c : dependencyColumns[j].left) {
    if (tableau(Index(i), Index(c)) != tableau(Index(k), Index(c))) return false;
  }
  return true;
}

void Application::kapcsolas_teszt(std::ostream& os) {
  Tableau snapshot = initialTableau();
  Tableau working = snapshot;
  std::size_t rows = working.RowNo();
  // Passes over all dependencies and row pairs until a pass changes nothing; a change
  // made early in a pass is seen by the checks after it.
  do {
    snapshot = working;
    for (std::size_t j = 0; j < dependencyColumns.size(); ++j) {
      if (!dependencyColumns[j].applies) continue;
      for (std::size_t i = 0; i + 1 < rows; ++i) {
        for (std::size_t k = i + 1; k < rows; ++k) {
          if (rowsAgree(working, i, k, j)) egyenlosit(i, k, working, j);
        }
      }
    }
  } while (working != snapshot);
  os << (HasDistinguishedRow(working) ? "vesztesegmentes" : "veszteseges");
}

void Application::egyenlosit(std::size_t i, std::size_t k, Tableau& tableau, std::size_t j) {
  for (std::size_t c : dependencyColumns[j].right) {
    int a = tableau(Index(i), Index(c));
    int b = tableau(Index(k), Index(c));
    if (a == b) continue;
    int kept = std::min(a, b);
    int dropped = std::max(a, b);
    for (std::uint32_t r = 0; r < tableau.RowNo(); ++r) {
      if (tableau(r, Index(c)) == dropped) tableau(r, Index(c)) = kept;
    }
  }
}
