#pragma once

#include <cstddef>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

// The lines of a stream, read a large block at a time: a line is a view into the block, or
// into a copy of its pieces when it spans two blocks, and costs no call to the stream. A
// file of ten million short lines is read at the speed of scanning its bytes.
class LineReader {
 public:
  // Small enough to stay in the cache and in the heap's reused memory, large enough that a
  // read costs little per byte.
  static constexpr std::size_t kBlockSize = std::size_t{1} << 16;

  explicit LineReader(std::istream& in, std::size_t blockSize = kBlockSize);

  // The next line, without its line feed, and whether a line feed ended it (the last line
  // of a file may lack one). False at the end of the input, or when reading failed: the
  // stream's state says which. The view holds until the next call.
  bool Next(std::string_view& line, bool& endedWithLineFeed);
  // The string that the last line was gathered in, when it spanned blocks, handed over: the
  // view of the line then stays valid for as long as the caller keeps the string. Empty when
  // the line lay in one block (or was too short for its bytes to move with the string).
  std::string TakeGathered();
  // How many bytes the lines not yet given hold, when the stream can tell its size (a file
  // can, a pipe cannot); 0 when it cannot.
  std::size_t BytesAhead() const;

 private:
  // Sets unread_ when the stream can tell its size.
  void FindSize();
  // Reads the next block; false when the stream gives nothing more.
  bool Fill();

  std::istream& in_;
  // Not zeroed: a small file touches only the pages that it fills.
  std::unique_ptr<char[]> block_;
  std::size_t blockSize_;
  std::size_t begin_ = 0;  // the unread part of the block
  std::size_t end_ = 0;
  std::string spanning_;    // a line that began in an earlier block
  bool gathered_ = false;   // the last line given is spanning_
  std::size_t unread_ = 0;  // what the stream held past its position at the start
  std::size_t read_ = 0;    // what the blocks took from it since
};
