#include "fcopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

namespace {

constexpr std::size_t kBufferSize = 16000;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens path for reading when it is a regular file. The open does not block, so a FIFO
// without a writer is refused instead of waiting forever.
FileHandle OpenRegularFileForReading(const char* path) {
  int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) ::close(fd);
  return FileHandle(file);
}

// Copies blocks until the end of the source; false on a read error or a short write.
bool CopyBlocks(std::FILE* from, std::FILE* to) {
  std::unique_ptr<char[]> buffer(new char[kBufferSize]);
  for (;;) {
    std::size_t count = std::fread(buffer.get(), 1, kBufferSize, from);
    if (count != 0 && std::fwrite(buffer.get(), 1, count, to) != count) return false;
    if (count < kBufferSize) return std::ferror(from) == 0;
  }
}

}  // namespace

int FileCopy(const char* source, const char* destination) {
  FileHandle from = OpenRegularFileForReading(source);
  if (!from) return -1;
  std::FILE* to = std::fopen(destination, "wb");
  if (to == nullptr) return -1;

  bool copied = CopyBlocks(from.get(), to);
  // Closing flushes the last buffered block: a failure there is lost data too.
  bool closed = std::fclose(to) == 0;
  return copied && closed ? 0 : -1;
}

bool SameFile(const char* first, const char* second) {
  struct stat a;
  struct stat b;
  if (::stat(first, &a) != 0 || ::stat(second, &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
