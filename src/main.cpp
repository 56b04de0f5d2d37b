#include <stdio_ext.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <new>

#include "application.h"

namespace {

const char kHelp[] =
    "Usage: lossless-join [--explain] [--max-rows N] INPUT OUTPUT\n"
    "       lossless-join --help | --version\n"
    "\n"
    "Decides by the tableau (chase) test whether the decomposition in INPUT is\n"
    "lossless, copies INPUT to OUTPUT and appends the verdict: vesztesegmentes\n"
    "(lossless) or veszteseges (lossy).\n"
    "\n"
    "Options:\n"
    "  --explain     also show the tableau and each step of the chase\n"
    "  --max-rows N  the most rows the chase may build with multivalued or join\n"
    "                dependencies (default: about 1 GiB of rows); past it, status 3\n"
    "  --help        show this text and exit\n"
    "  --version     show the version and exit\n"
    "\n"
    "Input format:\n"
    "  one sub-schema per line, attribute names separated by commas: A,B,C\n"
    "  an empty line ends the sub-schemas; then one dependency per line:\n"
    "    A,B->C (functional), A->>B (multivalued; also ->->), *(A,B|B,C) (join)\n"
    "  names are taken byte for byte: nothing is trimmed, case counts\n"
    "  UTF-8, with or without a byte order mark; CR LF line ends are fine\n"
    "  empty dependency lines are skipped; what looks like a mistake draws a warning\n"
    "\n"
    "Exit status: 0 done; 1 wrong arguments, the same file twice or a failed copy;\n"
    "2 a file could not be opened, read or written; 3 the test could not be\n"
    "completed.\n";

// Writes text to standard output, and whether it all got there. A Unix tool reports a failed
// write to it (a full disk, a closed pipe), as echo does: a line on stderr, and the status.
bool WriteStandardOutput(const char* text) {
  // One write for the whole text: a failure leaves no part of it.
  if (std::cout << text << std::flush) return true;
  int error = errno;
  // What could not be written must not appear at exit, after the message: no "Done." then.
  __fpurge(stdout);
  std::cerr << "lossless-join: cannot write to standard output: " << std::strerror(error)
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

// Copies the input file to the output file and appends the verdict; with explain, shows the
// run on standard output. Then "Done.", once both files are closed.
int Run(const char* inputFile, const char* outputFile, bool explain, std::size_t maxRows) {
  // The one place that catches what escapes a run: a short line instead of an abort.
  try {
    Application application(inputFile, outputFile, explain ? &std::cout : nullptr);
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
  return WriteStandardOutput("Done.\n") ? kStatusDone : kStatusFileError;
}

bool IsOption(const char* argument) {
  return std::strcmp(argument, "--explain") == 0 || std::strcmp(argument, "--help") == 0 ||
         std::strcmp(argument, "--version") == 0 || std::strcmp(argument, "--max-rows") == 0;
}

// A positive whole number, as --max-rows takes it; 0 when text is not one.
std::size_t ParseRowCount(const char* text) {
  std::size_t rows = 0;
  if (*text == '\0') return 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return 0;
    const auto digit = static_cast<std::size_t>(*c - '0');
    if (rows > (SIZE_MAX - digit) / 10) return 0;
    rows = rows * 10 + digit;
  }
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  // Options come before the two file names: --explain, and --max-rows with its number.
  bool explain = false;
  std::size_t maxRows = 0;
  int first = 1;
  for (; first < argc; ++first) {
    if (std::strcmp(argv[first], "--explain") == 0 && !explain) {
      explain = true;
    } else if (std::strcmp(argv[first], "--max-rows") == 0 && maxRows == 0 && first + 1 < argc) {
      maxRows = ParseRowCount(argv[++first]);
      if (maxRows == 0) {
        std::cerr << "lossless-join: --max-rows takes a positive whole number, not \""
                  << argv[first] << "\"" << std::endl;
        return kStatusRefused;
      }
    } else {
      break;
    }
  }
  // Two arguments are the two file names, unless the first is an option with the wrong
  // number of arguments after it.
  if (argc - first == 2 && !IsOption(argv[first])) {
    return Run(argv[first], argv[first + 1], explain, maxRows);
  }
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    return WriteStandardOutput(kHelp) ? kStatusDone : kStatusFileError;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    return WriteStandardOutput("lossless-join " LOSSLESS_JOIN_VERSION "\n") ? kStatusDone
                                                                            : kStatusFileError;
  }
  std::cerr << "You must give 2 parameters.\n"
            << "Try 'lossless-join --help' for more information." << std::endl;
  return kStatusRefused;
}
