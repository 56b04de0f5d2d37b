#pragma once

// The explanation as data: what --explain=json and --explain=latex write, recorded as the
// chase runs and written at its end, where the text form is written as it goes.

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "chasestep.h"
#include "explainformat.h"
#include "index.h"
#include "schema.h"
#include "warnings.h"

// One step of the chase as made: an equalization or a row added.
struct RecordedStep {
  bool added = false;
  ChaseStep equalization;
  RowAddition addition;
};

struct ExplanationRecord {
  // The run's input, which outlives the record.
  const AttributeList* attributes = nullptr;
  const SchemaList* decomposition = nullptr;
  const ResolvedDependencies* dependencies = nullptr;
  const std::vector<std::size_t>* lines = nullptr;
  const std::vector<std::string>* texts = nullptr;

  std::optional<Tableau> initial;
  std::vector<RecordedStep> steps;
  std::vector<std::size_t> needed;  // the steps that made the deciding row all a
  std::optional<Tableau> final;
  Row decidingRow = kNoRow;  // kNoRow for a lossy verdict
  // The functional dependencies not preserved; nothing when the test was not done.
  std::optional<std::vector<std::size_t>> notPreserved;
  std::vector<Warning> warnings;
};

// The whole explanation as one JSON document: "input" (attributes, sub-schemas,
// dependencies with line, text and kind), "initial_tableau" and "final_tableau" (columns, and
// rows with label and cells), "steps" (an equalization with its rows, column, symbols and
// cells changed, or a row added with the rows it combined and its cells), "needed_steps"
// (their numbers, from 1), "verdict", "verdict_word", "deciding_row" (from 1, or null),
// "counterexample" (the final tableau's rows for a lossy verdict, or null),
// "dependency_preserving", "not_preserved" and "warnings".
void WriteExplanationJson(std::ostream& os, const ExplanationRecord& record);

// The tableaux as tabular environments, a and b_{2} as the books set them, and the steps as
// lists: a fragment that a plain article compiles without a package.
void WriteExplanationLatex(std::ostream& os, const ExplanationRecord& record);
