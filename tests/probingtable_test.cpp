#include "probingtable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>

namespace {

constexpr std::uint32_t kFree = UINT32_MAX;

// Keys hashed to a few buckets, so that probes run into each other.
std::size_t Hash(std::uint32_t key) { return key % 7; }

TEST(ProbingTableTest, FindsWhatWasInsertedThroughCollisionsAndGrowth) {
  ProbingTable<std::uint32_t> table(kFree);
  auto same = [](std::uint32_t key) {
    return [key](std::uint32_t stored) { return stored == key; };
  };
  auto keepAll = [](std::uint32_t) { return true; };
  for (std::uint32_t key = 0; key < 1000; key += 2) {
    EXPECT_EQ(table.FindOrInsert(Hash(key), key, same(key), Hash, keepAll), nullptr);
  }
  for (std::uint32_t key = 0; key < 1000; ++key) {
    const std::uint32_t* found = table.Find(Hash(key), same(key));
    if (key % 2 == 0) {
      ASSERT_NE(found, nullptr) << key;
      EXPECT_EQ(*found, key);
    } else {
      EXPECT_EQ(found, nullptr) << key;
    }
  }
  const std::uint32_t* again = table.FindOrInsert(Hash(4), 4, same(4), Hash, keepAll);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(*again, 4u);
}

TEST(ProbingTableTest, ARebuildDropsWhatKeepRejectsAndKeepsTheRest) {
  ProbingTable<std::uint32_t> table(kFree);
  std::set<std::uint32_t> stale;
  auto never = [](std::uint32_t) { return false; };
  auto isLive = [&](std::uint32_t stored) { return stale.count(stored) == 0; };
  // Entries go stale as fast as new ones come: rebuilds must drop them, or the table grows
  // with every entry ever made.
  for (std::uint32_t key = 0; key < 5000; ++key) {
    table.FindOrInsert(Hash(key), key, never, Hash, isLive);
    if (key >= 10) stale.insert(key - 10);
  }
  for (std::uint32_t key = 4990; key < 5000; ++key) {
    EXPECT_NE(table.Find(Hash(key), [&](std::uint32_t stored) { return stored == key; }), nullptr);
  }
  EXPECT_EQ(table.Find(Hash(3), [](std::uint32_t stored) { return stored == 3; }), nullptr);
  table.Clear(0);
  EXPECT_EQ(table.Find(Hash(4995), [](std::uint32_t stored) { return stored == 4995; }), nullptr);
}

}  // namespace
