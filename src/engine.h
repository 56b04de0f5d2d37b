#pragma once

// What every engine takes besides the input, and what it gives back: the contract behind
// Decide.

#include <optional>
#include <stdexcept>

#include "chasestep.h"
#include "index.h"
#include "schema.h"

// What the caller wants besides the verdict.
struct DecideOptions {
  // The tableau after the chase: the chase then runs to its end instead of stopping at the
  // first row that is all distinguished.
  bool finalTableau = false;
  // Told the initial tableau and every step, in the order made; the chase then starts from
  // the initial tableau and runs to its end. May be null.
  const ChaseObserver* observer = nullptr;
  // The most rows the chase with multivalued and join dependencies may hold; 0 for the
  // default, the rows whose cells take about 1 GiB (RowLimit). Functional dependencies alone
  // add no rows.
  std::size_t maxRows = 0;
};

// What ends a chase that would pass its limit of rows.
class RowLimitExceeded : public std::runtime_error {
 public:
  explicit RowLimitExceeded(std::size_t limit);
  std::size_t Limit() const { return limit_; }

 private:
  std::size_t limit_;
};

// What deciding gives.
struct Outcome {
  bool lossless = false;
  // A row that is all distinguished, kNoRow when the decomposition is lossy; with the final
  // tableau, its lowest such row. For the verdict alone, kNoRow also when an engine decided
  // without a tableau (multivalued dependencies on an acyclic decomposition).
  Row decidingRow = kNoRow;
  // The tableau after the chase, when asked for or observed.
  std::optional<Tableau> finalTableau;
};
