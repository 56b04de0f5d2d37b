#pragma once

// The verdict without a tableau, where theory gives one in polynomial time: a decomposition
// whose sub-schemas are acyclic (see jointree.h) joins losslessly exactly when the
// dependencies imply the multivalued dependencies of its join tree, and whether functional
// and multivalued dependencies imply one is decided by the dependency basis. A join
// dependency of the input is used as the multivalued dependencies of its own join tree.
// Decompositions made by the BCNF and 4NF algorithms are acyclic.

#include <optional>

#include "schema.h"

// Whether the decomposition of input is lossless; none when its sub-schemas, or the
// components of one of its join dependencies, are cyclic: the chase must decide then.
std::optional<bool> DecideByJoinTree(const ResolvedInput& input);
