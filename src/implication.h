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

// The tableau whose chase decides whether the dependencies of input imply dependency j of
// asked: the rows of ImplicationRows, input's columns and dependencies.
ResolvedInput ImplicationTableau(const ResolvedInput& input, const ResolvedDependencies& asked,
                                 std::size_t j);

// Whether the outcome of that tableau's chase, with its final tableau, says that dependency j
// of asked is implied: for X->Y, the second row is distinguished on Y; else a row became
// all distinguished.
bool ReadImplication(const ResolvedDependencies& asked, std::size_t j, const Outcome& outcome);

// Whether the dependencies of input (its sub-schemas do not count, only its columns) imply
// dependency j of asked; options set the chase's limit of rows. A functional dependency that
// functional dependencies alone are asked about is decided by the closure of its left-hand
// side, without a tableau.
bool Implies(const ResolvedInput& input, const ResolvedDependencies& asked, std::size_t j,
             const DecideOptions& options);
