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

// Past 20,000 cells the page gets the verdict, the warnings and the output file, and no
// explanation to draw.
TEST(PageCallTest, ALargeTableauIsDecidedWithoutExplanation) {
  std::string wide;
  for (int i = 0; i < 10000; ++i) wide += (i == 0 ? "" : ",") + std::to_string(i);
  const std::string atLimit = wide + "\n" + wide + "\n\n0->1\n";
  EXPECT_EQ(PageDecide(atLimit).rfind("{\"explanation\":{", 0), 0u);
  const std::string past = wide + "\n" + wide + ",x\n\n0->1\nz->x\n";
  const std::string answer = PageDecide(past);
  const std::size_t file = answer.find(",\"output_file\":");
  ASSERT_NE(file, std::string::npos);
  EXPECT_EQ(answer.substr(0, file),
            "{\"explanation\":null,\"verdict\":\"lossless\",\"verdict_word\":\"vesztesegmentes\","
            "\"cells\":20002,\"warnings\":[{\"line\":5,\"column\":1,\"message\":\"attribute "
            "\\\"z\\\" is in no sub-schema; the dependency never applies\"}]");
  const std::string lossy = PageDecide(wide + ",y\n" + wide + ",x\n");
  EXPECT_EQ(lossy.find("{\"explanation\":null,\"verdict\":\"lossy\",\"verdict_word\":"
                       "\"veszteseges\",\"cells\":20004,\"warnings\":[],"),
            0u);
  EXPECT_TRUE(answer.substr(file) ==
              ",\"output_file\":" + JsonString(past + "\nvesztesegmentes") + "}");
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
