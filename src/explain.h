#pragma once

#include <cstdint>
#include <ostream>
#include <string>

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
