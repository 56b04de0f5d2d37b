#pragma once

// The tool's decision on an input held against the plain reference chase. The differential
// test and the input fuzzer both run these checks, and only through the one decision call.

#include <string>
#include <vector>

#include "reader.h"
#include "schema.h"

struct CheckResult {
  std::string error;  // what differed first, or empty when everything agreed
  bool lossless = false;
  int referencePasses = 0;  // passes of the reference chase, the last of which changed nothing
};

// The cells of a tableau, row by row.
std::vector<std::vector<int>> CellsOf(const Tableau& tableau);

// Reads text as an input file, its warnings let go: the input as columns, in the order the
// names were first written; the dependencies for use, compacted every compactEvery.
ResolvedInput ResolveText(const std::string& text, DependencyUse use = DependencyUse::kAsWritten,
                          std::size_t compactEvery = kDependenciesBetweenCompactions);

// Reads text as an input file and checks:
// - the attributes sorted and unique, the dependencies' sides and lines of one length;
// - the verdict alone, the final tableau and the deciding row (the lowest all distinguished)
//   against the reference chase;
// - the observed chase: its steps, replayed the textbook way, valid one by one with the
//   symbols and cell counts they reported, leaving the reference's tableau; for a lossless
//   verdict, the steps the proof forest says were needed, replayed alone, a proof of it;
// - the verdict that Application writes, with the input's own line break.
CheckResult CheckAgainstReference(const std::string& text);
