#include <ostream>
#include <string>
#include <vector>

#include "explain.h"
#include "explainrecord.h"
#include "json.h"

namespace {

std::string Numbers(const std::vector<std::size_t>& numbers) {
  std::string json = "[";
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    if (i != 0) json += ',';
    json += std::to_string(numbers[i]);
  }
  return json + "]";
}

std::string Names(const AttributeList& names) {
  std::string json = "[";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i != 0) json += ',';
    json += JsonString(names[i]);
  }
  return json + "]";
}

std::string Cells(const std::vector<int>& symbols) {
  std::string json = "[";
  for (std::size_t i = 0; i < symbols.size(); ++i) {
    if (i != 0) json += ',';
    json += '"' + SymbolText(symbols[i]) + '"';
  }
  return json + "]";
}

std::vector<int> RowOf(const Tableau& tableau, Row r) {
  std::vector<int> row;
  for (std::uint32_t c = 0; c < tableau.ColNo(); ++c) row.push_back(tableau(r, c));
  return row;
}

// Row by row onto os: the text of a tableau of thousands of rows and columns is many times
// the size of its symbols, and is never held whole.
void WriteTableauJson(std::ostream& os, const Tableau& tableau, const ExplanationRecord& record) {
  os << "{\"columns\":" << Names(*record.attributes) << ",\"rows\":[";
  for (Row r{0}; r < tableau.RowNo(); ++r) {
    if (r != 0) os << ',';
    os << "{\"row\":" << std::to_string(r + 1)
       << ",\"label\":" << JsonString(TableauRowLabel(r, *record.decomposition))
       << ",\"cells\":" << Cells(RowOf(tableau, r)) << '}';
  }
  os << "]}";
}

const char* KindName(DependencyKind kind) {
  switch (kind) {
    case DependencyKind::kFunctional:
      return "functional";
    case DependencyKind::kMultivalued:
      return "multivalued";
    case DependencyKind::kJoin:
      return "join";
  }
  return "";
}

std::string InputJson(const ExplanationRecord& record) {
  std::string json = "{\"attributes\":" + Names(*record.attributes) + ",\"sub_schemas\":[";
  for (std::size_t r = 0; r < record.decomposition->size(); ++r) {
    if (r != 0) json += ',';
    json += Names((*record.decomposition)[r]);
  }
  json += "],\"dependencies\":[";
  for (std::size_t j = 0; j < record.dependencies->size(); ++j) {
    if (j != 0) json += ',';
    json += "{\"line\":" + std::to_string((*record.lines)[j]) +
            ",\"text\":" + JsonString((*record.texts)[j]) + ",\"kind\":\"" +
            KindName(record.dependencies->Kind(j)) + "\"}";
  }
  return json + "]}";
}

std::string StepJson(const RecordedStep& step, const ExplanationRecord& record) {
  if (step.added) {
    const RowAddition& a = step.addition;
    std::vector<std::size_t> from;
    for (Row r : a.from) from.push_back(r + 1);
    return "{\"kind\":\"row added\",\"line\":" + std::to_string((*record.lines)[a.dependency]) +
           ",\"dependency\":" + JsonString((*record.texts)[a.dependency]) +
           ",\"from_rows\":" + Numbers(from) + ",\"row\":" + std::to_string(a.row + 1) +
           ",\"cells\":" + Cells(a.symbols) + "}";
  }
  const ChaseStep& e = step.equalization;
  return "{\"kind\":\"equalization\",\"line\":" + std::to_string((*record.lines)[e.dependency]) +
         ",\"dependency\":" + JsonString((*record.texts)[e.dependency]) + ",\"rows\":[" +
         std::to_string(e.i + 1) + "," + std::to_string(e.k + 1) +
         "],\"column\":" + JsonString((*record.attributes)[e.column]) + ",\"from\":\"" +
         SymbolText(e.change.dropped) + "\",\"to\":\"" + SymbolText(e.change.kept) +
         "\",\"cells_changed\":" + std::to_string(e.change.cells) + "}";
}

std::string PreservationJson(const ExplanationRecord& record) {
  if (!record.notPreserved) return JsonPreservation(std::nullopt);
  NotPreservedTexts texts;
  for (std::size_t j : *record.notPreserved)
    texts.emplace_back((*record.lines)[j], (*record.texts)[j]);
  return JsonPreservation(texts);
}

}  // namespace

void WriteExplanationJson(std::ostream& os, const ExplanationRecord& record) {
  const bool lossless = record.decidingRow != kNoRow;
  os << "{\"input\":" << InputJson(record) << ",\n\"initial_tableau\":";
  WriteTableauJson(os, *record.initial, record);
  os << ",\n\"steps\":[";
  for (std::size_t s = 0; s < record.steps.size(); ++s) {
    os << (s == 0 ? "\n" : ",\n") << StepJson(record.steps[s], record);
  }
  std::vector<std::size_t> needed;
  for (std::size_t s : record.needed) needed.push_back(s + 1);
  os << "],\n\"needed_steps\":" << Numbers(needed) << ",\n\"final_tableau\":";
  WriteTableauJson(os, *record.final, record);
  os << ",\n\"verdict\":" << (lossless ? "\"lossless\"" : "\"lossy\"")
     << ",\"verdict_word\":" << (lossless ? "\"vesztesegmentes\"" : "\"veszteseges\"")
     << ",\"deciding_row\":" << (lossless ? std::to_string(record.decidingRow + 1) : "null")
     << ",\n\"counterexample\":";
  if (lossless) {
    os << "null";
  } else {
    WriteTableauJson(os, *record.final, record);
  }
  os << ",\n"
     << PreservationJson(record) << ",\n\"warnings\":" << JsonWarnings(record.warnings) << "}\n";
}
