#include <stdio_ext.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <new>

#include "application.h"

namespace {

const char kHelp[] =
    "Usage: lossless-join [--explain] INPUT OUTPUT\n"
    "       lossless-join --help | --version\n"
    "\n"
    "Decides by the tableau (chase) test whether the decomposition in INPUT is\n"
    "lossless, copies INPUT to OUTPUT and appends the verdict: vesztesegmentes\n"
    "(lossless) or veszteseges (lossy).\n"
    "\n"
    "Options:\n"
    "  --explain  also show the tableau and every equalization on standard output\n"
    "  --help     show this text and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Input format:\n"
    "  one sub-schema per line, attribute names separated by commas: A,B,C\n"
    "  an empty line ends the sub-schemas; then one dependency per line: A,B->C\n"
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
int Run(const char* inputFile, const char* outputFile, bool explain) {
  // The one place that catches what escapes a run: a short line instead of an abort.
  try {
    Application application(inputFile, outputFile, explain ? &std::cout : nullptr);
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
         std::strcmp(argument, "--version") == 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Two arguments are the two file names, unless the first is an option with the wrong
  // number of arguments after it.
  if (argc == 3 && !IsOption(argv[1])) return Run(argv[1], argv[2], false);
  if (argc == 4 && std::strcmp(argv[1], "--explain") == 0) return Run(argv[2], argv[3], true);
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
