#pragma once

// What an engine tells whoever watches it decide. An engine never prints: the explanation
// turns these reports into textbook lines, and with no observer the engine pays nothing.

#include <cstddef>
#include <functional>
#include <vector>

#include "index.h"
#include "schema.h"

// What one equalization changed in its column: the symbol that disappeared, the one that
// replaced it (the smaller: 0, distinguished, always wins), and how many cells had held the
// one that disappeared.
struct SymbolChange {
  int kept = 0;
  int dropped = 0;
  std::size_t cells = 0;
};

// One equalization of the chase: rows i and k (i < k) agree on the left-hand side of the
// dependency, and their cells in the column were made equal.
struct ChaseStep {
  Row i;
  Row k;
  Column column;
  std::size_t dependency = 0;
  SymbolChange change;
};

// A row that a multivalued or join dependency added: the rows it combined, one per
// component of the dependency (a multivalued dependency has two), and the new row's symbols.
struct RowAddition {
  std::size_t dependency = 0;
  std::vector<Row> from;
  Row row;
  std::vector<int> symbols;
};

// Whoever watches a chase: told the tableau it starts from, then every step in the order
// made. Any may be empty.
struct ChaseObserver {
  std::function<void(const Tableau&)> initial;
  std::function<void(const ChaseStep&)> step;
  std::function<void(const RowAddition&)> added;
};
