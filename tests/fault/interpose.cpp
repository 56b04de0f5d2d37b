// An LD_PRELOAD library that makes one I/O call of the tool fail, to test every path that a
// failed open, read, write, close, stat, or step of replacing the output (the temporary
// file, its sync, its permissions, the rename) takes. Only calls made after main starts count.
//
//   LJ_FAULT_TRACE=FILE   appends one line per call to FILE: "name ordinal what", where
//                         ordinal counts the calls of that name from 1 and what is the path,
//                         the descriptor (fd=N) or the stream (stdin, stdout, stderr, file)
//   LJ_FAULT_CALL=name    with LJ_FAULT_NTH=N, makes the N-th call of that name fail with
//   LJ_FAULT_ERRNO=E      errno E (a number; EIO by default), as the real call would fail
//   LJ_FAULT_NO_COPY_RANGE=1  makes every copy_file_range fail as a system without it would
//                         (ENOSYS), so that the copy goes through read and write
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool armed = false;  // set when main starts
int traceFd = -1;
const char* failCall = nullptr;
long failNth = 0;
int failErrno = EIO;
bool noCopyRange = false;
thread_local bool inside = false;  // a traced call made by the tracing itself

struct Counter {
  const char* name;
  long calls;
};
Counter counters[32];
int counterCount = 0;

long NextOrdinal(const char* name) {
  for (int i = 0; i < counterCount; ++i) {
    if (std::strcmp(counters[i].name, name) == 0) return ++counters[i].calls;
  }
  if (counterCount == 32) return 0;
  counters[counterCount] = {name, 1};
  return counters[counterCount++].calls;
}

// Writes straight to the descriptor, past every wrapper here.
void RawWrite(int fd, const char* text, std::size_t size) {
  while (size > 0) {
    long written = syscall(SYS_write, fd, text, size);
    if (written <= 0) return;
    text += written;
    size -= static_cast<std::size_t>(written);
  }
}

const char* StreamName(FILE* stream) {
  if (stream == stdin) return "stdin";
  if (stream == stdout) return "stdout";
  if (stream == stderr) return "stderr";
  return "file";
}

// Counts a call and says whether it is the one to fail; then errno is set.
bool ShouldFail(const char* name, const char* what) {
  if (!armed || inside) return false;
  inside = true;
  long ordinal = NextOrdinal(name);
  if (traceFd >= 0) {
    char line[512];
    int length = std::snprintf(line, sizeof line, "%s %ld %s\n", name, ordinal, what);
    if (length > 0) RawWrite(traceFd, line, std::min<std::size_t>(sizeof line - 1, length));
  }
  inside = false;
  if (failCall == nullptr || std::strcmp(failCall, name) != 0 || ordinal != failNth) return false;
  errno = failErrno;
  return true;
}

bool ShouldFailFd(const char* name, int fd) {
  char what[32];
  std::snprintf(what, sizeof what, "fd=%d", fd);
  return ShouldFail(name, what);
}

// glibc's error indicator of a stream, which ferror reads: a failed stdio call sets it.
void MarkError(FILE* stream) { stream->_flags |= 0x0020; }

