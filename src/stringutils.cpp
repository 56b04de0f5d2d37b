#include "stringutils.h"

namespace StringUtils {

std::size_t SplitString(const std::string& input, const std::string& delimiter,
                        std::vector<std::string>& results, bool includeEmpties) {
  if (input.empty() || delimiter.empty()) return 0;
  std::size_t found = input.find(delimiter);
  if (found == std::string::npos) return 0;

  std::size_t occurrences = 0;
  std::size_t pieceStart = 0;
  for (; found != std::string::npos; found = input.find(delimiter, pieceStart)) {
    ++occurrences;
    if (includeEmpties || found > pieceStart) {
      results.emplace_back(input, pieceStart, found - pieceStart);
    }
    pieceStart = found + delimiter.size();
  }
  if (includeEmpties || pieceStart < input.size()) {
    results.emplace_back(input, pieceStart, std::string::npos);
  }
  return occurrences;
}

}  // namespace StringUtils
