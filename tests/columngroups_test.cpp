#include "columngroups.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <vector>

namespace {

// What the chase asks of the lists: a group is met once per change while it lives, in each
// column of its left-hand side; once met dead it is gone from that column until it is added
// again, with a new generation, to all of its columns.
struct Model {
  std::vector<std::set<std::uint32_t>> present;  // per column
  std::vector<std::uint32_t> generation;         // per group
  std::vector<bool> live;                        // per group
  std::vector<std::vector<Column>> columnsOf;    // per group
};

void AddGroup(ColumnGroups& groups, Model& model, std::uint32_t g) {
  model.live[g] = true;
  for (const Column c : model.columnsOf[g]) {
    groups.Add(c, g, model.generation[g]);
    model.present[c].insert(g);
  }
}

std::vector<std::uint32_t> Meet(ColumnGroups& groups, Model& model, Column c) {
  std::vector<std::uint32_t> met;
  groups.ForEach(
      c,
      [&](std::uint32_t g, std::uint32_t generation) {
        return model.live[g] &&
               (generation == ColumnGroups::kAnyGeneration || generation == model.generation[g]);
      },
      [&](std::uint32_t g) { met.push_back(g); });
  std::set<std::uint32_t> expected;
  for (const std::uint32_t g : model.present[c]) {
    if (model.live[g]) expected.insert(g);
  }
  model.present[c] = expected;
  return met;
}

// Random groups over a few columns, up to past a word of 64 groups and past 64 such words,
// which a column of bits keeps a word of its own for; groups that die, and come back with
// a new generation while entries of the old one are still listed.
TEST(ColumnGroupsTest, MeetsEveryLiveGroupOnceAcrossListsAndBits) {
  std::mt19937 random(20261211);
  for (const std::size_t maxGroups : {1u, 3u, 70u, 300u, 5000u}) {
    for (const bool bitsAllowed : {false, true}) {
      const std::size_t columns = 5;
      ColumnGroups groups(columns, maxGroups, bitsAllowed);
      Model model{std::vector<std::set<std::uint32_t>>(columns),
                  std::vector<std::uint32_t>(maxGroups, 0), std::vector<bool>(maxGroups, false),
                  std::vector<std::vector<Column>>(maxGroups)};
      std::bernoulli_distribution holds(0.6);
      std::uint32_t made = 0;
      while (made < maxGroups) {
        const std::uint32_t g = made++;
        for (Column c{0}; c < columns; ++c) {
          if (holds(random)) model.columnsOf[g].push_back(c);
        }
        AddGroup(groups, model, g);
        const auto some = [&] {
          return std::uniform_int_distribution<std::uint32_t>(0, made - 1)(random);
        };
        if (random() % 3 == 0) model.live[some()] = false;
        if (random() % 4 == 0) {
          const std::uint32_t back = some();
          if (!model.live[back]) {
            ++model.generation[back];
            AddGroup(groups, model, back);
          }
        }
        if (random() % (8 + made / 16) != 0 && made < maxGroups) continue;
        for (Column c{0}; c < columns; ++c) {
          std::vector<std::uint32_t> met = Meet(groups, model, c);
          std::sort(met.begin(), met.end());
          const std::vector<std::uint32_t> expected(model.present[c].begin(),
                                                    model.present[c].end());
          ASSERT_EQ(met, expected) << "groups " << made << " column " << c;
          ASSERT_EQ(groups.Empty(c), expected.empty());
        }
      }
    }
  }
}

TEST(ColumnGroupsTest, ListsMeetTheirGroupsInTheOrderTheyCame) {
  ColumnGroups groups(1, 10, false);
  for (const std::uint32_t g : {4u, 1u, 7u, 0u}) groups.Add(Column(0), g, 0);
  std::vector<std::uint32_t> met;
  groups.ForEach(
      Column(0), [](std::uint32_t, std::uint32_t) { return true; },
      [&](std::uint32_t g) { met.push_back(g); });
  EXPECT_EQ(met, (std::vector<std::uint32_t>{4, 1, 7, 0}));
}

}  // namespace
