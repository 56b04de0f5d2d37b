#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "chase.h"
#include "escape.h"
#include "schema.h"

// The textbook notation that --explain uses.

// A name as it can stand in one line of a table: control bytes and backslashes are escaped,
// and the empty name shows as "".
std::string DisplayName(const std::string& name);

// 0, the distinguished value, is "a"; a positive symbol s is "b" followed by s.
std::string SymbolText(int symbol);

// A sub-schema's label: its number from 1 and its names, as in "2 (B,C)".
std::string RowLabel(std::size_t row, const AttributeList& schema);

// A header line of attribute names, then one line per row, labelled with RowLabel, each
// column as wide as its widest name or cell.
void PrintTableau(std::ostream& os, const Tableau& tableau, const AttributeList& attributes,
                  const SchemaList& decomposition);

// One line of the list of equalizations, as in
// "line 6, B->C: rows 1 and 3, column C: b1 -> a (1 cell changed)": the dependency's line
// and text, the two rows, the column, the symbol replaced and the one replacing it.
std::string StepLine(const ChaseStep& step, std::size_t line, const std::string& text,
                     const AttributeList& attributes);
