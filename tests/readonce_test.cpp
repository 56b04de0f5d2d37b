#include "readonce.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <istream>
#include <string>
#include <thread>

#include "linereader.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;

std::string Bytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(i % 7 == 6 ? '\n' : 'a' + i % 26);
  return bytes;
}

using ReadOnceTest = ScratchFolderTest;

TEST_F(ReadOnceTest, TellsWhatIsReadOnce) {
  std::ofstream(Path("file")) << "A\n";
  fs::create_directory(Path("dir"));
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  EXPECT_TRUE(IsReadOnceInput("-"));
  EXPECT_TRUE(IsReadOnceInput(Path("fifo").c_str()));
  EXPECT_TRUE(IsReadOnceInput("/dev/null"));
  EXPECT_FALSE(IsReadOnceInput(Path("file").c_str()));
  EXPECT_FALSE(IsReadOnceInput(Path("dir").c_str()));
  EXPECT_FALSE(IsReadOnceInput(Path("absent").c_str()));
  EXPECT_TRUE(IsStandardStreamName("-"));
  EXPECT_FALSE(IsStandardStreamName("--"));
}

// Through a FIFO, in sizes around the 64 KiB that each read takes.
TEST_F(ReadOnceTest, ReadsAWholeFifoAcrossChunkBoundaries) {
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  for (std::size_t size : {0u, 1u, 65535u, 65536u, 65537u, 200000u}) {
    const std::string written = Bytes(size);
    std::thread writer([&] { std::ofstream(Path("fifo"), std::ios::binary) << written; });
    std::string read;
    std::string reason;
    EXPECT_TRUE(ReadWholeInput(Path("fifo").c_str(), read, reason)) << reason;
    writer.join();
    EXPECT_EQ(read, written) << size;
  }
}

TEST_F(ReadOnceTest, SaysWhyItCannotRead) {
  std::string read;
  std::string reason;
  EXPECT_FALSE(ReadWholeInput(Path("absent").c_str(), read, reason));
  EXPECT_EQ(reason, "No such file or directory");
  fs::create_directory(Path("dir"));
  EXPECT_FALSE(ReadWholeInput(Path("dir").c_str(), read, reason));
  EXPECT_EQ(reason, "Is a directory");
}

// The line reader sees held bytes as it sees a file: the same lines, and their size ahead,
// in inputs around its block's length.
TEST(MemoryStreamBufferTest, ReadsLikeAFile) {
  for (std::size_t size : {0u, 1u, 7u, 65535u, 65536u, 65537u, 140000u}) {
    const std::string bytes = Bytes(size);
    MemoryStreamBuffer buffer(bytes);
    std::istream in(&buffer);
    LineReader lines(in);
    EXPECT_EQ(lines.BytesAhead(), size);
    std::string joined;
    std::string_view line;
    bool lineFeed = false;
    while (lines.Next(line, lineFeed)) {
      joined.append(line);
      if (lineFeed) joined += '\n';
    }
    EXPECT_EQ(joined, bytes) << size;
    EXPECT_FALSE(in.bad());
  }
}

TEST(MemoryStreamBufferTest, SeeksWithinItsBytesOnly) {
  const std::string bytes = "0123456789";
  MemoryStreamBuffer buffer(bytes);
  using Pos = std::streambuf::pos_type;
  EXPECT_EQ(buffer.pubseekoff(0, std::ios::end, std::ios::in), Pos(10));
  EXPECT_EQ(buffer.pubseekoff(-4, std::ios::cur, std::ios::in), Pos(6));
  EXPECT_EQ(buffer.sgetc(), '6');
  EXPECT_EQ(buffer.pubseekpos(11, std::ios::in), Pos(-1));
  EXPECT_EQ(buffer.pubseekoff(-1, std::ios::beg, std::ios::in), Pos(-1));
  EXPECT_EQ(buffer.pubseekoff(0, std::ios::beg, std::ios::out), Pos(-1));
  EXPECT_EQ(buffer.sgetc(), '6');  // a refused seek does not move
}

}  // namespace
