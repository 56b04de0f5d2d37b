#include "memoryguard.h"

#include <sys/resource.h>
#if defined(__linux__)
#include <sys/mman.h>
#endif

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kSmallBlock = std::size_t{64} << 20;

// "MemAvailable" of /proc/meminfo: free memory and what the system can reclaim at once.
std::size_t SystemAvailable() {
  std::FILE* meminfo = std::fopen("/proc/meminfo", "r");
  if (meminfo == nullptr) return SIZE_MAX;
  char line[256];
  std::size_t available = SIZE_MAX;
  while (std::fgets(line, sizeof line, meminfo) != nullptr) {
    unsigned long long kib = 0;
    if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
      available = static_cast<std::size_t>(kib) * 1024;
      break;
    }
  }
  std::fclose(meminfo);
  return available;
}

std::size_t AddressSpaceLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return SIZE_MAX;
  return static_cast<std::size_t>(limit.rlim_cur);
}

}  // namespace

std::size_t AvailableMemory() {
  const std::size_t system = SystemAvailable();
  const std::size_t limit = AddressSpaceLimit();
  return system < limit ? system : limit;
}

bool HasMemoryFor(std::size_t count, std::size_t size) {
  if (size != 0 && count > SIZE_MAX / size) return false;
  const std::size_t bytes = count * size;
  return bytes < kSmallBlock || bytes <= AvailableMemory();
}

void CheckMemoryFor(std::size_t count, std::size_t size) {
  if (!HasMemoryFor(count, size)) throw std::bad_alloc();
}

void AskForHugePages([[maybe_unused]] void* block, [[maybe_unused]] std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  // Below this, a block is a few huge pages at most: not worth a system call.
  constexpr std::size_t kLargeBlock = 4 * kHugePage;
  if (size < kLargeBlock) return;
  // The whole huge pages inside the block; a failure only leaves the small pages.
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t end = (start + size) & ~(kHugePage - 1);
  if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#endif
}
