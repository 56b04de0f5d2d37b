// Arbitrary bytes as an input file: reading, the decision in each of its forms and the verdict
// that Application writes, compared with the plain reference chase.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "chase_check.h"

namespace {

// The reference chase tries every row pair in whole passes: keep inputs small.
constexpr std::size_t kMaxInputBytes = 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInputBytes) return -1;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const CheckResult result = CheckAgainstReference(text);
  if (!result.error.empty()) {
    std::fprintf(stderr, "input_fuzzer: %s for an input of %zu bytes\n", result.error.c_str(),
                 size);
    std::abort();
  }
  return 0;
}
