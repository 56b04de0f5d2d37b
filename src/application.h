#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "schema.h"
#include "symbolclasses.h"

class DistinguishedClosure;
class Explanation;

// One run of the tool: copies the input file to the output file, reads the decomposition
// and the dependencies, and appends the verdict of the tableau test.
class Application {
 public:
  // Refuses the same file as input and output, copies the input to the output and opens
  // both streams; on failure it prints the message and ends the process (status 1 or 2).
  Application(const char* inputFile, const char* outputFile);
  // An application without files, for reading from any stream.
  Application() = default;
  // Closes the streams; prints "Done." when the run completed.
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Reads the input and appends the verdict; ends the process with status 2 when the
  // output file could not be written in full.
  void run();
  // From now on, also explains the run on os: the parsed input, the initial tableau, every
  // equalization, the final tableau and the reason for the verdict.
  void explain(std::ostream& os) { explanation = &os; }
  // From now on, reading keeps the dependencies only as columns, not as names and texts,
  // unless the run is explained: a large input then takes a fraction of the memory.
  void keepOnlyColumns() { keepNames = false; }

  // Reads the input file into attributes, decomposition and dependencies.
  void getInput();
  // The same from any stream; inputName is what warnings call the file.
  void getInput(std::istream& in, const std::string& inputName);
  // Writes the parsed input in readable form.
  void printInput(std::ostream& os) const;

  // Writes a line break in the input's own convention, then the verdict word.
  void result(std::ostream& os);
  // Join test: runs the tableau test and writes "vesztesegmentes" (lossless) or
  // "veszteseges" (lossy).
  void kapcsolas_teszt(std::ostream& os);
  // The tableau after the chase: one row per sub-schema, one column per attribute.
  Tableau finalTableau();
  // The cells of the initial tableau: each sub-schema's own attributes distinguished, and
  // also the cells that closure marked, when it is given.
  SymbolClasses initialClasses(bool trackSymbols,
                               const DistinguishedClosure* closure = nullptr) const;
  // Equalize: makes rows i and k agree on every right-hand-side column of dependency j, by
  // merging the classes of their cells there; the smaller symbol wins.
  void egyenlosit(std::size_t i, std::size_t k, SymbolClasses& classes, std::size_t j);

  const AttributeList& getAttributes() const { return attributes; }
  const SchemaList& getDecomposition() const { return decomposition; }
  // The dependencies as written; empty after keepOnlyColumns.
  const DependencySet& getDependencies() const { return dependencies; }
  const ResolvedDependencies& getResolvedDependencies() const { return resolved; }
  const ColumnLists& getRowColumns() const { return rowColumns; }
  // The line of the input file that each dependency came from, counted from 1.
  const std::vector<std::size_t>& getDependencyLines() const { return dependencyLines; }
  const std::string& getLineBreak() const { return lineBreak; }

 private:
  // The verdict alone, as fast as it can be found: true for lossless.
  bool isLossless() const;
  // The chase to its fixpoint, shown step by step when explanation is not null.
  Tableau runChase(Explanation* explanation);

  AttributeList attributes;  // sorted, without duplicates: the tableau's column order
  SchemaList decomposition;  // one entry per schema line: the tableau's row order
  DependencySet dependencies;
  std::ifstream input;
  std::ofstream output;

  ColumnLists rowColumns;  // the columns of each sub-schema
  ResolvedDependencies resolved;
  std::vector<std::size_t> dependencyLines;
  std::vector<std::string> dependencyTexts;  // as written, for the explanation
  std::string inputName = "input";
  std::string outputName = "output";
  int readError = 0;  // the system's reason when reading the input failed
  // "\r\n" when the input's first line ends with a carriage return and a line feed.
  std::string lineBreak = "\n";
  bool keepNames = true;
  bool finished = false;
  std::ostream* explanation = nullptr;  // where to explain the run, if anywhere
};
