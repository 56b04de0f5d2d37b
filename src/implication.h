#pragma once

// Implication: whether a set of dependencies implies another, decided by the chase (Maier,
// Mendelzon and Sagiv, 1979). X->Y: two rows that agree on X, the first all distinguished;
// implied when the chase makes the second distinguished on Y. X->>Y: the rows of X,Y and of
// X with every attribute outside Y; *(R1|...|Rk): one row per component; either is implied
// when the chase makes a row all distinguished, as the join test of those sub-schemas.

#include <cstddef>

#include "engine.h"
#include "schema.h"

// The rows whose chase decides whether dependencies imply dependency j of asked, over columns
// attributes: for X->Y, every column and then X; for X->>Y, X,Y and then X with every column
// outside Y; for a join dependency, its components.
ColumnLists ImplicationRows(const ResolvedDependencies& asked, std::size_t j, std::size_t columns);

// Whether the dependencies of input (its sub-schemas do not count, only its columns) imply
// dependency j of asked. options are the chase's (its limit of rows, an observer); a
// functional dependency that functional dependencies alone are asked about is decided by the
// closure of its left-hand side, without a tableau. With outcome, the chase's outcome is kept
// there, with its final tableau (the closure then leaves it empty).
bool Implies(const ResolvedInput& input, const ResolvedDependencies& asked, std::size_t j,
             DecideOptions options, Outcome* outcome = nullptr);
