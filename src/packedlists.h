#pragma once

// Many short lists stored back to back in one array: a million lists of a few items cost a few
// bytes each, not an allocation each.
//
// Lists are numbered from 0 in the order they are made. A list is made either full, by
// Append, or empty with room for a given number of items, by the constructor that takes the
// rooms; the latter are filled by Add and can lose items by Filter. A list never grows past
// its room.

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include "memoryguard.h"

// A read-only view of consecutive items.
template <typename T>
class Span {
 public:
  Span(const T* begin, const T* end) : begin_(begin), end_(end) {}
  const T* begin() const { return begin_; }
  const T* end() const { return end_; }
  std::size_t size() const { return static_cast<std::size_t>(end_ - begin_); }
  bool empty() const { return begin_ == end_; }
  const T& operator[](std::size_t i) const {
    assert(i < size());
    return begin_[i];
  }
  const T& front() const { return (*this)[0]; }

 private:
  const T* begin_;
  const T* end_;
};

template <typename T>
class PackedLists {
 public:
  PackedLists() = default;
  // room.size() empty lists; list i has room for room[i] items.
  explicit PackedLists(const std::vector<std::uint32_t>& room) : ends_(room.size()) {
    starts_.reserve(room.size() + 1);
    std::size_t total = 0;
    for (std::uint32_t count : room) {
      CheckRoom(total, count);
      total += count;
      starts_.push_back(static_cast<std::uint32_t>(total));
    }
    std::copy(starts_.begin(), starts_.end() - 1, ends_.begin());
    items_.resize(total);
  }

  std::size_t size() const { return starts_.size() - 1; }
  Span<T> operator[](std::size_t i) const {
    assert(i < size());
    return {items_.data() + starts_[i], items_.data() + End(i)};
  }
  // The room of all the lists together.
  std::size_t ItemCount() const { return items_.size(); }

  // Makes a new list that holds list. Throws std::length_error past 2^32 - 1 items in all.
  void Append(const std::vector<T>& list) {
    assert(ends_.empty());  // lists made with room keep their ends apart
    CheckRoom(items_.size(), list.size());
    CheckGrowth(items_, list.size());
    items_.insert(items_.end(), list.begin(), list.end());
    starts_.push_back(static_cast<std::uint32_t>(items_.size()));
  }
  // Makes a new list item by item: Push adds each, EndList makes the list of those pushed since
  // the last list. A list of millions of items so needs no copy of its own first.
  void Push(const T& item) {
    assert(ends_.empty());
    CheckRoom(items_.size(), 1);
    CheckGrowth(items_);
    items_.push_back(item);
  }
  void EndList() { starts_.push_back(static_cast<std::uint32_t>(items_.size())); }
  // Room for more items, pushed or appended, at once.
  void ReserveItems(std::size_t more) { ReserveFor(items_, more); }

  // Adds item at the end of list i. REQUIRES: list i was made with room for one more.
  void Add(std::size_t i, const T& item) {
    assert(!ends_.empty() && ends_[i] < starts_[i + 1]);
    items_[ends_[i]++] = item;
  }
  // Calls keep(item) for every item of list i, and removes those it returns false for: the
  // list's last item takes a removed one's place, and is looked at next. REQUIRES: list i was
  // made with room, and keep does not change the lists.
  template <typename Keep>
  void Filter(std::size_t i, Keep keep) {
    assert(!ends_.empty());
    for (std::uint32_t at = starts_[i]; at < ends_[i];) {
      if (keep(items_[at])) {
        ++at;
      } else {
        items_[at] = items_[--ends_[i]];
      }
    }
  }
  // Room for lists made by Append that hold items in all.
  void Reserve(std::size_t lists, std::size_t items) {
    CheckMemoryFor(lists + 1, sizeof(std::uint32_t));
    CheckMemoryFor(items, sizeof(T));
    starts_.reserve(lists + 1);
    items_.reserve(items);
  }

 private:
  std::uint32_t End(std::size_t i) const { return ends_.empty() ? starts_[i + 1] : ends_[i]; }
  // Refuses count more items after total: positions are 32 bits. Lists hold the columns that
  // the input names, so only an input of more than 2^32 names comes near.
  static void CheckRoom(std::size_t total, std::size_t count) {
    if (count > std::numeric_limits<std::uint32_t>::max() - total) {
      throw std::length_error("too many attribute names in the input");
    }
  }

  std::vector<T> items_;
  std::vector<std::uint32_t> starts_ = {0};  // list i's items begin at starts_[i]
  // Only for lists made with room: where each list's items end now.
  std::vector<std::uint32_t> ends_;
};
