#pragma once

// Checking files without writing an output file, for scripts: one verdict a file, as a line
// of text or as a JSON object, and a status that says whether every file was lossless.

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "warningspool.h"

// What checking one file gave.
struct CheckedFile {
  std::string file;      // as it was named; "-" is standard input
  bool decided = false;  // false when the file could not be read or decided
  bool lossless = false;
  std::string error;  // why it was not decided: "cannot read the input: ..."
  // The functional dependencies that the decomposition does not preserve, as written, with
  // their lines; preservationDecided is false when the test would have taken too long.
  std::vector<std::pair<std::size_t, std::string>> notPreserved;
  bool preservationDecided = true;
  WarningSpool warnings;  // when collected
};

struct CheckOptions {
  std::size_t maxRows = 0;       // the chase's limit of rows; 0 for the default
  bool collectWarnings = false;  // keep every warning in the result, and write none
};

// Reads and decides the file named path ("-" for standard input). Warnings that are not
// collected go to warningsTo, as a run writes them.
CheckedFile CheckFile(const std::string& path, const CheckOptions& options,
                      std::ostream& warningsTo);

// "FILE: lossless (vesztesegmentes)" or "FILE: lossy (veszteseges)", then whether the
// decomposition preserves the functional dependencies: ", dependency-preserving",
// ", not dependency-preserving: B->C, C,S->Z" or ", dependency preservation not decided";
// without a line break. REQUIRES: result.decided.
std::string CheckLine(const CheckedFile& result);

// The result as one JSON object on one line, without a line break: "file", then "verdict"
// ("lossless" or "lossy"), "dependency_preserving" and "not_preserved" (each with "line" and
// "dependency" as written; both null when not decided), or "error"; then "warnings", each
// with "line", "column" and "message". Given to write in pieces, as the warnings may take
// hundreds of megabytes; false when write refuses a piece, or when the warnings cannot be read
// back, and then error says why.
bool WriteJsonLine(const CheckedFile& result, const std::function<bool(std::string_view)>& write,
                   std::string& error);
// The same as one string.
std::string JsonLine(const CheckedFile& result);

// The status of a check of many files, as diff and grep give theirs: 0 when every file is
// lossless, 1 when some file is lossy, 2 when some file could not be checked.
int CheckStatus(const std::vector<CheckedFile>& results);
