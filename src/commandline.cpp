#include "commandline.h"

#include <getopt.h>

#include <cstdint>
#include <cstring>

namespace {

const char kUsage[] = "You must give 2 parameters.";
const char kHint[] = "Try 'lossless-join --help' for more information.";

enum OptionId : int {
  kExplain = 256,  // past every character, so that no short option is taken for one
  kMaxRows,
  kCheck,
  kImplies,
  kJson,
  kHelp,
  kVersion,
};

const option kOptions[] = {
    {"explain", optional_argument, nullptr, kExplain},
    {"max-rows", required_argument, nullptr, kMaxRows},
    {"check", no_argument, nullptr, kCheck},
    {"implies", required_argument, nullptr, kImplies},
    {"json", no_argument, nullptr, kJson},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

// A positive whole number, as --max-rows takes it; 0 when text is not one.
std::size_t ParseRowCount(const char* text) {
  std::size_t rows = 0;
  if (*text == '\0') return 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return 0;
    const auto digit = static_cast<std::size_t>(*c - '0');
    if (rows > (SIZE_MAX - digit) / 10) return 0;
    rows = rows * 10 + digit;
  }
  return rows;
}

// A refusal: the usage line first when the two-file form was meant, then what was wrong and
// the hint.
CommandLine Refuse(CommandLine line, const std::string& problem, bool withUsage) {
  line.action = CommandLine::Action::kRefuse;
  line.errors.clear();
  if (withUsage) line.errors.push_back(kUsage);
  if (!problem.empty()) line.errors.push_back("lossless-join: " + problem);
  line.errors.push_back(kHint);
  return line;
}

// Whether the command line asks for --check or --implies, wherever among the options it
// stands: its refusals then take the status 2, as diff and grep give theirs, since 1 means a
// lossy file or a dependency not implied there.
bool AsksAQuestion(int argc, char** argv) {
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--check") == 0 || std::strncmp(argv[i], "--implies", 9) == 0) {
      return true;
    }
  }
  return false;
}

// What an option that getopt_long did not take was: its text as written.
std::string OptionText(char** argv, int optionIndex, int shortOption) {
  if (shortOption != 0 && shortOption < 256) return std::string("-") + char(shortOption);
  return argv[optionIndex - 1];
}

// The first of the extra arguments that looks like an option: options come before the file
// names, and one written after them is taken for a file.
std::string MisplacedOption(const std::vector<std::string>& files) {
  for (std::size_t i = 1; i < files.size(); ++i) {
    if (files[i].size() > 1 && files[i][0] == '-') return files[i];
  }
  return "";
}

}  // namespace

CommandLine ParseCommandLine(int argc, char** argv) {
  CommandLine line;
  const bool question = AsksAQuestion(argc, argv);
  line.status = question ? 2 : 1;
  bool check = false;
  bool help = false;
  bool version = false;
  int given = 0;  // options given, to tell "--help" alone from "--help" with more
  opterr = 0;     // the messages are this tool's own
  optind = 0;     // from the start, and anew on a second call (tests parse many lines)
  // "+": the first argument that is no option ends the options; ":": a missing argument is
  // told from an unknown option.
  for (;;) {
    const int id = getopt_long(argc, argv, "+:", kOptions, nullptr);
    if (id == -1) break;
    ++given;
    switch (id) {
      case kExplain:
        if (optarg == nullptr || std::strcmp(optarg, "text") == 0) {
          line.explainFormat = ExplainFormat::kText;
        } else if (std::strcmp(optarg, "json") == 0) {
          line.explainFormat = ExplainFormat::kJson;
        } else if (std::strcmp(optarg, "latex") == 0) {
          line.explainFormat = ExplainFormat::kLatex;
        } else {
          return Refuse(line,
                        "invalid argument '" + std::string(optarg) +
                            "' for '--explain'; valid: 'text', 'json', 'latex'",
                        !question);
        }
        line.explain = true;
        break;
      case kMaxRows:
        line.maxRows = ParseRowCount(optarg);
        if (line.maxRows == 0) {
          line.errors = {"lossless-join: --max-rows takes a positive whole number, not \"" +
                         std::string(optarg) + "\""};
          return line;  // one line, as it always was
        }
        break;
      case kCheck:
        check = true;
        break;
      case kImplies:
        line.implies.emplace_back(optarg);
        break;
      case kJson:
        line.json = true;
        break;
      case kHelp:
        help = true;
        break;
      case kVersion:
        version = true;
        break;
      case ':':
        return Refuse(line,
                      "option '" + OptionText(argv, optind, optopt) + "' requires an argument",
                      !question);
      default:
        return Refuse(line, "unrecognized option '" + OptionText(argv, optind, optopt) + "'",
                      !question);
    }
  }
  for (int i = optind; i < argc; ++i) line.files.emplace_back(argv[i]);
  const bool alone = given == 1 && line.files.empty();
  if (help && alone) {
    line.action = CommandLine::Action::kHelp;
    return line;
  }
  if (version && alone) {
    line.action = CommandLine::Action::kVersion;
    return line;
  }
  if (!line.implies.empty()) {
    if (help || version) return Refuse(line, "", false);
    if (check) return Refuse(line, "--implies does not go with --check", false);
    if (line.json) return Refuse(line, "--json goes with --check", false);
    if (line.explainFormat != ExplainFormat::kText) {
      return Refuse(line, "--implies explains as text only", false);
    }
    if (line.files.size() != 1) return Refuse(line, "--implies takes one INPUT", false);
    line.action = CommandLine::Action::kImplies;
    return line;
  }
  if (check) {
    if (help || version) return Refuse(line, "", false);
    if (line.explain) return Refuse(line, "--explain does not go with --check", false);
    if (line.files.empty()) return Refuse(line, "--check needs at least one FILE", false);
    line.action = CommandLine::Action::kCheck;
    return line;
  }
  if (line.json) return Refuse(line, "--json goes with --check", false);
  if (help || version || line.files.size() != 2) {
    const std::string misplaced = MisplacedOption(line.files);
    return Refuse(
        line, misplaced.empty() ? "" : "options come before the file names: '" + misplaced + "'",
        true);
  }
  line.action = CommandLine::Action::kRun;
  return line;
}
