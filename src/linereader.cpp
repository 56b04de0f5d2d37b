#include "linereader.h"

#include <cstring>

#include "memoryguard.h"

LineReader::LineReader(std::istream& in, std::size_t blockSize)
    : in_(in), blockSize_(blockSize == 0 ? 1 : blockSize) {
  FindSize();
  // A file smaller than a block is read in one.
  if (unread_ != 0 && unread_ < blockSize_) blockSize_ = unread_ + 1;
  block_.reset(new char[blockSize_]);
}

void LineReader::FindSize() {
  // A stream that cannot seek answers -1, and stays where it was.
  std::streambuf* buffer = in_.rdbuf();
  if (buffer == nullptr) return;
  const std::streampos start = buffer->pubseekoff(0, std::ios::cur, std::ios::in);
  if (start == std::streampos(-1)) return;
  const std::streampos end = buffer->pubseekoff(0, std::ios::end, std::ios::in);
  if (buffer->pubseekpos(start, std::ios::in) != start) {
    in_.setstate(std::ios::badbit);  // it moved and cannot go back: reading would skip bytes
    return;
  }
  if (end != std::streampos(-1) && end > start) unread_ = static_cast<std::size_t>(end - start);
}

std::size_t LineReader::BytesAhead() const {
  const std::size_t given = read_ - (end_ - begin_);
  return unread_ > given ? unread_ - given : 0;
}

bool LineReader::Next(std::string_view& line, bool& endedWithLineFeed) {
  // The line before is no longer needed: a long one, a sub-schema of millions of names, does
  // not keep its room for the lines after it.
  if (spanning_.capacity() > 16 * blockSize_) std::string().swap(spanning_);
  gathered_ = false;
  bool spanning = false;
  for (;;) {
    if (begin_ == end_ && !Fill()) {
      // The input ended: what was gathered is a last line without a line feed.
      if (!spanning) return false;
      line = spanning_;
      gathered_ = true;
      endedWithLineFeed = false;
      return true;
    }
    const char* start = block_.get() + begin_;
    const std::size_t left = end_ - begin_;
    // An empty line is found without a search: some files hold millions of them.
    const auto* lineFeed =
        *start == '\n' ? start : static_cast<const char*>(std::memchr(start, '\n', left));
    if (lineFeed == nullptr) {
      if (!spanning) spanning_.clear();
      // A line longer than a block may be the rest of the file, as a sub-schema of millions
      // of names is: room for that at once, rather than copying it as it doubles.
      if (spanning_.size() >= blockSize_) ReserveFor(spanning_, left + BytesAhead());
      spanning_.append(start, left);
      spanning = true;
      begin_ = end_;
      continue;
    }
    const auto length = static_cast<std::size_t>(lineFeed - start);
    begin_ += length + 1;
    endedWithLineFeed = true;
    if (!spanning) {
      line = std::string_view(start, length);
    } else {
      spanning_.append(start, length);
      line = spanning_;
      gathered_ = true;
    }
    return true;
  }
}

std::string LineReader::TakeGathered() {
  // A short string keeps its bytes inside itself, where they would not move with it.
  if (!gathered_ || spanning_.size() < 64) return std::string();
  gathered_ = false;
  std::string taken = std::move(spanning_);
  spanning_ = std::string();
  return taken;
}

bool LineReader::Fill() {
  if (!in_.good()) return false;
  in_.read(block_.get(), static_cast<std::streamsize>(blockSize_));
  begin_ = 0;
  end_ = static_cast<std::size_t>(in_.gcount());
  read_ += end_;
  return end_ != 0;
}
