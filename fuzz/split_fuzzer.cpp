// StringUtils::SplitString against a splitter written the simplest way.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "stringutils.h"

namespace {

using Pieces = std::vector<std::string>;

// Walks the input byte by byte and cuts wherever the delimiter starts.
Pieces NaiveSplit(const std::string& input, const std::string& delimiter, std::size_t& count) {
  Pieces pieces(1);
  count = 0;
  std::size_t i = 0;
  while (i < input.size()) {
    if (input.compare(i, delimiter.size(), delimiter) == 0) {
      pieces.emplace_back();
      ++count;
      i += delimiter.size();
    } else {
      pieces.back() += input[i++];
    }
  }
  return pieces;
}

[[noreturn]] void Mismatch(const char* what) {
  std::fprintf(stderr, "split_fuzzer: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // First byte: include-empties flag and delimiter length; then the delimiter, then the input.
  bool includeEmpties = (data[0] & 1) != 0;
  std::size_t delimiterLength = std::min<std::size_t>((data[0] >> 1) % 4, size - 1);
  std::string delimiter(reinterpret_cast<const char*>(data) + 1, delimiterLength);
  std::string input(reinterpret_cast<const char*>(data) + 1 + delimiterLength,
                    size - 1 - delimiterLength);

  Pieces results = {"kept"};
  std::size_t count = StringUtils::SplitString(input, delimiter, results, includeEmpties);
  if (results.empty() || results.front() != "kept") Mismatch("earlier entries were touched");
  results.erase(results.begin());

  if (input.empty() || delimiter.empty()) {
    if (count != 0 || !results.empty()) Mismatch("empty input or delimiter cut something");
    return 0;
  }
  std::size_t naiveCount = 0;
  Pieces expected = NaiveSplit(input, delimiter, naiveCount);
  if (count != naiveCount) Mismatch("occurrence counts differ");
  if (count == 0) {
    if (!results.empty()) Mismatch("no occurrence, yet pieces were appended");
    return 0;
  }
  std::string joined;
  for (std::size_t i = 0; i < expected.size(); ++i) joined += (i ? delimiter : "") + expected[i];
  if (joined != input) Mismatch("pieces do not join back to the input");
  if (!includeEmpties) {
    Pieces nonEmpty;
    for (const std::string& piece : expected) {
      if (!piece.empty()) nonEmpty.push_back(piece);
    }
    expected.swap(nonEmpty);
  }
  if (results != expected) Mismatch("pieces differ");
  return 0;
}
