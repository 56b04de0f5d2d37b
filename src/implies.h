#pragma once

// --implies: whether the dependencies of an input imply other dependencies, asked on the
// command line, one answer a line.

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "reader.h"

struct ImpliesOptions {
  std::size_t maxRows = 0;  // the chase's limit of rows; 0 for the default
  bool explain = false;     // show the chase of each answer before it
};

// Reads the input named path ("-" for standard input) and writes, for each dependency of
// asked, as written, "DEP: implied" or "DEP: not implied" on out. A dependency that cannot
// be read, or names an attribute of no sub-schema, gets its message on err, as does an input
// that cannot be read. Returns 0 when every dependency is implied, 1 when some is not, 2 when
// some could not be answered.
int AnswerImplications(const std::string& path, const std::vector<std::string>& asked,
                       const ImpliesOptions& options, std::ostream& out, std::ostream& err);
// The same for an input already read with its names.
int AnswerImplications(const ParsedInput& input, const std::vector<std::string>& asked,
                       const ImpliesOptions& options, std::ostream& out, std::ostream& err);
