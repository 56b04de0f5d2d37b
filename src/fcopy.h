#pragma once

#include <cstddef>
#include <ostream>
#include <string>

// Why a copy failed: on which side, and the system's reason.
struct CopyFailure {
  bool reading = true;  // reading the source; otherwise writing the destination
  std::string reason;
};

// Copies the file source to the file destination, byte for byte: inside the system where it
// can (copy_file_range), and through a 16000-byte buffer for what it could not. The source is
// opened first and must be a regular file (a directory or a FIFO is refused: the tool reads its
// input twice); only then is the destination created or truncated, so a source that cannot be read
// never empties an existing destination. Returns 0 when the whole source reached the destination,
// -1 when an open, a read, a write or the closing of the destination failed, and then says why in
// *failure when it is not null. Prints nothing.
int FileCopy(const char* source, const char* destination, CopyFailure* failure = nullptr);

// The same copy into a stream that is already open (standard output, a FIFO), which is
// flushed at the end; the stream is not closed.
int StreamCopy(const char* source, std::ostream& destination, CopyFailure* failure = nullptr);

// True when both paths exist and name one file (the same device and inode), whether
// through the same path, a hard link or a symbolic link.
bool SameFile(const char* first, const char* second);

// The last size bytes of the regular file at path (all of it when it is shorter), or false
// when it cannot be read; reads nothing else of the file.
bool ReadFileTail(const char* path, std::size_t size, std::string& tail);
