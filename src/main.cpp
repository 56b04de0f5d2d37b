#include <stdio_ext.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "application.h"
#include "check.h"
#include "commandline.h"
#include "implies.h"
#include "outputfile.h"

namespace {

const char kHelp[] =
    "Usage: lossless-join [OPTION]... INPUT OUTPUT\n"
    "       lossless-join --check [--json] [--max-rows=N] FILE...\n"
    "       lossless-join [--explain] --implies=DEP... INPUT\n"
    "       lossless-join --help | --version\n"
    "\n"
    "Decides by the tableau (chase) test whether the decomposition in INPUT is\n"
    "lossless, copies INPUT to OUTPUT and appends the verdict: vesztesegmentes\n"
    "(lossless) or veszteseges (lossy). OUTPUT is replaced by a complete run only.\n"
    "\"-\" as INPUT or FILE reads standard input; as OUTPUT, writes standard output.\n"
    "\n"
    "Options (before the file names; \"--\" ends them):\n"
    "  --explain[=FORM]  also show the tableau and each step of the chase, and\n"
    "                    whether the decomposition preserves the dependencies;\n"
    "                    FORM is text (the default), json or latex: one document\n"
    "                    on standard output, without Done.\n"
    "  --max-rows=N      the most rows the chase may build with multivalued or join\n"
    "                    dependencies (default: about 1 GiB of rows); past it,\n"
    "                    status 3\n"
    "  --check           decide each FILE, write no output file: one line each,\n"
    "                    FILE: lossless (vesztesegmentes)\n"
    "                    or FILE: lossy (veszteseges)\n"
    "                    then whether it preserves the functional dependencies\n"
    "  --json            with --check: one JSON object per line and FILE, with\n"
    "                    \"file\", \"verdict\" or \"error\", and every warning\n"
    "  --implies=DEP     whether the dependencies of INPUT imply DEP (A->B, A->>B or\n"
    "                    *(A,B|B,C)); may be repeated: DEP: implied, or not implied\n"
    "  --help            show this text and exit\n"
    "  --version         show the version and exit\n"
    "\n"
    "Input format:\n"
    "  one sub-schema per line, attribute names separated by commas: A,B,C\n"
    "  an empty line ends the sub-schemas; then one dependency per line:\n"
    "    A,B->C (functional), A->>B (multivalued; also ->->), *(A,B|B,C) (join)\n"
    "  names are taken byte for byte: nothing is trimmed, case counts\n"
    "  UTF-8, with or without a byte order mark; CR LF line ends are fine\n"
    "  empty dependency lines are skipped; what looks like a mistake draws a\n"
    "  warning, FILE:LINE:COLUMN: warning: MESSAGE\n"
    "\n"
    "Exit status: 0 done; 1 wrong arguments, the same file twice or a failed copy;\n"
    "2 a file could not be opened, read or written; 3 the test could not be\n"
    "completed. With --check: 0 every FILE lossless, 1 some FILE lossy, 2 some FILE\n"
    "could not be checked (or wrong arguments). With --implies: 0 every DEP implied,\n"
    "1 some DEP not implied, 2 INPUT or some DEP could not be read.\n";

// Writes text to standard output, and whether it all got there. A Unix tool reports a failed
// write to it (a full disk, a closed pipe), as echo does: a line on stderr, and the status.
// Returns false after the line that says so.
bool StandardOutputFailed() {
  const int error = errno;
  // What could not be written must not appear at exit, after the message: no "Done." then.
  __fpurge(stdout);
  std::cerr << "lossless-join: cannot write to standard output: " << std::strerror(error)
            << std::endl;
  return false;
}

bool WriteStandardOutput(const char* text) {
  // One write for the whole text: a failure leaves no part of it.
  if (std::cout << text << std::flush) return true;
  return StandardOutputFailed();
}

// The JSON line of a checked file, and its line break, on standard output in pieces: its
// warnings may take hundreds of megabytes, which are never held as one string. False, with a
// message, when a piece cannot be written or the warnings cannot be read back.
bool WriteJsonLine(const CheckedFile& result, const std::string& file) {
  const auto write = [](std::string_view piece) {
    return static_cast<bool>(
        std::cout.write(piece.data(), static_cast<std::streamsize>(piece.size())));
  };
  std::string error;
  if (WriteJsonLine(result, write, error) && write("\n") && std::cout.flush()) return true;
  if (!std::cout) return StandardOutputFailed();
  std::cerr << "lossless-join: " << file << ": cannot read back the warnings: " << error
            << std::endl;
  return false;
}

// The one place that reports what ended a run early: its message lines, on standard error.
int Report(const RunFailure& failure) {
  std::cerr << failure.message << '\n';
  if (!failure.detail.empty()) std::cerr << failure.detail << '\n';
  std::cerr << std::flush;
  return failure.status;
}

int Report(const char* message) {
  std::cerr << "lossless-join: " << message << std::endl;
  return kStatusNotCompleted;
}

// Copies the input file to the output file and appends the verdict; with explainTo, shows the
// run there. Then "Done." when asked for, once both files are closed.
int Run(const char* inputFile, const char* outputFile, std::ostream* explainTo,
        ExplainFormat format, std::size_t maxRows, bool sayDone) {
  // The one place that catches what escapes a run: a short line instead of an abort.
  try {
    Application application(inputFile, outputFile, explainTo, format);
    application.setMaxRows(maxRows);
    application.run();
  } catch (const RunFailure& failure) {
    return Report(failure);
  } catch (const std::bad_alloc&) {
    return Report("out of memory");
  } catch (const std::exception& error) {
    return Report(error.what());
  } catch (...) {
    return Report("unexpected error");
  }
  if (!sayDone) return kStatusDone;
  return WriteStandardOutput("Done.\n") ? kStatusDone : kStatusFileError;
}

// Checks each file in turn, one line each on standard output, and gives the status of all.
int Check(const CommandLine& line) {
  CheckOptions options;
  options.maxRows = line.maxRows;
  options.collectWarnings = line.json;
  std::vector<CheckedFile> results;
  for (const std::string& file : line.files) {
    results.push_back(CheckFile(file, options, std::cerr));
    CheckedFile& result = results.back();
    if (!result.decided)
      std::cerr << "lossless-join: " << file << ": " << result.error << std::endl;
    if (line.json) {
      if (!WriteJsonLine(result, file)) return 2;
    } else if (result.decided && !WriteStandardOutput((CheckLine(result) + "\n").c_str())) {
      return 2;
    }
    result.warnings.Clear();  // written: a grader's hundred files need not keep them
  }
  return CheckStatus(results);
}

}  // namespace

