#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <utility>

// Warnings about one input file, written as "lossless-join: FILE:LINE: message", one line
// each. After the first kLimit, the rest are only counted, and Finish says how many there
// were, the way compilers stop listing errors: a file of odd lines must not flood the screen.
class Warnings {
 public:
  static constexpr std::size_t kLimit = 50;

  Warnings(std::ostream& os, std::string fileName) : os_(os), fileName_(std::move(fileName)) {}

  void Warn(std::size_t line, const std::string& message);
  // The same with the message that makeMessage() builds, only when it is shown.
  template <typename MakeMessage>
  void Warn(std::size_t line, MakeMessage makeMessage) {
    if (count_ >= kLimit) {
      ++count_;
      return;
    }
    Warn(line, makeMessage());
  }
  // Writes one line with the number of warnings that were not shown, if there were any.
  void Finish();
  std::size_t Count() const { return count_; }

 private:
  std::ostream& os_;
  std::string fileName_;
  std::size_t count_ = 0;
};
