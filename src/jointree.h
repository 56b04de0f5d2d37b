#pragma once

// The join tree of an acyclic decomposition, and the multivalued dependencies it stands for.
//
// The GYO reduction (Graham; Yu and Ozsoyoglu) removes, while it can, an attribute that only
// one component holds, and a component whose remaining attributes another component holds:
// that one becomes its parent in the join tree. The decomposition is acyclic exactly when
// one component is left. Its join dependency then says the same as the multivalued
// dependencies of the tree's edges (Beeri, Fagin, Maier and Yannakakis 1983): for each edge,
// the two components' common attributes ->> the attributes on the child's side.

#include <cstddef>
#include <optional>
#include <vector>

#include "index.h"

// A multivalued dependency left ->> right, each sorted.
struct MultivaluedDependency {
  std::vector<Column> left;
  std::vector<Column> right;
};

// The multivalued dependencies of the join tree of components, which hold cols attributes
// between them; none when the components are cyclic. REQUIRES: each component sorted,
// without repeats.
std::optional<std::vector<MultivaluedDependency>> JoinTreeDependencies(
    const std::vector<std::vector<Column>>& components, std::size_t cols);
