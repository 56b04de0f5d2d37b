#include "namepool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "shortnames.h"

namespace {

// Adds each of names that is not in the pool yet, as the reader does.
void AddAll(NamePool& pool, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (pool.Find(name) == NamePool::kMissing) pool.Add(name, NamePool::Hash(name));
  }
}

NamePool::Found Look(const NamePool& pool, const std::string& name) {
  return pool.FindWithCaseVariant(name, NamePool::Hash(name));
}

TEST(NamePoolTest, FindsEveryNameAcrossTheTablesGrowth) {
  // Past the first table of 16 slots and many growths after it, each name at its position.
  NamePool pool;
  std::vector<std::string> names;
  for (int i = 0; i < 20000; ++i) names.push_back("n" + std::to_string(i * 7919 % 100003));
  AddAll(pool, names);
  ASSERT_EQ(pool.size(), names.size());
  for (std::uint32_t at = 0; at < names.size(); ++at) {
    EXPECT_EQ(pool[at], names[at]);
    EXPECT_EQ(pool.Find(names[at]), at) << names[at];
  }
  EXPECT_EQ(pool.Find("n100003"), NamePool::kMissing);
  EXPECT_EQ(pool.Find(""), NamePool::kMissing);
  pool.Add("", NamePool::Hash(""));
  EXPECT_EQ(pool.Find(""), names.size());
}

TEST(NamePoolTest, CaseVariantsAreFoundOnlyForAsciiLettersAtAnyByte) {
  NamePool pool;
  // Capitals in every position of the eight-byte words the hash reads, and past them.
  const std::string longName = "CustomerShippingAddressLINE2";
  AddAll(pool, {"ab", "Ab", longName, "x@[`{"});
  NamePool::Found found = Look(pool, "AB");
  EXPECT_EQ(found.exact, NamePool::kMissing);
  EXPECT_EQ(found.caseVariant, 0u);  // the first of "ab" and "Ab"
  found = Look(pool, "Ab");
  EXPECT_EQ(found.exact, 1u);
  EXPECT_EQ(found.caseVariant, 0u);
  std::string lower = longName;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
  EXPECT_EQ(Look(pool, lower).caseVariant, 2u);
  for (std::size_t i = 0; i < longName.size(); ++i) {
    std::string variant = longName;
    variant[i] = static_cast<char>(variant[i] ^ 0x20);
    if (!std::isalpha(static_cast<unsigned char>(variant[i]))) continue;
    EXPECT_EQ(Look(pool, variant).caseVariant, 2u) << variant;
  }
  // Bytes that differ by 0x20 but are no letters are other names: @ and `, [ and {, and
  // bytes of UTF-8 such as \xc3\x89 and \xe3\x89.
  EXPECT_EQ(Look(pool, "X`{@[").caseVariant, NamePool::kMissing);
  EXPECT_EQ(Look(pool, "x@[`[").caseVariant, NamePool::kMissing);
  AddAll(pool, {"\xc3\x89t\xc3\x89"});
  EXPECT_EQ(Look(pool, "\xe3\x89t\xc3\x89").caseVariant, NamePool::kMissing);
  EXPECT_EQ(Look(pool, "\xc3\x89T\xc3\x89").caseVariant, 4u);
}

// Thousands of case variants of one name, among other names and across the table's growth:
// each is found by its bytes, and a new variant names the first of them, before the sort and
// after it, when the first is the smallest position.
TEST(NamePoolTest, CaseVariantsByTheThousandAreEachFoundAndNameTheFirst) {
  const std::string base = "abcdefghijkl";
  std::vector<std::string> names;
  for (std::uint32_t bits = 0; bits < (1u << base.size()); ++bits) {
    std::string variant = base;
    for (std::size_t k = 0; k < base.size(); ++k) {
      if ((bits >> k) & 1) variant[k] = static_cast<char>(variant[k] - 32);
    }
    names.push_back(variant);
    names.push_back("other" + std::to_string(bits));
  }
  std::mt19937 random(12);
  std::shuffle(names.begin() + 1, names.end(), random);
  // Leave one variant out, to look for.
  const auto absent = std::find(names.begin(), names.end(), "aBcdefghijkl");
  ASSERT_NE(absent, names.end());
  names.erase(absent);
  NamePool pool;
  AddAll(pool, names);
  ASSERT_EQ(pool.size(), names.size());
  for (std::uint32_t at = 0; at < names.size(); ++at) ASSERT_EQ(pool.Find(names[at]), at);
  EXPECT_EQ(Look(pool, "aBcdefghijkl").exact, NamePool::kMissing);
  EXPECT_EQ(Look(pool, "aBcdefghijkl").caseVariant, 0u);
  pool.Sort();
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  for (std::uint32_t at = 0; at < sorted.size(); ++at) ASSERT_EQ(pool.Find(sorted[at]), at);
  // "ABCDEFGHIJKL" sorts first of its variants.
  EXPECT_EQ(Look(pool, "aBcdefghijkl").caseVariant, pool.Find("ABCDEFGHIJKL"));
  pool.Add("aBcdefghijkl", NamePool::Hash("aBcdefghijkl"));
  EXPECT_EQ(pool.Find("aBcdefghijkl"), sorted.size());
}

