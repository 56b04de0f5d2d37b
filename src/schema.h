#pragma once

// The vocabulary that reading, the chase and the explanation share.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "math/matrix.h"

// Attribute names are byte strings taken verbatim from the input; equal bytes, same name.
using AttributeList = std::vector<std::string>;
using SchemaList = std::vector<AttributeList>;
// first: the left-hand sides, second: the right-hand sides; entry i of each is dependency i.
using DependencySet = std::pair<SchemaList, SchemaList>;
// One row per sub-schema, one column per attribute; 0 is the distinguished value, a
// positive value a non-distinguished symbol.
using Tableau = math::matrix<int>;

// The columns of the attributes that one dependency names, resolved once after reading.
struct DependencyColumns {
  std::vector<std::size_t> left;
  std::vector<std::size_t> right;
  // False when a left-hand name is in no sub-schema: such a dependency never applies.
  bool applies = true;
};
