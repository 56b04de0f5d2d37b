#include "schema.h"

bool ResolvedDependencies::AllOfKind(DependencyKind kind) const {
  for (DependencyKind each : kinds_) {
    if (each != kind) return false;
  }
  return true;
}
