#include "reader.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>

#include "columncycles.h"
#include "columnstamps.h"
#include "escape.h"
#include "linereader.h"
#include "memoryguard.h"
#include "namepool.h"
#include "nearmisses.h"
#include "notation.h"
#include "probingtable.h"
#include "shortnames.h"
#include "stringutils.h"

namespace {

constexpr char kUtf8ByteOrderMark[] = "\xef\xbb\xbf";

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The bytes of a name on a plain dependency line: printable ASCII but for blanks, the bytes
// of arrows and lists, and those that the notation hints look for.
constexpr std::array<bool, 256> PlainNameBytes() {
  std::array<bool, 256> plain{};
  for (int c = '!'; c <= '~'; ++c) plain[static_cast<std::size_t>(c)] = true;
  for (char c : std::string_view(",->*()|[]{};")) plain[static_cast<unsigned char>(c)] = false;
  return plain;
}
constexpr std::array<bool, 256> kPlainNameByte = PlainNameBytes();

// Sorts the columns from begin to end: by insertion when they are a few, as a dependency's
// left-hand side mostly is, which costs less than the call of a general sort.
void SortFew(Column* begin, Column* end) {
  if (end - begin > 16) {
    std::sort(begin, end);
    return;
  }
  for (Column* at = begin + (begin != end ? 1 : 0); at < end; ++at) {
    const Column moved = *at;
    Column* to = at;
    for (; to > begin && moved < *(to - 1); --to) *to = *(to - 1);
    *to = moved;
  }
}

// UTF-16 and UTF-32 text starts with its byte order mark, or, without one, holds a NUL in
// every other byte (every fourth, for UTF-32, fits that too). line is the first line, and
// lineFeed whether a line feed ended it. One NUL alone proves nothing: a name may hold one.
bool LooksLikeWideText(std::string_view line, bool lineFeed) {
  // No mark holds a line feed: whether the line starts with one is the same with it or not.
  for (const char* mark : {"\xff\xfe", "\xfe\xff"}) {
    if (StartsWith(line, mark)) return true;
  }
  if (StartsWith(line, std::string_view("\0\0\xfe\xff", 4))) return true;
  if (line.size() + (lineFeed ? 1 : 0) < 4) return false;
  for (std::size_t parity = 0; parity < 2; ++parity) {
    // The line feed is no NUL.
    if (lineFeed && line.size() % 2 == parity) continue;
    bool allZero = true;
    for (std::size_t i = parity; i < line.size() && allZero; i += 2) allZero = line[i] == '\0';
    if (allZero) return true;  // at least two NULs: the line has four bytes or more
  }
  return false;
}

// Splits a comma-separated list into names, reusing names' storage; a text without a comma
// is one name.
void SplitNames(std::string_view view, AttributeList& names) {
  const std::string text(view);
  names.clear();
  if (StringUtils::SplitString(text, ",", names, true) == 0) names.push_back(text);
}

// The names of a comma-separated list, one at a time, as SplitNames splits it, without making
// a string of each: a sub-schema line may hold millions of names.
class NameSplitter {
 public:
  explicit NameSplitter(std::string_view text) : text_(text) {}
  bool Next(std::string_view& name) {
    if (done_) return false;
    const std::size_t comma = text_.find(',', start_);
    done_ = comma == std::string_view::npos;
    name = text_.substr(start_, done_ ? std::string_view::npos : comma - start_);
    start_ = comma + 1;
    return true;
  }

