#include "chase_check.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <iostream>
#include <set>
#include <sstream>
#include <vector>

#include "application.h"
#include "decide.h"
#include "generalchase.h"
#include "proof.h"
#include "reader.h"
#include "reference_chase.h"
#include "reference_general_chase.h"
#include "warnings.h"

namespace {

using Cells = std::vector<std::vector<int>>;

Row LowestDistinguishedRow(const Cells& cells) {
  for (std::uint32_t r = 0; r < cells.size(); ++r) {
    if (std::all_of(cells[r].begin(), cells[r].end(), [](int cell) { return cell == 0; }))
      return Row(r);
  }
  return kNoRow;
}

std::string CheckReading(const ParsedInput& input) {
  for (std::size_t c = 1; c < input.attributes.size(); ++c) {
    if (!(input.attributes[c - 1] < input.attributes[c])) return "attributes not sorted, unique";
  }
  const DependencySet& dependencies = input.dependencies;
  if (dependencies.first.size() != dependencies.second.size() ||
      dependencies.first.size() != input.dependencyLines.size() ||
      dependencies.first.size() != input.resolved.dependencies.size()) {
    return "dependency sides or lines of different lengths";
  }
  return "";
}

std::string CheckOutcome(const Outcome& outcome, const ReferenceResult& expected,
                         const char* what) {
  if (outcome.lossless != expected.lossless) return std::string(what) + ": verdict differs";
  if (!outcome.finalTableau) {
    if (outcome.lossless == (outcome.decidingRow == kNoRow)) {
      return std::string(what) + ": deciding row does not match the verdict";
    }
    // Any row all distinguished decides; it must be one.
    if (outcome.lossless && (outcome.decidingRow >= expected.tableau.size() ||
                             std::any_of(expected.tableau[outcome.decidingRow].begin(),
                                         expected.tableau[outcome.decidingRow].end(),
                                         [](int cell) { return cell != 0; }))) {
      return std::string(what) + ": deciding row is not all distinguished";
    }
    return "";
  }
  if (CellsOf(*outcome.finalTableau) != expected.tableau) {
    return std::string(what) + ": final tableau differs";
  }
  if (outcome.decidingRow != LowestDistinguishedRow(expected.tableau)) {
    return std::string(what) + ": deciding row is not the lowest all distinguished";
  }
  return "";
}

// The steps the proof forest says the verdict needed are a proof: replayed alone on the
// initial tableau, in order, each is a valid step of the chase, and after the last the
// deciding row is all distinguished.
std::string CheckNeededSteps(const ParsedInput& input, const std::vector<ChaseStep>& steps,
                             Row deciding) {
  const ResolvedInput& resolved = input.resolved;
  ProofForest proof(resolved.RowNo(), resolved.ColNo());
  for (Row r{0}; r < resolved.RowNo(); ++r) {
    for (Column c : resolved.rowColumns[r]) proof.MarkDistinguished(r, c);
  }
  for (const ChaseStep& step : steps) proof.Record(step);
  std::vector<ChaseStep> needed;
  for (std::size_t s : proof.StepsMakingDistinguished(deciding, resolved.dependencies)) {
    needed.push_back(steps[s]);
  }
  Replay replay = ReplaySteps(input.decomposition, input.dependencies, needed, false);
  if (!replay.error.empty()) return "needed steps: " + replay.error;
  const std::vector<int>& row = replay.tableau[deciding];
  if (!std::all_of(row.begin(), row.end(), [](int cell) { return cell == 0; })) {
    return "the deciding row is not all distinguished after the needed steps";
  }
  return "";
}

std::string CheckObservedChase(const ParsedInput& input, const ReferenceResult& expected) {
  std::vector<ChaseStep> steps;
  std::size_t initials = 0;
  ChaseObserver observer;
  observer.initial = [&](const Tableau&) { ++initials; };
  observer.step = [&](const ChaseStep& step) { steps.push_back(step); };
  DecideOptions options;
  options.observer = &observer;
  const Outcome outcome = Decide(input.resolved, options);
  if (initials != 1) return "observed: the initial tableau not shown once";
  std::string error = CheckOutcome(outcome, expected, "observed");
  if (!error.empty()) return error;
  Replay replay = ReplaySteps(input.decomposition, input.dependencies, steps, true);
  if (!replay.error.empty()) return "observed steps: " + replay.error;
  if (replay.tableau != expected.tableau) return "observed steps leave another tableau";
  return outcome.lossless ? CheckNeededSteps(input, steps, outcome.decidingRow) : "";
}

std::string CheckApplication(const std::string& text, const ReferenceResult& expected) {
  Application app;
  std::istringstream in(text);
  app.getInput(in, "check.txt");
  std::ostringstream out;
  app.result(out);
  const std::string verdict = expected.lossless ? "vesztesegmentes" : "veszteseges";
  return out.str() == app.getLineBreak() + verdict ? "" : "Application wrote another verdict";
}

// Rows the general chase may build in a check: beyond, the input is too large to compare.
constexpr std::size_t kGeneralRowLimit = 20000;
// The general reference tries every combination of the columns' symbols: only inputs with at
// most this many are compared with it.
constexpr double kGeneralReferenceTuples = 2000;

Cells DistinctRows(const Tableau& tableau) {
  const Cells cells = CellsOf(tableau);
  std::set<std::vector<int>> rows(cells.begin(), cells.end());
  return {rows.begin(), rows.end()};
}

// An input with multivalued or join dependencies: the verdict alone and with the tableau
// agree, and on small inputs both agree with the general reference chase, and so does the
// tableau's set of rows.
std::string CheckGeneral(const ParsedInput& input, CheckResult& result) {
  DecideOptions verdictOnly;
  verdictOnly.maxRows = kGeneralRowLimit;
  DecideOptions full = verdictOnly;
  full.finalTableau = true;
  Outcome withTableau;
  try {
    withTableau = Decide(input.resolved, full);
  } catch (const RowLimitExceeded&) {
    return "";  // too large to look at all of it
  }
  result.lossless = withTableau.lossless;
  if (Decide(input.resolved, verdictOnly).lossless != withTableau.lossless)
    return "general: the verdict alone differs from the one with the tableau";
  const double tuples = std::pow(static_cast<double>(input.resolved.RowNo() + 1),
                                 static_cast<double>(input.resolved.ColNo()));
  if (tuples > kGeneralReferenceTuples) return "";
  const GeneralReferenceResult expected = ReferenceGeneralChase(input.resolved);
  if (expected.lossless != withTableau.lossless) return "general: another verdict";
  if (expected.rows != DistinctRows(*withTableau.finalTableau)) return "general: another tableau";
  return "";
}

}  // namespace

