#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace StringUtils {

// Cuts input at every occurrence of delimiter, found left to right without overlap, and
// appends the pieces to results in order (pieces of length 0 only when includeEmpties).
// Entries already in results stay in front. Returns the number of occurrences: 0 when the
// input or the delimiter is empty or the delimiter does not occur, and results is then left
// exactly as it was.
std::size_t SplitString(const std::string& input, const std::string& delimiter,
                        std::vector<std::string>& results, bool includeEmpties);

}  // namespace StringUtils
