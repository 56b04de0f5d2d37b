#pragma once

#include <vector>

#include "schema.h"

// The chase with functional, multivalued and join dependencies done the plainest way, as a
// yardstick for the general engine: rows are tuples of symbols, every pair of rows is tried
// for a functional or multivalued dependency, every tuple over the symbols of the columns for
// a join dependency, and whole passes repeat until one changes nothing. For small inputs
// only: a join dependency's pass looks at every combination of the columns' symbols.
struct GeneralReferenceResult {
  // The rows after the chase, each once, sorted; a cell holds the smallest symbol of its class.
  std::vector<std::vector<int>> rows;
  bool lossless = false;
};

GeneralReferenceResult ReferenceGeneralChase(const ResolvedInput& input);
