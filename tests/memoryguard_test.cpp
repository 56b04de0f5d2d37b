#include "memoryguard.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdlib>
#include <new>

#include "probingtable.h"

namespace {

constexpr std::size_t kGiB = std::size_t{1} << 30;

// In a child process with at most 1 GiB of address space: growth past it is refused before
// any of it is taken, as what would be past the machine's memory is. The address sanitizer
// reserves far more address space than that for itself, so there the limit cannot be set.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSpaceLimitable = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSpaceLimitable = false;
#else
constexpr bool kAddressSpaceLimitable = true;
#endif
#else
constexpr bool kAddressSpaceLimitable = true;
#endif

void LimitAddressSpace() {
  rlimit limit{kGiB, kGiB};
  if (setrlimit(RLIMIT_AS, &limit) != 0) std::exit(2);
}

TEST(MemoryGuardTest, RefusesBlocksPastWhatTheProcessMayTake) {
  EXPECT_THROW(CheckMemoryFor(SIZE_MAX / 2, 4), std::bad_alloc);  // the size overflows
  EXPECT_NO_THROW(CheckMemoryFor(1 << 20, 16));
  if (!kAddressSpaceLimitable) GTEST_SKIP() << "no address-space limit under the sanitizer";
  EXPECT_EXIT(
      {
        LimitAddressSpace();
        EXPECT_LE(AvailableMemory(), kGiB);
        try {
          CheckMemoryFor(kGiB / 8, 16);
        } catch (const std::bad_alloc&) {
          std::exit(0);
        }
        std::exit(1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(MemoryGuardTest, AHashTableThatWouldOutgrowTheMemoryThrows) {
  if (!kAddressSpaceLimitable) GTEST_SKIP() << "no address-space limit under the sanitizer";
  EXPECT_EXIT(
      {
        LimitAddressSpace();
        ProbingTable<std::uint64_t> table(0);
        try {
          table.Clear(kGiB / 8);  // 3 GiB of slots at least
        } catch (const std::bad_alloc&) {
          std::exit(0);
        }
        std::exit(1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
