#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "chasestep.h"
#include "schema.h"

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

// Steps replayed alone on the initial tableau, the textbook way: the tableau they leave,
// and what was wrong with the first step that is not a valid step of the chase (its rows
// must agree on its dependency's left-hand side, the column must be on its right-hand side,
// and the two cells must differ), or an empty text. With checkSymbols, each step's symbols
// and cell count must also be what the replay sees.
struct Replay {
  std::vector<std::vector<int>> tableau;
  std::string error;
};

Replay ReplaySteps(const SchemaList& decomposition, const DependencySet& dependencies,
                   const std::vector<ChaseStep>& steps, bool checkSymbols);

// Whether some row of a tableau holds only the distinguished value 0.
bool HasDistinguishedRow(const std::vector<std::vector<int>>& tableau);
