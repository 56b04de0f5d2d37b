#include "decide.h"

#include <cassert>

#include "fdengine.h"
#include "generalchase.h"

Outcome Decide(const ResolvedInput& input, const DecideOptions& options) {
  // Functional dependencies alone never add a row: their engine is the congruence closure,
  // whose cost is bounded by the input's size. Any other kind takes the general chase.
  if (input.dependencies.AllOfKind(DependencyKind::kFunctional))
    return DecideFunctional(input, options);
  return DecideGeneral(input, options);
}
