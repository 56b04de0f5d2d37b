#include "outputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "readonce.h"

namespace {

// The temporary file of the run, for the signal handler to remove: an interrupted run leaves
// no file behind. A fixed array, because a handler may not allocate.
char pendingTemporary[PATH_MAX] = {0};

extern "C" void RemoveTemporaryAndDie(int signal) {
  if (pendingTemporary[0] != '\0') ::unlink(pendingTemporary);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void RemoveOnSignals(const std::string& path) {
  if (path.size() >= sizeof pendingTemporary) return;
  std::memcpy(pendingTemporary, path.c_str(), path.size() + 1);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    // A signal that the caller ignores stays ignored, as nohup expects.
    if (std::signal(signal, RemoveTemporaryAndDie) == SIG_IGN) std::signal(signal, SIG_IGN);
  }
}

void ForgetOnSignals() { pendingTemporary[0] = '\0'; }

// The folder part of path, "." when it has none.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file that a path names once its symbolic links are followed: path itself when it is no
// link; empty for a link that leads nowhere yet.
std::string FollowLinks(const char* path) {
  struct stat info;
  if (::lstat(path, &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char* resolved = ::realpath(path, nullptr);
  if (resolved == nullptr) return "";
  std::string target = resolved;
  std::free(resolved);
  return target;
}

// Whether path is the file that the descriptor fd has open.
bool IsOpenAs(const char* path, int fd) {
  struct stat file;
  struct stat open;
  return ::stat(path, &file) == 0 && ::fstat(fd, &open) == 0 && file.st_dev == open.st_dev &&
         file.st_ino == open.st_ino;
}

unsigned CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// Syncs the folder that holds the renamed file, so that the rename outlives a crash. The
// output is already complete and in place: a failure here loses nothing and is not
// reported, as a rename that succeeded cannot be taken back.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

}  // namespace

bool NamesStandardOutput(const char* path) {
  return IsStandardStreamName(path) || IsOpenAs(path, STDOUT_FILENO);
}

OutputFile::OutputFile(const char* path) : target_(FollowLinks(path)), writePath_(path) {
  if (NamesStandardOutput(path)) {
    kind_ = Kind::kStandardOutput;
    return;
  }
  // A file that standard input or error has open (/dev/stderr, say) is written where it
  // is: a new file in its place would leave the descriptor on the old one, and the rename
  // would replace the link in /dev.
  if (IsOpenAs(path, STDIN_FILENO) || IsOpenAs(path, STDERR_FILENO)) {
    kind_ = Kind::kStream;
    return;
  }
  // A link that leads nowhere yet: written in place, which creates the file at its end, as it
  // always did, and keeps the link.
  if (target_.empty()) return;
  struct stat info;
  existed_ = ::stat(target_.c_str(), &info) == 0;
  if (existed_ && !S_ISREG(info.st_mode)) {
    kind_ = Kind::kStream;
    return;
  }
  // A file that may not be written is not replaced behind its back: written in place, the
  // copy fails and says why, as it always did.
  if (existed_ && ::access(target_.c_str(), W_OK) != 0) return;
  if (existed_) {
    mode_ = info.st_mode & 07777;
    owner_ = info.st_uid;
    group_ = info.st_gid;
  }
  std::string temporary = FolderOf(target_) + "/." + BaseNameOf(target_) + ".lossless-join-XXXXXX";
  std::vector<char> name(temporary.begin(), temporary.end());
  name.push_back('\0');
  fd_ = ::mkostemp(name.data(), O_CLOEXEC);
  // No folder, or one that takes no new file: written in place, where the copy says why it
  // cannot be, or where it can.
  if (fd_ < 0) return;
  kind_ = Kind::kReplace;
  writePath_ = name.data();
  RemoveOnSignals(writePath_);
}

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Discard() {
  if (kind_ != Kind::kReplace || fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  ::unlink(writePath_.c_str());
  ForgetOnSignals();
}

bool OutputFile::Commit(std::string& what, std::string& reason) {
  if (kind_ != Kind::kReplace || fd_ < 0) return true;
  const unsigned mode = existed_ ? mode_ : 0666 & ~CurrentUmask();
  // Another user's file keeps its owner when the system lets it (root); otherwise it becomes
  // the file of the user who wrote it, as an editor that saves through a new file makes it.
  if (existed_ && (owner_ != ::geteuid() || group_ != ::getegid())) {
    (void)::fchown(fd_, owner_, group_);
  }
  bool done = false;
  if (::fsync(fd_) != 0) {
    what = "cannot write the output";
  } else if (::fchmod(fd_, static_cast<mode_t>(mode)) != 0) {
    what = "cannot set the output's permissions";
  } else if (::close(std::exchange(fd_, -1)) != 0) {
    what = "cannot write the output";
  } else if (::rename(writePath_.c_str(), target_.c_str()) != 0) {
    what = "cannot replace the output";
  } else {
    done = true;
  }
  if (!done) {
    reason = std::strerror(errno);  // before the cleaning up below changes errno
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    ::unlink(writePath_.c_str());
    ForgetOnSignals();
    return false;
  }
  ForgetOnSignals();
  SyncFolder(FolderOf(target_));
  return true;
}
