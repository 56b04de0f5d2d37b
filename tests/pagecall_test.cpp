#include "pagecall.h"

#include <gtest/gtest.h>

#include <string>

#include "json.h"

namespace {

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The output file the page offers is what a run from files writes: the input's bytes, NUL
// and CR LF included, a line break in the input's convention, the verdict word.
TEST(PageCallTest, OutputFileIsTheInputThenTheVerdictInItsLineBreak) {
  const std::string lf = "A,B\nB,C\n\nB->C\n";
  EXPECT_TRUE(
      Has(PageDecide(lf), ",\"output_file\":" + JsonString(lf + "\nvesztesegmentes") + "}"));
  const std::string crlf = "A,B\r\nA,C\r\n\r\nB->C\r\n";
  EXPECT_TRUE(
      Has(PageDecide(crlf), ",\"output_file\":" + JsonString(crlf + "\r\nveszteseges") + "}"));
  const std::string nul("A,B\nB,C\n\nB->C\n\0", 15);
  EXPECT_TRUE(Has(PageDecide(nul), "\\u0000\\nvesztesegmentes\"}"));
}

// The explanation is the JSON document of --explain=json, the warnings inside it and written
// nowhere else.
TEST(PageCallTest, ExplainsInJsonWithTheWarningsInside) {
  testing::internal::CaptureStderr();
  const std::string answer = PageDecide("A,B\nB,C\n\nB->C\nB->Z\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(answer.rfind("{\"explanation\":{\"input\":", 0), 0u);
  EXPECT_TRUE(Has(answer, "\"verdict\":\"lossless\",\"verdict_word\":\"vesztesegmentes\""));
  EXPECT_TRUE(Has(answer, "\"warnings\":[{\"line\":5,"));
  EXPECT_TRUE(Has(answer, "},\"output_file\":"));
}

TEST(PageCallTest, LatexAsTheCommandLineWritesIt) {
  const std::string answer = PageLatex("A,B\nB,C\n\nB->C\n");
  EXPECT_EQ(answer.rfind("{\"latex\":\"% The tableau test", 0), 0u);
  EXPECT_TRUE(Has(answer, "\\\\begin{tabular}"));
}

TEST(PageCallTest, ImpliesAnswersWithTheChaseOrSaysWhyNot) {
  const std::string input = "A,B\nB,C\n\nB->C\n";
  const std::string implied = PageImplies(input, "B->C");
  EXPECT_EQ(implied.rfind("{\"answer\":\"implied\",\"explanation\":\"Does B->C follow?", 0), 0u);
  EXPECT_TRUE(Has(PageImplies(input, "A->C"), "{\"answer\":\"not implied\""));
  EXPECT_EQ(PageImplies(input, "A->Z"),
            "{\"answer\":null,\"explanation\":\"\",\"message\":"
            "\"lossless-join: A->Z: attribute \\\"Z\\\" is in no sub-schema\"}");
}

}  // namespace
