#include "decide.h"

#include <cassert>

#include "fdengine.h"
#include "generalchase.h"
#include "jointreeengine.h"

Outcome Decide(const ResolvedInput& input, const DecideOptions& options) {
  // Functional dependencies alone never add a row: their engine is the congruence closure,
  // whose cost is bounded by the input's size. Any other kind takes the general chase.
  if (input.dependencies.AllOfKind(DependencyKind::kFunctional))
    return DecideFunctional(input, options);
  // For the verdict alone, an acyclic decomposition needs no tableau, which could grow
  // exponentially; the explanation and the final tableau need the chase.
  if (!options.finalTableau && options.observer == nullptr) {
    if (const std::optional<bool> lossless = DecideByJoinTree(input)) {
      Outcome outcome;
      outcome.lossless = *lossless;
      return outcome;
    }
  }
  return DecideGeneral(input, options);
}
