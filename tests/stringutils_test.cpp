#include "stringutils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Pieces = std::vector<std::string>;

struct SplitCase {
  std::string input;
  std::string delimiter;
  bool includeEmpties;
  std::size_t occurrences;
  Pieces pieces;
};

TEST(SplitStringTest, CutsAtEveryOccurrence) {
  const SplitCase cases[] = {
      {"A,B,C", ",", true, 2, {"A", "B", "C"}},
      {"A", ",", true, 0, {}},
      {"", ",", true, 0, {}},
      {"A,B", "", true, 0, {}},
      {"A,,B", ",", true, 2, {"A", "", "B"}},
      {"A,,B", ",", false, 2, {"A", "B"}},
      {",A", ",", true, 1, {"", "A"}},
      {"A,", ",", true, 1, {"A", ""}},
      {"A,", ",", false, 1, {"A"}},
      {",", ",", true, 1, {"", ""}},
      {",", ",", false, 1, {}},
      {"A->B", "->", true, 1, {"A", "B"}},
      {"A->B->C", "->", true, 2, {"A", "B", "C"}},
      {"A-B", "->", true, 0, {}},
      {"A->", "->", true, 1, {"A", ""}},
      {"aaaa", "aa", true, 2, {"", "", ""}},
      {"aaa", "aa", true, 1, {"", "a"}},
      {"A, B", ",", true, 1, {"A", " B"}},
      {std::string("A\0B,C", 5), ",", true, 1, {std::string("A\0B", 3), "C"}},
  };
  for (const SplitCase& c : cases) {
    Pieces results;
    EXPECT_EQ(StringUtils::SplitString(c.input, c.delimiter, results, c.includeEmpties),
              c.occurrences)
        << "input '" << c.input << "' delimiter '" << c.delimiter << "'";
    EXPECT_EQ(results, c.pieces) << "input '" << c.input << "'";
  }
}

TEST(SplitStringTest, AppendsAfterExistingEntries) {
  Pieces results = {"kept"};
  EXPECT_EQ(StringUtils::SplitString("A,B", ",", results, true), 1u);
  EXPECT_EQ(StringUtils::SplitString("C,D", ",", results, true), 1u);
  EXPECT_EQ(StringUtils::SplitString("E", ",", results, true), 0u);
  EXPECT_EQ(results, (Pieces{"kept", "A", "B", "C", "D"}));
}

}  // namespace
