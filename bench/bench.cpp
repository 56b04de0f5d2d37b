// Times the built tool on generated inputs of each shape and prints the figures: wall time,
// peak memory against the size of the tableau and of the input, how time grows when each
// dimension doubles, and (with --reference) the time of the plain reference chase.
// It asserts nothing.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "generate.h"
#include "implication.h"
#include "preservation.h"
#include "reader.h"
#include "reference_chase.h"
#include "warnings.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Case {
  Shape shape;
  std::string (*generate)(const Shape&);
  // With multivalued or join dependencies, which the reference chase does not know.
  bool general = false;
};

struct Measure {
  double seconds = 0;  // median of the runs
  long peakKiB = 0;    // largest resident set of the runs
  bool ok = true;
};

constexpr std::uint64_t kSeed = 20261208;

std::string Discovered(const Shape& shape) { return GenerateDiscovered(shape, kSeed); }
std::string Random(const Shape& shape) { return GenerateRandom(shape, kSeed); }
std::string Mined(const Shape& shape) { return GenerateMined(shape, kSeed); }
std::string KeyFan(const Shape& shape) { return GenerateKeyFan(shape, kSeed); }
std::string LongLeft(const Shape& shape) { return GenerateLongLeft(shape, kSeed); }
std::string DistinctLongLeft(const Shape& shape) { return GenerateDistinctLongLeft(shape, kSeed); }
std::string GridSides(const Shape& shape) { return GenerateDistinctGridSides(shape, kSeed); }
std::string AlikeSides(const Shape& shape) { return GenerateAlikeColumnSides(shape, kSeed); }
std::string Groupings(const Shape& shape) { return GenerateRandomGroupings(shape, kSeed); }
std::string GroupingsToManyTargets(const Shape& shape) {
  return GenerateGroupingsToManyTargets(shape, kSeed);
}
std::string WideGroupings(const Shape& shape) { return GenerateWideGroupings(shape, kSeed); }
std::string FineGroupings(const Shape& shape) { return GenerateFineGroupings(shape, kSeed); }
std::string NearlyOne(const Shape& shape) { return GenerateNearlyOneClass(shape, kSeed); }
std::string AcyclicMixed(const Shape& shape) { return GenerateAcyclicMixed(shape, kSeed); }

// A shape with one more row whose closure is every attribute, so that the chase decides it.
template <std::string (*generate)(const Shape&)>
std::string Reaching(const Shape& shape) {
  return WithRowDeterminingAll(generate(shape));
}

std::string Generate(const Case& c) { return c.generate(c.shape); }

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  return !out.fail();
}

// Runs child() in a child process; its wall time and peak memory, or !ok past the limit.
template <typename Child>
Measure RunChild(Child child, int limitSeconds) {
  std::fflush(nullptr);  // the child must not write out what the parent has buffered
  auto start = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    alarm(static_cast<unsigned>(limitSeconds));
    std::_Exit(child());
  }
  int status = 0;
  rusage usage{};
  Measure m;
  if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) {
    m.ok = false;
    return m;
  }
  m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  m.peakKiB = usage.ru_maxrss;
  m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return m;
}

Measure TimeTool(const std::string& tool, const std::string& input, const std::string& output,
                 int runs) {
  std::vector<double> times;
  Measure result;
  for (int i = 0; i < runs; ++i) {
    Measure m = RunChild(
        [&] {
          // Neither the output nor the warnings are what is measured.
          if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr))
            return 1;
          execl(tool.c_str(), tool.c_str(), input.c_str(), output.c_str(),
                static_cast<char*>(nullptr));
          return 127;
        },
        600);
    if (!m.ok) return m;
    times.push_back(m.seconds);
    result.peakKiB = std::max(result.peakKiB, m.peakKiB);
  }
  std::sort(times.begin(), times.end());
  result.seconds = times[times.size() / 2];
  return result;
}

