#pragma once

// The command line, parsed the way Unix tools parse theirs: options first, "--" ends them,
// "--option=value" or "--option value", and an option that is not known named in the error.

#include <cstddef>
#include <string>
#include <vector>

#include "explainformat.h"

struct CommandLine {
  enum class Action {
    kRun,      // INPUT OUTPUT: copy, decide, append the verdict
    kCheck,    // --check FILE...: one verdict a line on standard output
    kImplies,  // --implies DEP... INPUT: whether INPUT's dependencies imply each DEP
    kHelp,     // --help
    kVersion,  // --version
    kRefuse,   // a wrong command line: errors on standard error, then status
  };
  Action action = Action::kRefuse;
  bool explain = false;
  ExplainFormat explainFormat = ExplainFormat::kText;
  bool json = false;
  std::size_t maxRows = 0;  // 0 for the default
  std::vector<std::string> files;
  std::vector<std::string> implies;  // the dependencies that --implies asks about, in order
  // With kRefuse: the lines to write on standard error, and the exit status.
  std::vector<std::string> errors;
  int status = 1;
};

CommandLine ParseCommandLine(int argc, char** argv);
