// The general chase against the plain reference on random small inputs that mix functional,
// multivalued and join dependencies.

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "chase_check.h"
#include "decide.h"
#include "generalchase.h"
#include "generalproof.h"
#include "implication.h"
#include "jointreeengine.h"
#include "reader.h"
#include "reference_general_chase.h"
#include "warnings.h"

namespace {

std::string Name(std::size_t a) { return std::string(1, static_cast<char>('A' + a)); }

std::string List(const std::vector<std::size_t>& attributes) {
  std::string text;
  for (std::size_t a : attributes) text += (text.empty() ? "" : ",") + Name(a);
  return text;
}

// A random nonempty subset of n attributes.
std::vector<std::size_t> Subset(std::mt19937& random, std::size_t n, unsigned percent) {
  std::vector<std::size_t> subset;
  for (std::size_t a = 0; a < n; ++a) {
    if (random() % 100 < percent) subset.push_back(a);
  }
  if (subset.empty()) subset.push_back(random() % n);
  return subset;
}

// One random dependency line over n attributes: functional, multivalued or join (which
// covers every attribute).
std::string RandomDependency(std::mt19937& random, std::size_t n) {
  switch (random() % 3) {
    case 0:
      return List(Subset(random, n, 30)) + "->" + List(Subset(random, n, 30));
    case 1:
      return List(Subset(random, n, 30)) + "->>" + List(Subset(random, n, 35));
    default: {
      const std::size_t k = 2 + random() % 2;
      std::vector<std::vector<std::size_t>> components(k);
      for (std::size_t a = 0; a < n; ++a) {
        components[random() % k].push_back(a);
        if (random() % 2 == 0) components[random() % k].push_back(a);
      }
      std::string text = "*(";
      for (std::size_t i = 0; i < k; ++i) {
        std::set<std::size_t> unique(components[i].begin(), components[i].end());
        if (unique.empty()) unique.insert(random() % n);
        text += (i == 0 ? "" : "|") + List({unique.begin(), unique.end()});
      }
      return text + ")";
    }
  }
}

// Up to n attributes, m sub-schemas and a few dependencies of every kind.
std::string RandomInput(std::mt19937& random, std::size_t n, std::size_t m) {
  std::string text;
  std::vector<std::uint8_t> covered(n, 0);
  for (std::size_t r = 0; r < m; ++r) {
    std::vector<std::size_t> schema = Subset(random, n, 45);
    if (r + 1 == m) {  // every attribute in some sub-schema
      for (std::size_t a : schema) covered[a] = 1;
      for (std::size_t a = 0; a < n; ++a) {
        if (!covered[a]) schema.push_back(a);
      }
      std::sort(schema.begin(), schema.end());
    }
    for (std::size_t a : schema) covered[a] = 1;
    text += List(schema) + "\n";
  }
  text += "\n";
  const std::size_t dependencies = random() % 5;
  for (std::size_t j = 0; j < dependencies; ++j) text += RandomDependency(random, n) + "\n";
  return text;
}

std::vector<std::vector<int>> DistinctRows(const Tableau& tableau) {
  std::set<std::vector<int>> rows;
  for (std::uint32_t r = 0; r < tableau.RowNo(); ++r) {
    std::vector<int> row;
    for (std::uint32_t c = 0; c < tableau.ColNo(); ++c) row.push_back(tableau(r, c));
    rows.insert(row);
  }
  return {rows.begin(), rows.end()};
}

TEST(GeneralDifferentialTest, VerdictAndFinalTableauAsTheReferenceChase) {
  std::mt19937 random(20261209);
  int lossless = 0;
  int decidedByAddedRow = 0;
  std::size_t largest = 0;
  int decidedByTree = 0;
  std::size_t neededSteps = 0;
  std::size_t allSteps = 0;
  for (int round = 0; round < 30000; ++round) {
    // The last rounds are larger: tableaux of hundreds of rows, past the hash tables' growth.
    const bool large = round >= 29600;
    const std::size_t n = large ? 6 : 1 + random() % 5;
    const std::size_t m = large ? 5 : 1 + random() % 4;
    const std::string text = RandomInput(random, n, m);
    const ResolvedInput input = ResolveText(text);
    const GeneralReferenceResult expected = ReferenceGeneralChase(input);

    DecideOptions full;
    full.finalTableau = true;
    const Outcome outcome = Decide(input, full);
    ASSERT_EQ(outcome.lossless, expected.lossless) << text;
    ASSERT_TRUE(outcome.finalTableau.has_value());
    ASSERT_EQ(DistinctRows(*outcome.finalTableau), expected.rows) << text;
    EXPECT_EQ(Decide(input).lossless, expected.lossless) << text;
    if (const std::optional<bool> byTree = DecideByJoinTree(input)) {
      ASSERT_EQ(*byTree, expected.lossless) << text;
      ++decidedByTree;
    }

    std::size_t added = 0;
    GeneralProof proof(input);
    ChaseObserver observer;
    observer.initial = [&](const Tableau& tableau) { proof.RecordInitial(tableau); };
    observer.step = [&](const ChaseStep& step) { proof.Record(step); };
    observer.added = [&](const RowAddition& addition) {
      ++added;
      proof.Record(addition);
    };
    DecideOptions observed;
    observed.observer = &observer;
    const Outcome watched = Decide(input, observed);
    ASSERT_EQ(DistinctRows(*watched.finalTableau), expected.rows) << text;
    EXPECT_EQ(watched.finalTableau->RowNo(), input.RowNo() + added) << text;
    if (watched.lossless) {
      // The steps that made the deciding row all distinguished are a proof of it.
      std::vector<GeneralProof::Step> needed;
      for (std::size_t step : proof.StepsMakingDistinguished(watched.decidingRow))
        needed.push_back(proof.StepAt(step));
      ASSERT_EQ(ReplayGeneralSteps(input, needed, watched.decidingRow), "") << text;
      neededSteps += needed.size();
      allSteps += proof.StepCount();
    }
    lossless += expected.lossless ? 1 : 0;
    largest = std::max<std::size_t>(largest, watched.finalTableau->RowNo());
    decidedByAddedRow += watched.decidingRow != kNoRow && watched.decidingRow >= input.RowNo();
  }
  // Both verdicts, and a good share decided by a row that a dependency added.
  EXPECT_GT(lossless, 6000);
  EXPECT_LT(lossless, 27000);
  EXPECT_GT(decidedByAddedRow, 1200);
  EXPECT_GT(largest, 200u);
  EXPECT_GT(decidedByTree, 15000);
  // Proofs leave out steps: the test would not notice a proof that is every step.
  EXPECT_LT(2 * neededSteps, allSteps);
}

TEST(GeneralChaseTest, ARowWhoseClassesChangedIsFoundByTheRowsItNowAgreesWith) {
  // Rows 3 and 9 come to agree on A,B,E through merges in E; when row 9 was looked up again,
  // its own entry from before the merge must not hide row 3's.
  const ResolvedInput input =
      ResolveText("D\nA,D,E\nA,B,C,D\nD\n\nB,D->A,B,E\n*(C,D,E|A,B)\nA,B,E->C\n");
  DecideOptions full;
  full.finalTableau = true;
  EXPECT_EQ(DistinctRows(*Decide(input, full).finalTableau), ReferenceGeneralChase(input).rows);
}

TEST(GeneralChaseTest, PastTheLimitOfRowsTheChaseEndsWithTheLimit) {
  // Eight attributes, each its own sub-schema, and the join dependency of the eight: the
  // chase would build every combination of their symbols, 8^8 rows, before a row all a.
  const ResolvedInput input =
      ResolveText("A\nB\nC\nD\nE\nF\nG\nH\n\nA->>B\n*(A|B|C|D|E|F|G|H,A)\n");
  DecideOptions options;
  options.maxRows = 1000;
  options.finalTableau = true;
  try {
    Decide(input, options);
    FAIL() << "no limit";
  } catch (const RowLimitExceeded& limit) {
    EXPECT_EQ(limit.Limit(), 1000u);
    EXPECT_STREQ(limit.what(), "the chase passed its limit of 1000 rows; --max-rows sets another");
  }
}

TEST(GeneralChaseTest, TheDefaultLimitKeepsTheCellsNearOneGibibyte) {
  EXPECT_LE(RowLimit(10) * (4 * 10), std::size_t{1} << 30);
  EXPECT_GT(RowLimit(10) * (4 * 10 + 48), (std::size_t{1} << 30) - 4 * 10 - 48);
  EXPECT_GE(RowLimit(SIZE_MAX / 8), 1u);
}

}  // namespace

