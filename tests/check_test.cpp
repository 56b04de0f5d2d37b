#include "check.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;

// What each file gave, without its warnings, which are not copied.
std::vector<CheckedFile> Verdicts(std::initializer_list<const CheckedFile*> files) {
  std::vector<CheckedFile> verdicts;
  for (const CheckedFile* file : files) {
    CheckedFile verdict;
    verdict.file = file->file;
    verdict.decided = file->decided;
    verdict.lossless = file->lossless;
    verdicts.push_back(std::move(verdict));
  }
  return verdicts;
}

class CheckTest : public ScratchFolderTest {
 protected:
  std::string File(const std::string& name, const std::string& bytes) const {
    Write(name, bytes);
    return Path(name);
  }
};

TEST_F(CheckTest, DecidesEachFileAndSaysWhyNot) {
  std::ostringstream err;
  const CheckedFile lossless = CheckFile(File("a.txt", "A,B\nB,C\n\nB->C\n"), {}, err);
  EXPECT_TRUE(lossless.decided);
  EXPECT_TRUE(lossless.lossless);
  const CheckedFile lossy = CheckFile(File("b.txt", "A,B\nB,C\n\n"), {}, err);
  EXPECT_TRUE(lossy.decided);
  EXPECT_FALSE(lossy.lossless);
  const CheckedFile absent = CheckFile((dir_ / "absent").string(), {}, err);
  EXPECT_FALSE(absent.decided);
  EXPECT_EQ(absent.error, "cannot read the input: No such file or directory");
  const CheckedFile folder = CheckFile(dir_.string(), {}, err);
  EXPECT_EQ(folder.error, "cannot read the input: Is a directory");
  CheckOptions limited;
  limited.maxRows = 3;
  const CheckedFile cyclic =
      CheckFile(File("c.txt", "A,B\nB,C\nA,C\n\n*(A,B|B,C|A,C)\n"), limited, err);
  EXPECT_FALSE(cyclic.decided);
  EXPECT_EQ(cyclic.error, "the chase passed its limit of 3 rows; --max-rows sets another");
  EXPECT_EQ(err.str(), "");

  EXPECT_EQ(CheckStatus(Verdicts({&lossless})), 0);
  EXPECT_EQ(CheckStatus(Verdicts({&lossless, &lossy})), 1);
  EXPECT_EQ(CheckStatus(Verdicts({&absent, &lossy})), 2);
  EXPECT_EQ(CheckStatus(Verdicts({&lossy, &absent})), 2);
}

TEST_F(CheckTest, WarningsAreWrittenOrAllCollected) {
  std::string text = "A\n\n";
  for (int i = 0; i < 60; ++i) text += "X->A\n";
  const std::string path = File("w.txt", text);
  std::ostringstream err;
  CheckFile(path, {}, err);
  EXPECT_EQ(err.str().find(path + ":3:1: warning: attribute \"X\" is in no sub-schema"), 0u);
  EXPECT_NE(err.str().find("10 more warnings not shown"), std::string::npos);

  std::ostringstream none;
  CheckOptions collect;
  collect.collectWarnings = true;
  const CheckedFile result = CheckFile(path, collect, none);
  EXPECT_EQ(none.str(), "");
  ASSERT_EQ(result.warnings.Count(), 60u);
  const std::string json = JsonLine(result);
  const std::string last =
      "{\"line\":62,\"column\":1,\"message\":\"attribute \\\"X\\\" is in no sub-schema";
  EXPECT_NE(json.find(last), std::string::npos) << json;
}

// The texts of the dependencies not preserved come from the one reading while the texts are
// few, and from a second one past that; a file of both kinds names them alike.
TEST_F(CheckTest, NamesTheDependenciesNotPreservedFromFewTextsOrMany) {
  std::ostringstream err;
  const CheckedFile few = CheckFile(File("few.txt", "A,B\nB,C\n\nB->C\nA->C\n"), {}, err);
  ASSERT_TRUE(few.decided);
  EXPECT_EQ(few.notPreserved, (std::vector<std::pair<std::size_t, std::string>>{{5, "A->C"}}));

  // Past a few megabytes of texts at 44 bytes' room each.
  std::string many = "A,B\nB,C\n\n";
  constexpr std::size_t kPreserved = 100000;
  for (std::size_t i = 0; i < kPreserved; ++i) many += "B->C\n";
  many += "A->C\n";
  const CheckedFile later = CheckFile(File("many.txt", many), {}, err);
  ASSERT_TRUE(later.decided);
  EXPECT_EQ(later.notPreserved,
            (std::vector<std::pair<std::size_t, std::string>>{{kPreserved + 4, "A->C"}}));
  EXPECT_EQ(err.str(), "");
}

TEST(CheckLineTest, WritesTextAndJson) {
  CheckedFile result;
  result.file = "in \"1\".txt";
  result.decided = true;
  result.lossless = true;
  EXPECT_EQ(CheckLine(result), "in \"1\".txt: lossless (vesztesegmentes), dependency-preserving");
  EXPECT_EQ(JsonLine(result),
            "{\"file\":\"in \\\"1\\\".txt\",\"verdict\":\"lossless\",\"dependency_preserving\":"
            "true,\"not_preserved\":[],\"warnings\":[]}");
  result.lossless = false;
  result.warnings.Add(4, 2, "a \"quoted\" name");
  result.warnings.Add(5, 1, "tab\there");
  result.notPreserved = {{6, "B->C"}, {9, "C,S->\"Z"}};
  EXPECT_EQ(CheckLine(result),
            "in \"1\".txt: lossy (veszteseges), not dependency-preserving: B->C, C,S->\"Z");
  EXPECT_EQ(JsonLine(result),
            "{\"file\":\"in \\\"1\\\".txt\",\"verdict\":\"lossy\",\"dependency_preserving\":"
            "false,\"not_preserved\":[{\"line\":6,\"dependency\":\"B->C\"},{\"line\":9,"
            "\"dependency\":\"C,S->\\\"Z\"}],\"warnings\":["
            "{\"line\":4,\"column\":2,\"message\":\"a \\\"quoted\\\" name\"},"
            "{\"line\":5,\"column\":1,\"message\":\"tab\\there\"}]}");
  result.notPreserved.clear();
  result.decided = false;
  result.warnings.Clear();
  result.error = "cannot read the input: Permission denied";
  EXPECT_EQ(JsonLine(result),
            "{\"file\":\"in \\\"1\\\".txt\",\"error\":\"cannot read the input: Permission "
            "denied\",\"warnings\":[]}");
}

}  // namespace
