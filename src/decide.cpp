#include "decide.h"

#include <cassert>

#include "fdengine.h"

Outcome Decide(const ResolvedInput& input, const DecideOptions& options) {
  // Functional dependencies are the only kind there is so far, and their engine takes every
  // input. An engine for multivalued and join dependencies will take the inputs that hold
  // them.
  assert(input.dependencies.AllOfKind(DependencyKind::kFunctional));
  return DecideFunctional(input, options);
}
