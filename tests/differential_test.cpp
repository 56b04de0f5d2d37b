// The tool's chase against the plain reference chase on thousands of seeded random inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <random>
#include <sstream>
#include <string>

#include "application.h"
#include "chase_check.h"
#include "generate.h"

namespace {

// Names from a small pool, so that rows and dependencies overlap often. The pool holds an
// empty name, names that differ only in blanks, and names that no sub-schema may use; from
// kFirstOdd on, a name draws a warning.
const char* const kNames[] = {"A", "B", "C", "D", "E", "F", "G", "ab", "", " A", "A "};
constexpr int kFirstOdd = 8;
const char* const kUnknown[] = {"X", "Y", "a"};

class InputGenerator {
 public:
  explicit InputGenerator(std::uint32_t seed) : random_(seed) {}

  std::string Next() {
    odd_ = false;
    std::string text;
    const int rows = Pick(0, 7);
    const int pool = Pick(2, 11);  // how many of kNames this input uses
    const char* eol = Pick(0, 9) == 0 ? "\r\n" : "\n";
    for (int r = 0; r < rows; ++r) text += NameList(pool, Pick(1, 4), false) + eol;
    text += eol;
    const int dependencies = Pick(0, 12);
    if (Pick(0, 3) == 0) {
      AppendChain(text, pool, eol);
    }
    for (int j = 0; j < dependencies; ++j) {
      text += NameList(pool, Pick(1, 3), true) + "->" + NameList(pool, Pick(1, 2), true) + eol;
    }
    return text;
  }

  // Whether the last input holds a name that draws a warning.
  bool LastWasOdd() const { return odd_; }

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  std::string Name(int pool, bool mayBeUnknown) {
    if (mayBeUnknown && Pick(0, 19) == 0) {
      odd_ = true;
      return kUnknown[Pick(0, 2)];
    }
    return Known(Pick(0, pool - 1));
  }

  std::string Known(int index) {
    odd_ = odd_ || index >= kFirstOdd;
    return kNames[index];
  }

  std::string NameList(int pool, int count, bool mayBeUnknown) {
    std::string list = Name(pool, mayBeUnknown);
    for (int i = 1; i < count; ++i) list += "," + Name(pool, mayBeUnknown);
    return list;
  }

  // A chain N1->N2, N2->N3, ... listed backwards: each pass of a plain chase advances it
  // by one step only.
  void AppendChain(std::string& text, int pool, const char* eol) {
    for (int i = pool - 1; i > 0; --i) {
      text += Known(i - 1) + "->" + Known(i) + eol;
    }
  }

  std::mt19937 random_;
  bool odd_ = false;
};

// Whether every name of every dependency is an attribute of some sub-schema.
bool NamesOnlyAttributes(const Application& app) {
  const AttributeList& attributes = app.getAttributes();
  auto known = [&](const AttributeList& names) {
    return std::all_of(names.begin(), names.end(), [&](const std::string& name) {
      return std::binary_search(attributes.begin(), attributes.end(), name);
    });
  };
  const DependencySet& dependencies = app.getDependencies();
  return std::all_of(dependencies.first.begin(), dependencies.first.end(), known) &&
         std::all_of(dependencies.second.begin(), dependencies.second.end(), known);
}

// Checks the tool's run on text against the reference chase; returns whether the verdict was
// lossless.
bool CheckAgainstTheReference(const std::string& text) {
  CheckResult result = CheckAgainstReference(text);
  EXPECT_EQ(result.error, "") << "input:\n" << text;
  return result.lossless;
}

TEST(DifferentialTest, SameVerdictAndTableauAsThePlainChase) {
  std::ostringstream warnings;
  std::streambuf* stderrBuffer = std::cerr.rdbuf(warnings.rdbuf());
  InputGenerator generator(20261208);
  int multiPass = 0;
  int clean = 0;
  int lossless = 0;
  const int kInputs = 5000;
  for (int n = 0; n < kInputs; ++n) {
    const std::string text = generator.Next();
    {
      Application app;
      std::istringstream in(text);
      warnings.str("");
      app.getInput(in, "random.txt");
      if (!generator.LastWasOdd() && NamesOnlyAttributes(app)) {
        ++clean;
        EXPECT_EQ(warnings.str(), "") << "a clean input warned:\n" << text;
      }
    }
    const CheckResult result = CheckAgainstReference(text);
    EXPECT_EQ(result.error, "") << "input:\n" << text;
    multiPass += result.referencePasses > 2;
    lossless += result.lossless ? 1 : 0;
    if (::testing::Test::HasFailure()) break;
  }
  std::cerr.rdbuf(stderrBuffer);
  // The inputs must exercise what could go wrong: chases of several passes, both verdicts.
  EXPECT_GT(multiPass, kInputs / 20);
  EXPECT_GT(lossless, kInputs / 10);
  EXPECT_LT(lossless, kInputs * 9 / 10);
  EXPECT_GT(clean, kInputs / 10);
}

// One row distinguished on a two-column left-hand side, alone in its 64-bit word of rows, and
// a whole other word of rows that agree with it and are distinguished on the right-hand side:
// the lone row must become distinguished there too, wherever the words fall.
TEST(DifferentialTest, AgreementAcrossWordsOfRows) {
  for (std::size_t lone : {0u, 63u, 64u, 129u}) {
    const std::size_t block = lone < 64 ? 64 : 0;  // the first row of the other word
    std::string text;
    for (std::size_t r = 0; r < 130; ++r) {
      if (r == lone) {
        text += "X1,X2\n";
      } else if (r >= block && r < block + 64) {
        text += "X1,X2,T\n";
      } else {
        text += "Y\n";
      }
    }
    text += "\nX1,X2->T\n";
    CheckAgainstTheReference(text);
  }
}

// Small versions of the benchmark's shapes: more rows than two 64-bit words of shared bits,
// enough signatures for the table to grow, chains that take the plain chase many passes.
TEST(DifferentialTest, ShapesOfTheBenchmark) {
  std::streambuf* stderrBuffer = std::cerr.rdbuf(nullptr);
  int lossless = 0;
  int runs = 0;
  for (std::size_t rows : {63u, 64u, 65u, 128u, 130u, 200u}) {
    for (std::uint64_t seed = 1; seed <= 3; ++seed) {
      // Few attributes against many dependencies make most random inputs lossless; more
      // attributes, lossy.
      std::size_t attributes = seed == 3 ? rows : rows / 4;
      lossless += CheckAgainstTheReference(
          GenerateRandom({"random", rows, attributes, rows / 2}, seed * 7919 + rows));
      ++runs;
    }
    lossless += CheckAgainstTheReference(GenerateHub({"hub", rows, 60, 33}));
    lossless += CheckAgainstTheReference(GenerateMined({"mined", rows / 10, 150, 3 * rows}, rows));
    lossless += CheckAgainstTheReference(GenerateReverseChains({"chains", rows, 40, rows}));
    runs += 3;
    if (::testing::Test::HasFailure()) break;
  }
  std::cerr.rdbuf(stderrBuffer);
  EXPECT_GT(lossless, 0);
  EXPECT_LT(lossless, runs);
}

}  // namespace