 private:
  std::string_view text_;
  std::size_t start_ = 0;
  bool done_ = false;
};

// Calls visit(name) for each name of a comma-separated list.
template <typename Visit>
void ForEachName(std::string_view text, Visit visit) {
  NameSplitter names(text);
  for (std::string_view name; names.Next(name);) visit(name);
}

// The same, with visit(name, hash) given each name's NamePool hash, while the pool's slots for
// the names a few places ahead are fetched into the cache.
template <typename Visit>
void ForEachNameAhead(std::string_view text, const NamePool& pool, Visit visit) {
  constexpr std::size_t kAhead = 16;  // a power of two
  std::uint32_t hashes[kAhead];
  NameSplitter ahead(text);
  std::size_t prepared = 0;
  // Hashes the next name ahead and fetches its slot; false past the last name.
  const auto prepare = [&] {
    std::string_view name;
    if (!ahead.Next(name)) return false;
    const std::uint32_t hash = NamePool::Hash(name);
    hashes[prepared++ % kAhead] = hash;
    pool.Prefetch(name, hash);
    return true;
  };
  while (prepared < kAhead / 2 && prepare()) {
  }
  std::size_t at = 0;
  ForEachName(text, [&](std::string_view name) {
    const std::uint32_t hash = hashes[at % kAhead];
    ++at;
    prepare();
    visit(name, hash);
  });
}

// An arrow of a dependency line: where it is, how many bytes it takes, and the kind of
// dependency it makes. at is npos when there is none.
struct Arrow {
  std::size_t at = std::string_view::npos;
  std::size_t length = 0;
  DependencyKind kind = DependencyKind::kFunctional;
};

// The first arrow at or after from: "->", or for a multivalued dependency "->>", "->->",
// U+21A0 or two U+2192; one U+2192, as pasted from a PDF, is "->". The longest one that
// matches at a position is the one there.
// The arrow that starts at position at of line, if one does.
Arrow ArrowAt(std::string_view line, std::size_t at) {
  static constexpr struct {
    std::string_view text;
    DependencyKind kind;
  } kArrows[] = {
      {"->->", DependencyKind::kMultivalued},
      {"->>", DependencyKind::kMultivalued},
      {"->", DependencyKind::kFunctional},
      {"\xe2\x86\x92\xe2\x86\x92", DependencyKind::kMultivalued},
      {"\xe2\x86\xa0", DependencyKind::kMultivalued},
      {"\xe2\x86\x92", DependencyKind::kFunctional},
  };
  const std::string_view rest = line.substr(at);
  for (const auto& arrow : kArrows) {
    if (rest.substr(0, arrow.text.size()) == arrow.text) return {at, arrow.text.size(), arrow.kind};
  }
  return {};
}

// The first arrow at or after from. Candidates are found by memchr: a "-" or the first byte
// of U+2192 and U+21A0.
Arrow FindArrow(std::string_view line, std::size_t from) {
  std::size_t dash = line.find('-', from);
  std::size_t wide = line.find('\xe2', from);
  while (dash != std::string_view::npos || wide != std::string_view::npos) {
    const std::size_t at = std::min(dash, wide);
    const Arrow arrow = ArrowAt(line, at);
    if (arrow.at != std::string_view::npos) return arrow;
    if (at == dash) {
      dash = line.find('-', at + 1);
    } else {
      wide = line.find('\xe2', at + 1);
    }
  }
  return {};
}

// Names, each once, for as long as one line is read: the names stay in the line or its lists,
// and the set only points at them.
class NameSet {
 public:
  // Whether name was not in the set yet; it is now.
  bool Insert(std::string_view name) {
    const Ref ref{name.data(), name.size()};
    const bool inserted =
        table_.FindOrInsert(
            Hash(ref), ref,
            [&](const Ref& stored) { return std::string_view(stored.data, stored.size) == name; },
            Hash, [](const Ref&) { return true; }) == nullptr;
    count_ += inserted ? 1 : 0;
    return inserted;
  }
  // Forgets every name, in time that grows with how many there were, not with the table.
  void Clear() {
    if (count_ == 0) return;
    table_.Clear(0);
    count_ = 0;
  }

 private:
  struct Ref {
    const char* data;  // never null for a name: a string's data never is, nor a line's
    std::size_t size;
    friend bool operator==(const Ref& a, const Ref& b) {
      return a.data == b.data && a.size == b.size;
    }
  };
  static std::size_t Hash(const Ref& ref) {
    return std::hash<std::string_view>()(std::string_view(ref.data, ref.size));
  }

  ProbingTable<Ref> table_{Ref{nullptr, 0}};
  std::size_t count_ = 0;
};

class Reader {
 public:
  Reader(std::istream& in, Warnings& warnings, bool keepNames,
         DependencyUse use = DependencyUse::kAsWritten,
         std::size_t compactEvery = kDependenciesBetweenCompactions,
         std::size_t textRoom = kRoomForFewTexts)
      : in_(in),
        lines_(in),
        warnings_(warnings),
        keepNames_(keepNames),
        keepTexts_(keepNames || use == DependencyUse::kWithTexts ||
                   use == DependencyUse::kTextsWhileFew),
        textRoomLeft_(!keepNames && use == DependencyUse::kTextsWhileFew ? textRoom : SIZE_MAX),
        compactEvery_(compactEvery),
        compactAt_(use == DependencyUse::kForTheVerdict && !keepNames ? compactEvery : SIZE_MAX) {}

