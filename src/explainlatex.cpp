#include <cstdio>
#include <string>
#include <vector>

#include "explain.h"
#include "explainrecord.h"

namespace {

// text set as it is written, in a plain article: the characters that LaTeX reads as commands
// are escaped, and control bytes are shown as \xNN.
std::string LatexText(const std::string& text) {
  std::string latex;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "x%02x", byte);
      latex += std::string("\\textbackslash{}") + escape;
      continue;
    }
    switch (c) {
      case '\\':
        latex += "\\textbackslash{}";
        break;
      case '{':
        latex += "\\{";
        break;
      case '}':
        latex += "\\}";
        break;
      case '$':
        latex += "\\$";
        break;
      case '&':
        latex += "\\&";
        break;
      case '#':
        latex += "\\#";
        break;
      case '%':
        latex += "\\%";
        break;
      case '_':
        latex += "\\_";
        break;
      case '^':
        latex += "\\textasciicircum{}";
        break;
      case '~':
        latex += "\\textasciitilde{}";
        break;
      case '<':
        latex += "\\textless{}";
        break;
      case '>':
        latex += "\\textgreater{}";
        break;
      case '|':
        latex += "\\textbar{}";
        break;
      case '-':
        latex += "-{}";
        break;  // no en dash from "--"
      default:
        latex += c;
    }
  }
  return latex;
}

// a, or b with its row as a subscript, in math mode.
std::string Symbol(int symbol) {
  return symbol == 0 ? "$a$" : "$b_{" + std::to_string(symbol) + "}$";
}

// A name as a table shows it: the empty name as "".
std::string LatexName(const std::string& name) { return name.empty() ? "\"\"" : LatexText(name); }

// "2 (B,C)", or "4 (added)" for a row that the chase added.
std::string Label(Row r, const SchemaList& decomposition) {
  if (r >= decomposition.size()) return std::to_string(r + 1) + " (added)";
  std::string label = std::to_string(r + 1) + " (";
  for (std::size_t i = 0; i < decomposition[r].size(); ++i) {
    if (i != 0) label += ',';
    label += LatexName(decomposition[r][i]);
  }
  return label + ")";
}

void WriteTableau(std::ostream& os, const Tableau& tableau, const ExplanationRecord& record) {
  os << "\\begin{tabular}{l|" << std::string(tableau.ColNo(), 'c') << "}\n";
  for (const std::string& name : *record.attributes) os << " & " << LatexName(name);
  os << " \\\\\n\\hline\n";
  for (Row r{0}; r < tableau.RowNo(); ++r) {
    os << Label(r, *record.decomposition);
    for (std::uint32_t c = 0; c < tableau.ColNo(); ++c) os << " & " << Symbol(tableau(r, c));
    os << " \\\\\n";
  }
  os << "\\end{tabular}\n";
}

std::string StepItem(const RecordedStep& step, const ExplanationRecord& record) {
  if (step.added) {
    const RowAddition& a = step.addition;
    const std::string rows = RowList(a.from);
    std::string cells;
    for (int symbol : a.symbols) cells += " " + Symbol(symbol);
    return "line " + std::to_string((*record.lines)[a.dependency]) + ", " +
           LatexText((*record.texts)[a.dependency]) + ": rows " + rows + " give row " +
           std::to_string(a.row + 1) + ":" + cells;
  }
  const ChaseStep& e = step.equalization;
  return "line " + std::to_string((*record.lines)[e.dependency]) + ", " +
         LatexText((*record.texts)[e.dependency]) + ": rows " + std::to_string(e.i + 1) + " and " +
         std::to_string(e.k + 1) + ", column " + LatexName((*record.attributes)[e.column]) + ": " +
         Symbol(e.change.dropped) + " $\\to$ " + Symbol(e.change.kept) + " (" +
         std::to_string(e.change.cells) + (e.change.cells == 1 ? " cell" : " cells") + " changed)";
}

void WriteSteps(std::ostream& os, const std::vector<std::size_t>& steps,
                const ExplanationRecord& record) {
  if (steps.empty()) {
    os << "none\n";
    return;
  }
  os << "\\begin{enumerate}\n";
  for (std::size_t s : steps) os << "\\item " << StepItem(record.steps[s], record) << "\n";
  os << "\\end{enumerate}\n";
}

void WritePreservation(std::ostream& os, const ExplanationRecord& record) {
  os << "\n\\paragraph{Dependency preservation}\n";
  if (!record.notPreserved) {
    os << "Not decided: the test would take too long on this input.\n";
  } else if (record.notPreserved->empty()) {
    os << "Every functional dependency is preserved.\n";
  } else {
    os << "Not preserved:\n\\begin{itemize}\n";
    for (std::size_t j : *record.notPreserved) {
      os << "\\item line " << (*record.lines)[j] << ", " << LatexText((*record.texts)[j]) << "\n";
    }
    os << "\\end{itemize}\n";
  }
}

}  // namespace

void WriteExplanationLatex(std::ostream& os, const ExplanationRecord& record) {
  const bool addsRows = !record.dependencies->AllOfKind(DependencyKind::kFunctional);
  os << "% The tableau test of lossless-join, for a LaTeX article.\n"
     << "\\paragraph{Initial tableau}\n";
  WriteTableau(os, *record.initial, record);
  os << "\n\\paragraph{" << (addsRows ? "Chase steps" : "Equalizations") << "}\n";
  std::vector<std::size_t> all;
  for (std::size_t s = 0; s < record.steps.size(); ++s) all.push_back(s);
  WriteSteps(os, all, record);
  const bool lossless = record.decidingRow != kNoRow;
  if (lossless) {
    os << "\n\\paragraph{Steps that made row " << record.decidingRow + 1 << " all $a$}\n";
    WriteSteps(os, record.needed, record);
  }
  os << "\n\\paragraph{Final tableau}\n";
  WriteTableau(os, *record.final, record);
  if (lossless) {
    os << "\n\\noindent Row " << Label(record.decidingRow, *record.decomposition)
       << " is all $a$: the decomposition is lossless (vesztesegmentes).\n";
  } else {
    os << "\n\\noindent No row became all $a$: the decomposition is lossy (veszteseges). The "
          "final tableau, read as a relation, satisfies every dependency, yet the join of its "
          "projections holds the row of all $a$: it is a counterexample.\n";
  }
  WritePreservation(os, record);
}
