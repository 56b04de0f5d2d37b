#pragma once

// The engine for multivalued and join dependencies, with functional ones among them: the
// textbook chase on a tableau that grows by rows.
//
// A functional dependency equates symbols: per column, the symbols form classes (union-find,
// the smallest symbol standing for its class, so that 0, distinguished, always wins), and a
// pass groups the rows by their symbols on the left-hand side. A join dependency *(R1..Rk)
// adds every row of the join of the tableau's projections on R1..Rk that it does not hold yet;
// a multivalued dependency X->>Y is the join dependency *(XY | X(U-Y)). The chase creates no
// new symbol, so it ends: each kind runs until it changes nothing, in turn, until neither
// does. The decomposition is lossless exactly when some row becomes all distinguished.
//
// The tableau can grow to k^n rows (k sub-schemas, n attributes): past the limit of rows the
// chase ends with RowLimitExceeded, before memory runs out.

#include <cstddef>

#include "engine.h"
#include "schema.h"

// The default limit of rows for a tableau of columns columns: the rows whose cells, with what
// the chase keeps per row, take about 1 GiB.
std::size_t RowLimit(std::size_t columns);

// Decides input with dependencies of any kind.
Outcome DecideGeneral(const ResolvedInput& input, const DecideOptions& options);
