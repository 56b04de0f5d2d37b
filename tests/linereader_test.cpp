#include "linereader.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

namespace {

using Lines = std::vector<std::pair<std::string, bool>>;

Lines ReadAll(std::istream& in, std::size_t blockSize) {
  LineReader reader(in, blockSize);
  Lines lines;
  std::string_view line;
  bool endedWithLineFeed = false;
  while (reader.Next(line, endedWithLineFeed)) lines.emplace_back(line, endedWithLineFeed);
  return lines;
}

// What std::getline gives, which the reader replaces.
Lines ByGetline(const std::string& text) {
  std::istringstream in(text);
  Lines lines;
  std::string line;
  while (std::getline(in, line)) lines.emplace_back(line, !in.eof());
  return lines;
}

TEST(LineReaderTest, SplitsAsGetlineDoesAcrossEveryBlockSize) {
  // Lines shorter, as long as and longer than a block, empty lines, a last line with and
  // without a line feed, and bytes that are neither text nor a line end.
  std::mt19937 random(20261209);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const int lines = static_cast<int>(random() % 12);
    for (int i = 0; i < lines; ++i) {
      text.append(random() % 4 == 0 ? 0 : random() % 70, static_cast<char>('a' + i));
      if (random() % 5 == 0) text += '\r';
      if (random() % 9 == 0) text += '\0';
      if (i + 1 < lines || random() % 2 == 0) text += '\n';
    }
    for (std::size_t blockSize : {1u, 2u, 3u, 7u, 64u, 65u, 4096u}) {
      std::istringstream in(text);
      EXPECT_EQ(ReadAll(in, blockSize), ByGetline(text)) << "block size " << blockSize;
    }
  }
}

TEST(LineReaderTest, ALineLongerThanManyBlocksIsOneLine) {
  const std::string longLine(100000, 'x');
  std::istringstream in(longLine + "\nnext");
  EXPECT_EQ(ReadAll(in, 1000), (Lines{{longLine, true}, {"next", false}}));
}

// A line gathered from blocks is handed over with its bytes where the view of it points; a
// line read within one block is not, even after a long line that was not taken.
TEST(LineReaderTest, HandsOverALineGatheredFromBlocks) {
  const std::string first(5000, 'x');
  const std::string second(3000, 'y');
  std::istringstream in("ab\n" + first + "\ncd\n" + second + "\n");
  LineReader reader(in, 1024);
  std::string_view line;
  bool endedWithLineFeed = false;
  ASSERT_TRUE(reader.Next(line, endedWithLineFeed));
  EXPECT_TRUE(reader.TakeGathered().empty());
  ASSERT_TRUE(reader.Next(line, endedWithLineFeed));
  EXPECT_EQ(line, first);  // not taken
  ASSERT_TRUE(reader.Next(line, endedWithLineFeed));
  EXPECT_EQ(line, "cd");
  EXPECT_TRUE(reader.TakeGathered().empty());
  ASSERT_TRUE(reader.Next(line, endedWithLineFeed));
  const std::string taken = reader.TakeGathered();
  EXPECT_EQ(taken.data(), line.data());
  EXPECT_EQ(taken, second);
  EXPECT_TRUE(reader.TakeGathered().empty());  // handed over once
  EXPECT_FALSE(reader.Next(line, endedWithLineFeed));
}

TEST(LineReaderTest, TellsTheBytesItHasNotGivenOnASeekableStream) {
  std::istringstream in("skip\nab\ncd\n");
  std::string skipped;
  std::getline(in, skipped);  // counted from where the stream stood
  LineReader reader(in, 4);
  EXPECT_EQ(reader.BytesAhead(), 6u);
  std::string_view line;
  bool endedWithLineFeed = false;
  ASSERT_TRUE(reader.Next(line, endedWithLineFeed));
  EXPECT_EQ(reader.BytesAhead(), 3u);
  ASSERT_TRUE(reader.Next(line, endedWithLineFeed));
  EXPECT_EQ(reader.BytesAhead(), 0u);
  EXPECT_FALSE(reader.Next(line, endedWithLineFeed));
}

// A stream buffer that cannot seek, as a pipe's.
class PipeBuffer : public std::streambuf {
 public:
  explicit PipeBuffer(std::string text) : text_(std::move(text)) {
    setg(text_.data(), text_.data(), text_.data() + text_.size());
  }

 private:
  std::string text_;
};

TEST(LineReaderTest, AStreamThatCannotSeekIsReadWithoutASize) {
  PipeBuffer pipe("a\nb");
  std::istream in(&pipe);
  LineReader reader(in, 2);
  EXPECT_EQ(reader.BytesAhead(), 0u);
  Lines lines;
  std::string_view line;
  bool endedWithLineFeed = false;
  while (reader.Next(line, endedWithLineFeed)) lines.emplace_back(line, endedWithLineFeed);
  EXPECT_EQ(lines, (Lines{{"a", true}, {"b", false}}));
}

}  // namespace
