#include "explain.h"

#include <algorithm>
#include <cassert>
#include <vector>

namespace {

// Width on a terminal: bytes that continue a UTF-8 sequence take no column of their own.
std::size_t DisplayWidth(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xc0) != 0x80;
  }));
}

void PrintRow(std::ostream& os, const std::vector<std::string>& cells,
              const std::vector<std::size_t>& widths) {
  std::string line;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i != 0) line += "  ";
    line += cells[i];
    // The last cell is not padded: no line ends with blanks of the layout's own.
    if (i + 1 < cells.size()) line.append(widths[i] - DisplayWidth(cells[i]), ' ');
  }
  os << "  " << line << '\n';
}

}  // namespace

std::string DisplayName(const std::string& name) {
  return name.empty() ? "\"\"" : EscapeBytes(name, false);
}

std::string SymbolText(int symbol) { return symbol == 0 ? "a" : "b" + std::to_string(symbol); }

std::string RowLabel(Row row, const AttributeList& schema) {
  std::string label = std::to_string(row + 1) + " (";
  for (std::size_t i = 0; i < schema.size(); ++i) {
    if (i != 0) label += ',';
    label += DisplayName(schema[i]);
  }
  return label + ")";
}

std::string TableauRowLabel(Row row, const SchemaList& decomposition) {
  return row < decomposition.size() ? RowLabel(row, decomposition[row])
                                    : std::to_string(row + 1) + " (added)";
}

void PrintTableau(std::ostream& os, const Tableau& tableau, const AttributeList& attributes,
                  const SchemaList& decomposition) {
  // The widths first, then a line at a time: the text of a tableau of thousands of rows and
  // columns is many times the size of its symbols, and is never held whole.
  const auto label = [&](Row r) { return TableauRowLabel(r, decomposition); };
  std::vector<std::string> line{""};
  for (const std::string& name : attributes) line.push_back(DisplayName(name));
  std::vector<std::size_t> widths(line.size(), 0);
  for (std::size_t i = 0; i < line.size(); ++i) widths[i] = DisplayWidth(line[i]);
  for (Row r{0}; r < tableau.RowNo(); ++r) {
    widths[0] = std::max(widths[0], DisplayWidth(label(r)));
    for (std::uint32_t c = 0; c < tableau.ColNo(); ++c) {
      widths[c + 1] = std::max(widths[c + 1], SymbolText(tableau(r, c)).size());
    }
  }
  PrintRow(os, line, widths);
  for (Row r{0}; r < tableau.RowNo(); ++r) {
    line.assign(1, label(r));
    for (std::uint32_t c = 0; c < tableau.ColNo(); ++c) line.push_back(SymbolText(tableau(r, c)));
    PrintRow(os, line, widths);
  }
}

namespace {

// How long an escaped byte sequence or UTF-8 character is that starts with byte c of shown
// text; after a backslash, next is the byte that follows it.
std::size_t TokenLength(unsigned char c, char next) {
  if (c == '\\') return next == 'x' ? 4 : 2;
  if (c >= 0xf0) return 4;
  if (c >= 0xe0) return 3;
  if (c >= 0xc0) return 2;
  return 1;
}

}  // namespace

std::string Abbreviated(const std::string& shown, std::size_t limit) {
  if (shown.size() <= limit) return shown;
  const std::string ellipsis = "...";
  std::size_t cut = 0;
  while (cut < shown.size()) {
    const char next = cut + 1 < shown.size() ? shown[cut + 1] : '\0';
    const std::size_t length = TokenLength(static_cast<unsigned char>(shown[cut]), next);
    if (cut + length + ellipsis.size() > limit) break;
    cut += length;
  }
  return shown.substr(0, cut) + ellipsis;
}

std::string StepLine(const ChaseStep& step, std::size_t line, const std::string& text,
                     const AttributeList& attributes) {
  const SymbolChange& change = step.change;
  return "line " + std::to_string(line) + ", " +
         Abbreviated(EscapeBytes(text, false), kLongestShownInStep) + ": rows " +
         std::to_string(step.i + 1) + " and " + std::to_string(step.k + 1) + ", column " +
         Abbreviated(DisplayName(attributes[step.column]), kLongestShownInStep) + ": " +
         SymbolText(change.dropped) + " -> " + SymbolText(change.kept) + " (" +
         std::to_string(change.cells) + (change.cells == 1 ? " cell" : " cells") + " changed)";
}

std::string RowList(const std::vector<Row>& rows) {
  std::string list;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i != 0) list += i + 1 == rows.size() ? " and " : ", ";
    list += std::to_string(rows[i] + 1);
  }
  return list;
}

