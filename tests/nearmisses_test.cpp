#include "nearmisses.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "notation.h"

namespace {

// Names of letters in both cases, blanks and a byte above 127, added to a pool in random order,
// then sorted as an explanation sorts them; every name of a few bytes is asked for, against a
// model that keeps, per key, the first attribute in byte order without blanks at its ends.
TEST(NearMissesTest, FindsTheFirstInByteOrderOfTheAttributesWithTheKey) {
  std::mt19937 random(20261211);
  const std::string letters = "aAbB \xe9";
  const auto randomName = [&] {
    std::string name;
    for (std::size_t length = 1 + random() % 4; name.size() < length;)
      name += letters[random() % letters.size()];
    return name;
  };
  for (int input = 0; input < 40; ++input) {
    NamePool pool;
    std::vector<std::string> attributes;
    for (int i = 0; i < (input % 4 == 0 ? 3 : 150); ++i) {
      const std::string name = randomName();
      if (pool.Find(name) != NamePool::kMissing) continue;
      pool.Add(name, NamePool::Hash(name));
      attributes.push_back(name);
    }
    if (input % 2 == 1) pool.Sort();
    std::map<std::string, std::string> model;
    for (const std::string& attribute : attributes) {
      const std::string key = NearMissKey(attribute);
      if (attribute.empty() || key.size() != attribute.size()) continue;
      const auto [entry, inserted] = model.emplace(key, attribute);
      if (!inserted && attribute < entry->second) entry->second = attribute;
    }
    NearMisses nearMisses(pool);
    for (int query = 0; query < 200; ++query) {
      const std::string name = randomName();
      const auto expected = model.find(NearMissKey(name));
      const std::uint32_t found = nearMisses.Find(name);
      if (expected == model.end()) {
        EXPECT_EQ(found, NamePool::kMissing) << '"' << name << '"';
      } else {
        ASSERT_NE(found, NamePool::kMissing) << '"' << name << '"';
        EXPECT_EQ(pool[found], expected->second) << '"' << name << '"';
      }
    }
  }
}

}  // namespace
