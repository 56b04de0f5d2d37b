#include "jointree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dependencybasis.h"

namespace {

// Components written as strings of one-letter attributes: "AB" holds A and B.
std::vector<std::vector<Column>> Components(const std::vector<std::string>& texts) {
  std::vector<std::vector<Column>> components;
  for (const std::string& text : texts) {
    std::vector<Column> component;
    for (char c : text) component.push_back(Column(static_cast<std::uint32_t>(c - 'A')));
    components.push_back(component);
  }
  return components;
}

std::vector<Column> Columns(const std::string& text) { return Components({text}).front(); }

std::string Text(const std::vector<Column>& columns) {
  std::string text;
  for (Column c : columns) text += static_cast<char>('A' + c);
  return text;
}

std::vector<std::string> Texts(const std::vector<MultivaluedDependency>& dependencies) {
  std::vector<std::string> texts;
  for (const auto& d : dependencies) texts.push_back(Text(d.left) + "->>" + Text(d.right));
  return texts;
}

TEST(JoinTreeTest, APathIsAcyclicAndEachEdgeSplitsItInTwo) {
  const auto tree = JoinTreeDependencies(Components({"AB", "BC", "CD"}), 4);
  ASSERT_TRUE(tree.has_value());
  EXPECT_EQ(Texts(*tree), (std::vector<std::string>{"B->>A", "C->>AB"}));
}

TEST(JoinTreeTest, CyclesHaveNoJoinTree) {
  EXPECT_FALSE(JoinTreeDependencies(Components({"AB", "BC", "AC"}), 3).has_value());
  EXPECT_FALSE(JoinTreeDependencies(Components({"AB", "BC", "CD", "DA"}), 4).has_value());
  // A fourth component holding the whole triangle makes it acyclic again.
  EXPECT_TRUE(JoinTreeDependencies(Components({"AB", "BC", "AC", "ABC"}), 3).has_value());
}

TEST(JoinTreeTest, OneComponentOrRepeatsNeedNoDependency) {
  EXPECT_TRUE(JoinTreeDependencies(Components({"ABC"}), 3)->empty());
  const auto repeated = JoinTreeDependencies(Components({"AB", "AB"}), 2);
  ASSERT_TRUE(repeated.has_value());
  EXPECT_EQ(Texts(*repeated), (std::vector<std::string>{"AB->>"}));
  // Components that share nothing: a cross product, the empty set ->> one side.
  EXPECT_EQ(Texts(*JoinTreeDependencies(Components({"A", "B"}), 2)),
            (std::vector<std::string>{"->>A"}));
}

TEST(JoinTreeTest, AStarHangsEveryLeafOnItsCentre) {
  const auto tree = JoinTreeDependencies(Components({"AB", "AC", "AD", "ABCD"}), 4);
  ASSERT_TRUE(tree.has_value());
  EXPECT_EQ(tree->size(), 3u);
}

bool Implies(const std::vector<std::pair<std::string, std::string>>& given, const std::string& left,
             const std::string& right, std::size_t cols) {
  DependencyBasis basis(cols);
  for (const auto& [l, r] : given) basis.AddMultivalued(Columns(l), Columns(r));
  return basis.Implies(Columns(left), Columns(right));
}

TEST(DependencyBasisTest, TheTextbookRulesOfMultivaluedDependencies) {
  // Reflexivity and complementation, over A, B, C, D.
  EXPECT_TRUE(Implies({}, "AB", "A", 4));
  EXPECT_TRUE(Implies({{"A", "B"}}, "A", "CD", 4));
  EXPECT_FALSE(Implies({{"A", "B"}}, "A", "C", 4));
  // Augmentation, union, and transitivity (A->>B, B->>C give A->>C - B).
  EXPECT_TRUE(Implies({{"A", "B"}}, "AC", "B", 4));
  EXPECT_TRUE(Implies({{"A", "B"}, {"A", "C"}}, "A", "BC", 4));
  EXPECT_TRUE(Implies({{"A", "B"}, {"B", "C"}}, "A", "C", 4));
  EXPECT_FALSE(Implies({{"A", "B"}, {"B", "C"}}, "B", "A", 4));
  // Intersection and difference: A->>BC and A->>CD give A->>C and A->>B; A->>BC alone
  // gives neither.
  EXPECT_TRUE(Implies({{"A", "BC"}, {"A", "CD"}}, "A", "C", 5));
  EXPECT_TRUE(Implies({{"A", "BC"}, {"A", "CD"}}, "A", "B", 5));
  EXPECT_FALSE(Implies({{"A", "BC"}}, "A", "B", 5));
}

TEST(DependencyBasisTest, AnEmptyLeftHandSideOrAnEmptyRestImpliesAll) {
  EXPECT_TRUE(Implies({}, "ABC", "A", 3));
  EXPECT_TRUE(Implies({{"", "A"}}, "B", "A", 3));
}

}  // namespace
