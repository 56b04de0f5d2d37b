#include "fcopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr std::size_t kBufferSize = 16000;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// The system's reason for errno's value, as strerror gives it.
std::string Reason(int error) { return std::strerror(error); }

// Opens path for reading when it is a regular file. The open does not block, so a FIFO
// without a writer is refused instead of waiting forever. On failure, says why in reason.
int OpenRegularFile(const char* path, std::string& reason) {
  int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    reason = Reason(errno);
    return -1;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    reason = Reason(errno);
  } else if (S_ISDIR(info.st_mode)) {
    reason = Reason(EISDIR);
  } else if (!S_ISREG(info.st_mode)) {
    reason = "not a regular file (the input is read twice)";
  } else {
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) return fd;
    reason = Reason(errno);
  }
  ::close(fd);
  return -1;
}

FileHandle OpenRegularFileForReading(const char* path, std::string& reason) {
  int fd = OpenRegularFile(path, reason);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) {
    reason = Reason(errno);
    ::close(fd);
  }
  return FileHandle(file);
}

// Copies the source into the destination inside the system, from and to the descriptors'
// positions, which it moves on: the bytes never pass through this process, which takes a
// third of the time of the blocks below on a large input. Stops at the first call that
// copies nothing or fails, for whatever reason (an older system, a device, a file system
// that cannot, a full disk): the blocks then copy what is left, and tell which side failed
// if one does. A call that copies nothing is not taken for the end either: a file of the
// system's own (/proc) says it is empty and is not.
void CopyInsideTheSystem(std::FILE* from, std::FILE* to) {
#if defined(__linux__) && !defined(__EMSCRIPTEN__)
  constexpr std::size_t kLargestRange = std::size_t{1} << 30;
  const int source = ::fileno(from);
  const int destination = ::fileno(to);
  while (::copy_file_range(source, nullptr, destination, nullptr, kLargestRange, 0) > 0) {
  }
#else
  (void)from;
  (void)to;
#endif
}

// Copies blocks until the end of the source; false on a read error or a short write, with
// the side and the reason in failure.
bool CopyBlocks(std::FILE* from, std::FILE* to, CopyFailure& failure) {
  std::unique_ptr<char[]> buffer(new char[kBufferSize]);
  for (;;) {
    std::size_t count = std::fread(buffer.get(), 1, kBufferSize, from);
    if (count != 0 && std::fwrite(buffer.get(), 1, count, to) != count) {
      failure = {false, Reason(errno)};
      return false;
    }
    if (count < kBufferSize) {
      if (std::ferror(from) == 0) return true;
      failure = {true, Reason(errno)};
      return false;
    }
  }
}

}  // namespace

int StreamCopy(const char* source, std::ostream& destination, CopyFailure* failure) {
  CopyFailure why;
  bool copied = false;
  if (FileHandle from = OpenRegularFileForReading(source, why.reason)) {
    std::unique_ptr<char[]> buffer(new char[kBufferSize]);
    for (;;) {
      std::size_t count = std::fread(buffer.get(), 1, kBufferSize, from.get());
      if (count != 0 && !destination.write(buffer.get(), static_cast<std::streamsize>(count))) {
        why = {false, Reason(errno)};
        break;
      }
      if (count < kBufferSize) {
        if (std::ferror(from.get()) != 0) {
          why = {true, Reason(errno)};
        } else if (!destination.flush()) {
          why = {false, Reason(errno)};
        } else {
          copied = true;
        }
        break;
      }
    }
  }
  if (!copied && failure != nullptr) *failure = why;
  return copied ? 0 : -1;
}

int FileCopy(const char* source, const char* destination, CopyFailure* failure) {
  CopyFailure why;
  int result = -1;
  if (FileHandle from = OpenRegularFileForReading(source, why.reason)) {
    if (std::FILE* to = std::fopen(destination, "wb")) {
      CopyInsideTheSystem(from.get(), to);  // before the streams buffer anything
      bool copied = CopyBlocks(from.get(), to, why);
      // Closing flushes the last buffered block: a failure there is lost data too.
      bool closed = std::fclose(to) == 0;
      if (copied && !closed) why = {false, Reason(errno)};
      result = copied && closed ? 0 : -1;
    } else {
      why = {false, Reason(errno)};
    }
  }
  if (result != 0 && failure != nullptr) *failure = why;
  return result;
}

bool SameFile(const char* first, const char* second) {
  struct stat a;
  struct stat b;
  if (::stat(first, &a) != 0 || ::stat(second, &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool ReadFileTail(const char* path, std::size_t size, std::string& tail) {
  // Looked at before it is opened: opening a FIFO, even to close it at once, would let its
  // writer start and lose what it wrote.
  struct stat before;
  if (::stat(path, &before) != 0 || !S_ISREG(before.st_mode)) return false;
  std::string reason;
  int fd = OpenRegularFile(path, reason);
  if (fd < 0) return false;
  struct stat info;
  bool read = false;
  if (::fstat(fd, &info) == 0) {
    auto length = static_cast<std::size_t>(info.st_size);
    std::size_t start = length > size ? length - size : 0;
    tail.assign(length - start, '\0');
    ssize_t got = ::pread(fd, &tail[0], tail.size(), static_cast<off_t>(start));
    read = got == static_cast<ssize_t>(tail.size());
  }
  ::close(fd);
  return read;
}
