// Arbitrary bytes as an input file: reading, the tableau test, the verdict and the final
// tableau, compared with the plain reference chase.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "application.h"
#include "reference_chase.h"

namespace {

// The reference chase tries every row pair in whole passes: keep inputs small.
constexpr std::size_t kMaxInputBytes = 1024;

[[noreturn]] void Mismatch(const char* what, const std::string& input) {
  std::fprintf(stderr, "input_fuzzer: %s for an input of %zu bytes\n", what, input.size());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInputBytes) return -1;
  static std::streambuf* const silenced = std::cerr.rdbuf(nullptr);  // warnings are noise here
  (void)silenced;

  std::string text(reinterpret_cast<const char*>(data), size);
  Application app;
  std::istringstream in(text);
  app.getInput(in, "fuzz.txt");
  std::ostringstream out;
  app.result(out);

  const AttributeList& attributes = app.getAttributes();
  for (std::size_t c = 1; c < attributes.size(); ++c) {
    if (!(attributes[c - 1] < attributes[c])) Mismatch("attributes not sorted and unique", text);
  }
  const DependencySet& dependencies = app.getDependencies();
  if (dependencies.first.size() != dependencies.second.size() ||
      dependencies.first.size() != app.getDependencyLines().size()) {
    Mismatch("dependency sides of different lengths", text);
  }

  std::size_t firstLineFeed = text.find('\n');
  bool crLf =
      firstLineFeed != std::string::npos && firstLineFeed > 0 && text[firstLineFeed - 1] == '\r';
  ReferenceResult expected = ReferenceChase(app.getDecomposition(), dependencies);
  std::string verdict = expected.lossless ? "vesztesegmentes" : "veszteseges";
  if (out.str() != (crLf ? "\r\n" : "\n") + verdict) Mismatch("verdict differs", text);
  // The plain run stops at the first all-distinguished row; the whole chase must agree too.
  Tableau tableau = app.finalTableau();
  for (std::uint32_t r = 0; r < tableau.RowNo(); ++r) {
    for (std::uint32_t c = 0; c < tableau.ColNo(); ++c) {
      if (tableau(r, c) != expected.tableau[r][c]) Mismatch("final tableau differs", text);
    }
  }
  return 0;
}
