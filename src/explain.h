#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "chasestep.h"
#include "escape.h"
#include "explainrecord.h"
#include "generalproof.h"
#include "index.h"
#include "proof.h"
#include "schema.h"

// The textbook notation that --explain uses.

// A name as it can stand in one line of a table: control bytes and backslashes are escaped,
// and the empty name shows as "".
std::string DisplayName(const std::string& name);

// 0, the distinguished value, is "a"; a positive symbol s is "b" followed by s.
std::string SymbolText(int symbol);

// A sub-schema's label: its number from 1 and its names, as in "2 (B,C)".
std::string RowLabel(Row row, const AttributeList& schema);
// A tableau row's label: RowLabel for a sub-schema's row, "4 (added)" for a row that
// multivalued or join dependencies added.
std::string TableauRowLabel(Row row, const SchemaList& decomposition);

// A header line of attribute names, then one line per row, labelled with RowLabel, each
// column as wide as its widest name or cell.
void PrintTableau(std::ostream& os, const Tableau& tableau, const AttributeList& attributes,
                  const SchemaList& decomposition);

// Longer dependency texts and names are cut short in a step's line: a chase of a million steps
// by a dependency of a thousand names would otherwise print it a million times.
constexpr std::size_t kLongestShownInStep = 60;

// shown, escaped as a line shows it, cut to at most limit bytes with "..." at the end when it
// is longer; never inside an escape or a UTF-8 character.
std::string Abbreviated(const std::string& shown, std::size_t limit);

// One line of the list of equalizations, as in
// "line 6, B->C: rows 1 and 3, column C: b1 -> a (1 cell changed)": the dependency's line
// and text, the two rows, the column, the symbol replaced and the one replacing it. The text
// and the column's name are Abbreviated to kLongestShownInStep bytes.
std::string StepLine(const ChaseStep& step, std::size_t line, const std::string& text,
                     const AttributeList& attributes);

// Row numbers from 1 as a sentence lists them: "1 and 2", "1, 2 and 3".
std::string RowList(const std::vector<Row>& rows);

// One line for a row that a multivalued or join dependency added, as in
// "line 7, C->>T: rows 1 and 2 give row 3: a a b2": the dependency's line and text, the rows
// combined and the new row's symbols, column by column.
std::string AdditionLine(const RowAddition& addition, std::size_t line, const std::string& text);

// What --explain shows of a run, part by part, in the textbook notation. It watches the
// chase as its observer, and is told the verdict at the end.
class Explanation {
 public:
  // The run's data, which must outlive the explanation: lines and texts are the dependency
  // lines of the input, for each dependency.
  // In a format other than text, nothing is written until Finish.
  Explanation(std::ostream& os, const AttributeList& attributes, const SchemaList& decomposition,
              const ResolvedInput& resolved, const std::vector<std::size_t>& lines,
              const std::vector<std::string>& texts, ExplainFormat format = ExplainFormat::kText);

  // What the chase reports to: ShowInitial and ShowStep.
  ChaseObserver Observer();
  // The initial tableau, and the heading of the list of equalizations.
  void ShowInitial(const Tableau& tableau);
  // One equalization of the chase, in the order made; it is kept for the proof.
  void ShowStep(const ChaseStep& step);
  // A row that a multivalued or join dependency added.
  void ShowAddition(const RowAddition& addition);
  // After the chase: for a lossless verdict, the steps that made decidingRow all distinguished;
  // the final tableau; the verdict and why. decidingRow is kNoRow for a lossy verdict.
  void ShowConclusion(const Tableau& final, Row decidingRow);
  // After the chase of the two rows that decide whether the dependencies imply asked, X->Y
  // (left X, right Y): the steps that made row 2 a on Y, the final tableau, and the answer:
  // implied when row 2 is a on Y; else the final tableau is a counterexample.
  void ShowFunctionalImplication(const Tableau& final, const std::string& asked,
                                 const std::vector<Column>& left, const std::vector<Column>& right);
  // The same for a multivalued or join dependency, whose rows are its components: implied
  // when a row became all a, decidingRow, and kNoRow when none did.
  void ShowJoinImplication(const Tableau& final, const std::string& asked, Row decidingRow);
  // After the verdict: which functional dependencies (their indices) the decomposition does
  // not preserve, each with its line, or that it preserves them all.
  // Nothing when the test was not done for its cost.
  void ShowPreservation(const std::optional<std::vector<std::size_t>>& notPreserved);
  // In JSON or LaTeX, writes what was shown, with the input's warnings.
  void Finish(std::vector<Warning> warnings);

 private:
  std::string Line(const ChaseStep& step) const;
  // Under heading, the steps that made row's cells a (only those in columns, when given),
  // and how many of all they are.
  void ShowNeededSteps(const std::string& heading, Row row,
                       const std::vector<Column>* columns = nullptr);
  // "2 (B,C)", or "4 (added)" for a row that the chase added.
  std::string DecidingRowLabel(Row row) const;
  // The names of columns, separated by commas.
  std::string ColumnNames(const std::vector<Column>& columns) const;

  std::ostream& os_;
  const AttributeList& attributes_;
  const SchemaList& decomposition_;
  const ResolvedDependencies& dependencies_;
  const std::vector<std::size_t>& lines_;
  const std::vector<std::string>& texts_;
  // The text of step s of general_.
  std::string GeneralLine(std::size_t s) const;

  // Multivalued or join dependencies may add rows: the general chase's proof keeps the steps
  // then, else the proof forest over the sub-schemas' rows.
  const bool addsRows_;
  ProofForest proof_;  // also keeps the steps, in the order made
  GeneralProof general_;
  const ExplainFormat format_;
  ExplanationRecord record_;  // for JSON and LaTeX
  bool Text() const { return format_ == ExplainFormat::kText; }
  // The steps that made row's cells a (only those in columns, when given).
  std::vector<std::size_t> NeededSteps(Row row, const std::vector<Column>* columns);
};
