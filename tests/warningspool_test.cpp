#include "warningspool.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "json.h"

namespace {

// Adds count warnings of messages of every length up to 300 bytes, some with bytes that JSON
// escapes, to spool; returns what the spool must give back.
std::string AddWarnings(WarningSpool& spool, std::size_t count) {
  std::string expected;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string message = std::string(i % 300, static_cast<char>('a' + i % 26)) +
                                (i % 7 == 0 ? "\"q\\\t\x01\xe9" : "");
    spool.Add(i + 1, i % 90 + 1, message);
    if (i != 0) expected += ',';
    expected += "{\"line\":" + std::to_string(i + 1) + ",\"column\":" + std::to_string(i % 90 + 1) +
                ",\"message\":" + JsonString(message) + "}";
  }
  return expected;
}

std::string Written(const WarningSpool& spool) {
  std::string bytes;
  std::string error;
  const bool done = spool.WriteTo(
      [&bytes](std::string_view piece) {
        bytes += piece;
        return true;
      },
      error);
  EXPECT_TRUE(done) << error;
  return bytes;
}

// Held in memory, spilled after every warning, or after some: the bytes come back the same,
// past the pieces of a megabyte in which a scratch file is read back.
TEST(WarningSpoolTest, GivesBackEveryWarningWhereverItWasKept) {
  for (const std::size_t mostInMemory :
       {std::size_t{1}, std::size_t{4096}, std::size_t{3} << 19, std::size_t{1} << 30}) {
    WarningSpool spool(mostInMemory);
    const std::string expected = AddWarnings(spool, 20000);
    ASSERT_GT(expected.size(), std::size_t{3} << 20);
    EXPECT_EQ(spool.Count(), 20000u);
    EXPECT_TRUE(Written(spool) == expected) << "at most " << mostInMemory << " bytes in memory";
    // Given twice, the same.
    EXPECT_TRUE(Written(spool) == expected) << "at most " << mostInMemory << " bytes in memory";
  }
}

// Where no scratch file can be made, the warnings stay in memory: none is lost.
TEST(WarningSpoolTest, WithoutAScratchFileKeepsEveryWarningInMemory) {
  const char* before = std::getenv("TMPDIR");
  const std::string saved = before != nullptr ? before : "";
  ::setenv("TMPDIR", "/nonexistent/folder", 1);
  WarningSpool spool(64);
  const std::string expected = AddWarnings(spool, 500);
  if (before != nullptr) {
    ::setenv("TMPDIR", saved.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
  EXPECT_TRUE(Written(spool) == expected);
}

TEST(WarningSpoolTest, MovesWithItsWarningsAndStopsWhereWritingFails) {
  WarningSpool spool(1000);
  const std::string expected = AddWarnings(spool, 400);
  WarningSpool moved(std::move(spool));
  EXPECT_EQ(moved.Count(), 400u);
  EXPECT_TRUE(Written(moved) == expected);
  WarningSpool assigned;
  assigned = std::move(moved);
  EXPECT_TRUE(Written(assigned) == expected);

  int pieces = 0;
  std::string error = "before";
  EXPECT_FALSE(assigned.WriteTo([&pieces](std::string_view) { return ++pieces < 2; }, error));
  EXPECT_EQ(pieces, 2);
  EXPECT_EQ(error, "");

  assigned.Clear();
  EXPECT_EQ(assigned.Count(), 0u);
  EXPECT_EQ(Written(assigned), "");
}

}  // namespace
