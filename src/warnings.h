#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

// One warning about an input file: where it points (line and byte column, both from 1) and
// what it says.
struct Warning {
  std::size_t line = 0;
  std::size_t column = 0;
  std::string message;
};

// Warnings about one input file, written as compilers write them,
// "FILE:LINE:COLUMN: warning: message", one line each, so that editors jump to them. After
// the first kLimit, the rest are only counted, and Finish says how many there were: a file of
// odd lines must not flood the screen. Collected or given on instead, none is capped.
class Warnings {
 public:
  static constexpr std::size_t kLimit = 50;

  // Writes the warnings to os, and keeps every one in alsoKept when it is given.
  Warnings(std::ostream& os, std::string fileName, std::vector<Warning>* alsoKept = nullptr)
      : os_(&os), collected_(alsoKept), fileName_(std::move(fileName)) {}
  // Keeps every warning in collected, and writes none.
  explicit Warnings(std::vector<Warning>& collected) : collected_(&collected) {}
  // Gives every warning to give, and writes none.
  using Give = std::function<void(std::size_t line, std::size_t column, const std::string&)>;
  explicit Warnings(Give give) : give_(std::move(give)) {}

  void Warn(std::size_t line, std::size_t column, const std::string& message);
  // The same with the message that makeMessage() builds, only when it is shown or kept.
  template <typename MakeMessage>
  void Warn(std::size_t line, std::size_t column, MakeMessage makeMessage) {
    if (collected_ == nullptr && !give_ && count_ >= kLimit) {  // neither shown nor kept
      ++count_;
      return;
    }
    Warn(line, column, makeMessage());
  }
  // Writes one line with the number of warnings that were not shown, if there were any.
  void Finish();
  std::size_t Count() const { return count_; }

 private:
  std::ostream* os_ = nullptr;
  std::vector<Warning>* collected_ = nullptr;
  Give give_;
  std::string fileName_;
  std::size_t count_ = 0;
};