TEST(NamePoolTest, SortGivesByteOrderAndKeepsEveryNameFindable) {
  std::mt19937 random(7);
  std::vector<std::string> names;
  for (int i = 0; i < 3000; ++i) {
    std::string name;
    const std::size_t length = random() % 20;
    for (std::size_t k = 0; k < length; ++k)
      name += static_cast<char>("aAbB_\x80\xff"[random() % 7]);
    names.push_back(name);
  }
  NamePool pool;
  AddAll(pool, names);
  std::vector<std::string> before;
  for (std::uint32_t at = 0; at < pool.size(); ++at) before.emplace_back(pool[at]);
  const std::vector<std::uint32_t> newPosition = pool.Sort();
  std::vector<std::string> sorted = before;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(pool.Names(), sorted);
  for (std::uint32_t old = 0; old < before.size(); ++old) {
    EXPECT_EQ(pool[newPosition[old]], before[old]);
    EXPECT_EQ(pool.Find(before[old]), newPosition[old]);
  }
  // Added after the sort, at the end.
  pool.Add("zz-new", NamePool::Hash("zz-new"));
  EXPECT_EQ(pool.Find("zz-new"), sorted.size());
}

// A line of names lent to the pool, empty or not: each new name moved to its place in the
// line's own bytes, before where it stood, then, after the block, more names added as ever.
TEST(NamePoolTest, NamesMovedIntoTheirLineAreFoundAsAnyOthers) {
  std::mt19937 random(20261210);
  std::string line;
  for (int i = 0; i < 5000; ++i) {
    line += (i == 0 ? "" : ",") + std::string(random() % 3 == 0 ? "N" : "n") +
            std::to_string(random() % 3000);
  }
  for (const std::vector<std::string>& before :
       {std::vector<std::string>{}, std::vector<std::string>{"first", "n12", "N7"}}) {
    NamePool pool;
    AddAll(pool, before);
    std::vector<std::string> expected = before;
    const std::string_view taken = pool.TakeBlock(std::string(line));
    ASSERT_EQ(taken, line);
    for (std::size_t at = 0; at <= line.size();) {
      const std::size_t comma = std::min(line.find(',', at), line.size());
      const std::string_view name = taken.substr(at, comma - at);
      const std::string copy(name);
      const NamePool::Found found = Look(pool, copy);
      if (found.exact == NamePool::kMissing) {
        pool.Add(name, NamePool::Hash(name));
        expected.push_back(copy);
      }
      at = comma + 1;
    }
    pool.EndBlock();
    AddAll(pool, {"after", "N7", "n7"});
    for (const char* more : {"after", "N7", "n7"}) {
      if (std::find(expected.begin(), expected.end(), more) == expected.end())
        expected.push_back(more);
    }
    ASSERT_EQ(pool.size(), expected.size());
    for (std::uint32_t at = 0; at < expected.size(); ++at) {
      EXPECT_EQ(pool[at], expected[at]);
      EXPECT_EQ(pool.Find(expected[at]), at);
    }
  }
}

