#include "check.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <fstream>
#include <new>

#include "decide.h"
#include "json.h"
#include "reader.h"
#include "readonce.h"

namespace {

// Reads and decides from in; the error is set when deciding ends early.
void ReadAndDecide(std::istream& in, const CheckOptions& options, Warnings& warnings,
                   CheckResult& result) {
  const ParsedInput parsed = ReadInput(in, warnings, false);
  warnings.Finish();
  if (parsed.readError != 0) {
    result.error = std::string("cannot read the input: ") + std::strerror(parsed.readError);
    return;
  }
  DecideOptions decideOptions;
  decideOptions.maxRows = options.maxRows;
  result.lossless = Decide(parsed.resolved, decideOptions).lossless;
  result.decided = true;
}

// The same from the file named path, opened as the two-file run opens it.
void DecideFile(const std::string& path, const CheckOptions& options, Warnings& warnings,
                CheckResult& result) {
  std::string bytes;
  std::string reason;
  if (IsReadOnceInput(path.c_str())) {
    if (!ReadWholeInput(path.c_str(), bytes, reason)) {
      result.error = "cannot read the input: " + reason;
      return;
    }
    MemoryStreamBuffer buffer(bytes);
    std::istream in(&buffer);
    ReadAndDecide(in, options, warnings, result);
    return;
  }
  struct stat info;
  if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    result.error = std::string("cannot read the input: ") + std::strerror(EISDIR);
    return;
  }
  std::ifstream in(path, std::ios::in | std::ios::binary);
  if (!in) {
    result.error = std::string("cannot read the input: ") + std::strerror(errno);
    return;
  }
  ReadAndDecide(in, options, warnings, result);
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
