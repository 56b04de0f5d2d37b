#include "inputfile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "readonce.h"

namespace {

bool Read(std::istream& in, bool keepNames, DependencyUse use, Warnings& warnings,
          ParsedInput& parsed, std::string& error) {
  parsed = ReadInput(in, warnings, keepNames, use);
  warnings.Finish();
  if (parsed.readError == 0) return true;
  error = std::string("cannot read the input: ") + std::strerror(parsed.readError);
  return false;
}

}  // namespace

bool ReadInputFile(const std::string& path, bool keepNames, Warnings& warnings, ParsedInput& parsed,
                   std::string& error, DependencyUse use) {
  if (IsReadOnceInput(path.c_str())) {
    std::string bytes;
    std::string reason;
    if (!ReadWholeInput(path.c_str(), bytes, reason)) {
      error = "cannot read the input: " + reason;
      return false;
    }
    MemoryStreamBuffer buffer(bytes);
    std::istream in(&buffer);
    return Read(in, keepNames, use, warnings, parsed, error);
  }
  struct stat info;
  if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    error = std::string("cannot read the input: ") + std::strerror(EISDIR);
    return false;
  }
  std::ifstream in(path, std::ios::in | std::ios::binary);
  if (!in) {
    error = std::string("cannot read the input: ") + std::strerror(errno);
    return false;
  }
  return Read(in, keepNames, use, warnings, parsed, error);
}