// A name's length is a byte, or a separate entry from 255 bytes on, and its start is counted
// from its group's: names of every length, empty ones and ones of 70,000 bytes among them, at
// every place in groups, added one by one and from a line lent to the pool, then sorted.
TEST(NamePoolTest, NamesOfEveryLengthKeepTheirBytesAtEveryPlace) {
  std::mt19937 random(20261211);
  const std::size_t lengths[] = {0, 1, 7, 16, 254, 255, 256, 300, 70000};
  std::vector<std::string> names;
  for (int i = 0; i < 600; ++i) {
    const std::size_t length = random() % 3 == 0 ? lengths[random() % 9] : random() % 12;
    std::string name = std::to_string(i) + '.';
    while (name.size() < length) name += static_cast<char>('a' + random() % 26);
    names.push_back(name);
  }
  names.push_back("");
  // Names added before the line take no more room than it does, as the pool asks of a line it
  // takes.
  const auto bytes = [&](std::size_t from, std::size_t to) {
    std::size_t total = 0;
    for (std::size_t i = from; i < to; ++i) total += names[i].size();
    return total;
  };
  std::size_t split = 300;
  while (split > 0 && bytes(0, split) > bytes(split, names.size())) --split;
  std::string line;
  for (std::size_t i = split; i < names.size(); ++i) line += (i == split ? "" : ",") + names[i];
  NamePool pool;
  AddAll(pool, {names.begin(), names.begin() + static_cast<std::ptrdiff_t>(split)});
  ASSERT_TRUE(pool.WouldTakeBlockOf(line.size()));
  const std::string_view taken = pool.TakeBlock(std::string(line));
  for (std::size_t at = 0, i = split; i < names.size(); ++i) {
    const std::string_view name = taken.substr(at, names[i].size());
    ASSERT_EQ(name, names[i]);
    pool.Add(name, NamePool::Hash(name));
    at += names[i].size() + 1;
  }
  pool.EndBlock();
  ASSERT_EQ(pool.size(), names.size());
  for (std::uint32_t at = 0; at < names.size(); ++at) {
    ASSERT_EQ(pool[at], names[at]) << at;
    EXPECT_EQ(pool.Find(names[at]), at);
  }
  const std::vector<std::uint32_t> newPosition = pool.Sort();
  for (std::uint32_t old = 0; old < names.size(); ++old) {
    ASSERT_EQ(pool[newPosition[old]], names[old]) << old;
    EXPECT_EQ(pool.Find(names[old]), newPosition[old]);
  }
  pool.Add(std::string(400, 'z'), NamePool::Hash(std::string(400, 'z')));
  EXPECT_EQ(pool[static_cast<std::uint32_t>(names.size())], std::string(400, 'z'));
}

TEST(NamePoolTest, AssignReplacesEveryName) {
  NamePool pool;
  AddAll(pool, {"old", "older"});
  pool.Assign({"A", "B", "C"});
  EXPECT_EQ(pool.size(), 3u);
  EXPECT_EQ(pool.Find("old"), NamePool::kMissing);
  EXPECT_EQ(pool.Find("C"), 2u);
}

// Every name of 1 to 20 bytes, found at the start, in the middle and at the end of texts of
// every length: at its position up to 16 bytes, however it is read; and never a name that
// differs in the bytes past a word, nor a prefix of a name, nor a name with a NUL.
TEST(ShortNamesTest, FindsEachShortNameWhereverItStandsInItsText) {
  NamePool pool;
  std::vector<std::string> names;
  for (std::size_t size = 1; size <= 20; ++size) {
    names.push_back(std::string(size, 'a'));
    names.push_back(std::string(size - 1, 'a') + "b");
  }
  names.push_back(std::string("a\0", 2));
  AddAll(pool, names);
  const ShortNames index(pool);
  for (std::uint32_t at = 0; at < pool.size(); ++at) {
    const std::string name(pool[at]);
    for (std::size_t before : {0u, 1u, 7u, 8u, 15u, 30u}) {
      for (std::size_t after : {0u, 1u, 7u, 8u, 15u, 30u}) {
        const std::string text = std::string(before, ',') + name + std::string(after, ',');
        if (name.size() > ShortNames::kLongest || name.find('\0') != std::string::npos) continue;
        const std::string_view within(text);
        EXPECT_EQ(index.Find(within.substr(before, name.size()), within), at)
            << name.size() << " bytes, " << before << " before, " << after << " after";
      }
    }
  }
  for (const std::string missing : {"c", "aaaaaaaac", "aaaaaaaaaaaaaaac", "aaaaaaaaaaaaaac"}) {
    const std::string text = missing + ",";
    EXPECT_EQ(index.Find(std::string_view(text).substr(0, missing.size()), text),
              NamePool::kMissing)
        << missing;
  }
  // "a" padded with NULs reads as "a\0" would: that name is left out, so "a" stays "a".
  EXPECT_EQ(index.Find("a", "a"), pool.Find("a"));
}

}  // namespace
