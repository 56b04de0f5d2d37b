#pragma once

// The verdict on the columns that the dependencies name, for a tableau whose other columns
// are most of it.
//
// A functional dependency reads cells only in its left-hand columns and writes them only in
// its right-hand ones, so a column that no dependency that applies names keeps its initial
// cells through the whole chase. A row then ends all distinguished exactly when it holds every
// such column and ends distinguished in every named one. So the chase of a tableau of a few
// rows and millions of columns, a sub-schema of millions of names beside a few short ones,
// needs only the named columns, and a column that stands for the others: distinguished in the
// rows that hold every one of them.

#include <cstddef>
#include <optional>

#include "schema.h"

struct NamedColumnsInput {
  // The named columns in their order, then the stand-in column, named by no dependency; the
  // rows of the input in their order; the dependencies that apply, on the new columns.
  ResolvedInput input;
  // How many rows hold every column that no dependency names: only they can end all
  // distinguished.
  std::size_t rowsHoldingTheRest = 0;
};

// The input on its named columns, when at least as many columns are named by no dependency
// that applies (fewer would not pay for the copy); otherwise none. The final tableau of the
// result is not the input's: it serves the verdict alone.
std::optional<NamedColumnsInput> OnNamedColumns(const ResolvedInput& input);
