#include "pagecall.h"

#include <exception>
#include <new>
#include <sstream>

#include "application.h"
#include "implies.h"
#include "json.h"
#include "reader.h"
#include "warnings.h"

namespace {

// A tableau of more cells than this is decided but not explained: the page would draw it, and
// keep it for every step, and a pasted table of thousands of columns would stall it.
constexpr std::size_t kMostCellsExplained = 20000;

// Reads input and decides it as a run from files does, explained in format into explanation;
// returns what the run appends to the output file after the input's bytes. The warnings are
// part of the explanation, so they are not written anywhere else.
std::string Explain(const std::string& input, ExplainFormat format, std::string& explanation) {
  std::ostringstream explained;
  std::ostringstream warnings;
  std::ostringstream appended;
  Application application(&explained, format, &warnings);
  std::istringstream in(input);
  application.getInput(in, "input");
  application.result(appended);
  explanation = explained.str();
  return appended.str();
}

std::string Failure(const std::string& message) {
  return "{\"error\":" + JsonString(message) + "}";
}

// Runs answer(), and turns what the command line would report as a failure into an error.
template <typename Answer>
std::string Guarded(Answer answer) {
  try {
    return answer();
  } catch (const RunFailure& failure) {
    return Failure(failure.message);
  } catch (const std::bad_alloc&) {
    return Failure("out of memory");
  } catch (const std::exception& error) {
    return Failure(error.what());
  }
}

// The verdict alone, for a tableau too large to explain on the page.
std::string Unexplained(const std::string& input, Application& read, std::size_t cells) {
  std::ostringstream appended;
  read.result(appended);
  const bool lossless = appended.str() == read.getLineBreak() + "vesztesegmentes";
  return std::string("{\"explanation\":null,\"verdict\":") +
         (lossless ? "\"lossless\",\"verdict_word\":\"vesztesegmentes\""
                   : "\"lossy\",\"verdict_word\":\"veszteseges\"") +
         ",\"cells\":" + std::to_string(cells) +
         ",\"warnings\":" + JsonWarnings(read.getWarnings()) +
         ",\"output_file\":" + JsonString(input + appended.str()) + "}";
}

// The text without its last line break.
std::string Chomped(std::string text) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

}  // namespace

std::string PageDecide(const std::string& input) {
  return Guarded([&] {
    // Read once to size the tableau; an input small enough to explain is read again by the
    // explained run, which costs little next to the explanation itself.
    std::ostringstream ignored;
    Application plain(nullptr, ExplainFormat::kText, &ignored);
    std::istringstream in(input);
    plain.getInput(in, "input");
    const std::size_t cells = plain.getDecomposition().size() * plain.getAttributes().size();
    if (cells > kMostCellsExplained) return Unexplained(input, plain, cells);
    std::string explanation;
    const std::string appended = Explain(input, ExplainFormat::kJson, explanation);
    return "{\"explanation\":" + Chomped(explanation) +
           ",\"output_file\":" + JsonString(input + appended) + "}";
  });
}

std::string PageLatex(const std::string& input) {
  return Guarded([&] {
    std::string latex;
    Explain(input, ExplainFormat::kLatex, latex);
    return "{\"latex\":" + JsonString(latex) + "}";
  });
}

std::string PageImplies(const std::string& input, const std::string& dependency) {
  return Guarded([&] {
    std::ostringstream ignored;
    Warnings warnings(ignored, "input");
    std::istringstream in(input);
    const ParsedInput parsed = ReadInput(in, warnings, true);
    ImpliesOptions options;
    options.explain = true;
    std::ostringstream explanation;
    std::ostringstream message;
    const int status = AnswerImplications(parsed, {dependency}, options, explanation, message);
    const char* answer = status == 0 ? "\"implied\"" : status == 1 ? "\"not implied\"" : "null";
    return std::string("{\"answer\":") + answer +
           ",\"explanation\":" + JsonString(explanation.str()) +
           ",\"message\":" + JsonString(Chomped(message.str())) + "}";
  });
}
