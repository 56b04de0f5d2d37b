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

TEST(ExplainTest, CutsLongTextsShortBetweenCharacters) {
  EXPECT_EQ(Abbreviated("A,B->C", 10), "A,B->C");
  EXPECT_EQ(Abbreviated("0123456789", 10), "0123456789");
  EXPECT_EQ(Abbreviated("0123456789A", 10), "0123456...");
  // Never inside an escape or a UTF-8 character: the cut comes before them.
  EXPECT_EQ(Abbreviated("012345\\\\yzw", 10), "012345...");
  EXPECT_EQ(Abbreviated("01234\\x09yzw", 10), "01234...");
  EXPECT_EQ(Abbreviated("012345\xc3\xa9yzw", 10), "012345...");
  EXPECT_EQ(Abbreviated("01234\xc3\xa9yzwv", 10), "01234\xc3\xa9...");
  EXPECT_EQ(Abbreviated("0123\xe2\x82\xacyzwv", 10), "0123\xe2\x82\xac...");
}

TEST(ExplainTest, AStepLineStaysShortWhateverTheDependency) {
  std::string left;
  for (int i = 0; i < 1000; ++i) left += "attribute" + std::to_string(i) + ",";
  const std::string longName(500, 'N');
  const std::string line =
      StepLine({Row(0), Row(2), Column(0), 0, {}}, 7, left + "->" + longName, {longName});
  EXPECT_LT(line.size(), 2 * kLongestShownInStep + 80) << line;
  EXPECT_EQ(line.rfind("line 7, attribute0,attribute1,", 0), 0u) << line;
  EXPECT_NE(line.find("...: rows 1 and 3, column NNN"), std::string::npos) << line;
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
