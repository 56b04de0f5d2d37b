#include "readonce.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool IsStandardStreamName(const char* name) { return std::strcmp(name, "-") == 0; }

bool IsReadOnceInput(const char* path) {
  if (IsStandardStreamName(path)) return true;
  struct stat info;
  if (::stat(path, &info) != 0) return false;
  return !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

namespace {

// Appends what the descriptor gives until its end; false on a read error, errno set.
bool ReadToEnd(int fd, std::string& bytes) {
  constexpr std::size_t kChunk = std::size_t{1} << 16;
  for (;;) {
    const std::size_t had = bytes.size();
    bytes.resize(had + kChunk);
    const ssize_t got = ::read(fd, &bytes[had], kChunk);
    if (got < 0 && errno == EINTR) {
      bytes.resize(had);
      continue;
    }
    bytes.resize(had + (got > 0 ? static_cast<std::size_t>(got) : 0));
    if (got <= 0) return got == 0;
  }
}

}  // namespace

bool ReadWholeInput(const char* path, std::string& bytes, std::string& reason) {
  bytes.clear();
  if (IsStandardStreamName(path)) {
    if (ReadToEnd(STDIN_FILENO, bytes)) return true;
    reason = std::strerror(errno);
    return false;
  }
  // Opened the way cat opens it: a FIFO waits here for its writer.
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    reason = std::strerror(errno);
    return false;
  }
  const bool read = ReadToEnd(fd, bytes);
  const int error = errno;
  ::close(fd);  // read only: nothing is lost when the close fails
  if (!read) reason = std::strerror(error);
  return read;
}

MemoryStreamBuffer::MemoryStreamBuffer(const std::string& bytes) {
  // The buffer only reads: the const is cast away because streambuf takes plain pointers.
  char* begin = const_cast<char*>(bytes.data());
  setg(begin, begin, begin + bytes.size());
}

MemoryStreamBuffer::pos_type MemoryStreamBuffer::seekoff(off_type offset,
                                                         std::ios_base::seekdir from,
                                                         std::ios_base::openmode which) {
  if ((which & std::ios_base::in) == 0) return pos_type(off_type(-1));
  off_type base = 0;
  if (from == std::ios_base::cur) base = gptr() - eback();
  if (from == std::ios_base::end) base = egptr() - eback();
  return seekpos(pos_type(base + offset), which);
}

MemoryStreamBuffer::pos_type MemoryStreamBuffer::seekpos(pos_type position,
                                                         std::ios_base::openmode which) {
  const off_type at = off_type(position);
  if ((which & std::ios_base::in) == 0 || at < 0 || at > egptr() - eback()) {
    return pos_type(off_type(-1));
  }
  setg(eback(), eback() + at, egptr());
  return position;
}
