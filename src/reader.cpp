#include "reader.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "escape.h"
#include "stringutils.h"

namespace {

constexpr char kUtf8ByteOrderMark[] = "\xef\xbb\xbf";

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// UTF-16 and UTF-32 text starts with its byte order mark, or, without one, holds a NUL in
// every other byte (every fourth, for UTF-32, fits that too). bytes is the first line with
// its line feed. One NUL alone proves nothing: a name may hold one.
bool LooksLikeWideText(const std::string& bytes) {
  for (const char* mark : {"\xff\xfe", "\xfe\xff"}) {
    if (StartsWith(bytes, mark)) return true;
  }
  if (StartsWith(bytes, std::string("\0\0\xfe\xff", 4))) return true;
  if (bytes.size() < 4) return false;
  for (std::size_t parity = 0; parity < 2; ++parity) {
    bool allZero = true;
    for (std::size_t i = parity; i < bytes.size() && allZero; i += 2) allZero = bytes[i] == '\0';
    if (allZero) return true;  // at least two NULs: the line has four bytes or more
  }
  return false;
}

// The names of a comma-separated list; a text without a comma is one name.
AttributeList SplitNames(const std::string& text) {
  AttributeList names;
  if (StringUtils::SplitString(text, ",", names, true) == 0) names.push_back(text);
  return names;
}

class Reader {
 public:
  Reader(std::istream& in, Warnings& warnings) : in_(in), warnings_(warnings) {}

  ParsedInput Read();

 private:
  bool NextLine();
  void CheckFirstLine(const std::string& bytes);
  void AddSchemaLine();
  void SortAttributes();
  void AddDependencyLine();
  DependencyColumns ResolveColumns(const AttributeList& left, const AttributeList& right);
  // Warns, once per name and line, about names with a blank at either end.
  void CheckBlanks(const AttributeList& names);
  // The column of an attribute name, or kNoColumn when no sub-schema holds it.
  std::size_t ColumnOf(const std::string& name) const;
  void Warn(const std::string& message);

  static constexpr std::size_t kNoColumn = static_cast<std::size_t>(-1);

  std::istream& in_;
  Warnings& warnings_;
  ParsedInput result_;
  std::string line_;
  std::size_t lineNumber_ = 0;
  // After a warning that the file is UTF-16, every other warning would be noise.
  bool wideText_ = false;
  std::unordered_set<std::string> blankNamesWarned_;  // on the current line
};

ParsedInput Reader::Read() {
  std::unordered_set<std::string> known;
  while (NextLine() && !line_.empty()) {
    AddSchemaLine();
    for (const std::string& name : result_.decomposition.back()) {
      if (known.insert(name).second) result_.attributes.push_back(name);
    }
  }
  known = {};
  // Dependencies name only attributes of the schema lines, so the universe is complete
  // here and each dependency line can be resolved as it is read.
  SortAttributes();
  while (NextLine()) AddDependencyLine();
  return std::move(result_);
}

// Reads one line without its line feed; a carriage return before the line feed is dropped
// too, so that files saved with CR LF line ends read like any other.
bool Reader::NextLine() {
  if (!std::getline(in_, line_)) return false;
  bool endedWithLineFeed = !in_.eof();
  ++lineNumber_;
  blankNamesWarned_.clear();
  if (lineNumber_ == 1) {
    CheckFirstLine(endedWithLineFeed ? line_ + '\n' : line_);
    // A UTF-8 byte order mark is how some editors save UTF-8, not part of a name.
    if (StartsWith(line_, kUtf8ByteOrderMark)) line_.erase(0, sizeof kUtf8ByteOrderMark - 1);
  }
  if (!line_.empty() && line_.back() == '\r') {
    line_.pop_back();
    if (lineNumber_ == 1 && endedWithLineFeed) result_.lineBreak = "\r\n";
  }
  if (line_.find('\r') != std::string::npos) {
    Warn("carriage return inside the line; lines end only at a line feed (old Mac line ends?)");
  }
  return true;
}

void Reader::CheckFirstLine(const std::string& bytes) {
  if (LooksLikeWideText(bytes)) {
    Warn("the file looks like UTF-16 or UTF-32 text; save it as UTF-8");
    wideText_ = true;
  }
}

void Reader::AddSchemaLine() {
  if (line_.front() == '#') {
    Warn("sub-schema begins with \"#\"; there are no comments: the line is read as a sub-schema");
  }
  if (line_.find("->") != std::string::npos) {
    Warn("sub-schema holds \"->\"; is the empty line before the dependencies missing?");
  }
  AttributeList names = SplitNames(line_);
  CheckBlanks(names);
  names.shrink_to_fit();  // a large input keeps many of these lists
  result_.decomposition.push_back(std::move(names));
}

void Reader::SortAttributes() {
  AttributeList& attributes = result_.attributes;
  std::sort(attributes.begin(), attributes.end());
  attributes.erase(std::unique(attributes.begin(), attributes.end()), attributes.end());
  attributes.shrink_to_fit();
}

void Reader::AddDependencyLine() {
  if (line_.empty()) return;
  AttributeList sides;
  if (StringUtils::SplitString(line_, "->", sides, true) == 0) {
    Warn("no \"->\" in dependency; line ignored");
    return;
  }
  // With more than one "->", the texts between the first and the last are not used.
  AttributeList left = SplitNames(sides.front());
  AttributeList right = SplitNames(sides.back());
  CheckBlanks(left);
  CheckBlanks(right);
  result_.dependencyColumns.push_back(ResolveColumns(left, right));
  result_.dependencies.first.push_back(std::move(left));
  result_.dependencies.second.push_back(std::move(right));
  result_.dependencyLines.push_back(lineNumber_);
  result_.dependencyTexts.push_back(line_);
}

DependencyColumns Reader::ResolveColumns(const AttributeList& left, const AttributeList& right) {
  DependencyColumns columns;
  auto resolve = [&](const AttributeList& names, std::vector<std::size_t>& found,
                     const char* consequence) {
    std::unordered_set<std::string> reported;
    for (const std::string& name : names) {
      std::size_t column = ColumnOf(name);
      if (column != kNoColumn) {
        found.push_back(column);
      } else if (reported.insert(name).second) {
        Warn("attribute " + Quoted(name) + " is in no sub-schema; " + consequence);
      }
    }
    return reported.empty();
  };
  columns.applies = resolve(left, columns.left, "the dependency never applies");
  resolve(right, columns.right, "ignored on the right-hand side");
  return columns;
}

void Reader::CheckBlanks(const AttributeList& names) {
  for (const std::string& name : names) {
    if (name.empty()) continue;
    bool begins = IsBlank(name.front());
    bool ends = IsBlank(name.back());
    if (!begins && !ends) continue;
    if (!blankNamesWarned_.insert(name).second) continue;
    const char* where = begins && ends ? "begins and ends" : begins ? "begins" : "ends";
    Warn("attribute " + Quoted(name) + " " + where + " with a blank; names are taken as written");
  }
}

std::size_t Reader::ColumnOf(const std::string& name) const {
  const AttributeList& attributes = result_.attributes;
  auto at = std::lower_bound(attributes.begin(), attributes.end(), name);
  if (at == attributes.end() || *at != name) return kNoColumn;
  return static_cast<std::size_t>(at - attributes.begin());
}

void Reader::Warn(const std::string& message) {
  if (!wideText_) warnings_.Warn(lineNumber_, message);
}

}  // namespace

ParsedInput ReadInput(std::istream& in, Warnings& warnings) { return Reader(in, warnings).Read(); }
