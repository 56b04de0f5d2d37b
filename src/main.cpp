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

// Whether everything written to standard output got there. A Unix tool reports a failed
// write to it (a full disk, a closed pipe), as echo does: status 2 and a line on stderr.
bool StandardOutputWritten() {
  if (std::cout.flush()) return true;
  int error = errno;
  // What could not be written must not appear at exit, after the message: no "Done." then.
  __fpurge(stdout);
  std::cerr << "lossless-join: cannot write to standard output: " << std::strerror(error)
            << std::endl;
  return false;
}

// Reads the input file and appends the verdict to the output file.
int Run(const char* inputFile, const char* outputFile, bool explain) {
  // The one place that catches what escapes a run: a short line instead of an abort.
  try {
    Application application(inputFile, outputFile);
    if (explain) application.explain(std::cout);
    application.keepOnlyColumns();
    application.run();
  } catch (const std::bad_alloc&) {
    std::cerr << "lossless-join: out of memory" << std::endl;
    return 3;
  } catch (const std::exception& error) {
    std::cerr << "lossless-join: " << error.what() << std::endl;
    return 3;
  } catch (...) {
    std::cerr << "lossless-join: unexpected error" << std::endl;
    return 3;
  }
  return StandardOutputWritten() ? 0 : 2;
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
    std::cout << kHelp;
    return StandardOutputWritten() ? 0 : 2;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "lossless-join " LOSSLESS_JOIN_VERSION "\n";
    return StandardOutputWritten() ? 0 : 2;
  }
  std::cerr << "You must give 2 parameters.\n"
            << "Try 'lossless-join --help' for more information." << std::endl;
  return 1;
}
