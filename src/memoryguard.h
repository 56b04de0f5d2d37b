#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

// Structures that grow with the input ask here before they take a large block. On Linux an
// allocation that the machine cannot back usually succeeds, and the system kills the process
// once the pages are touched; asking first turns that into std::bad_alloc, which the tool
// reports as running out of memory.

// The memory the process may still take: what the system reports as available, or the
// address-space limit when that is lower; SIZE_MAX when neither is known.
std::size_t AvailableMemory();

// Throws std::bad_alloc when count items of size bytes would take more than AvailableMemory()
// (or overflow). Blocks under 64 MiB are never refused: looking costs a read of the system's
// figures, and so small a block is not what a kill would come from.
void CheckMemoryFor(std::size_t count, std::size_t size);
// Whether CheckMemoryFor(count, size) would pass.
bool HasMemoryFor(std::size_t count, std::size_t size);

// Asks the system to back the block of size bytes at block with huge pages where it holds
// whole ones and is large enough to be worth a system call; nothing where the system has no
// such request. A large table touched at random otherwise takes a page fault per 4 KiB, and
// on the virtual machines the tool often runs on, a fault costs microseconds.
void AskForHugePages(void* block, std::size_t size);

// Before items grows to hold more items: whether the memory for twice that many is there, as
// a vector that grows doubles.
template <typename Items>
void CheckGrowth(const Items& items, std::size_t more = 1) {
  if (items.size() + more > items.capacity())
    CheckMemoryFor(2 * (items.size() + more), sizeof(items[0]));
}

// Room for more items at once, when the memory is there: a reserved block is address space
// until it is used, and a list that grows by millions of items is then never copied. Grows
// at least twofold, so that many calls cost no more than growing one item at a time.
template <typename Items>
void ReserveFor(Items& items, std::size_t more) {
  const std::size_t needed = items.size() + more;
  if (needed <= items.capacity()) return;
  const std::size_t capacity = std::max(needed, 2 * items.capacity());
  if (HasMemoryFor(capacity, sizeof(items[0]))) items.reserve(capacity);
}
