#include "fcopy.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;

using FileCopyTest = ScratchFolderTest;

std::string Bytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919) % 256);
  return bytes;
}

TEST_F(FileCopyTest, CopiesEveryByteAcrossBlockBoundaries) {
  for (std::size_t size : {0u, 1u, 15999u, 16000u, 16001u, 32000u, 50000u}) {
    std::string bytes = Bytes(size);
    Write("in", bytes);
    Write("out", std::string(size + 100, 'x'));  // longer than the copy: truncated
    EXPECT_EQ(FileCopy(Path("in").c_str(), Path("out").c_str()), 0) << size;
    EXPECT_EQ(Read("out"), bytes) << size;
  }
  std::string special("\0\r\n\xff\x80 \r", 7);
  Write("in", special);
  EXPECT_EQ(FileCopy(Path("in").c_str(), Path("out").c_str()), 0);
  EXPECT_EQ(Read("out"), special);
}

TEST_F(FileCopyTest, UnreadableSourcesLeaveTheDestinationAlone) {
  Write("out", "precious");
  fs::create_directory(Path("dir"));
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  for (const char* source : {"absent", "dir", "fifo"}) {
    EXPECT_EQ(FileCopy(Path(source).c_str(), Path("out").c_str()), -1) << source;
    EXPECT_EQ(Read("out"), "precious") << source;
  }
  EXPECT_EQ(FileCopy(Path("absent").c_str(), Path("new").c_str()), -1);
  EXPECT_FALSE(fs::exists(Path("new")));
}

TEST_F(FileCopyTest, AReadErrorIsNotTheEndOfTheSource) {
  // A regular file whose first read fails (EIO): the start of this process's address space.
  EXPECT_EQ(FileCopy("/proc/self/mem", Path("out").c_str()), -1);
}

TEST_F(FileCopyTest, AFileThatSaysItIsEmptyIsCopiedWhole) {
  // The system's own files give a size of 0, and a copy inside the system finds nothing in
  // them, or refuses them (they are on a file system of their own): what a read gives must
  // still reach the destination.
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string expected{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(FileCopy("/proc/self/cmdline", Path("out").c_str()), 0);
  EXPECT_EQ(Read("out"), expected);
}

TEST_F(FileCopyTest, FailsWhenTheDestinationCannotBeWritten) {
  Write("in", "A,B\n");
  EXPECT_EQ(FileCopy(Path("in").c_str(), Path("missing/out").c_str()), -1);
  EXPECT_EQ(FileCopy(Path("in").c_str(), Path("").c_str()), -1);  // a directory
  // Buffered bytes that cannot be flushed at close count as a failure.
  EXPECT_EQ(FileCopy(Path("in").c_str(), "/dev/full"), -1);
  Write("big", Bytes(40000));
  EXPECT_EQ(FileCopy(Path("big").c_str(), "/dev/full"), -1);
  EXPECT_EQ(Read("in"), "A,B\n");
}

TEST_F(FileCopyTest, SameFileComparesDeviceAndInode) {
  Write("in", "x");
  Write("other", "x");
  fs::create_hard_link(Path("in"), Path("hard"));
  fs::create_symlink(Path("in"), Path("soft"));
  EXPECT_TRUE(SameFile(Path("in").c_str(), Path("in").c_str()));
  EXPECT_TRUE(SameFile(Path("in").c_str(), (dir_ / "." / "in").c_str()));
  EXPECT_TRUE(SameFile(Path("in").c_str(), Path("hard").c_str()));
  EXPECT_TRUE(SameFile(Path("soft").c_str(), Path("in").c_str()));
  EXPECT_FALSE(SameFile(Path("in").c_str(), Path("other").c_str()));
  EXPECT_FALSE(SameFile(Path("in").c_str(), Path("absent").c_str()));
}

}  // namespace

namespace {

// A FIFO's writer waits until a reader opens it: the tail of a FIFO is not read, nor is the
// FIFO opened, or the writer would start and lose what it wrote when the FIFO is closed.
TEST_F(FileCopyTest, ReadFileTailLeavesAFifoUnopened) {
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  std::signal(SIGPIPE, SIG_IGN);  // a writer whose reader left fails, and does not end the test
  std::atomic<bool> opened{false};
  std::thread writer([&] {
    std::ofstream fifo(Path("fifo"), std::ios::binary);
    opened = true;
    fifo << "A,B\n";
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the writer waits in its open
  std::string tail;
  EXPECT_FALSE(ReadFileTail(Path("fifo").c_str(), 16, tail));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(opened);
  // Opened without waiting, then read in blocking mode: a writer that is gone gives nothing.
  const int reader = ::open(Path("fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_EQ(::fcntl(reader, F_SETFL, ::fcntl(reader, F_GETFL) & ~O_NONBLOCK), 0);
  std::string read;
  char buffer[64];
  for (ssize_t got; (got = ::read(reader, buffer, sizeof buffer)) > 0;)
    read.append(buffer, static_cast<std::size_t>(got));
  ::close(reader);
  writer.join();
  EXPECT_EQ(read, "A,B\n");
}

}  // namespace
