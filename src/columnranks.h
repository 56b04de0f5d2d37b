#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "symbolclasses.h"

// Per column, each row's class as a small number: 1 up for the classes of shared cells, in the
// order their first rows come; 0 for a row alone in its class. Rows that agree on a column have
// the same number, so the numbers of a few columns of few classes each are the digits of an
// exact key, which a table indexed by the key counts without a hash or a comparison.
//
// A column's numbers are kept while it has no merge, and until Trim finds too many kept:
// thousands of left-hand sides over a few dozen columns read each once.
class ColumnRanks {
 public:
  // The numbers of col, one per row. REQUIRES: col has fewer than 65,535 classes of shared cells.
  // They stay where they are until Trim, so that the numbers of a few columns are read
  // side by side.
  const std::uint16_t* Of(const SymbolClasses& classes, Column col);
  // Lets go of every column's numbers once they take more than a few million rows' worth.
  void Trim(const SymbolClasses& classes);

 private:
  struct Ranks {
    std::uint64_t identity = 0;  // of the classes they were made from
    std::uint32_t merges = 0;    // col's merges then
    std::vector<std::uint16_t> ofRow;
  };
  std::unordered_map<std::uint32_t, Ranks> columns_;
  std::vector<std::uint16_t> rankOfLabel_;  // scratch, per label: its class's number, or 0
};
