#pragma once

// Inputs that can be read only once: standard input ("-"), a pipe, a FIFO, a terminal. The
// tool reads its input twice, once to copy it and once to decide it; such an input is read
// whole into memory first, so that the copy and the reading use the same bytes.

#include <cstddef>
#include <streambuf>
#include <string>

// Whether name is "-", the name of standard input or standard output on the command line.
bool IsStandardStreamName(const char* name);

// Whether the input named path is read once: "-", or a file that is neither a regular file
// nor a directory. A path that cannot be looked at is not: opening it will say why.
bool IsReadOnceInput(const char* path);

// Reads the whole input named path ("-" for standard input) into bytes; false, with the
// system's reason, when it cannot be opened or read.
bool ReadWholeInput(const char* path, std::string& bytes, std::string& reason);

// A stream buffer that reads bytes held elsewhere, and can tell its size as a file can.
class MemoryStreamBuffer : public std::streambuf {
 public:
  explicit MemoryStreamBuffer(const std::string& bytes);

 protected:
  pos_type seekoff(off_type offset, std::ios_base::seekdir from,
                   std::ios_base::openmode which) override;
  pos_type seekpos(pos_type position, std::ios_base::openmode which) override;
};
