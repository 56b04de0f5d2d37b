#pragma once

#include <cstddef>
#include <fstream>
#include <iostream>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "explainformat.h"
#include "fcopy.h"
#include "outputfile.h"
#include "schema.h"
#include "warnings.h"

// The tool's exit statuses.
enum ExitStatus : int {
  kStatusDone = 0,       // the verdict was written
  kStatusRefused = 1,    // a wrong command line, one file twice, swapped arguments, a failed copy
  kStatusFileError = 2,  // a file could not be opened, read or written, standard output too
  kStatusNotCompleted = 3,  // the test could not be completed
};

// Why a run could not go on: the message that the user sees, a second line that names the
// file and the system's reason ("lossless-join: FILE: what failed: reason", or empty), and the
// exit status. Application throws it; main writes it and ends with the status.
struct RunFailure {
  std::string message;
  std::string detail;
  ExitStatus status;
};

// One run of the tool: copies the input file to the output file, reads the decomposition
// and the dependencies, and appends the verdict of the tableau test. "-" names standard input
// as the input, standard output as the output. A regular output file is replaced whole at the
// end of a complete run, and left as it was by any other. It prints nothing but
// the explanation, when asked for one, and warnings about the input.
class Application {
 public:
  // Refuses the same file as input and output, and swapped arguments; copies the input to the
  // output and opens both streams. Throws RunFailure when it cannot. With explainTo, the
  // run is explained there: the parsed input, the initial tableau, every equalization, the
  // final tableau and the reason for the verdict.
  // In a format other than text, the explanation is one document, written at the end.
  Application(const char* inputFile, const char* outputFile, std::ostream* explainTo = nullptr,
              ExplainFormat format = ExplainFormat::kText);
  // An application without files, for reading from any stream; it keeps the dependencies'
  // names whether or not it explains. Warnings about the input go to warningsTo, and are
  // all kept as well.
  explicit Application(std::ostream* explainTo = nullptr,
                       ExplainFormat format = ExplainFormat::kText,
                       std::ostream* warningsTo = &std::cerr)
      : explanation(explainTo),
        explainFormat(format),
        keepWarnings(true),
        warningsOut(warningsTo) {}
  // Closes the input stream, then the output stream.
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Reads the input and appends the verdict. Throws RunFailure when the input cannot be read
  // or the output file not written in full.
  void run();

  // Reads the input file into attributes, decomposition and dependencies. Throws RunFailure
  // on a read error.
  void getInput();
  // The same from any stream; inputName is what warnings call the file.
  void getInput(std::istream& in, const std::string& inputName);
  // Writes the parsed input in readable form.
  void printInput(std::ostream& os) const;

  // The most rows the chase with multivalued and join dependencies may hold; 0 for the default.
  void setMaxRows(std::size_t rows) { maxRows = rows; }

  // Writes a line break in the input's own convention, then the verdict word.
  void result(std::ostream& os);
  // Join test ("kapcsolas teszt"): decides the verdict and writes "vesztesegmentes" (lossless)
  // or "veszteseges" (lossy).
  void kapcsolas_teszt(std::ostream& os);
  // Equalize ("egyenlosit"): makes rows i and k agree on every right-hand column of
  // dependency j, the textbook way: every cell of the column that holds the larger of their
  // two symbols takes the smaller. Not on the run's path, where the chase merges classes of
  // cells instead; the tests hold the chase's steps against it. Dependency j is the file's
  // j-th when the names are kept; a run without them keeps a file of over a million
  // dependencies as fewer equivalent ones.
  void egyenlosit(std::size_t i, std::size_t k, Tableau& tableau, std::size_t j) const;

  const AttributeList& getAttributes() const { return attributes; }
  const SchemaList& getDecomposition() const { return decomposition; }
  // The dependencies as written; empty after a run without explanation, which needs only
  // their columns.
  const DependencySet& getDependencies() const { return dependencies; }
  // The line of the input file that each dependency came from, counted from 1.
  const std::vector<std::size_t>& getDependencyLines() const { return dependencyLines; }
  const std::string& getLineBreak() const { return lineBreak; }
  // The input's warnings, when they are kept: by an application without files, and by one that
  // explains in JSON or LaTeX until its explanation takes them.
  const std::vector<Warning>& getWarnings() const { return warnings; }

 private:
  // Copies the input to where the output is written: through FileCopy from file to file, or
  // through the output's one stream; an input read once is read whole first. Throws
  // RunFailure when it cannot.
  void CopyInput(const char* inputFile);
  bool OpenOutputStream(CopyFailure& failure);
  bool CopyIntoStream(const char* inputFile, CopyFailure& failure);
  // Writes the input read once to the file at path.
  bool WriteInputBytes(const char* path, CopyFailure& failure);
  // How failure messages name the files: "-" is standard input or standard output.
  std::string InputLabel() const;
  std::string OutputLabel() const;

  AttributeList attributes;  // sorted, without duplicates: the tableau's column order
  SchemaList decomposition;  // one entry per schema line: the tableau's row order
  DependencySet dependencies;
  std::ifstream input;
  std::ofstream output;
  std::ostream* out = &output;  // where the output goes: the file, or standard output
  std::unique_ptr<OutputFile> target;
  bool inputReadOnce = false;  // standard input, a pipe or a FIFO, held in inputBytes
  std::string inputBytes;

  ResolvedInput resolved;  // the same as columns, for the engines
  std::vector<std::size_t> dependencyLines;
  std::vector<std::string> dependencyTexts;  // as written, for the explanation
  std::vector<SchemaList> joinComponents;    // per dependency, a join dependency's components
  std::size_t maxRows = 0;
  std::string inputName = "input";
  std::string outputName = "output";
  int readError = 0;  // the system's reason when reading the input failed
  // "\r\n" when the input's first line ends with a carriage return and a line feed.
  std::string lineBreak = "\n";
  // Whether reading keeps the dependencies as names and texts, not only as columns: a run
  // from files keeps them only to explain, and a large input then takes a fraction of the
  // memory.
  bool keepNames = true;
  std::ostream* explanation = nullptr;  // where to explain the run, if anywhere
  ExplainFormat explainFormat = ExplainFormat::kText;
  std::vector<Warning> warnings;  // the input's, kept for an explanation in JSON or LaTeX
  bool keepWarnings = false;      // whether to keep them in any case
  std::ostream* warningsOut = &std::cerr;
};
