#pragma once

// The engine for functional dependencies: the closure of distinguished cells, then the chase
// on symbol classes, then the verdict, read off the distinguished cells in one place.

#include "engine.h"
#include "schema.h"

// REQUIRES: every dependency of input is functional.
Outcome DecideFunctional(const ResolvedInput& input, const DecideOptions& options);