Measure TimeReference(const std::string& input, int limitSeconds) {
  return RunChild(
      [&] {
        std::ifstream in(input, std::ios::binary);
        std::ostringstream discarded;  // warnings are not what is measured
        Warnings warnings(discarded, input);
        const ParsedInput parsed = ReadInput(in, warnings, true);
        ReferenceChase(parsed.decomposition, parsed.dependencies);
        return 0;
      },
      limitSeconds);
}

std::string Verdict(const std::string& output) {
  std::ifstream in(output, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  return text.size() >= 15 && text.compare(text.size() - 15, 15, "vesztesegmentes") == 0
             ? "lossless"
             : "lossy";
}

std::string Dimensions(const Shape& s) {
  return std::to_string(s.schemas) + " x " + std::to_string(s.attributes) + " x " +
         std::to_string(s.dependencies);
}

// Reads text as an input file does.
ParsedInput Parse(const std::string& text) {
  std::istringstream in(text);
  std::ostringstream discarded;  // warnings are not what is measured
  Warnings warnings(discarded, "in.txt");
  return ReadInput(in, warnings, false);
}

// The median over runs of what answer() takes, in milliseconds.
template <typename Answer>
double MedianMilliseconds(int runs, Answer answer) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    answer();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The other questions, in the process, once the input is read: dependency preservation of
// random dependencies, and the implication of a functional dependency by mined ones.
void MeasureQuestions(int runs) {
  std::printf("\nquestion                                          time ms   answer\n");
  {
    const ParsedInput input = Parse(GenerateRandom({"random", 50, 200, 1000}, kSeed));
    std::size_t lost = 0;
    const double ms = MedianMilliseconds(runs, [&] {
      lost = NotPreserved(input.resolved).value_or(std::vector<std::size_t>{}).size();
    });
    std::printf("preservation, 50 x 200 x 1000 (random)        %9.2f   %zu not preserved\n", ms,
                lost);
  }
  {
    const ParsedInput input = Parse(Mined({"mined", 40, 2000, 1000000}));
    // The left-hand side of the first mined dependency, asked to determine every column.
    ResolvedDependencies asked;
    const ResolvedDependencies& mined = input.resolved.dependencies;
    std::vector<Column> left(mined.Left(0).begin(), mined.Left(0).end());
    std::vector<Column> all;
    for (Column c{0}; c < input.resolved.columns; ++c) all.push_back(c);
    asked.Add(DependencyKind::kFunctional, left, all);
    bool implied = false;
    const double ms =
        MedianMilliseconds(runs, [&] { implied = Implies(input.resolved, asked, 0, {}); });
    std::printf("implication of X->U, 40 x 2000 x 10^6 (mined) %9.2f   %s\n", ms,
                implied ? "implied" : "not implied");
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::string tool = LOSSLESS_JOIN_BINARY;
  bool reference = false;
  bool doubling = true;
  int runs = 5;
  std::string only;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--reference") {
      reference = true;
    } else if (arg == "--no-doubling") {
      doubling = false;
    } else if (arg == "--tool" && i + 1 < argc) {
      tool = argv[++i];
    } else if (arg == "--shape" && i + 1 < argc) {
      only = argv[++i];
    } else if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(
          stderr,
          "usage: %s [--tool PATH] [--shape NAME] [--runs N] [--no-doubling] [--reference]\n",
          argv[0]);
      return 2;
    }
  }

  const std::vector<Case> cases = {
      {{"textbook", 5, 8, 6}, Discovered},
      {{"wide", 30, 300, 20000}, Discovered},
      {{"chains", 2000, 200, 2000}, GenerateReverseChains},
      {{"huge", 10000, 1000, 10000}, Discovered},
      {{"random", 10000, 1000, 10000}, Random},
      {{"hub", 10000, 1200, 1100}, GenerateHub},
      {{"mined", 40, 2000, 1000000}, Mined},
      // What a dependency-discovery run over a wide table gives: ten million dependencies (a
      // 200 MB file), and a million over 20,000 attributes whose rows stay apart (lossy).
      {{"mined7", 40, 2000, 10000000}, Mined},
      {{"minedwide", 200, 20000, 1000000}, Mined},
      {{"blanks", 1, 2000, 50000000}, GenerateBlankNames},
      {{"unknown", 1, 1000000, 100000}, GenerateUnknownNames},
      // Shapes built against the chase's and the reader's cost, each a worst case of its kind.
      {{"pairs", 9901, 2000, 19800}, GenerateSharedPairs},
      {{"agreeing", 9902, 2000, 17900}, GenerateAgreeingPairs},
      // Thousands of distinct left-hand sides over rows that never agree on one, and the same
      // with a merge in every column of them after they looked at their rows.
      {{"triples", 9900, 2000, 2000}, GenerateDistinctTriples},
      {{"touched", 9900, 2000, 2000}, GenerateTouchedTriples},
      {{"longdistinct", 9900, 2000, 2000}, DistinctLongLeft},
      // The envelope's corner of that: what is left, a look at every row per left-hand side.
      {{"grid", 10000, 2000, 20000}, GridSides},
      // The same with long left-hand sides of columns that group the rows alike, and with
      // columns that group them at random.
      {{"alike", 10000, 2000, 14000}, AlikeSides},
      {{"groupings", 10000, 2000, 20000}, Groupings},
      {{"manytargets", 10000, 2000, 20000}, GroupingsToManyTargets},
      {{"widegroupings", 10000, 2000, 20000}, WideGroupings},
      {{"finegroupings", 10000, 2000, 20000}, FineGroupings},
      // Columns each one class but for a few cells alone: sides of fifty of them, whose rows
      // nearly all agree, to 1,800 columns in turn.
      {{"nearlyone", 10000, 2000, 20000}, NearlyOne},
      {{"ascending", 1000, 1000, 4}, GenerateAscendingLeft},
      {{"regrouped", 1000, 500, 1}, GenerateRegrouped},
      {{"keyfan", 1000, 2000, 20000}, KeyFan},
      {{"keysame", 1000, 19, 20000}, GenerateKeyRepeated},
      {{"keyall", 10000, 2000, 1}, GenerateKeyToAll},
      {{"repeated", 1, 25000000, 0}, GenerateRepeatedName},
      {{"onewide", 1, 5500000, 0}, GenerateWideSchema},
      {{"shortwide", 1, 8000000, 0}, GenerateShortWideSchema},
      {{"latewide", 2, 8000000, 0}, GenerateLateWideSchema},
      // The most names that 50 MB can hold.
      {{"bytenames", 1, 11400000, 0}, GenerateByteNames},
      // Dependencies on one of six million names and short sub-schemas, which only the chase
      // decides: it takes the named columns alone.
      {{"widechased", 3, 6000000, 2}, GenerateWideBesideChased},
      // 48 MB of names, each one of 512 that differ only in letter case.
      {{"cases", 1, 4800000, 0}, GenerateCaseVariants},
      {{"longleft", 10000, 2000, 5000}, LongLeft},
      // The original shapes at the envelope's corner: ten thousand rows over 2,000 attributes.
      {{"chainsbig", 10000, 2000, 20000}, GenerateReverseChains},
      {{"minedrows", 10000, 2000, 6000}, Mined},
      // The lossy shapes above that the closures of the rows decide, each with a row that
      // determines every attribute and never changes: the chase's work, as before them.
      {{"pairs+", 9901, 2000, 19800}, Reaching<GenerateSharedPairs>},
      {{"agreeing+", 9902, 2000, 17900}, Reaching<GenerateAgreeingPairs>},
      {{"triples+", 9900, 2000, 2000}, Reaching<GenerateDistinctTriples>},
      {{"touched+", 9900, 2000, 2000}, Reaching<GenerateTouchedTriples>},
      {{"longdistinct+", 9900, 2000, 2000}, Reaching<DistinctLongLeft>},
      {{"grid+", 10000, 2000, 20000}, Reaching<GridSides>},
      {{"alike+", 10000, 2000, 14000}, Reaching<AlikeSides>},
      {{"groupings+", 10000, 2000, 20000}, Reaching<Groupings>},
      {{"manytargets+", 10000, 2000, 20000}, Reaching<GroupingsToManyTargets>},
      {{"widegroupings+", 10000, 2000, 20000}, Reaching<WideGroupings>},
      {{"finegroupings+", 10000, 2000, 20000}, Reaching<FineGroupings>},
      {{"nearlyone+", 10000, 2000, 20000}, Reaching<NearlyOne>},
      {{"regrouped+", 1000, 500, 1}, Reaching<GenerateRegrouped>},
      {{"hub+", 10000, 1200, 1100}, Reaching<GenerateHub>},
      {{"longleft+", 10000, 2000, 5000}, Reaching<LongLeft>},
      {{"minedrows+", 10000, 2000, 6000}, Reaching<Mined>},
      // Multivalued and join dependencies: a textbook's size, and acyclic decompositions.
      {{"mvdbook", 8, 10, 10}, AcyclicMixed, true},
      {{"acyclic", 30, 60, 100}, AcyclicMixed, true},
      {{"acycbig", 200, 1000, 2200}, AcyclicMixed, true},
  };
  char dir[] = "/tmp/lossless-join-bench.XXXXXX";
  if (mkdtemp(dir) == nullptr) return 1;
  const std::string input = std::string(dir) + "/in.txt";
  const std::string output = std::string(dir) + "/out.txt";

  std::printf("tool: %s\n", tool.c_str());
  std::printf("%-9s %-22s %9s %9s %10s %10s %6s %9s\n", "shape", "rows x cols x deps", "time ms",
              "peak MiB", "table MiB", "input MiB", "ratio", "verdict");
  for (const Case& c : cases) {
    if (!only.empty() && only != c.shape.name) continue;
    std::size_t inputBytes = 0;
    {
      // Written, then let go: a child's peak memory counts what it shares with this process
      // until it runs the tool.
      const std::string text = Generate(c);
      if (!WriteFile(input, Generate(c))) return 1;
      inputBytes = text.size();
    }
    Measure m = TimeTool(tool, input, output, runs);
    double tableMiB =
        static_cast<double>(c.shape.schemas * c.shape.attributes * sizeof(int)) / (1 << 20);
    double inputMiB = static_cast<double>(inputBytes) / (1 << 20);
    double peakMiB = static_cast<double>(m.peakKiB) / 1024;
    // Below a mebibyte the process's own start-up memory is all the ratio would show.
    std::string ratio = "-";
    if (tableMiB + inputMiB >= 1)
      ratio = std::to_string(peakMiB / (tableMiB + inputMiB)).substr(0, 4);
    std::printf("%-9s %-22s %9.1f %9.1f %10.2f %10.2f %6s %9s\n", c.shape.name.c_str(),
                Dimensions(c.shape).c_str(), m.seconds * 1000, peakMiB, tableMiB, inputMiB,
                ratio.c_str(), m.ok ? Verdict(output).c_str() : "FAILED");
    std::fflush(stdout);

    if (doubling) {
      const char* names[] = {"rows", "cols", "deps"};
      for (int d = 0; d < 3; ++d) {
        Case twice = c;
        std::size_t* dims[] = {&twice.shape.schemas, &twice.shape.attributes,
                               &twice.shape.dependencies};
        *dims[d] *= 2;
        if (!WriteFile(input, Generate(twice))) return 1;
        Measure t = TimeTool(tool, input, output, std::min(runs, 3));
        std::printf("          %s x2 (%s): %.1f ms, %.2f times the time\n", names[d],
                    Dimensions(twice.shape).c_str(), t.seconds * 1000, t.seconds / m.seconds);
      }
      std::fflush(stdout);
    }
    if (reference && !c.general) {
      if (!WriteFile(input, Generate(c))) return 1;
      Measure r = TimeReference(input, 60);
      if (r.ok) {
        std::printf("          reference chase: %.1f ms\n", r.seconds * 1000);
      } else {
        std::printf("          reference chase: not done within 60 s\n");
      }
      std::fflush(stdout);
    }
  }
  std::remove(input.c_str());
  std::remove(output.c_str());
  rmdir(dir);
  if (only.empty() || only == "questions") MeasureQuestions(runs);
  return 0;
}