  ParsedInput Read();
  // One dependency line over attributes, sorted and without duplicates, as line 1.
  ParsedInput ReadDependency(const AttributeList& attributes, std::string_view line);

 private:
  bool NextLine();
  void CheckFirstLine(bool endedWithLineFeed);
  void AddSchemaLine();
  // The attributes' columns: with the names kept, their order by name, into which the
  // sub-schemas' positions are turned; without, the order they were first written in.
  void SortAttributes();
  // In a file whose every sub-schema is one name of capital letters, as "ABC" then "CD",
  // the letters were meant as attributes: warns on each line.
  void WarnAboutLetterRuns();
  // What else an unknown name likely meant: letters without commas, or an attribute that it
  // differs from only in letter case or blanks.
  void HintAtUnknownName(std::string_view name);
  // Room for the dependencies of a file with bytes left, as mined files hold them.
  void ReserveForDependencies(std::size_t bytes);
  // REQUIRES: the line is not empty.
  void AddDependencyLine();
  // Replaces the dependencies read so far by fewer equivalent ones, while all are functional.
  void CompactDependencies();
  // A line of plain names, each an attribute, separated by commas and one "->", as mined
  // files hold them by the million: one pass over the line, since such a line draws no warning.
  // Returns false, having added nothing, for a line of any other form; it then takes the
  // general path.
  bool AddPlainDependencyLine(std::string_view line);
  // Whether every right-hand column is on the cycle of a left-hand one, as the last compaction
  // found the cycles: the compacted dependencies then give the dependency already.
  bool FollowsFromCycles(ColumnSpan left, ColumnSpan right);
  // The column of name, or NamePool::kMissing; name is a part of line.
  std::uint32_t ColumnOfName(std::string_view name, std::string_view line) const;
  // A join dependency: "*(" then components separated by "|", then ")".
  void AddJoinLine(std::string_view line);
  // Warns when the multivalued dependency of leftColumns_ and rightColumns_ always holds;
  // right is its right-hand side as written.
  void WarnIfTrivial(std::string_view right);
  // The current dependency's line and text, and with keepNames, its names.
  void KeepDependency(const AttributeList& left, const AttributeList& right, SchemaList components);
  // The columns of the comma-separated names, each once; warns once about each name of no
  // sub-schema, with the consequence given. False when there was such a name.
  bool Resolve(std::string_view names, std::vector<Column>& columns, const char* consequence);
  // Warns, once per name and line, about a name with a blank at either end, and once per
  // line about an empty name.
  void CheckName(std::string_view name);
  // Warns that a new attribute, name where it is written, differs from the attribute at
  // first, written earlier, only in letter case.
  void WarnAboutCase(std::uint32_t first, std::string_view name);
  // Warns about the current line, pointing at its first byte, or at the text at, a part of
  // the line. A message that has to be built comes as a callable that builds it: past the
  // cap of warnings shown, it is only counted, never built.
  void Warn(const char* message) { Warn(line_.substr(0, 0), message); }
  void Warn(std::string_view at, const char* message) {
    Warn(at, [message] { return std::string(message); });
  }
  template <typename MakeMessage>
  void Warn(MakeMessage makeMessage) {
    Warn(line_.substr(0, 0), makeMessage);
  }
  template <typename MakeMessage>
  void Warn(std::string_view at, MakeMessage makeMessage) {
    WarnAt(lineNumber_, ColumnOf(at), makeMessage);
  }
  template <typename MakeMessage>
  void WarnAt(std::size_t line, std::size_t column, MakeMessage makeMessage) {
    if (!wideText_) warnings_.Warn(line, column, makeMessage);
  }
  // The column, counted in bytes from 1, at which text starts: text is a part of the current
  // line.
  std::size_t ColumnOf(std::string_view text) const {
    return static_cast<std::size_t>(text.data() - line_.data()) + 1;
  }

