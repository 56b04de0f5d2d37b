// The tool's allocation: malloc, and for a large block, transparent huge pages asked for.
//
// The chase's tables and a large input's names are touched at random, and megabytes of them
// at once. With 4 KiB pages each first touch is a page fault, and on the virtual machines the
// tool often runs on a fault costs microseconds: a quarter of the run on a sub-schema of
// millions of names. Where the system hands out huge pages only when asked (the usual setting,
// "madvise"), a large block asks for them before it is first touched.

#include <cstddef>
#include <cstdlib>
#include <new>

#include "memoryguard.h"

namespace {

void* Allocate(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  AskForHugePages(block, size);
  return block;
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
