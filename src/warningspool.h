#pragma once

// The warnings of one checked file as the members of a JSON array, kept until the file is
// decided: its verdict comes first in the object. A file of millions of odd names gives
// hundreds of megabytes of them, more than the file and the chase take. So past a few
// megabytes they go to a scratch file that no other process sees, and only what is being
// added stays in memory. Where no scratch file can be made or written, they stay in memory:
// no warning is lost.

#include <cstddef>
#include <string>
#include <string_view>

class WarningSpool {
 public:
  // Past this many bytes in memory, they go to the scratch file. Tests give fewer.
  explicit WarningSpool(std::size_t mostInMemory = std::size_t{4} << 20)
      : mostInMemory_(mostInMemory) {}
  WarningSpool(WarningSpool&& other) noexcept;
  WarningSpool& operator=(WarningSpool&& other) noexcept;
  WarningSpool(const WarningSpool&) = delete;
  WarningSpool& operator=(const WarningSpool&) = delete;
  ~WarningSpool() { Clear(); }

  // Adds a warning as a JSON object with "line", "column" and "message".
  void Add(std::size_t line, std::size_t column, std::string_view message);
  std::size_t Count() const { return count_; }

  // Gives write the objects added, in order, with commas between them, in pieces. Stops at the
  // first piece that write refuses, or when the scratch file cannot be read back, and then
  // returns false, with why in error for the scratch file (empty when write refused).
  template <typename Write>
  bool WriteTo(Write write, std::string& error) const;
  // Drops every warning.
  void Clear();

 private:
  // Reads back the bytes written to the scratch file, a piece at a time, into piece.
  bool ReadBack(std::size_t at, std::string& piece, std::string& error) const;
  // Moves what memory holds to the scratch file, as much as it takes.
  void Spill();

  std::size_t mostInMemory_;
  std::size_t count_ = 0;
  std::string memory_;        // the bytes after those in the scratch file
  int scratch_ = -1;          // the scratch file, once made
  std::size_t spilled_ = 0;   // the bytes it holds
  bool spillFailed_ = false;  // a scratch file could not be made or written: memory holds the rest
};

template <typename Write>
bool WarningSpool::WriteTo(Write write, std::string& error) const {
  error.clear();
  std::string piece;
  for (std::size_t at = 0; at < spilled_; at += piece.size()) {
    if (!ReadBack(at, piece, error) || !write(std::string_view(piece))) return false;
  }
  return memory_.empty() || write(std::string_view(memory_));
}
