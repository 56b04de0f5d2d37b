#include "outputfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;

class OutputFileTest : public ScratchFolderTest {
 protected:
  std::size_t FilesInFolder() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }
  unsigned Mode(const std::string& path) const {
    struct stat info;
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
  }
};

TEST_F(OutputFileTest, ReplacesTheOutputOnlyOnCommit) {
  const std::string out = Path("out.txt");
  Write(out, "old");
  ::chmod(out.c_str(), 0640);
  std::string what;
  std::string reason;
  {
    OutputFile file(out.c_str());
    ASSERT_EQ(file.GetKind(), OutputFile::Kind::kReplace);
    EXPECT_NE(file.WritePath(), out);
    EXPECT_NE(file.WritePath().find("/.out.txt.lossless-join-"), std::string::npos);
    Write(file.WritePath(), "new");
    EXPECT_EQ(Read(out), "old");
    EXPECT_TRUE(file.Commit(what, reason)) << what << reason;
  }
  EXPECT_EQ(Read(out), "new");
  EXPECT_EQ(Mode(out), 0640u);
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(OutputFileTest, AnUncommittedOutputLeavesNothing) {
  const std::string out = Path("out.txt");
  Write(out, "old");
  {
    OutputFile file(out.c_str());
    Write(file.WritePath(), "half of it");
  }
  EXPECT_EQ(Read(out), "old");
  EXPECT_EQ(FilesInFolder(), 1u);
  { OutputFile file(Path("new.txt").c_str()); }
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(OutputFileTest, ANewOutputTakesTheUmask) {
  const mode_t old = ::umask(027);
  {
    OutputFile file(Path("new.txt").c_str());
    Write(file.WritePath(), "x");
    std::string what;
    std::string reason;
    EXPECT_TRUE(file.Commit(what, reason));
  }
  ::umask(old);
  EXPECT_EQ(Mode(Path("new.txt")), 0640u);
}

TEST_F(OutputFileTest, FollowsALinkToItsFile) {
  Write(Path("real.txt"), "old");
  fs::create_symlink(Path("real.txt"), Path("link.txt"));
  {
    OutputFile file(Path("link.txt").c_str());
    Write(file.WritePath(), "new");
    std::string what;
    std::string reason;
    EXPECT_TRUE(file.Commit(what, reason));
  }
  EXPECT_TRUE(fs::is_symlink(Path("link.txt")));
  EXPECT_EQ(Read(Path("real.txt")), "new");
}

TEST_F(OutputFileTest, WritesInPlaceWhatItCannotReplace) {
  EXPECT_EQ(OutputFile("-").GetKind(), OutputFile::Kind::kStandardOutput);
  EXPECT_EQ(OutputFile("/dev/null").GetKind(), OutputFile::Kind::kStream);
  const OutputFile missingFolder(Path("no/such/out.txt").c_str());
  EXPECT_EQ(missingFolder.GetKind(), OutputFile::Kind::kInPlace);
  EXPECT_EQ(missingFolder.WritePath(), Path("no/such/out.txt"));
  std::string what;
  std::string reason;
  OutputFile inPlace(Path("no/such/out.txt").c_str());
  EXPECT_TRUE(inPlace.Commit(what, reason));  // nothing to rename
}

TEST_F(OutputFileTest, NeverReplacesALinkOrAFileOfTheStandardStreams) {
  // A link that leads nowhere: written in place, through the link.
  fs::create_symlink(Path("missing.txt"), Path("dangling.txt"));
  const OutputFile dangling(Path("dangling.txt").c_str());
  EXPECT_EQ(dangling.GetKind(), OutputFile::Kind::kInPlace);
  EXPECT_EQ(dangling.WritePath(), Path("dangling.txt"));
  // The file that standard error writes to is written where it is, as standard output is
  // (standard error may be standard output's file too).
  EXPECT_TRUE(OutputFile("/dev/stderr").IsStream());
  EXPECT_EQ(OutputFile("/dev/stdout").GetKind(), OutputFile::Kind::kStandardOutput);
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST(NamesStandardOutputTest, KnowsDashAndTheFileOfStandardOutput) {
  EXPECT_TRUE(NamesStandardOutput("-"));
  EXPECT_TRUE(NamesStandardOutput("/dev/stdout"));
  EXPECT_TRUE(NamesStandardOutput("/proc/self/fd/1"));
  EXPECT_FALSE(NamesStandardOutput("/no/such/file"));
}

}  // namespace
