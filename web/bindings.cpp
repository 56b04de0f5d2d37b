// The page's entry points into the core, called from page.js. Each takes the input's bytes
// with their length (a text may hold any byte, NUL included) and returns a JSON document that
// stays valid until the next call.

#include <emscripten/emscripten.h>

#include <cstddef>
#include <string>

#include "pagecall.h"

namespace {

std::string lastAnswer;

const char* Answered(std::string answer) {
  lastAnswer = std::move(answer);
  return lastAnswer.c_str();
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* lj_decide(const char* input, std::size_t length) {
  return Answered(PageDecide(std::string(input, length)));
}

EMSCRIPTEN_KEEPALIVE const char* lj_latex(const char* input, std::size_t length) {
  return Answered(PageLatex(std::string(input, length)));
}

EMSCRIPTEN_KEEPALIVE const char* lj_implies(const char* input, std::size_t length,
                                            const char* dependency, std::size_t dependencyLength) {
  return Answered(
      PageImplies(std::string(input, length), std::string(dependency, dependencyLength)));
}
}