ResolvedInput ResolveText(const std::string& text, DependencyUse use, std::size_t compactEvery) {
  std::istringstream in(text);
  std::ostringstream discarded;
  Warnings warnings(discarded, "input");
  ResolvedInput resolved = ReadInput(in, warnings, false, use, compactEvery).resolved;
  warnings.Finish();
  return resolved;
}

std::vector<std::vector<int>> CellsOf(const Tableau& tableau) {
  std::vector<std::vector<int>> cells(tableau.RowNo(), std::vector<int>(tableau.ColNo()));
  for (std::uint32_t r = 0; r < tableau.RowNo(); ++r) {
    for (std::uint32_t c = 0; c < tableau.ColNo(); ++c) cells[r][c] = tableau(r, c);
  }
  return cells;
}

CheckResult CheckAgainstReference(const std::string& text) {
  // Warnings are not what is checked here.
  std::streambuf* stderrBuffer = std::cerr.rdbuf(nullptr);
  std::ostringstream discarded;
  Warnings warnings(discarded, "check.txt");
  std::istringstream in(text);
  const ParsedInput input = ReadInput(in, warnings, true);
  CheckResult result;
  if (!input.resolved.dependencies.AllOfKind(DependencyKind::kFunctional)) {
    result.error = CheckGeneral(input, result);
    std::cerr.rdbuf(stderrBuffer);
    return result;
  }
  const ReferenceResult expected = ReferenceChase(input.decomposition, input.dependencies);

  result.lossless = expected.lossless;
  result.referencePasses = expected.passes;
  DecideOptions wantTableau;
  wantTableau.finalTableau = true;
  const std::function<std::string()> checks[] = {
      [&] { return CheckReading(input); },
      [&] { return CheckOutcome(Decide(input.resolved), expected, "verdict only"); },
      [&] { return CheckOutcome(Decide(input.resolved, wantTableau), expected, "tableau"); },
      [&] { return CheckObservedChase(input, expected); },
      [&] { return CheckApplication(text, expected); },
  };
  for (const auto& check : checks) {
    result.error = check();
    if (!result.error.empty()) break;
  }
  std::cerr.rdbuf(stderrBuffer);
  return result;
}
