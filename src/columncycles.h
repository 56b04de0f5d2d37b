#pragma once

#include <cstddef>
#include <optional>

#include "schema.h"

// Functional dependencies with one left-hand column link columns: X->Y makes the final
// tableau's rows that agree on X agree on every column of Y. Columns on one cycle of such
// links therefore split the rows alike in the final tableau, and a dependency from any of them
// to another one adds nothing that the cycle does not already say.
//
// Mined dependencies over a wide table are mostly such links, hundreds of thousands of them,
// nearly all on one cycle; the chase would look up every one of them on every change of a
// cell. MergeColumnCycles gives a set of dependencies that holds in exactly the same
// tableaux: each cycle written once, as links between its first column and each other one,
// and every other dependency without the right-hand columns that a cycle of its left-hand side
// gives, its left-hand side named by one column per cycle. The chase with it reaches the same
// final tableau (the smallest one in which the dependencies hold), only not through the same
// steps, so it is for the verdict and the final tableau, never for an explanation.
//
// Returns nothing when no two columns are on one cycle. REQUIRES: every dependency is
// functional; columns is the number of columns in the tableau.
std::optional<ResolvedDependencies> MergeColumnCycles(const ResolvedDependencies& dependencies,
                                                      std::size_t columns);
