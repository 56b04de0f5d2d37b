#include "application.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>

namespace {

// Collects what is written to standard error while it lives.
class CapturedStderr {
 public:
  CapturedStderr() : old_(std::cerr.rdbuf(text_.rdbuf())) {}
  ~CapturedStderr() { std::cerr.rdbuf(old_); }
  std::string str() const { return text_.str(); }

 private:
  std::ostringstream text_;
  std::streambuf* old_;
};

void Parse(Application& app, const std::string& text, std::string* warnings = nullptr) {
  std::istringstream in(text);
  CapturedStderr captured;
  app.getInput(in, "in.txt");
  if (warnings != nullptr) *warnings = captured.str();
}

std::string Verdict(const std::string& text) {
  Application app;
  Parse(app, text);
  std::ostringstream out;
  app.result(out);
  return out.str();
}

TEST(GetInputTest, ReadsSchemasDependenciesAndTheirLines) {
  Application app;
  Parse(app, "A,B\nB,C\n\nB->C\nA,B->C,D\nA->B->C\n->B\n");
  EXPECT_EQ(app.getDecomposition(), (SchemaList{{"A", "B"}, {"B", "C"}}));
  EXPECT_EQ(app.getAttributes(), (AttributeList{"A", "B", "C"}));
  EXPECT_EQ(app.getDependencies().first, (SchemaList{{"B"}, {"A", "B"}, {"A"}, {""}}));
  EXPECT_EQ(app.getDependencies().second, (SchemaList{{"C"}, {"C", "D"}, {"C"}, {"B"}}));
  EXPECT_EQ(app.getDependencyLines(), (std::vector<std::size_t>{4, 5, 6, 7}));
  EXPECT_EQ(app.getLineBreak(), "\n");
}

TEST(GetInputTest, KeepsNamesVerbatimAndSortsTheUniverseBytewise) {
  Application app;
  Parse(app, "b\nAB\nA\nA,,A\n  \nA, B\n\xc3\xa9,z\n");
  EXPECT_EQ(
      app.getDecomposition(),
      (SchemaList{{"b"}, {"AB"}, {"A"}, {"A", "", "A"}, {"  "}, {"A", " B"}, {"\xc3\xa9", "z"}}));
  EXPECT_EQ(app.getAttributes(), (AttributeList{"", "  ", " B", "A", "AB", "b", "z", "\xc3\xa9"}));
}

TEST(GetInputTest, EndsTheSchemaPartAtEndOfInput) {
  Application app;
  Parse(app, "A,B\nC");
  EXPECT_EQ(app.getDecomposition(), (SchemaList{{"A", "B"}, {"C"}}));
  EXPECT_TRUE(app.getDependencies().first.empty());

  Application empty;
  Parse(empty, "");
  EXPECT_TRUE(empty.getDecomposition().empty());
  EXPECT_TRUE(empty.getAttributes().empty());
}

TEST(GetInputTest, DropsTheCarriageReturnOfALineEnd) {
  Application app;
  Parse(app, "A,B\r\nB,C\r\n\r\nB->C\r\nC->A\r");
  EXPECT_EQ(app.getDecomposition(), (SchemaList{{"A", "B"}, {"B", "C"}}));
  EXPECT_EQ(app.getDependencies().second, (SchemaList{{"C"}, {"A"}}));
  EXPECT_EQ(app.getLineBreak(), "\r\n");

  // Only one carriage return, and only at the end of a line, is a line end.
  Application lone;
  Parse(lone, "A\rB,C\r\r\n");
  EXPECT_EQ(lone.getDecomposition(), (SchemaList{{"A\rB", "C\r"}}));
  EXPECT_EQ(lone.getLineBreak(), "\r\n");

  // The first line decides the appended line break.
  for (const char* text : {"A\nB\r\n", "A\r", "A", ""}) {
    Application other;
    Parse(other, text);
    EXPECT_EQ(other.getLineBreak(), "\n") << text;
  }
}

TEST(GetInputTest, WarnsAboutLinesWithoutArrowAndUnknownNames) {
  Application app;
  std::string warnings;
  Parse(app, "A,B\nB,C\n\n\nB=>C\n \nX,X->C\nB->C,Y,\"\x01\n\n", &warnings);
  EXPECT_EQ(warnings,
            "in.txt:5:1: warning: no \"->\" in dependency; line ignored\n"
            "in.txt:6:1: warning: no \"->\" in dependency; line ignored\n"
            "in.txt:7:1: warning: attribute \"X\" is in no sub-schema; "
            "the dependency never applies\n"
            "in.txt:8:6: warning: attribute \"Y\" is in no sub-schema; "
            "ignored on the right-hand side\n"
            "in.txt:8:8: warning: attribute \"\\\"\\x01\" is in no sub-schema; "
            "ignored on the right-hand side\n");
  EXPECT_EQ(app.getDependencyLines(), (std::vector<std::size_t>{7, 8}));
}

struct VerdictCase {
  const char* what;
  std::string input;
  std::string output;
};

TEST(KapcsolasTesztTest, GivesTheTableauVerdict) {
  const VerdictCase cases[] = {
      {"one equalization", "A,B\nB,C\n\nB->C\n", "\nvesztesegmentes"},
      {"no dependencies", "A,B\nB,C\n\n", "\nveszteseges"},
      {"left sides differ", "A,B\nA,C\n\nB->C\n", "\nveszteseges"},
      {"second pass", "A,B\nB,C\nC,D\n\nC->D\nB->C\n", "\nvesztesegmentes"},
      {"single schema", "A,B,C\n", "\nvesztesegmentes"},
      {"a schema with everything", "A\nB\nA,B,C\nC\n\nA->B\n", "\nvesztesegmentes"},
      {"no schemas", "\nA->B\n", "\nveszteseges"},
      {"empty input", "", "\nveszteseges"},
      {"multi-attribute left side", "A,B,C\nA,B,D\n\nA,B->D\n", "\nvesztesegmentes"},
      {"partial left side", "A,B,C\nA,D\n\nA,B->D\n", "\nveszteseges"},
      {"unknown name on the left", "A,B\nB,C\n\nB,X->C\n", "\nveszteseges"},
      {"unknown name on the right", "A,B\nB,C\n\nB->X,C\n", "\nvesztesegmentes"},
      {"last line without break", "A,B\nB,C\n\nB->C", "\nvesztesegmentes"},
      {"CR LF", "A,B\r\nB,C\r\n\r\nB->C\r\n", "\r\nvesztesegmentes"},
      {"empty name", "A,\n,B\n\n->B\n", "\nvesztesegmentes"},
      {"chase through a third row", "A,B\nC,D\nB,C\n\nB->C\nC->D\n", "\nvesztesegmentes"},
      {"equal symbols not distinguished", "A,B\nA,C\nD\n\nD->B\nD->C\n", "\nveszteseges"},
  };
  for (const VerdictCase& c : cases) EXPECT_EQ(Verdict(c.input), c.output) << c.what;
}

TEST(KapcsolasTesztTest, EgyenlositRewritesTheRightHandColumnsTheTextbookWay) {
  Application app;
  Parse(app, "A\nB\nC\n\nA->B,C\n");
  Tableau tableau(4, 3);  // columns A, B, C; a fourth row shares row 2's symbol in C
  const int start[4][3] = {{1, 0, 1}, {0, 2, 3}, {3, 0, 3}, {4, 4, 3}};
  for (std::uint32_t r = 0; r < 4; ++r) {
    for (std::uint32_t c = 0; c < 3; ++c) tableau(r, c) = start[r][c];
  }
  app.egyenlosit(0, 2, tableau, 0);  // B: equal already; C: 3 becomes 1 in every row
  app.egyenlosit(1, 2, tableau, 0);  // B: the distinguished 0 wins; C: equal already
  const int expected[4][3] = {{1, 0, 1}, {0, 0, 1}, {3, 0, 1}, {4, 4, 1}};
  for (std::uint32_t r = 0; r < 4; ++r) {
    for (std::uint32_t c = 0; c < 3; ++c) EXPECT_EQ(tableau(r, c), expected[r][c]) << r << c;
  }
}

std::string Explanation(const std::string& text, std::string* output = nullptr) {
  std::ostringstream explanation;
  Application app(&explanation);
  Parse(app, text);
  std::ostringstream out;
  app.result(out);
  if (output != nullptr) *output = out.str();
  return explanation.str();
}

TEST(ExplainRunTest, ShowsEveryEqualizationAndTheDecidingRow) {
  std::string output;
  // A->B makes rows 1 and 3 agree on B, so B->C follows for them at once. The first step does
  // not matter to row 1: it gets its a in C from row 3.
  std::string shown = Explanation("A,B\nB\nA,C\n\nX->C\nB->C\nA->B\n", &output);
  EXPECT_EQ(output, "\nvesztesegmentes");
  EXPECT_EQ(shown,
            "Initial tableau\n"
            "           A   B   C\n"
            "  1 (A,B)  a   a   b1\n"
            "  2 (B)    b2  a   b2\n"
            "  3 (A,C)  a   b3  a\n"
            "\n"
            "Equalizations\n"
            "  line 6, B->C: rows 1 and 2, column C: b2 -> b1 (1 cell changed)\n"
            "  line 7, A->B: rows 1 and 3, column B: b3 -> a (1 cell changed)\n"
            "  line 6, B->C: rows 1 and 3, column C: b1 -> a (2 cells changed)\n"
            "\n"
            "Steps that made row 1 all a\n"
            "  line 7, A->B: rows 1 and 3, column B: b3 -> a (1 cell changed)\n"
            "  line 6, B->C: rows 1 and 3, column C: b1 -> a (2 cells changed)\n"
            "  2 of 3 equalizations.\n"
            "\n"
            "Final tableau\n"
            "           A   B  C\n"
            "  1 (A,B)  a   a  a\n"
            "  2 (B)    b2  a  a\n"
            "  3 (A,C)  a   a  a\n"
            "\n"
            "Row 1 (A,B) is all a: the decomposition is lossless (vesztesegmentes).\n"
            "\n"
            "Dependency preservation\n"
            "  not preserved: line 6, B->C\n");
}

TEST(ExplainRunTest, SaysWhenNothingWasEqualizedOrNoRowQualifies) {
  std::string shown = Explanation("");
  EXPECT_NE(shown.find("Equalizations\n  none\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("No row became all a: the decomposition is lossy (veszteseges).\n"),
            std::string::npos)
      << shown;
}

TEST(PrintInputTest, AlignsNamesInFieldsOfThreeAndNeverRunsThemTogether) {
  Application app;
  // Names of one or two bytes fill fields of three; a longer one gets a blank before it.
  Parse(app, "A,B\nB,LONG,Ssn,Ename,AB\n\nB->C\nA,B->C,D\nSsn->Ename\n");
  std::ostringstream out;
  app.printInput(out);
  EXPECT_EQ(out.str(),
            "Relaciosema dekompozicioja\n"
            "  A  B\n"
            "  B LONG Ssn Ename AB\n"
            "\n"
            "Funkcionalis fuggosegi halmaz\n"
            "  B ->  C\n"
            "  A  B ->  C  D\n"
            " Ssn -> Ename\n"
            "\n");
}

}  // namespace
