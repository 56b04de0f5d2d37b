// Arbitrary bytes as an input file: reading, the tableau test, the verdict and the final
// tableau, compared with the plain reference chase.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "application.h"
#include "chase.h"
#include "distinguishedclosure.h"
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
  auto check = [&](const Tableau& tableau, const char* what) {
    for (std::uint32_t r = 0; r < tableau.RowNo(); ++r) {
      for (std::uint32_t c = 0; c < tableau.ColNo(); ++c) {
        if (tableau(r, c) != expected.tableau[r][c]) Mismatch(what, text);
      }
    }
  };
  check(app.finalTableau(), "final tableau differs");
  // So must the chase that starts from the closure of distinguished cells, whole or cut
  // short at a budget.
  DistinguishedClosure closure(app.getDecomposition().size(), attributes.size(),
                               app.getRowColumns(), app.getResolvedDependencies());
  closure.Run(size % 2 == 0 ? static_cast<std::size_t>(-1) : size % 13, false);
  SymbolClasses classes = app.initialClasses(false, &closure);
  Chase(classes, app.getResolvedDependencies()).Run(false);
  check(classes.ToTableau(), "tableau from the closure differs");
  return 0;
}
