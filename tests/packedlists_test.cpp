#include "packedlists.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Items(Span<int> span) { return {span.begin(), span.end()}; }

TEST(PackedListsTest, AppendedListsStandBackToBack) {
  PackedLists<int> lists;
  lists.Append({1, 2});
  lists.Append({});
  lists.Append({3});
  ASSERT_EQ(lists.size(), 3u);
  EXPECT_EQ(Items(lists[0]), (std::vector<int>{1, 2}));
  EXPECT_TRUE(lists[1].empty());
  EXPECT_EQ(Items(lists[2]), (std::vector<int>{3}));
  EXPECT_EQ(lists.ItemCount(), 3u);
}

TEST(PackedListsTest, ListsWithRoomFillAndLoseItemsOnTheirOwn) {
  PackedLists<int> lists({2, 0, 3});
  EXPECT_TRUE(lists[0].empty());
  lists.Add(2, 7);
  lists.Add(0, 1);
  lists.Add(2, 8);
  lists.Add(2, 9);
  lists.Add(0, 2);
  EXPECT_EQ(Items(lists[0]), (std::vector<int>{1, 2}));
  EXPECT_EQ(Items(lists[2]), (std::vector<int>{7, 8, 9}));
  // Filtering moves the list's last item into a gap, and looks at it next: order changes,
  // neighbours do not.
  std::vector<int> seen;
  lists.Filter(2, [&](int item) {
    seen.push_back(item);
    return item != 7;
  });
  EXPECT_EQ(seen, (std::vector<int>{7, 9, 8}));
  EXPECT_EQ(Items(lists[2]), (std::vector<int>{9, 8}));
  lists.Filter(2, [](int item) { return item != 8; });
  EXPECT_EQ(Items(lists[2]), (std::vector<int>{9}));
  EXPECT_EQ(Items(lists[0]), (std::vector<int>{1, 2}));
  lists.Add(2, 4);  // room freed by a removal is room again
  EXPECT_EQ(Items(lists[2]), (std::vector<int>{9, 4}));
}

}  // namespace