template <typename F>
F Real(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

using Main = int (*)(int, char**, char**);
Main realMain = nullptr;

int ArmedMain(int argc, char** argv, char** envp) {
  if (const char* path = std::getenv("LJ_FAULT_TRACE")) {
    traceFd =
        static_cast<int>(syscall(SYS_open, path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  }
  failCall = std::getenv("LJ_FAULT_CALL");
  if (const char* nth = std::getenv("LJ_FAULT_NTH")) failNth = std::atol(nth);
  if (const char* code = std::getenv("LJ_FAULT_ERRNO")) failErrno = std::atoi(code);
  noCopyRange = std::getenv("LJ_FAULT_NO_COPY_RANGE") != nullptr;
  armed = true;
  return realMain(argc, argv, envp);
}

// One character to a stream through the real function of that name, or a failure like its.
int PutCharacter(const char* realName, int c, FILE* stream) {
  if (ShouldFail("putc", StreamName(stream))) {
    MarkError(stream);
    return EOF;
  }
  return Real<int (*)(int, FILE*)>(realName)(c, stream);
}

mode_t ModeArgument(int flags, va_list& arguments) {
  return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

}  // namespace

extern "C" {

int __libc_start_main(Main main, int argc, char** argv, void (*init)(), void (*fini)(),
                      void (*rtldFini)(), void* stackEnd) {
  realMain = main;
  using Start = int (*)(Main, int, char**, void (*)(), void (*)(), void (*)(), void*);
  return Real<Start>("__libc_start_main")(ArmedMain, argc, argv, init, fini, rtldFini, stackEnd);
}

int open(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (ShouldFail("open", path)) return -1;
  return Real<int (*)(const char*, int, ...)>("open")(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (ShouldFail("open", path)) return -1;
  return Real<int (*)(const char*, int, ...)>("open64")(path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (ShouldFail("open", path)) return -1;
  return Real<int (*)(int, const char*, int, ...)>("openat")(dir, path, flags, mode);
}

FILE* fopen(const char* path, const char* mode) {
  if (ShouldFail("fopen", path)) return nullptr;
  return Real<FILE* (*)(const char*, const char*)>("fopen")(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
  if (ShouldFail("fopen", path)) return nullptr;
  return Real<FILE* (*)(const char*, const char*)>("fopen64")(path, mode);
}

FILE* fdopen(int fd, const char* mode) {
  if (ShouldFailFd("fdopen", fd)) return nullptr;
  return Real<FILE* (*)(int, const char*)>("fdopen")(fd, mode);
}

ssize_t read(int fd, void* buffer, size_t size) {
  if (ShouldFailFd("read", fd)) return -1;
  return Real<ssize_t (*)(int, void*, size_t)>("read")(fd, buffer, size);
}

ssize_t write(int fd, const void* buffer, size_t size) {
  if (ShouldFailFd("write", fd)) return -1;
  return Real<ssize_t (*)(int, const void*, size_t)>("write")(fd, buffer, size);
}

ssize_t writev(int fd, const struct iovec* parts, int count) {
  if (ShouldFailFd("writev", fd)) return -1;
  return Real<ssize_t (*)(int, const struct iovec*, int)>("writev")(fd, parts, count);
}

ssize_t copy_file_range(int from, off64_t* fromOffset, int to, off64_t* toOffset, size_t size,
                        unsigned flags) {
  if (armed && noCopyRange) {
    errno = ENOSYS;
    return -1;
  }
  if (ShouldFailFd("copy_file_range", to)) return -1;
  using CopyRange = ssize_t (*)(int, off64_t*, int, off64_t*, size_t, unsigned);
  return Real<CopyRange>("copy_file_range")(from, fromOffset, to, toOffset, size, flags);
}

int close(int fd) {
  if (ShouldFailFd("close", fd)) {
    Real<int (*)(int)>("close")(fd);  // a failed close still releases the descriptor
    errno = failErrno;
    return -1;
  }
  return Real<int (*)(int)>("close")(fd);
}

int mkostemp(char* pattern, int flags) {
  if (ShouldFail("mkostemp", pattern)) return -1;
  return Real<int (*)(char*, int)>("mkostemp")(pattern, flags);
}

int mkostemp64(char* pattern, int flags) {
  if (ShouldFail("mkostemp", pattern)) return -1;
  return Real<int (*)(char*, int)>("mkostemp64")(pattern, flags);
}

int fsync(int fd) {
  if (ShouldFailFd("fsync", fd)) return -1;
  return Real<int (*)(int)>("fsync")(fd);
}

int fchmod(int fd, mode_t mode) {
  if (ShouldFailFd("fchmod", fd)) return -1;
  return Real<int (*)(int, mode_t)>("fchmod")(fd, mode);
}

int rename(const char* from, const char* to) {
  if (ShouldFail("rename", to)) return -1;
  return Real<int (*)(const char*, const char*)>("rename")(from, to);
}

int fstat(int fd, struct stat* info) {
  if (ShouldFailFd("fstat", fd)) return -1;
  return Real<int (*)(int, struct stat*)>("fstat")(fd, info);
}

int fstat64(int fd, struct stat64* info) {
  if (ShouldFailFd("fstat", fd)) return -1;
  return Real<int (*)(int, struct stat64*)>("fstat64")(fd, info);
}

int stat(const char* path, struct stat* info) {
  if (ShouldFail("stat", path)) return -1;
  return Real<int (*)(const char*, struct stat*)>("stat")(path, info);
}

int stat64(const char* path, struct stat64* info) {
  if (ShouldFail("stat", path)) return -1;
  return Real<int (*)(const char*, struct stat64*)>("stat64")(path, info);
}

size_t fread(void* buffer, size_t size, size_t count, FILE* stream) {
  if (ShouldFail("fread", StreamName(stream))) {
    MarkError(stream);
    return 0;
  }
  return Real<size_t (*)(void*, size_t, size_t, FILE*)>("fread")(buffer, size, count, stream);
}

size_t fwrite(const void* buffer, size_t size, size_t count, FILE* stream) {
  if (ShouldFail("fwrite", StreamName(stream))) {
    MarkError(stream);
    return 0;
  }
  return Real<size_t (*)(const void*, size_t, size_t, FILE*)>("fwrite")(buffer, size, count,
                                                                        stream);
}

int fputc(int c, FILE* stream) { return PutCharacter("fputc", c, stream); }
int putc(int c, FILE* stream) { return PutCharacter("putc", c, stream); }
int _IO_putc(int c, FILE* stream) { return PutCharacter("_IO_putc", c, stream); }

int fflush(FILE* stream) {
  // A flush with nothing buffered writes nothing, and cannot fail.
  bool writes = stream != nullptr && stream->_IO_write_ptr > stream->_IO_write_base;
  if (writes && ShouldFail("fflush", StreamName(stream))) {
    MarkError(stream);
    return EOF;
  }
  return Real<int (*)(FILE*)>("fflush")(stream);
}

int fclose(FILE* stream) {
  if (ShouldFail("fclose", StreamName(stream))) {
    Real<int (*)(FILE*)>("fclose")(stream);  // a failed fclose still releases the stream
    errno = failErrno;
    return EOF;
  }
  return Real<int (*)(FILE*)>("fclose")(stream);
}

}  // extern "C"