std::string AdditionLine(const RowAddition& addition, std::size_t line, const std::string& text) {
  const std::string rows = RowList(addition.from);
  std::string symbols;
  for (int symbol : addition.symbols) symbols += " " + SymbolText(symbol);
  return "line " + std::to_string(line) + ", " +
         Abbreviated(EscapeBytes(text, false), kLongestShownInStep) + ": rows " + rows +
         " give row " + std::to_string(addition.row + 1) + ":" + symbols;
}

Explanation::Explanation(std::ostream& os, const AttributeList& attributes,
                         const SchemaList& decomposition, const ResolvedInput& resolved,
                         const std::vector<std::size_t>& lines,
                         const std::vector<std::string>& texts, ExplainFormat format)
    : os_(os),
      attributes_(attributes),
      decomposition_(decomposition),
      dependencies_(resolved.dependencies),
      lines_(lines),
      texts_(texts),
      addsRows_(!resolved.dependencies.AllOfKind(DependencyKind::kFunctional)),
      // Each proof takes room per cell: only the one in use gets it.
      proof_(addsRows_ ? 0 : resolved.RowNo(), addsRows_ ? 0 : resolved.ColNo()),
      general_(resolved),
      format_(format) {
  record_.attributes = &attributes;
  record_.decomposition = &decomposition;
  record_.dependencies = &resolved.dependencies;
  record_.lines = &lines;
  record_.texts = &texts;
  if (addsRows_) return;
  for (Row r{0}; r < resolved.RowNo(); ++r) {
    for (Column c : resolved.rowColumns[r]) proof_.MarkDistinguished(r, c);
  }
}

ChaseObserver Explanation::Observer() {
  return {[this](const Tableau& tableau) { ShowInitial(tableau); },
          [this](const ChaseStep& step) { ShowStep(step); },
          [this](const RowAddition& addition) { ShowAddition(addition); }};
}

void Explanation::ShowInitial(const Tableau& tableau) {
  if (addsRows_) general_.RecordInitial(tableau);
  if (!Text()) {
    record_.initial = tableau;
    return;
  }
  os_ << "Initial tableau\n";
  PrintTableau(os_, tableau, attributes_, decomposition_);
  os_ << (addsRows_ ? "\nChase steps\n" : "\nEqualizations\n");
}

void Explanation::ShowStep(const ChaseStep& step) {
  if (Text()) {
    os_ << "  " << Line(step) << '\n';
  } else {
    record_.steps.push_back({false, step, {}});
  }
  if (addsRows_) {
    general_.Record(step);
  } else {
    proof_.Record(step);
  }
}

void Explanation::ShowAddition(const RowAddition& addition) {
  if (Text()) {
    os_ << "  " << AdditionLine(addition, lines_[addition.dependency], texts_[addition.dependency])
        << '\n';
  } else {
    record_.steps.push_back({true, {}, addition});
  }
  general_.Record(addition);
}

void Explanation::ShowNeededSteps(const std::string& heading, Row row,
                                  const std::vector<Column>* columns) {
  const std::size_t steps = addsRows_ ? general_.StepCount() : proof_.StepCount();
  // Named for what they are: steps that together make the cells a, found through the proof
  // forest; not always the fewest that would.
  std::vector<std::string> lines;
  for (std::size_t s : NeededSteps(row, columns)) {
    lines.push_back(addsRows_ ? GeneralLine(s) : Line(proof_.Step(s)));
  }
  os_ << "\n" << heading << "\n";
  if (lines.empty()) os_ << "  none\n";
  for (const std::string& line : lines) os_ << "  " << line << '\n';
  const char* noun = addsRows_ ? " step" : " equalization";
  os_ << "  " << lines.size() << " of " << steps << noun << (steps == 1 ? "" : "s") << ".\n";
}

std::string Explanation::DecidingRowLabel(Row row) const {
  return TableauRowLabel(row, decomposition_);
}

std::vector<std::size_t> Explanation::NeededSteps(Row row, const std::vector<Column>* columns) {
  return addsRows_ ? general_.StepsMakingDistinguished(row, columns)
                   : proof_.StepsMakingDistinguished(row, dependencies_, columns);
}

void Explanation::Finish(std::vector<Warning> warnings) {
  record_.warnings = std::move(warnings);
  if (format_ == ExplainFormat::kJson) WriteExplanationJson(os_, record_);
  if (format_ == ExplainFormat::kLatex) WriteExplanationLatex(os_, record_);
}