namespace {

// Whether the dependencies of input imply asked, by the plain chase: for X->Y, two rows that
// agree on X, the first all a, and Y's columns all a at the end (a column holds only the
// symbols of those two rows, so it is all a exactly when the two were made equal); for the
// others, the join test of their components.
bool ReferenceImplies(const ResolvedInput& input, const ResolvedDependencies& asked) {
  ResolvedInput tableau;
  tableau.columns = input.columns;
  tableau.dependencies = input.dependencies;
  if (asked.Kind(0) != DependencyKind::kFunctional) {
    for (const std::vector<Column>& row : asked.JoinComponents(0, input.columns))
      tableau.rowColumns.Append(row);
    return ReferenceGeneralChase(tableau).lossless;
  }
  std::vector<Column> all;
  for (Column c{0}; c < input.columns; ++c) all.push_back(c);
  tableau.rowColumns.Append(all);
  tableau.rowColumns.Append(std::vector<Column>(asked.Left(0).begin(), asked.Left(0).end()));
  const GeneralReferenceResult chased = ReferenceGeneralChase(tableau);
  for (const std::vector<int>& row : chased.rows) {
    for (Column c : asked.Right(0)) {
      if (row[c] != 0) return false;
    }
  }
  return true;
}

TEST(ImplicationDifferentialTest, AnswersAsThePlainChase) {
  std::mt19937 random(912);
  int implied = 0;
  int asked = 0;
  for (int round = 0; round < 6000; ++round) {
    const std::size_t n = 1 + random() % 6;
    const bool functionalOnly = round % 3 == 0;  // the closure's path, without a tableau
    std::string text = List(Subset(random, n, 100)) + "\n\n";
    for (std::size_t j = random() % 6; j > 0; --j) {
      text += (functionalOnly ? List(Subset(random, n, 30)) + "->" + List(Subset(random, n, 30))
                              : RandomDependency(random, n)) +
              "\n";
    }
    std::istringstream in(text);
    std::ostringstream messages;
    Warnings warnings(messages, "input");
    const ParsedInput input = ReadInput(in, warnings, true);
    const std::string question =
        round % 2 == 0 ? RandomDependency(random, n)
                       : List(Subset(random, n, 30)) + "->" + List(Subset(random, n, 30));
    const ParsedInput query = ReadDependencyLine(input.attributes, question, warnings);
    if (query.resolved.dependencies.size() != 1) continue;
    if (query.resolved.dependencies.Kind(0) == DependencyKind::kJoin &&
        query.resolved.dependencies.Components(0).empty()) {
      continue;
    }
    const bool expected = ReferenceImplies(input.resolved, query.resolved.dependencies);
    ASSERT_EQ(Implies(input.resolved, query.resolved.dependencies, 0, {}), expected)
        << text << "asked: " << question;
    ++asked;
    implied += expected ? 1 : 0;
  }
  // Both answers are met often, or the test proves little.
  EXPECT_GT(implied, asked / 10) << implied << " of " << asked;
  EXPECT_LT(implied, asked - asked / 10) << implied << " of " << asked;
}

}  // namespace
