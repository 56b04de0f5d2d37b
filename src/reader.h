#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "schema.h"
#include "warnings.h"

// What reading an input file gives: the data model, and what the engines and the explanation
// need besides.
struct ParsedInput {
  // Only when the names are kept: the attributes sorted, without duplicates, the tableau's
  // column order. Without them, the columns are in the order first written.
  AttributeList attributes;
  // Only when the names are kept: one entry per schema line, the names as written.
  SchemaList decomposition;
  ResolvedInput resolved;  // as columns, for the engines: a row's columns each once
  // Only when the names are kept: the dependencies as written, the line of each (counted
  // from 1) and its text.
  DependencySet dependencies;
  // Per dependency, a join dependency's components as written; empty for other kinds.
  std::vector<SchemaList> joinComponents;
  std::vector<std::size_t> dependencyLines;
  std::vector<std::string> dependencyTexts;
  // Read with kTextsWhileFew: the dependencies' lines and texts took too much room and were let
  // go; dependencyLines and dependencyTexts are empty.
  bool textsDropped = false;
  // "\r\n" when the input's first line ends with a carriage return and a line feed.
  std::string lineBreak = "\n";
  int readError = 0;  // errno when reading failed, not at the end of the input
};

// Reads the sub-schema lines up to the first empty line, then the dependency lines, and
// warns about what looks like a mistake: names with blanks at either end, a dependency in
// the schema part, a comment line, old Mac line ends, UTF-16 text, unknown names. Names are
// taken byte for byte; a UTF-8 byte order mark at the very start is not part of the first.
// Sub-schemas and dependencies are kept as columns; with keepNames, also as names, and the
// dependencies' lines and texts.
//
// With kForTheVerdict and without the names, the dependencies are for the verdict alone: every
// compactEvery of them, reading replaces the functional dependencies read so far by fewer that
// hold in exactly the same tableaux (see MergeColumnCycles), so that a file of millions of
// mined dependencies takes the memory of a few. They are then no longer one per line. With
// kWithTexts, the dependencies' lines and texts are kept without the names, which a file of
// millions of them would take several times the memory for. kTextsWhileFew keeps them so while
// they take at most textRoom bytes (with a few dozen more per dependency for its entries); past
// that, it lets go of them all and sets textsDropped, and reads on as kAsWritten.
enum class DependencyUse { kAsWritten, kForTheVerdict, kWithTexts, kTextsWhileFew };
constexpr std::size_t kRoomForFewTexts = std::size_t{4} << 20;
constexpr std::size_t kDependenciesBetweenCompactions = std::size_t{1} << 16;
ParsedInput ReadInput(std::istream& in, Warnings& warnings, bool keepNames,
                      DependencyUse use = DependencyUse::kAsWritten,
                      std::size_t compactEvery = kDependenciesBetweenCompactions,
                      std::size_t textRoom = kRoomForFewTexts);

// One dependency line, read as a dependency line of a file whose sub-schemas hold attributes
// (sorted, without duplicates): its warnings are those of line 1. The result holds the
// dependency, as columns and as written, or none when the line is ignored.
ParsedInput ReadDependencyLine(const AttributeList& attributes, std::string_view line,
                               Warnings& warnings);
