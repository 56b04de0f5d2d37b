#pragma once

// Dependency preservation: whether the functional dependencies that hold on each sub-schema
// imply together every functional dependency of the input. Tested the textbook way, without
// computing the projections: the closure of a left-hand side X grows through the
// sub-schemas, Z := Z ∪ ((Z ∩ Ri)+ ∩ Ri), until nothing changes; X->Y is preserved when Y
// then lies within Z (Ullman 1988; Garcia-Molina, Ullman and Widom, 3.4). Multivalued and
// join dependencies take no part.

#include <cstddef>
#include <optional>
#include <vector>

#include "schema.h"

// The work that a test of preservation may do, in steps of its closures: a tenth of a second
// on inputs that stay in the cache, about a second on a million dependencies, where each step
// misses it. The test takes up to |F| closures for each dependency of F and each sub-schema,
// which a dependency-discovery run's hundred thousand dependencies would make hours; 1,000
// dependencies over 50 sub-schemas and 200 attributes take about 5 million steps.
constexpr std::size_t kPreservationWork = std::size_t{20} * 1000 * 1000;

// The functional dependencies of input (their indices) that the decomposition does not
// preserve, in input order; nothing when the test would pass its work. One that never applies
// (a left-hand name of no sub-schema) says nothing, and is preserved.
std::optional<std::vector<std::size_t>> NotPreserved(const ResolvedInput& input,
                                                     std::size_t work = kPreservationWork);
