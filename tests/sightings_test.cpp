#include "sightings.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>

namespace {

// Rows whose signatures are their number modulo 97, under a hash with only 5 values: most
// rows that share a hash have different signatures, so a look must go past them.
std::uint32_t SignatureOf(std::uint32_t row) { return row % 97; }
std::uint32_t HashOf(std::uint32_t row) { return SignatureOf(row) % 5; }

// The same signatures under a hash of 32 bits, which reaches every slot of any table.
std::uint32_t WideHashOf(std::uint32_t row) { return SignatureOf(row) * 2654435761u; }

// Sees rows first..end-1 in one look; every row must find the first row of its signature.
template <typename Hash = std::uint32_t (*)(std::uint32_t)>
void LookAt(Sightings& look, std::uint32_t first, std::uint32_t end, Hash hashOf = HashOf) {
  look.Start(end - first);
  std::map<std::uint32_t, std::uint32_t> firstOfSignature;
  for (std::uint32_t row = first; row < end; ++row) {
    const Row found = look.Find(hashOf(row), Row(row), [&](Row earlier) {
      return SignatureOf(earlier) == SignatureOf(row);
    });
    const auto known = firstOfSignature.find(SignatureOf(row));
    if (known == firstOfSignature.end()) {
      ASSERT_EQ(found, kNoRow) << row;
      firstOfSignature.emplace(SignatureOf(row), row);
    } else {
      ASSERT_EQ(found, Row(known->second)) << row;
    }
  }
}

TEST(SightingsTest, EachRowFindsTheFirstOfItsSignatureThroughCollisions) {
  Sightings look;
  // Past a table's first size, a 64-row word, and the growth of the table between looks.
  for (std::uint32_t rows : {1u, 7u, 64u, 65u, 97u, 1000u, 5000u}) LookAt(look, 0, rows);
}

TEST(SightingsTest, ALookSeesNoneOfTheRowsOfTheLookBefore) {
  Sightings look;
  LookAt(look, 0, 500);
  // The same signatures again, from other rows: a smaller look in the same slots finds only
  // the rows it saw itself.
  LookAt(look, 1000, 1200);
  look.Start(1);
  EXPECT_EQ(look.Find(HashOf(3), Row(3), [](Row) { return true; }), kNoRow);
  EXPECT_EQ(look.Find(HashOf(3), Row(100), [](Row) { return true; }), Row(3));
}

// A look uses as many of the slots as its rows need, however many earlier looks left: looks
// of every size in turn, each from rows of its own, the small ones after the large ones.
TEST(SightingsTest, LooksOfEverySizeInTurnFindOnlyTheirOwnRows) {
  Sightings look;
  std::uint32_t first = 0;
  for (std::uint32_t rows : {5000u, 3u, 1000u, 65u, 1u, 64u, 7u, 5000u, 200u}) {
    LookAt(look, first, first + rows, WideHashOf);
    first += rows;
  }
}

}  // namespace
