#pragma once

#include <vector>

#include "application.h"

// The tableau test done the plainest way, as a yardstick for the tool's own: names are
// looked up by string comparison, every ordered pair of rows is tried for every dependency,
// and whole passes repeat until one changes nothing.
struct ReferenceResult {
  // Final tableau, one vector per sub-schema, columns in the sorted attribute order; every
  // cell holds the smallest symbol of its class (0 is distinguished).
  std::vector<std::vector<int>> tableau;
  bool lossless = false;
  // Passes made, the last of which changed nothing.
  int passes = 0;
};

ReferenceResult ReferenceChase(const SchemaList& decomposition, const DependencySet& dependencies);
