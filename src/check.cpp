#include "check.h"

#include <exception>
#include <new>
#include <utility>

#include "decide.h"
#include "escape.h"
#include "inputfile.h"
#include "json.h"
#include "preservation.h"
#include "readonce.h"

namespace {

void DecideFile(const std::string& path, const CheckOptions& options, Warnings& warnings,
                CheckedFile& result) {
  // A file is read as columns, with the dependencies' texts while they take a few megabytes,
  // and read again for the texts of the dependencies that are not preserved only when it
  // held more: a million texts kept for nothing would take the time and memory of the file
  // again. What is read once keeps them all. The names are never kept: millions of them would
  // take several times the file.
  const bool readOnce = IsReadOnceInput(path.c_str());
  ParsedInput parsed;
  if (!ReadInputFile(path, false, warnings, parsed, result.error,
                     readOnce ? DependencyUse::kWithTexts : DependencyUse::kTextsWhileFew)) {
    return;
  }
  DecideOptions decideOptions;
  decideOptions.maxRows = options.maxRows;
  result.lossless = Decide(parsed.resolved, decideOptions).lossless;
  const std::optional<std::vector<std::size_t>> notPreserved = NotPreserved(parsed.resolved);
  result.preservationDecided = notPreserved.has_value();
  if (notPreserved && !notPreserved->empty() && parsed.textsDropped) {
    std::vector<Warning> again;  // said the first time
    Warnings quiet(again);
    ParsedInput texts;
    if (!ReadInputFile(path, false, quiet, texts, result.error, DependencyUse::kWithTexts)) return;
    parsed = std::move(texts);
  }
  for (std::size_t j : notPreserved.value_or(std::vector<std::size_t>{})) {
    if (j >= parsed.dependencyTexts.size()) {  // the file changed between the two readings
      result.error = "the input changed while it was read";
      return;
    }
    result.notPreserved.emplace_back(parsed.dependencyLines[j], parsed.dependencyTexts[j]);
  }
  result.decided = true;
}

}  // namespace

CheckedFile CheckFile(const std::string& path, const CheckOptions& options,
                      std::ostream& warningsTo) {
  CheckedFile result;
  result.file = path;
  Warnings warnings =
      options.collectWarnings
          ? Warnings([&result](std::size_t line, std::size_t column, const std::string& message) {
              result.warnings.Add(line, column, message);
            })
          : Warnings(warningsTo, path);
  // What ends one file's check ends only that one: the next file is still checked.
  try {
    DecideFile(path, options, warnings, result);
  } catch (const std::bad_alloc&) {
    result.error = "out of memory";
  } catch (const std::exception& error) {
    result.error = error.what();
  }
  if (!result.error.empty()) result.decided = false;
  return result;
}

std::string CheckLine(const CheckedFile& result) {
  std::string line =
      result.file + (result.lossless ? ": lossless (vesztesegmentes)" : ": lossy (veszteseges)");
  if (!result.preservationDecided) return line + ", dependency preservation not decided";
  if (result.notPreserved.empty()) return line + ", dependency-preserving";
  line += ", not dependency-preserving: ";
  for (std::size_t i = 0; i < result.notPreserved.size(); ++i) {
    if (i != 0) line += ", ";
    line += EscapeBytes(result.notPreserved[i].second, false);
  }
  return line;
}

bool WriteJsonLine(const CheckedFile& result, const std::function<bool(std::string_view)>& write,
                   std::string& error) {
  std::string json = "{\"file\":" + JsonString(result.file);
  if (result.decided) {
    json += ",\"verdict\":";
    json += result.lossless ? "\"lossless\"" : "\"lossy\"";
    json += "," + JsonPreservation(result.preservationDecided
                                       ? std::optional<NotPreservedTexts>(result.notPreserved)
                                       : std::nullopt);
  } else {
    json += ",\"error\":" + JsonString(result.error);
  }
  json += ",\"warnings\":[";
  error.clear();
  return write(json) && result.warnings.WriteTo(write, error) && write("]}");
}

std::string JsonLine(const CheckedFile& result) {
  std::string json;
  std::string error;
  WriteJsonLine(
      result,
      [&json](std::string_view piece) {
        json += piece;
        return true;
      },
      error);
  return json;
}

int CheckStatus(const std::vector<CheckedFile>& results) {
  int status = 0;
  for (const CheckedFile& result : results) {
    if (!result.decided) return 2;
    if (!result.lossless) status = 1;
  }
  return status;
}