  std::istream& in_;
  LineReader lines_;
  Warnings& warnings_;
  const bool keepNames_;
  bool keepTexts_;  // each dependency's line and text
  // What the texts kept may still take, with kTextsWhileFew; SIZE_MAX otherwise.
  std::size_t textRoomLeft_;
  // Compacted at compactAt_ dependencies; then after as many again as are left, or as
  // compactEvery_ or the columns if more, so that the passes cost a constant per dependency
  // read and per column.
  const std::size_t compactEvery_;
  std::size_t compactAt_;
  // Per column, the first column of its cycle of links, as the last compaction found them;
  // empty before one found any.
  std::vector<Column> cycleOf_;
  ParsedInput result_;
  // The attributes, at their columns once the sub-schemas are read. With keepNames they are
  // sorted then, and kept in result_.attributes as well.
  NamePool names_;
  // The short ones among them, for the dependency lines, when they are not too many to index.
  std::optional<ShortNames> shortNames_;
  bool emptyNameWarned_ = false;  // on the current line
  std::string_view line_;         // the current line, in the line reader's storage
  std::size_t lineNumber_ = 0;
  // After a warning that the file is UTF-16, every other warning would be noise.
  bool wideText_ = false;
  NameSet blankNamesWarned_;    // on the current line
  NameSet unknownNamesWarned_;  // in the list being resolved
  // Scratch storage, reused from line to line: a large input has a million lines.
  AttributeList left_, right_;
  std::vector<Column> leftColumns_, rightColumns_;
  std::vector<Column> plainColumns_;  // a plain line's columns, both sides
  ColumnStamps seen_;                 // the columns of the list of names being read
  // The schema lines that are one name of capital letters, and whether every one is.
  std::vector<std::pair<std::size_t, std::string>> letterRuns_;
  bool onlyLetterRuns_ = true;
  bool lettersMeantAsAttributes_ = false;
  // Made at the first unknown name, once the attributes are all read.
  std::optional<NearMisses> nearMisses_;
  static constexpr std::size_t kMostShortNames = std::size_t{1} << 16;
  // A sub-schema of this many names or more reserves room for the rest of the file.
  static constexpr std::size_t kLongRow = std::size_t{1} << 16;
  static constexpr std::size_t kNoArrow = SIZE_MAX;
};

ParsedInput Reader::Read() {
  while (NextLine() && !line_.empty()) AddSchemaLine();
  WarnAboutLetterRuns();
  // Dependencies name only attributes of the schema lines, so the universe is complete
  // here and each dependency line can be resolved as it is read.
  SortAttributes();
  if (compactAt_ != SIZE_MAX) compactAt_ = std::max(compactAt_, result_.resolved.columns);
  // A wide universe with few dependencies would spend more on the index than it saves.
  if (names_.size() <= kMostShortNames) shortNames_.emplace(names_);
  ReserveForDependencies(lines_.BytesAhead());
  while (NextLine()) {
    if (line_.empty()) continue;  // empty lines are many in some files: no call
    AddDependencyLine();
    if (result_.resolved.dependencies.size() >= compactAt_) CompactDependencies();
  }
  return std::move(result_);
}

void Reader::CompactDependencies() {
  ResolvedDependencies& dependencies = result_.resolved.dependencies;
  if (!dependencies.AllOfKind(DependencyKind::kFunctional)) {
    compactAt_ = SIZE_MAX;  // the general chase takes the dependencies as they are
    return;
  }
  if (std::optional<ResolvedDependencies> merged =
          MergeColumnCycles(dependencies, result_.resolved.columns, &cycleOf_)) {
    dependencies.Replace(*merged);
  }
  // Never sooner than after as many dependencies as columns: a pass walks every column.
  compactAt_ = dependencies.size() +
               std::max({dependencies.size(), compactEvery_, result_.resolved.columns});
}

ParsedInput Reader::ReadDependency(const AttributeList& attributes, std::string_view line) {
  result_.attributes = attributes;
  names_.Assign(attributes);
  result_.resolved.columns = attributes.size();
  line_ = line;
  lineNumber_ = 1;
  if (!line_.empty()) AddDependencyLine();
  return std::move(result_);
}

bool Reader::FollowsFromCycles(ColumnSpan left, ColumnSpan right) {
  assert(!keepNames_);  // compaction, which finds the cycles, is for the verdict alone
  seen_.Next(result_.resolved.columns, left.size());
  for (Column c : left) seen_.Mark(cycleOf_[c]);
  return std::all_of(right.begin(), right.end(),
                     [&](Column c) { return seen_.Marked(cycleOf_[c]); });
}

// Reads one line without its line feed; a carriage return before the line feed is dropped
// too, so that files saved with CR LF line ends read like any other.
bool Reader::NextLine() {
  bool endedWithLineFeed = false;
  if (!lines_.Next(line_, endedWithLineFeed)) {
    if (in_.bad() && result_.readError == 0) result_.readError = errno;
    return false;
  }
  ++lineNumber_;
  blankNamesWarned_.Clear();
  emptyNameWarned_ = false;
  if (lineNumber_ == 1) {
    CheckFirstLine(endedWithLineFeed);
    // A UTF-8 byte order mark is how some editors save UTF-8, not part of a name.
    if (StartsWith(line_, kUtf8ByteOrderMark)) line_.remove_prefix(sizeof kUtf8ByteOrderMark - 1);
  }
  if (!line_.empty() && line_.back() == '\r') {
    line_.remove_suffix(1);
    if (lineNumber_ == 1 && endedWithLineFeed) result_.lineBreak = "\r\n";
  }
  if (const std::size_t at = line_.find('\r'); at != std::string::npos) {
    Warn(line_.substr(at),
         "carriage return inside the line; lines end only at a line feed (old Mac line ends?)");
  }
  return true;
}

void Reader::CheckFirstLine(bool endedWithLineFeed) {
  if (LooksLikeWideText(line_, endedWithLineFeed)) {
    Warn("the file looks like UTF-16 or UTF-32 text; save it as UTF-8");
    wideText_ = true;
  }
}

void Reader::AddSchemaLine() {
  if (line_.front() == '#') {
    Warn("sub-schema begins with \"#\"; there are no comments: the line is read as a sub-schema");
  }
  if (const std::size_t at = line_.find("->"); at != std::string::npos) {
    Warn(line_.substr(at),
         "sub-schema holds \"->\"; is the empty line before the dependencies missing?");
  }
  // A long sub-schema lends its bytes to the names: a line of millions of names is not
  // copied into a block of their own.
  if (!keepNames_ && names_.WouldTakeBlockOf(line_.size())) {
    if (std::string block = lines_.TakeGathered(); !block.empty()) {
      const auto offset = static_cast<std::size_t>(line_.data() - block.data());
      line_ = names_.TakeBlock(std::move(block)).substr(offset, line_.size());
    }
  }
  const std::string_view line = line_;
  ForEachName(line, [&](std::string_view name) { CheckName(name); });
  const std::string hint = SchemaLineHint(line);
  if (!hint.empty()) Warn([&] { return hint; });
  if (line.find(',') == std::string_view::npos && IsRunOfLetters(line)) {
    letterRuns_.emplace_back(lineNumber_, line);
  } else {
    onlyLetterRuns_ = false;
  }
  // A line with n commas names n + 1 attributes at most: room for all of them at once.
  const std::size_t most = static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
  // After a line of millions of names, room for every name the rest of the file may hold, as
  // address space: a short line after it would otherwise copy what the names and the rows
  // take to twice their room.
  const std::size_t later = most < kLongRow ? 0 : lines_.BytesAhead() / 2;
  names_.Reserve(most, line.size(), later);
  // Until the attributes are sorted, a row holds the positions of its names in the pool, each
  // once: a name written twice in a sub-schema is one column. A name added on this line is in
  // its row already when written again; only the names of earlier lines need a stamp.
  const std::size_t earlier = names_.size();
  seen_.Next(earlier, most);
  ColumnLists& rows = result_.resolved.rowColumns;
  rows.ReserveItems(most + later);
  ForEachNameAhead(line, names_, [&](std::string_view name, std::uint32_t hash) {
    const NamePool::Found found = names_.FindWithCaseVariant(name, hash);
    std::uint32_t at = found.exact;
    if (at == NamePool::kMissing) {
      at = static_cast<std::uint32_t>(names_.size());
      // Before the name is added: added, it may have moved over its own bytes.
      if (found.caseVariant != NamePool::kMissing) WarnAboutCase(found.caseVariant, name);
      names_.Add(name, hash, found.caseVariant != NamePool::kMissing);
    } else if (at >= earlier || !seen_.Mark(at)) {
      return;  // already in the row
    }
    rows.Push(Column(at));
  });
  names_.EndBlock();
  rows.EndList();
  if (keepNames_) {
    AttributeList names;
    SplitNames(line_, names);
    result_.decomposition.push_back(std::move(names));
  }
}

void Reader::SortAttributes() {
  result_.resolved.columns = names_.size();
  // Without the names, the order they came in serves as well: no step is shown.
  if (!keepNames_) return;
  const std::vector<std::uint32_t> columnOf = names_.Sort();
  result_.attributes = names_.Names();
  ColumnLists& rowColumns = result_.resolved.rowColumns;
  ColumnLists rows;
  std::vector<Column> columns;
  for (std::size_t r = 0; r < rowColumns.size(); ++r) {
    columns.clear();
    for (Column at : rowColumns[r]) columns.push_back(Column(columnOf[at]));
    rows.Append(columns);
  }
  rowColumns = std::move(rows);
}

void Reader::WarnAboutLetterRuns() {
  if (!onlyLetterRuns_ || letterRuns_.size() < 2) return;
  lettersMeantAsAttributes_ = true;
  for (const auto& run : letterRuns_) {
    // Not a structured binding: C++17 lambdas cannot capture one.
    const std::string& name = run.second;
    WarnAt(run.first, 1, [&] {
      return "sub-schema " + Quoted(name) +
             " is one attribute; attributes are separated by commas, as " + SpelledOut(name);
    });
  }
}

void Reader::HintAtUnknownName(std::string_view name) {
  if (lettersMeantAsAttributes_ && IsRunOfLetters(name)) {
    Warn(name, [&] {
      return "attribute " + Quoted(std::string(name)) +
             " is one name; attributes are separated by commas, as " + SpelledOut(name);
    });
    return;
  }
  if (!nearMisses_) nearMisses_.emplace(names_);
  const std::uint32_t meant = nearMisses_->Find(name);
  if (meant == NamePool::kMissing) return;
  Warn(name, [&] {
    return "attribute " + Quoted(std::string(name)) + " differs from " +
           Quoted(std::string(names_[meant])) + " only in letter case or blanks; did you mean " +
           Quoted(std::string(names_[meant])) + "?";
  });
}

void Reader::ReserveForDependencies(std::size_t bytes) {
  // A dependency line of a mined file takes about 20 bytes and names 4 or 5 columns. Room is
  // address space until used: reserved, the lists never copy themselves as they grow, which
  // on ten million lines costs as much as reading them. A file that names more grows past it.
  const std::size_t dependencies = bytes / 16;
  const std::size_t columns = bytes / 4;
  if (!HasMemoryFor(dependencies, 4 + 2) || !HasMemoryFor(columns, sizeof(Column))) return;
  result_.resolved.dependencies.Reserve(dependencies, columns);
}

void Reader::AddDependencyLine() {
  // Looked at in place: a million dependency lines make no string of their names.
  const std::string_view line = line_;
  if (AddPlainDependencyLine(line)) return;
  if (StartsWith(line, "*(")) {
    AddJoinLine(line);
    return;
  }
  const Arrow first = FindArrow(line, 0);
  if (first.at == std::string_view::npos) {
    Warn("no \"->\" in dependency; line ignored");
    return;
  }
  // The texts between the first arrow and the last are not used.
  Arrow last = first;
  bool allFunctional = first.kind == DependencyKind::kFunctional;
  for (Arrow next = FindArrow(line, first.at + first.length); next.at != std::string_view::npos;
       next = FindArrow(line, next.at + next.length)) {
    last = next;
    allFunctional = allFunctional && next.kind == DependencyKind::kFunctional;
  }
  if (last.at != first.at) {
    const std::string_view between =
        line.substr(first.at + first.length, last.at - first.at - first.length);
    Warn(between, [&] {
      return std::string(allFunctional ? "more than one \"->\"" : "more than one arrow") +
             ": the text " + Quoted(std::string(between)) +
             " between the first and the last is not used";
    });
  }
  const std::string_view left = line.substr(0, first.at);
  const std::string_view right = line.substr(last.at + last.length);
  const std::string hint =
      DependencyLineHint(line, left, right, line.substr(first.at, first.length));
  if (!hint.empty()) Warn([&] { return hint; });
  ForEachName(left, [&](std::string_view name) { CheckName(name); });
  ForEachName(right, [&](std::string_view name) { CheckName(name); });
  bool applies = Resolve(left, leftColumns_, "the dependency never applies");
  Resolve(right, rightColumns_, "ignored on the right-hand side");
  if (!applies) leftColumns_.clear();
  std::sort(leftColumns_.begin(), leftColumns_.end());
  if (first.kind == DependencyKind::kMultivalued && applies) WarnIfTrivial(right);
  result_.resolved.dependencies.Add(first.kind, leftColumns_, rightColumns_);
  if (keepNames_) {
    SplitNames(left, left_);
    SplitNames(right, right_);
  }
  if (keepTexts_) KeepDependency(left_, right_, {});
}

bool Reader::AddPlainDependencyLine(std::string_view line) {
  const char* const text = line.data();
  const std::size_t size = line.size();
  // The columns of the left-hand side, then those of the right, from rightStart on; count in
  // all. The list grows as names come, never to more than the line holds.
  std::size_t count = 0;
  std::size_t rightStart = kNoArrow;
  seen_.Next(names_.size(), size / 2 + 1);
  for (std::size_t at = 0;;) {
    const std::size_t start = at;
    while (at < size && kPlainNameByte[static_cast<unsigned char>(text[at])]) ++at;
    if (at == start) return false;  // an empty name, or a byte that is not plain
    const std::uint32_t column = ColumnOfName(line.substr(start, at - start), line);
    if (column == NamePool::kMissing) return false;
    if (seen_.Mark(column)) {
      if (count == plainColumns_.size()) plainColumns_.resize(std::max<std::size_t>(16, 2 * count));
      plainColumns_[count++] = Column(column);
    }
    if (at == size) break;
    if (text[at] == ',') {
      ++at;
      continue;
    }
    // Else only the one arrow may stop a name.
    if (text[at] != '-' || rightStart != kNoArrow || at + 1 == size || text[at + 1] != '>') {
      return false;
    }
    rightStart = count;
    seen_.Next(names_.size(), size / 2 + 1);
    at += 2;
  }
  if (rightStart == kNoArrow) return false;
  Column* const left = plainColumns_.data();
  Column* const right = left + rightStart;
  Column* const end = left + count;
  SortFew(left, right);
  // A mined file repeats what its cycles say millions of times: such a line costs no room.
  if (!cycleOf_.empty() && FollowsFromCycles(ColumnSpan(left, right), ColumnSpan(right, end))) {
    return true;
  }
  result_.resolved.dependencies.Add(DependencyKind::kFunctional, ColumnSpan(left, right),
                                    ColumnSpan(right, end));
  if (keepNames_) {
    const std::size_t arrowAt = line.find("->");
    SplitNames(line.substr(0, arrowAt), left_);
    SplitNames(line.substr(arrowAt + 2), right_);
  }
  if (keepTexts_) KeepDependency(left_, right_, {});
  return true;
}

std::uint32_t Reader::ColumnOfName(std::string_view name, std::string_view line) const {
  if (!shortNames_ || name.size() > ShortNames::kLongest) return names_.Find(name);
  return shortNames_->Find(name, line);
}

void Reader::KeepDependency(const AttributeList& left, const AttributeList& right,
                            SchemaList components) {
  if (textRoomLeft_ != SIZE_MAX) {
    // A text's bytes, its string and its line number.
    const std::size_t room = line_.size() + sizeof(std::string) + sizeof(std::size_t);
    if (room > textRoomLeft_) {
      std::vector<std::size_t>().swap(result_.dependencyLines);
      std::vector<std::string>().swap(result_.dependencyTexts);
      result_.textsDropped = true;
      keepTexts_ = false;
      return;
    }
    textRoomLeft_ -= room;
  }
  result_.dependencyLines.push_back(lineNumber_);
  result_.dependencyTexts.emplace_back(line_);
  if (!keepNames_) return;
  result_.dependencies.first.push_back(left);
  result_.dependencies.second.push_back(right);
  result_.joinComponents.push_back(std::move(components));
}

void Reader::WarnIfTrivial(std::string_view right) {
  // Every relation satisfies X->>Y when Y is empty or inside X, or when X and Y hold every
  // attribute together.
  seen_.Next(names_.size(), leftColumns_.size());
  for (Column c : leftColumns_) seen_.Mark(c);
  std::size_t outside = 0;
  for (Column c : rightColumns_) outside += seen_.Marked(c) ? 0 : 1;
  if (outside != 0 && leftColumns_.size() + outside < result_.resolved.columns) return;
  Warn(right,
       "trivial multivalued dependency: its right-hand side is empty, inside its left-hand side, "
       "or holds every other attribute; it always holds");
}

void Reader::AddJoinLine(std::string_view line) {
  if (line.size() < 3 || line.back() != ')') {
    Warn("join dependency without its closing \")\"; line ignored");
    return;
  }
  const std::string_view inside = line.substr(2, line.size() - 3);
  std::vector<std::vector<Column>> components;
  SchemaList names;
  for (std::size_t start = 0;;) {
    const std::size_t bar = inside.find('|', start);
    const std::string_view text =
        inside.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start);
    ForEachName(text, [&](std::string_view name) { CheckName(name); });
    Resolve(text, leftColumns_, "ignored in the join dependency");
    std::sort(leftColumns_.begin(), leftColumns_.end());
    components.push_back(leftColumns_);
    if (keepNames_) {
      SplitNames(text, left_);
      names.push_back(left_);
    }
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  // Resolve stamps each component's columns anew: the union gets a mark of its own.
  std::vector<std::uint8_t> inUnion(result_.resolved.columns, 0);
  std::size_t coveredCount = 0;
  for (const std::vector<Column>& component : components) {
    for (Column c : component) {
      coveredCount += inUnion[c] == 0 ? 1 : 0;
      inUnion[c] = 1;
    }
  }
  if (components.size() < 2) {
    Warn("join dependency with one component; it always holds");
    components.clear();
  } else if (coveredCount < result_.resolved.columns) {
    Warn(
        "join dependency does not name every attribute (an embedded join dependency); it is "
        "ignored");
    components.clear();
  }
  result_.resolved.dependencies.AddJoin(components);
  if (keepTexts_) KeepDependency({}, {}, std::move(names));
}

bool Reader::Resolve(std::string_view names, std::vector<Column>& columns,
                     const char* consequence) {
  columns.clear();
  // Every name is at least a byte or a comma.
  seen_.Next(names_.size(), names.size() + 1);
  unknownNamesWarned_.Clear();
  bool known = true;
  ForEachName(names, [&](std::string_view name) {
    std::uint32_t column = names_.Find(name);
    if (column == NamePool::kMissing) {
      known = false;
      if (unknownNamesWarned_.Insert(name)) {
        Warn(name, [&] {
          return "attribute " + Quoted(std::string(name)) + " is in no sub-schema; " + consequence;
        });
        HintAtUnknownName(name);
      }
    } else if (seen_.Mark(column)) {
      columns.push_back(Column(column));
    }
  });
  return known;
}

void Reader::CheckName(std::string_view name) {
  if (name.empty()) {
    if (!emptyNameWarned_) {
      Warn(name,
           "empty attribute name; a doubled, leading or trailing comma, or an empty side, "
           "makes one");
      emptyNameWarned_ = true;
    }
    return;
  }
  bool begins = IsBlank(name.front());
  bool ends = IsBlank(name.back());
  if (!begins && !ends) return;
  if (!blankNamesWarned_.Insert(name)) return;
  const char* where = begins && ends ? "begins and ends" : begins ? "begins" : "ends";
  Warn(name, [&] {
    return "attribute " + Quoted(std::string(name)) + " " + where +
           " with a blank; names are taken as written";
  });
}

void Reader::WarnAboutCase(std::uint32_t first, std::string_view name) {
  Warn(name, [&] {
    return "attributes " + Quoted(std::string(names_[first])) + " and " +
           Quoted(std::string(name)) + " differ only in letter case; they are two attributes";
  });
}

}  // namespace

ParsedInput ReadInput(std::istream& in, Warnings& warnings, bool keepNames, DependencyUse use,
                      std::size_t compactEvery, std::size_t textRoom) {
  return Reader(in, warnings, keepNames, use, compactEvery, textRoom).Read();
}

ParsedInput ReadDependencyLine(const AttributeList& attributes, std::string_view line,
                               Warnings& warnings) {
  std::istringstream none;
  return Reader(none, warnings, true).ReadDependency(attributes, line);
}