void Explanation::ShowConclusion(const Tableau& final, Row row) {
  if (!Text()) {
    record_.final = final;
    record_.decidingRow = row;
    if (row != kNoRow) record_.needed = NeededSteps(row, nullptr);
    return;
  }
  const std::size_t steps = addsRows_ ? general_.StepCount() : proof_.StepCount();
  if (steps == 0) os_ << "  none\n";
  const bool lossless = row != kNoRow;
  assert(!lossless || row < final.RowNo());
  if (lossless) ShowNeededSteps("Steps that made row " + std::to_string(row + 1) + " all a", row);
  os_ << "\nFinal tableau\n";
  PrintTableau(os_, final, attributes_, decomposition_);
  if (lossless) {
    os_ << "\nRow " << DecidingRowLabel(row)
        << " is all a: the decomposition is lossless (vesztesegmentes).\n";
  } else {
    os_ << "\nNo row became all a: the decomposition is lossy (veszteseges).\n"
           "Read as a relation, the final tableau satisfies every dependency; yet joining its\n"
           "projections onto the sub-schemas gives back the row of all a, which it does not\n"
           "hold. So this relation is a counterexample: the join adds a row.\n";
  }
}

void Explanation::ShowFunctionalImplication(const Tableau& final, const std::string& asked,
                                            const std::vector<Column>& left,
                                            const std::vector<Column>& right) {
  if ((addsRows_ ? general_.StepCount() : proof_.StepCount()) == 0) os_ << "  none\n";
  std::vector<Column> missing;
  for (Column c : right) {
    if (final(1, c) != 0) missing.push_back(c);
  }
  if (missing.empty()) {
    ShowNeededSteps("Steps that made row 2 a on " + ColumnNames(right), Row(1), &right);
  }
  os_ << "\nFinal tableau\n";
  PrintTableau(os_, final, attributes_, decomposition_);
  if (missing.empty()) {
    os_ << "\nRow 2 is a on " << ColumnNames(right) << ", as row 1: " << asked << " is implied.\n";
    return;
  }
  os_ << "\nRow 2 is not a on " << ColumnNames(missing) << ": " << asked
      << " is not implied.\n"
         "Read as a relation, the final tableau satisfies every dependency; yet its rows 1\n"
         "and 2 agree on "
      << ColumnNames(left) << " and not on " << ColumnNames(missing)
      << ". So this relation is a counterexample.\n";
}

void Explanation::ShowJoinImplication(const Tableau& final, const std::string& asked, Row row) {
  if ((addsRows_ ? general_.StepCount() : proof_.StepCount()) == 0) os_ << "  none\n";
  if (row != kNoRow)
    ShowNeededSteps("Steps that made row " + std::to_string(row + 1) + " all a", row);
  os_ << "\nFinal tableau\n";
  PrintTableau(os_, final, attributes_, decomposition_);
  if (row != kNoRow) {
    os_ << "\nRow " << DecidingRowLabel(row) << " is all a: " << asked << " is implied.\n";
    return;
  }
  os_ << "\nNo row became all a: " << asked
      << " is not implied.\n"
         "Read as a relation, the final tableau satisfies every dependency; yet joining its\n"
         "projections onto the sub-schemas above gives back the row of all a, which it does\n"
         "not hold. So this relation is a counterexample.\n";
}

void Explanation::ShowPreservation(const std::optional<std::vector<std::size_t>>& notPreserved) {
  if (!Text()) {
    record_.notPreserved = notPreserved;
    return;
  }
  os_ << "\nDependency preservation\n";
  if (!notPreserved) {
    os_ << "  Not decided: the test would take too long on this input.\n";
    return;
  }
  bool anyFunctional = false;
  for (std::size_t j = 0; j < dependencies_.size() && !anyFunctional; ++j) {
    anyFunctional = dependencies_.Kind(j) == DependencyKind::kFunctional;
  }
  if (!anyFunctional) {
    os_ << "  There is no functional dependency to preserve.\n";
  } else if (notPreserved->empty()) {
    os_ << "  Every functional dependency is preserved: those that hold on the sub-schemas\n"
           "  imply them all.\n";
  } else {
    for (std::size_t j : *notPreserved) {
      os_ << "  not preserved: line " << lines_[j] << ", "
          << Abbreviated(EscapeBytes(texts_[j], false), kLongestShownInStep) << '\n';
    }
  }
}

std::string Explanation::ColumnNames(const std::vector<Column>& columns) const {
  std::string names;
  for (Column c : columns) {
    if (!names.empty()) names += ',';
    names += DisplayName(attributes_[c]);
  }
  return names;
}

std::string Explanation::GeneralLine(std::size_t s) const {
  const GeneralProof::Step& step = general_.StepAt(s);
  if (!step.added) return Line(step.equalization);
  const std::size_t j = step.addition.dependency;
  return AdditionLine(step.addition, lines_[j], texts_[j]);
}

std::string Explanation::Line(const ChaseStep& step) const {
  return StepLine(step, lines_[step.dependency], texts_[step.dependency], attributes_);
}
