#pragma once

#include <string>
#include <vector>

#include "generalproof.h"
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

// Steps of the general chase replayed alone on the initial tableau, the textbook way: what
// was wrong with the first one that is not a valid step (an equalization's rows must exist
// and agree on its dependency's left-hand side, and its column be on the right-hand side; a
// row added must combine rows that exist and agree wherever the dependency's components share
// a column), or that row, given by its number in the run the steps come from, is not all
// distinguished after the last; else an empty text.
std::string ReplayGeneralSteps(const ResolvedInput& input,
                               const std::vector<GeneralProof::Step>& steps, Row row);
