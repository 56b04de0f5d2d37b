#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "memoryguard.h"

// An array that grows at its end a chunk of 2^12 items at a time: items never move, growing
// never copies them, and an index costs a shift and a mask. For records that number in the
// millions, where a vector's doubling would hold the old copy and the new one at once.
template <typename T>
class ChunkedArray {
 public:
  std::size_t size() const { return size_; }
  T& operator[](std::size_t i) { return chunks_[i >> kShift][i & kMask]; }
  const T& operator[](std::size_t i) const { return chunks_[i >> kShift][i & kMask]; }
  void push_back(const T& item) {
    if ((size_ & kMask) == 0) {
      CheckMemoryForGrowth(size_, sizeof(T));
      chunks_.push_back(std::make_unique<T[]>(kChunk));
    }
    chunks_.back()[size_ & kMask] = item;
    ++size_;
  }

 private:
  static constexpr std::size_t kShift = 12;
  static constexpr std::size_t kChunk = std::size_t{1} << kShift;
  static constexpr std::size_t kMask = kChunk - 1;

  std::vector<std::unique_ptr<T[]>> chunks_;
  std::size_t size_ = 0;
};
