#include "commandline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Action = CommandLine::Action;

CommandLine Parse(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "lossless-join");
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(&argument[0]);
  argv.push_back(nullptr);
  return ParseCommandLine(static_cast<int>(arguments.size()), argv.data());
}

const char kUsage[] = "You must give 2 parameters.";
const char kHint[] = "Try 'lossless-join --help' for more information.";

// A command line and the lines that refuse it.
struct Refusal {
  std::vector<std::string> arguments;
  std::vector<std::string> errors;
};

void ExpectRefused(const std::vector<Refusal>& refusals, int status) {
  for (const Refusal& refusal : refusals) {
    const CommandLine line = Parse(refusal.arguments);
    EXPECT_EQ(line.action, Action::kRefuse) << refusal.arguments.size();
    EXPECT_EQ(line.errors, refusal.errors);
    EXPECT_EQ(line.status, status);
  }
}

TEST(CommandLineTest, TwoFileFormTakesOptionsFirst) {
  CommandLine line = Parse({"in.txt", "out.txt"});
  EXPECT_EQ(line.action, Action::kRun);
  EXPECT_EQ(line.files, (std::vector<std::string>{"in.txt", "out.txt"}));
  EXPECT_FALSE(line.explain);

  line = Parse({"--explain", "--max-rows", "7", "-", "-"});
  EXPECT_EQ(line.action, Action::kRun);
  EXPECT_TRUE(line.explain);
  EXPECT_EQ(line.maxRows, 7u);
  EXPECT_EQ(line.files, (std::vector<std::string>{"-", "-"}));

  line = Parse({"--explain=text", "--max-rows=12", "--", "--explain", "out.txt"});
  EXPECT_EQ(line.action, Action::kRun);
  EXPECT_EQ(line.maxRows, 12u);
  EXPECT_EQ(line.files, (std::vector<std::string>{"--explain", "out.txt"}));

  EXPECT_EQ(Parse({"in.txt", "out.txt"}).explainFormat, ExplainFormat::kText);
  EXPECT_EQ(Parse({"--explain=json", "in.txt", "out.txt"}).explainFormat, ExplainFormat::kJson);
  EXPECT_EQ(Parse({"--explain=latex", "in.txt", "out.txt"}).explainFormat, ExplainFormat::kLatex);
  EXPECT_EQ(Parse({"--explain=latex", "--explain", "a", "b"}).explainFormat, ExplainFormat::kText);

  // After the first file name, everything is a file name.
  line = Parse({"in.txt", "--explain"});
  EXPECT_EQ(line.action, Action::kRun);
  EXPECT_EQ(line.files, (std::vector<std::string>{"in.txt", "--explain"}));
}

TEST(CommandLineTest, NamesWhatIsWrongAfterTheUsageLine) {
  ExpectRefused(
      {
          {{}, {kUsage, kHint}},
          {{"in.txt"}, {kUsage, kHint}},
          {{"a", "b", "c"}, {kUsage, kHint}},
          {{"-e", "in.txt", "out.txt"}, {kUsage, "lossless-join: unrecognized option '-e'", kHint}},
          {{"--bogus=1", "in.txt", "out.txt"},
           {kUsage, "lossless-join: unrecognized option '--bogus=1'", kHint}},
          {{"--explain=yes", "in.txt", "out.txt"},
           {kUsage,
            "lossless-join: invalid argument 'yes' for '--explain'; valid: 'text', 'json', 'latex'",
            kHint}},
          {{"--help=x"}, {kUsage, "lossless-join: unrecognized option '--help=x'", kHint}},
          {{"--max-rows"},
           {kUsage, "lossless-join: option '--max-rows' requires an argument", kHint}},
          {{"in.txt", "out.txt", "--explain"},
           {kUsage, "lossless-join: options come before the file names: '--explain'", kHint}},
          {{"--help", "out.txt"}, {kUsage, kHint}},
          {{"--version", "--help"}, {kUsage, kHint}},
          {{"--max-rows", "0", "in.txt", "out.txt"},
           {"lossless-join: --max-rows takes a positive whole number, not \"0\""}},
          {{"--json", "in.txt", "out.txt"}, {"lossless-join: --json goes with --check", kHint}},
      },
      1);
}

TEST(CommandLineTest, CheckTakesFilesAndRefusesWithTwo) {
  CommandLine line = Parse({"--check", "--json", "--max-rows=3", "a.txt", "-", "c.txt"});
  EXPECT_EQ(line.action, Action::kCheck);
  EXPECT_TRUE(line.json);
  EXPECT_EQ(line.maxRows, 3u);
  EXPECT_EQ(line.files, (std::vector<std::string>{"a.txt", "-", "c.txt"}));
  EXPECT_EQ(Parse({"--check", "one.txt"}).action, Action::kCheck);

  ExpectRefused(
      {
          {{"--check"}, {"lossless-join: --check needs at least one FILE", kHint}},
          {{"--check", "--explain", "a"},
           {"lossless-join: --explain does not go with --check", kHint}},
          {{"-e", "--check", "a"}, {"lossless-join: unrecognized option '-e'", kHint}},
          {{"--check", "--help"}, {kHint}},
      },
      2);
}

TEST(CommandLineTest, ImpliesTakesDependenciesInOrderAndOneInput) {
  CommandLine line = Parse({"--implies", "A->>B", "--explain", "--implies=*(A|B)", "r.txt"});
  EXPECT_EQ(line.action, Action::kImplies);
  EXPECT_EQ(line.implies, (std::vector<std::string>{"A->>B", "*(A|B)"}));
  EXPECT_TRUE(line.explain);
  EXPECT_EQ(line.files, (std::vector<std::string>{"r.txt"}));
  ExpectRefused(
      {
          {{"--implies", "A->B"}, {"lossless-join: --implies takes one INPUT", kHint}},
          {{"--implies", "A->B", "a", "b"}, {"lossless-join: --implies takes one INPUT", kHint}},
          {{"--implies", "A->B", "--json", "a"},
           {"lossless-join: --json goes with --check", kHint}},
          {{"--check", "--implies", "A->B", "a"},
           {"lossless-join: --implies does not go with --check", kHint}},
          {{"--implies"}, {"lossless-join: option '--implies' requires an argument", kHint}},
      },
      2);
}

TEST(CommandLineTest, HelpAndVersionStandAlone) {
  EXPECT_EQ(Parse({"--help"}).action, Action::kHelp);
  EXPECT_EQ(Parse({"--version"}).action, Action::kVersion);
  EXPECT_EQ(Parse({"--vers"}).action, Action::kVersion);  // an abbreviation, as getopt takes it
}

}  // namespace