int main(int argc, char** argv) {
  const CommandLine line = ParseCommandLine(argc, argv);
  switch (line.action) {
    case CommandLine::Action::kRun: {
      const char* input = line.files[0].c_str();
      const char* output = line.files[1].c_str();
      // With the output on standard output, standard output holds its bytes and nothing else:
      // the explanation goes to standard error, and "Done." is not written. An explanation in
      // JSON or LaTeX is a document of its own: "Done." is not mixed into it either.
      const bool outputIsStandardOutput = NamesStandardOutput(output);
      const bool document = line.explain && line.explainFormat != ExplainFormat::kText;
      return Run(input, output,
                 line.explain ? outputIsStandardOutput ? &std::cerr : &std::cout : nullptr,
                 line.explainFormat, line.maxRows, !outputIsStandardOutput && !document);
    }
    case CommandLine::Action::kCheck:
      return Check(line);
    case CommandLine::Action::kImplies: {
      ImpliesOptions options;
      options.maxRows = line.maxRows;
      options.explain = line.explain;
      return AnswerImplications(line.files[0], line.implies, options, std::cout, std::cerr);
    }
    case CommandLine::Action::kHelp:
      return WriteStandardOutput(kHelp) ? kStatusDone : kStatusFileError;
    case CommandLine::Action::kVersion:
      return WriteStandardOutput("lossless-join " LOSSLESS_JOIN_VERSION "\n") ? kStatusDone
                                                                              : kStatusFileError;
    case CommandLine::Action::kRefuse:
      break;
  }
  for (const std::string& error : line.errors) std::cerr << error << '\n';
  std::cerr << std::flush;
  return line.status;
}
