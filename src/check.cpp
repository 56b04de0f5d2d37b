#include "check.h"

#include <exception>
#include <new>

#include "decide.h"
#include "inputfile.h"
#include "json.h"

namespace {

void DecideFile(const std::string& path, const CheckOptions& options, Warnings& warnings,
                CheckResult& result) {
  ParsedInput parsed;
  if (!ReadInputFile(path, false, warnings, parsed, result.error)) return;
  DecideOptions decideOptions;
  decideOptions.maxRows = options.maxRows;
  result.lossless = Decide(parsed.resolved, decideOptions).lossless;
  result.decided = true;
}

}  // namespace

CheckResult CheckFile(const std::string& path, const CheckOptions& options,
                      std::ostream& warningsTo) {
  CheckResult result;
  result.file = path;
  Warnings warnings =
      options.collectWarnings ? Warnings(result.warnings) : Warnings(warningsTo, path);
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

std::string CheckLine(const CheckResult& result) {
  return result.file + (result.lossless ? ": lossless (vesztesegmentes)" : ": lossy (veszteseges)");
}

std::string JsonLine(const CheckResult& result) {
  std::string json = "{\"file\":" + JsonString(result.file);
  if (result.decided) {
    json += ",\"verdict\":";
    json += result.lossless ? "\"lossless\"" : "\"lossy\"";
  } else {
    json += ",\"error\":" + JsonString(result.error);
  }
  json += ",\"warnings\":[";
  for (std::size_t i = 0; i < result.warnings.size(); ++i) {
    const Warning& warning = result.warnings[i];
    if (i != 0) json += ',';
    json += "{\"line\":" + std::to_string(warning.line) +
            ",\"column\":" + std::to_string(warning.column) +
            ",\"message\":" + JsonString(warning.message) + "}";
  }
  json += "]}";
  return json;
}

int CheckStatus(const std::vector<CheckResult>& results) {
  int status = 0;
  for (const CheckResult& result : results) {
    if (!result.decided) return 2;
    if (!result.lossless) status = 1;
  }
  return status;
}
