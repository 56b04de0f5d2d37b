#include "application.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <utility>

#include "decide.h"
#include "explain.h"
#include "fcopy.h"
#include "outputfile.h"
#include "preservation.h"
#include "reader.h"
#include "readonce.h"
#include "warnings.h"

namespace {

const char kReopenFailed[] =
    "File doesn't exsist or you have no permission to create the output file.";

// A failure with a second line that names the file and the system's reason.
RunFailure FileFailure(const char* message, ExitStatus status, const std::string& file,
                       const std::string& what, const std::string& reason) {
  return {message, "lossless-join: " + file + ": " + what + ": " + reason, status};
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
  throw RunFailure{"lossless-join: " + std::string(inputFile) + " ends with a verdict and " +
                       outputFile + " does not: are the arguments swapped? Nothing was changed.",
                   "", kStatusRefused};
}

}  // namespace

Application::Application(const char* inputFile, const char* outputFile, std::ostream* explainTo,
                         ExplainFormat format)
    : inputName(inputFile),
      outputName(outputFile),
      keepNames(explainTo != nullptr),
      explanation(explainTo),
      explainFormat(format) {
  const bool standardStreams = IsStandardStreamName(inputFile) || IsStandardStreamName(outputFile);
  if (!standardStreams && SameFile(inputFile, outputFile)) {
    throw RunFailure{"Input and output must be different files.", "", kStatusRefused};
  }
  if (!standardStreams) RefuseSwappedArguments(inputFile, outputFile);
  inputReadOnce = IsReadOnceInput(inputFile);
  target = std::make_unique<OutputFile>(outputFile);
  CopyInput(inputFile);
  if (!inputReadOnce) {
    input.open(inputFile);
    if (input.fail()) {
      throw FileFailure(kReopenFailed, kStatusFileError, InputLabel(),
                        "cannot open the input again", std::strerror(errno));
    }
  }
  if (target->IsStream()) return;  // the copy's stream stays open for the verdict
  output.open(target->WritePath(), std::ios::out | std::ios::app | std::ios::binary);
  if (output.fail()) {
    throw FileFailure(kReopenFailed, kStatusFileError, OutputLabel(),
                      "cannot open the output to append", std::strerror(errno));
  }
}

void Application::CopyInput(const char* inputFile) {
  CopyFailure copy;
  bool copied = false;
  if (inputReadOnce && !ReadWholeInput(inputFile, inputBytes, copy.reason)) {
    copy.reading = true;
  } else if (target->IsStream()) {
    copied = OpenOutputStream(copy) && CopyIntoStream(inputFile, copy);
  } else if (inputReadOnce) {
    copied = WriteInputBytes(target->WritePath().c_str(), copy);
  } else {
    copied = FileCopy(inputFile, target->WritePath().c_str(), &copy) == 0;
  }
  if (!copied) {
    throw FileFailure("Error while copiing input file.", kStatusRefused,
                      copy.reading ? InputLabel() : OutputLabel(),
                      copy.reading ? "cannot read the input" : "cannot write the output",
                      copy.reason);
  }
}

bool Application::OpenOutputStream(CopyFailure& failure) {
  if (target->GetKind() == OutputFile::Kind::kStandardOutput) {
    out = &std::cout;
    return true;
  }
  output.open(target->WritePath(), std::ios::out | std::ios::binary);
  if (output.fail()) failure = {false, std::strerror(errno)};
  return !output.fail();
}

bool Application::CopyIntoStream(const char* inputFile, CopyFailure& failure) {
  if (!inputReadOnce) return StreamCopy(inputFile, *out, &failure) == 0;
  if (out->write(inputBytes.data(), static_cast<std::streamsize>(inputBytes.size())) &&
      out->flush()) {
    return true;
  }
  failure = {false, std::strerror(errno)};
  return false;
}

bool Application::WriteInputBytes(const char* path, CopyFailure& failure) {
  std::ofstream file(path, std::ios::out | std::ios::trunc | std::ios::binary);
  file.write(inputBytes.data(), static_cast<std::streamsize>(inputBytes.size()));
  file.close();
  if (!file.fail()) return true;
  failure = {false, std::strerror(errno)};
  return false;
}

