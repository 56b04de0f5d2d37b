#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

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
// gives, its left-hand side named by one column per cycle. A dependency with a longer left-hand
// side also loses what one link from its cycles gives, and a link what the last link to those
// columns from the same cycle gave already. The chase with it reaches the same final tableau
// (the smallest one in which the dependencies hold), only not through the same steps, so it is
// for the verdict and the final tableau, never for an explanation.
//
// Returns nothing when no two columns are on one cycle and no dependency loses a column. When
// there are cycles and cycleOf is given, sets it to the first column of each column's cycle
// (the column itself when it is on none): a dependency that gets every right-hand column's
// cycle from its left-hand side adds nothing to the result, and can be left out as it is read.
// REQUIRES: every dependency is functional; columns is the number of columns in the tableau.
std::optional<ResolvedDependencies> MergeColumnCycles(const ResolvedDependencies& dependencies,
                                                      std::size_t columns,
                                                      std::vector<Column>* cycleOf = nullptr);

// The dependencies in an order in which each comes after every dependency that can give one
// of its left-hand columns (whose right-hand side holds it, or leads to it through others),
// wherever no cycle of them makes that impossible; in input order where nothing decides.
// Applied in this order, rules that only ever add to what holds, as the closure of
// distinguished cells does, take in along a chain of dependencies in one pass what input
// order, a chain written last link first, takes a pass per link for. O(n + D) for n columns
// and dependencies of D columns in all.
std::vector<std::uint32_t> FeedingOrder(const ResolvedDependencies& dependencies,
                                        std::size_t columns);
