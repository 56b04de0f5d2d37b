#pragma once

// What every engine takes besides the input, and what it gives back: the contract behind
// Decide.

#include <optional>

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
};

// What deciding gives.
struct Outcome {
  bool lossless = false;
  // A row that is all distinguished, kNoRow when the decomposition is lossy; with the final
  // tableau, its lowest such row.
  Row decidingRow = kNoRow;
  // The tableau after the chase, when asked for or observed.
  std::optional<Tableau> finalTableau;
};