std::string Application::InputLabel() const {
  return inputName == "-" ? "standard input" : inputName;
}

std::string Application::OutputLabel() const {
  return outputName == "-" ? "standard output" : outputName;
}

Application::~Application() {
  input.close();
  output.close();
}

void Application::run() {
  getInput();
  if (explanation != nullptr && explainFormat == ExplainFormat::kText) printInput(*explanation);
  result(*out);
  if (out == &std::cout) {
    out->flush();
  } else {
    output.close();
  }
  if (out->fail()) {
    throw FileFailure("Error while writing the output file.", kStatusFileError, OutputLabel(),
                      "cannot write the output", std::strerror(errno));
  }
  std::string what;
  std::string reason;
  if (!target->Commit(what, reason)) {
    throw FileFailure("Error while writing the output file.", kStatusFileError, OutputLabel(), what,
                      reason);
  }
}

void Application::getInput() {
  if (inputReadOnce) {
    MemoryStreamBuffer bytes(inputBytes);
    std::istream in(&bytes);
    getInput(in, inputName);
    inputBytes = std::string();  // read: its memory goes back before the chase
    return;
  }
  getInput(input, inputName);
  if (input.bad()) {
    throw FileFailure("Error while reading the input file.", kStatusFileError, InputLabel(),
                      "cannot read the input", std::strerror(readError));
  }
}

void Application::getInput(std::istream& in, const std::string& name) {
  inputName = name;
  const bool keep =
      keepWarnings || (explanation != nullptr && explainFormat != ExplainFormat::kText);
  Warnings shown(*warningsOut, name, keep ? &warnings : nullptr);
  // Without the names nothing but the verdict is asked of the dependencies.
  ParsedInput parsed = ReadInput(
      in, shown, keepNames, keepNames ? DependencyUse::kAsWritten : DependencyUse::kForTheVerdict);
  shown.Finish();
  attributes = std::move(parsed.attributes);
  decomposition = std::move(parsed.decomposition);
  dependencies = std::move(parsed.dependencies);
  resolved = std::move(parsed.resolved);
  dependencyLines = std::move(parsed.dependencyLines);
  dependencyTexts = std::move(parsed.dependencyTexts);
  joinComponents = std::move(parsed.joinComponents);
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
    const DependencyKind kind = resolved.dependencies.Kind(j);
    if (kind == DependencyKind::kJoin) {
      // As written: "*(" and the components, "|" between them.
      os << " *(";
      for (std::size_t i = 0; i < joinComponents[j].size(); ++i) {
        if (i != 0) os << " |";
        printNames(joinComponents[j][i]);
      }
      os << " )\n";
      continue;
    }
    printNames(dependencies.first[j]);
    os << std::setw(3) << (kind == DependencyKind::kMultivalued ? "->>" : "->");
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
  Outcome outcome;
  DecideOptions options;
  options.maxRows = maxRows;
  if (explanation == nullptr) {
    outcome = Decide(resolved, options);
  } else {
    Explanation shown(*explanation, attributes, decomposition, resolved, dependencyLines,
                      dependencyTexts, explainFormat);
    const ChaseObserver observer = shown.Observer();
    options.observer = &observer;
    outcome = Decide(resolved, options);
    shown.ShowConclusion(*outcome.finalTableau, outcome.decidingRow);
    shown.ShowPreservation(NotPreserved(resolved));
    shown.Finish(std::move(warnings));
  }
  os << (outcome.lossless ? "vesztesegmentes" : "veszteseges");
}

void Application::egyenlosit(std::size_t i, std::size_t k, Tableau& tableau, std::size_t j) const {
  const auto rowI = static_cast<std::uint32_t>(i);
  const auto rowK = static_cast<std::uint32_t>(k);
  for (Column c : resolved.dependencies.Right(j)) {
    const int kept = std::min(tableau(rowI, c), tableau(rowK, c));
    const int dropped = std::max(tableau(rowI, c), tableau(rowK, c));
    for (std::uint32_t r = 0; r < tableau.RowNo(); ++r) {
      if (tableau(r, c) == dropped) tableau(r, c) = kept;
    }
  }
}
