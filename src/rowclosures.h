#pragma once

// A lossy verdict proven from the rows' closures, before any tableau is built.
//
// A row ends the chase distinguished in a column only if the row's own attributes determine
// that column's attribute. Take a relation of two tuples that agree exactly on the closure of
// the row's attributes: it satisfies every functional dependency. Map that row's symbols to
// the second tuple and every other row's symbols, and all distinguished ones, to the first;
// each step of the chase equates two symbols that the mapping already sends to one value (the
// rows agree on the left-hand side, so their tuples do, and so on the right-hand side), so the
// mapping holds to the end. A distinguished cell of the row then lies where the two tuples
// agree: in the closure. So a row can end all distinguished only if its closure is every
// column, and when no row's is, the decomposition is lossy, whatever the chase would do.

#include <cstddef>

#include "schema.h"

// Whether no row of rowColumns (each row's columns, of columns in all) has attributes that
// determine every column under the functional dependencies among dependencies (the input's,
// or any set that holds in the same tableaux), found within about workBudget steps: first by
// the columns that no dependency gives, on no right-hand side, which a row must then hold
// itself; then by the closure of each row that holds them all. False when some row's closure
// holds every column, or when the budget ran out first.
bool NoRowDeterminesEveryColumn(const ColumnLists& rowColumns, std::size_t columns,
                                const ResolvedDependencies& dependencies, std::size_t workBudget);
