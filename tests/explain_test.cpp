#include "explain.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

TEST(ExplainTest, NamesAndSymbolsInTextbookNotation) {
  EXPECT_EQ(DisplayName("A"), "A");
  EXPECT_EQ(DisplayName(""), "\"\"");
  EXPECT_EQ(DisplayName("a\tb\\c\"d"), "a\\x09b\\\\c\"d");
  EXPECT_EQ(DisplayName("N\xc3\xa9v"), "N\xc3\xa9v");
  EXPECT_EQ(EscapeBytes("say \"x\"\r", true), "say \\\"x\\\"\\x0d");
  EXPECT_EQ(SymbolText(0), "a");
  EXPECT_EQ(SymbolText(12), "b12");
  EXPECT_EQ(RowLabel(Row{0}, {"A", "", "B"}), "1 (A,\"\",B)");
}

TEST(ExplainTest, AlignsColumnsToTheWidestNameOrCell) {
  Tableau tableau(2, 3);
  const int cells[2][3] = {{0, 0, 1}, {2, 12, 0}};
  for (std::uint32_t r = 0; r < 2; ++r) {
    for (std::uint32_t c = 0; c < 3; ++c) tableau(r, c) = cells[r][c];
  }
  std::ostringstream out;
  // The UTF-8 name takes three columns on screen, though it has four bytes.
  PrintTableau(out, tableau, {"Long", "B", "N\xc3\xa9v"}, {{"Long", "B"}, {"N\xc3\xa9v"}});
  EXPECT_EQ(out.str(),
            "              Long  B    N\xc3\xa9v\n"
            "  1 (Long,B)  a     a    b1\n"
            "  2 (N\xc3\xa9v)     b2    b12  a\n");
}

}  // namespace
