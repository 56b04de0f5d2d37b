#include "warningspool.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "json.h"

namespace {

// A file of its own in $TMPDIR (or /tmp), removed from its folder at once: it goes when it is
// closed, or when the process ends however it ends. -1 when none can be made.
int OpenScratchFile() {
  const char* folder = std::getenv("TMPDIR");
  std::string path = folder != nullptr && *folder != '\0' ? folder : "/tmp";
  path += "/lossless-join-XXXXXX";
  const int fd = ::mkstemp(path.data());
  if (fd >= 0) ::unlink(path.c_str());
  return fd;
}

}  // namespace

WarningSpool::WarningSpool(WarningSpool&& other) noexcept { *this = std::move(other); }

WarningSpool& WarningSpool::operator=(WarningSpool&& other) noexcept {
  if (this == &other) return *this;
  Clear();
  mostInMemory_ = other.mostInMemory_;
  count_ = std::exchange(other.count_, 0);
  memory_ = std::move(other.memory_);
  other.memory_.clear();
  scratch_ = std::exchange(other.scratch_, -1);
  spilled_ = std::exchange(other.spilled_, 0);
  spillFailed_ = std::exchange(other.spillFailed_, false);
  return *this;
}

void WarningSpool::Add(std::size_t line, std::size_t column, std::string_view message) {
  if (count_++ != 0) memory_ += ',';
  memory_ += JsonWarning(line, column, message);
  if (memory_.size() >= mostInMemory_ && !spillFailed_) Spill();
}

void WarningSpool::Spill() {
  if (scratch_ < 0) scratch_ = OpenScratchFile();
  std::size_t written = 0;
  while (scratch_ >= 0 && written < memory_.size()) {
    const ssize_t n = ::write(scratch_, memory_.data() + written, memory_.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  // What was not written stays: the scratch file keeps what it took, memory the rest from then on.
  spilled_ += written;
  memory_.erase(0, written);
  if (!memory_.empty()) spillFailed_ = true;
}

bool WarningSpool::ReadBack(std::size_t at, std::string& piece, std::string& error) const {
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  piece.resize(std::min(kPiece, spilled_ - at));
  std::size_t got = 0;
  while (got < piece.size()) {
    const ssize_t n =
        ::pread(scratch_, piece.data() + got, piece.size() - got, static_cast<off_t>(at + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n == 0 ? "the scratch file of the warnings was cut short" : std::strerror(errno);
      return false;
    }
    got += static_cast<std::size_t>(n);
  }
  return true;
}

void WarningSpool::Clear() {
  if (scratch_ >= 0) ::close(scratch_);
  scratch_ = -1;
  spilled_ = 0;
  spillFailed_ = false;
  count_ = 0;
  std::string().swap(memory_);
}
