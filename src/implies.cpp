#include "implies.h"

#include <algorithm>
#include <exception>
#include <new>

#include "decide.h"
#include "escape.h"
#include "explain.h"
#include "implication.h"
#include "inputfile.h"
#include "reader.h"

namespace {

// Why the dependency read from text cannot be asked about, or an empty text: it was ignored,
// names an attribute of no sub-schema, or is a join dependency that is not used.
std::string Unusable(const ParsedInput& input, const ParsedInput& asked,
                     const std::vector<Warning>& warnings) {
  const auto known = [&](const std::string& name) {
    return std::binary_search(input.attributes.begin(), input.attributes.end(), name);
  };
  const auto firstUnknown = [&](const AttributeList& names) -> std::string {
    for (const std::string& name : names) {
      if (!known(name)) return "attribute " + Quoted(name) + " is in no sub-schema";
    }
    return "";
  };
  if (asked.resolved.dependencies.size() == 1) {
    std::string unknown = firstUnknown(asked.dependencies.first[0]);
    if (unknown.empty()) unknown = firstUnknown(asked.dependencies.second[0]);
    for (const AttributeList& component : asked.joinComponents[0]) {
      if (unknown.empty()) unknown = firstUnknown(component);
    }
    if (!unknown.empty()) return unknown;
    const bool ignoredJoin = asked.resolved.dependencies.Kind(0) == DependencyKind::kJoin &&
                             asked.resolved.dependencies.Components(0).empty();
    if (!ignoredJoin) return "";
  }
  return warnings.empty() ? "not a dependency" : warnings.front().message;
}

// The names of each row of tableau, for the explanation's row labels.
SchemaList RowNames(const ResolvedInput& tableau, const AttributeList& attributes) {
  SchemaList names(tableau.RowNo());
  for (std::size_t r = 0; r < tableau.RowNo(); ++r) {
    for (Column c : tableau.rowColumns[r]) names[r].push_back(attributes[c]);
  }
  return names;
}

// The chase of the implication's tableau, shown step by step, and the answer.
bool ExplainImplication(const ParsedInput& input, const ParsedInput& asked, const std::string& text,
                        const DecideOptions& options, std::ostream& out) {
  const ResolvedDependencies& dependency = asked.resolved.dependencies;
  const ResolvedInput tableau = ImplicationTableau(input.resolved, dependency, 0);
  const SchemaList rows = RowNames(tableau, input.attributes);
  out << "Does " << text << " follow?\n";
  Explanation shown(out, input.attributes, rows, tableau, input.dependencyLines,
                    input.dependencyTexts);
  const ChaseObserver observer = shown.Observer();
  DecideOptions chase = options;
  chase.observer = &observer;
  const Outcome outcome = Decide(tableau, chase);
  const bool implied = ReadImplication(dependency, 0, outcome);
  if (dependency.Kind(0) == DependencyKind::kFunctional) {
    shown.ShowFunctionalImplication(
        *outcome.finalTableau, text,
        std::vector<Column>(dependency.Left(0).begin(), dependency.Left(0).end()),
        std::vector<Column>(dependency.Right(0).begin(), dependency.Right(0).end()));
  } else {
    shown.ShowJoinImplication(*outcome.finalTableau, text, outcome.decidingRow);
  }
  out << '\n';
  return implied;
}

// 0 implied, 1 not implied, 2 not answered (its message on err).
int Answer(const ParsedInput& input, const std::string& text, const ImpliesOptions& options,
           std::ostream& out, std::ostream& err) {
  std::vector<Warning> warnings;
  Warnings collected(warnings);
  const ParsedInput asked = ReadDependencyLine(input.attributes, text, collected);
  const std::string unusable = Unusable(input, asked, warnings);
  if (!unusable.empty()) {
    err << "lossless-join: " << EscapeBytes(text, false) << ": " << unusable << std::endl;
    return 2;
  }
  DecideOptions decide;
  decide.maxRows = options.maxRows;
  bool implied = false;
  try {
    implied = options.explain ? ExplainImplication(input, asked, text, decide, out)
                              : Implies(input.resolved, asked.resolved.dependencies, 0, decide);
  } catch (const std::bad_alloc&) {
    err << "lossless-join: " << EscapeBytes(text, false) << ": out of memory" << std::endl;
    return 2;
  } catch (const std::exception& error) {
    err << "lossless-join: " << EscapeBytes(text, false) << ": " << error.what() << std::endl;
    return 2;
  }
  out << text << (implied ? ": implied\n" : ": not implied\n") << std::flush;
  return implied ? 0 : 1;
}

}  // namespace

int AnswerImplications(const std::string& path, const std::vector<std::string>& asked,
                       const ImpliesOptions& options, std::ostream& out, std::ostream& err) {
  Warnings warnings(err, path);
  ParsedInput input;
  std::string error;
  // With the names: each question is read against them.
  if (!ReadInputFile(path, true, warnings, input, error)) {
    err << "lossless-join: " << path << ": " << error << std::endl;
    return 2;
  }
  return AnswerImplications(input, asked, options, out, err);
}

int AnswerImplications(const ParsedInput& input, const std::vector<std::string>& asked,
                       const ImpliesOptions& options, std::ostream& out, std::ostream& err) {
  int status = 0;
  for (const std::string& text : asked)
    status = std::max(status, Answer(input, text, options, out, err));
  return status;
}
