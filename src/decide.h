#pragma once

// The one call that answers the join test: Application, the tests, the fuzzers and the
// benchmark all ask it, and it hands the input to the engine for the dependencies' kinds.

#include "engine.h"
#include "schema.h"

// Whether the decomposition in input is lossless with respect to its dependencies, and what
// options ask for besides. Throws std::length_error for a tableau that does not fit in this
// machine's memory, std::bad_alloc when memory runs out.
Outcome Decide(const ResolvedInput& input, const DecideOptions& options = {});
