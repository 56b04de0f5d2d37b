#include "columnstamps.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>

namespace {

// Lists of every length against a model, over few columns (stamps from the start) and over
// many (a table per list, until a long list makes the stamps): a column marked in one list
// is never taken for marked in the next, and a table grows past its first size when a list
// holds more columns than it said.
TEST(ColumnStampsTest, EachListMarksItsOwnColumnsOnly) {
  std::mt19937 random(20261211);
  for (const std::uint32_t columns : {100u, 200000u}) {
    ColumnStamps stamps;
    std::set<std::uint32_t> model;
    for (int list = 0; list < 400; ++list) {
      const std::size_t length = list % 50 == 49 ? columns / 3 : random() % 200;
      // Every fourth list says fewer columns than it holds.
      stamps.Next(columns, list % 4 == 0 ? length / 8 : length);
      model.clear();
      for (std::size_t k = 0; k < length; ++k) {
        // Few distinct columns in short lists, so that columns repeat within them.
        const std::uint32_t c = static_cast<std::uint32_t>(random() % (k < 100 ? 150 : columns));
        if (c >= columns) continue;
        const std::uint32_t probe = static_cast<std::uint32_t>(random() % columns);
        ASSERT_EQ(stamps.Marked(probe), model.count(probe) == 1) << list << ' ' << probe;
        ASSERT_EQ(stamps.Mark(c), model.insert(c).second) << list << ' ' << c;
        ASSERT_TRUE(stamps.Marked(c));
      }
    }
  }
}

}  // namespace
