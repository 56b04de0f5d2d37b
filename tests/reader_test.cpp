#include "reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "warnings.h"

namespace {

struct Read {
  ParsedInput input;
  std::string warnings;
};

Read ReadText(const std::string& text) {
  std::istringstream in(text);
  std::ostringstream err;
  Warnings warnings(err, "in.txt");
  Read read{ReadInput(in, warnings, true), ""};
  warnings.Finish();
  read.warnings = err.str();
  return read;
}

// A warning as the reader writes it, at a line and a byte column.
std::string W(int line, int column, const std::string& message) {
  return "in.txt:" + std::to_string(line) + ":" + std::to_string(column) + ": warning: " + message +
         "\n";
}

const std::string kTakenAsWritten = " with a blank; names are taken as written";
const std::string kEmptyName =
    "empty attribute name; a doubled, leading or trailing comma, or an empty side, makes one";

struct WarningCase {
  const char* what;
  std::string input;
  std::string warnings;
};

constexpr char kTrivial[] =
    "trivial multivalued dependency: its right-hand side is empty, inside its left-hand side, or "
    "holds every other attribute; it always holds";

TEST(ReaderTest, WarnsAboutWhatLooksLikeAMistake) {
  const WarningCase cases[] = {
      {"blank after a comma", "A, B\n", W(1, 3, "attribute \" B\" begins" + kTakenAsWritten)},
      {"tab and trailing blank, each once per line", "A\t,B \nB ,B \n\nB \t->A\t,A\t\n",
       W(1, 1, "attribute \"A\\x09\" ends" + kTakenAsWritten) +
           W(1, 4, "attribute \"B \" ends" + kTakenAsWritten) +
           W(2, 1, "attribute \"B \" ends" + kTakenAsWritten) +
           W(4, 1, "attribute \"B \\x09\" ends" + kTakenAsWritten) +
           W(4, 6, "attribute \"A\\x09\" ends" + kTakenAsWritten) +
           W(4, 1, "attribute \"B \\x09\" is in no sub-schema; the dependency never applies")},
      {"blanks only", "  \n", W(1, 1, "attribute \"  \" begins and ends" + kTakenAsWritten)},
      {"a dependency among the sub-schemas", "A,B\nB->A\n",
       W(2, 2, "sub-schema holds \"->\"; is the empty line before the dependencies missing?")},
      {"a comment line", "# hw 3\nA\n",
       W(1, 1,
         "sub-schema begins with \"#\"; there are no comments: the line is read as a "
         "sub-schema")},
      {"carriage returns inside lines", "A\rB\r\r\n\nA\rB\r->A\rB\r\r\n",
       W(1, 2,
         "carriage return inside the line; lines end only at a line feed (old Mac line "
         "ends?)") +
           W(3, 2,
             "carriage return inside the line; lines end only at a line feed (old Mac line "
             "ends?)")},
      {"UTF-16 little endian, one warning only", std::string("A\0,\0 \0B\0\r\0\n\0", 12),
       W(1, 1, "the file looks like UTF-16 or UTF-32 text; save it as UTF-8")},
      {"UTF-16 big endian", std::string("\0A\0\n", 4),
       W(1, 1, "the file looks like UTF-16 or UTF-32 text; save it as UTF-8")},
      {"UTF-16 byte order mark", "\xfe\xff",
       W(1, 1, "the file looks like UTF-16 or UTF-32 text; save it as UTF-8")},
      {"UTF-32 big endian byte order mark", std::string("\0\0\xfe\xff", 4),
       W(1, 1, "the file looks like UTF-16 or UTF-32 text; save it as UTF-8")},
      {"empty names, once per line", "A,,B,\n,C\n\n->A\nA->B,,\n",
       W(1, 3, kEmptyName) + W(2, 1, kEmptyName) + W(4, 1, kEmptyName) + W(5, 6, kEmptyName)},
      {"more than one arrow", "A,B\n\nA->B->C\nA->>C->B\n",
       W(3, 4, "more than one \"->\": the text \"B\" between the first and the last is not used") +
           W(3, 7, "attribute \"C\" is in no sub-schema; ignored on the right-hand side") +
           W(4, 5,
             "more than one arrow: the text \"C\" between the first and the last is not used") +
           W(4, 8, kTrivial)},
      {"names that differ only in letter case, once per pair", "Ab,b\nAB,B,ab\nB,aB,x\n",
       W(2, 1, "attributes \"Ab\" and \"AB\" differ only in letter case; they are two attributes") +
           W(2, 4,
             "attributes \"b\" and \"B\" differ only in letter case; they are two attributes") +
           W(2, 6,
             "attributes \"Ab\" and \"ab\" differ only in letter case; they are two attributes") +
           W(3, 3,
             "attributes \"Ab\" and \"aB\" differ only in letter case; they are two attributes")},
      {"a NUL in a name is no UTF-16", std::string("A\0B,C\n\0D\0\n", 10), ""},
      {"a name of one letter and a NUL is no UTF-16", std::string("A\0\nB\n", 5), ""},
      {"two NULs out of step are no UTF-16", std::string("A\0\0B\n", 5), ""},
      {"trivial multivalued dependencies", "A,B\nB,C\n\nA->>A\nB->>A,C\nA->>B\n",
       W(4, 5, kTrivial) + W(5, 5, kTrivial)},
      {"join dependencies that always hold, or that are not used",
       "A,B\nB,C\n\n*(A,B,C)\n*(A,B|B)\n*(A,B|B,C\n*(A,B|B,C)\n",
       W(4, 1, "join dependency with one component; it always holds") +
           W(5, 1,
             "join dependency does not name every attribute (an embedded join dependency); it "
             "is ignored") +
           W(6, 1, "join dependency without its closing \")\"; line ignored")},
      {"a clean file",
       "\xef\xbb\xbf"
       "A,B\r\nB,C\r\n\r\nB->C\r\n\r\n",
       ""},
      {"a lone CR at the very end is a line end", "A,B\nB\n\nB->A\r", ""},
  };
  for (const WarningCase& c : cases) EXPECT_EQ(ReadText(c.input).warnings, c.warnings) << c.what;
}

TEST(ReaderTest, StopsListingWarningsAfterFiftyAndCountsTheRest) {
  std::string text = "A\n\n";
  for (int i = 0; i < 53; ++i) text += "A-B\n";
  std::string warnings = ReadText(text).warnings;
  EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 51);
  EXPECT_EQ(warnings.find(W(3, 1, "no \"->\" in dependency; line ignored")), 0u);
  EXPECT_NE(warnings.find(W(52, 1, "no \"->\" in dependency; line ignored") +
                          "lossless-join: in.txt: 3 more warnings not shown\n"),
            std::string::npos)
      << warnings;

  std::string one = "A\n\n";
  for (int i = 0; i < 51; ++i) one += "A-B\n";
  EXPECT_NE(ReadText(one).warnings.find("in.txt: 1 more warning not shown\n"), std::string::npos);
}

// Many names on one line, each written twice: each warns once on its line, again on the next,
// and the warnings past the cap are still counted one by one.
TEST(ReaderTest, WarnsOncePerNameAndLineHoweverManyNamesALineHas) {
  std::string names;
  for (int i = 0; i < 300; ++i) names += " n" + std::to_string(i) + ",";
  names += names;
  names.pop_back();
  const std::string warnings = ReadText(names + "\n" + names + "\n\nX->" + names + "\n").warnings;
  // 300 blank names on each of lines 1, 2 and 4, and the unknown X: 901 warnings.
  EXPECT_NE(warnings.find("in.txt: 851 more warnings not shown\n"), std::string::npos) << warnings;
  EXPECT_EQ(warnings.find(W(1, 1, "attribute \" n0\" begins" + kTakenAsWritten)), 0u);
}

TEST(ReaderTest, ANameWrittenTwiceInASubSchemaIsOneColumn) {
  const std::string text = "B,A,B,,A,\nC\n\nA->C\n";
  Read read = ReadText(text);
  EXPECT_EQ(read.input.attributes, (AttributeList{"", "A", "B", "C"}));
  const ColumnLists& rows = read.input.resolved.rowColumns;
  ASSERT_EQ(rows.size(), 2u);
  // In the order first written.
  EXPECT_EQ(std::vector<Column>(rows[0].begin(), rows[0].end()),
            (std::vector<Column>{Column(2), Column(1), Column(0)}));
  EXPECT_EQ(read.input.decomposition.front(), (AttributeList{"B", "A", "B", "", "A", ""}));
  // Without the names, the same columns and no names at all.
  std::istringstream in(text);
  std::ostringstream err;
  Warnings warnings(err, "in.txt");
  const ParsedInput bare = ReadInput(in, warnings, false);
  EXPECT_EQ(bare.resolved.rowColumns[0].size(), 3u);
  EXPECT_EQ(bare.resolved.RowNo(), 2u);
  EXPECT_TRUE(bare.decomposition.empty());
}

TEST(ReaderTest, AByteOrderMarkIsNoPartOfTheFirstName) {
  Read read = ReadText(
      "\xef\xbb\xbf"
      "A,B\nA,C\n\nA->C\n");
  EXPECT_EQ(read.input.attributes, (AttributeList{"A", "B", "C"}));
  EXPECT_EQ(read.input.decomposition.front(), (AttributeList{"A", "B"}));
  EXPECT_EQ(read.warnings, "");
  // Only at the very start: elsewhere the same bytes belong to a name.
  EXPECT_EQ(ReadText("A\n\xef\xbb\xbf"
                     "B\n")
                .input.attributes,
            (AttributeList{"A",
                           "\xef\xbb\xbf"
                           "B"}));
  // A file that holds only a byte order mark has no sub-schema, like an empty one.
  EXPECT_TRUE(ReadText("\xef\xbb\xbf\nA->B\n").input.decomposition.empty());
}

// Random sub-schemas, some longer than the names the reader looks up ahead, of names with
// case variants and duplicates: the columns and the case warnings, with the names kept and
// without, against a plain model of what the reader does. Every tenth input starts with a line
// longer than the reader's block of the file, and every other fifth has such lines after a
// short one: without names kept, their names are moved into place over the line itself, behind
// the names of the lines before, while those take no more room than the line. Every twentieth
// starts with a byte order mark.
TEST(ReaderTest, ColumnsAndCaseWarningsMatchAPlainModelOnRandomSubSchemas) {
  const std::vector<std::string> vocabulary = {"a",
                                               "A",
                                               "ab",
                                               "aB",
                                               "Ab",
                                               "x1",
                                               "X1",
                                               "LongerName_with_Capitals",
                                               "longername_WITH_capitals",
                                               "q",
                                               "r",
                                               "s",
                                               "t",
                                               "u",
                                               "v",
                                               "w",
                                               "@",
                                               "`",
                                               "[",
                                               "{"};
  std::mt19937 random(11);
  for (int round = 0; round < 300; ++round) {
    std::string text = round % 20 == 0 ? "\xEF\xBB\xBF" : "";
    std::vector<std::string> firstSeen;          // the attributes in the order first written
    std::vector<std::vector<std::string>> rows;  // per line, its names each once
    std::string expectedWarnings;
    std::set<std::string> seen;
    std::map<std::string, std::string> firstOfFolded;
    const std::size_t lines = 1 + random() % 4;
    for (std::size_t line = 1; line <= lines; ++line) {
      const bool longLine = round % 5 == 0 && (line == 1) == (round % 10 == 0);
      const std::size_t count = longLine ? 20000 : 1 + random() % 40;
      std::vector<std::string> row;
      std::set<std::string> inRow;
      std::size_t column = 1;
      for (std::size_t i = 0; i < count; ++i) {
        // A long line mostly names numbered attributes, which have no case variants: after a
        // short line, new ones, so that the names held outgrow the next long line.
        const std::string numbered = round % 10 == 0
                                         ? "n" + std::to_string(random() % 4000)
                                         : "n" + std::to_string(line) + "_" + std::to_string(i);
        const std::string name =
            longLine && random() % 4 != 0 ? numbered : vocabulary[random() % vocabulary.size()];
        if (i != 0) text += ',';
        text += name;
        if (seen.insert(name).second) {
          // The first attribute that differs from it only in case, if any.
          std::string folded = name;
          for (char& c : folded) c = static_cast<char>(std::tolower(c));
          const auto earlier = firstOfFolded.emplace(folded, name).first->second;
          if (earlier != name) {
            expectedWarnings += W(static_cast<int>(line), static_cast<int>(column),
                                  "attributes \"" + earlier + "\" and \"" + name +
                                      "\" differ only in letter case; they are two attributes");
          }
          firstSeen.push_back(name);
        }
        if (inRow.insert(name).second) row.push_back(name);
        column += name.size() + 1;
      }
      rows.push_back(row);
      text += '\n';
    }
    std::vector<std::string> sorted = firstSeen;
    std::sort(sorted.begin(), sorted.end());
    const Read read = ReadText(text);
    ASSERT_EQ(read.warnings, expectedWarnings) << text;
    EXPECT_EQ(read.input.attributes, sorted);
    std::istringstream in(text);
    std::ostringstream err;
    Warnings warnings(err, "in.txt");
    const ParsedInput bare = ReadInput(in, warnings, false);
    warnings.Finish();
    ASSERT_EQ(err.str(), expectedWarnings) << text;
    ASSERT_EQ(bare.resolved.columns, firstSeen.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
      std::vector<std::string> named, bareNamed;
      for (Column c : read.input.resolved.rowColumns[r]) named.push_back(sorted[c]);
      for (Column c : bare.resolved.rowColumns[r]) bareNamed.push_back(firstSeen[c]);
      EXPECT_EQ(named, rows[r]) << text;
      EXPECT_EQ(bareNamed, rows[r]) << text;
    }
  }
}

// Random dependency lines of names of every length around the 8 and 16 bytes that a name is
// compared in, some that are prefixes of others, some unknown, some with bytes outside ASCII,
// at the start, middle and end of lines short and long: the columns of each side against a
// plain model, and no warning where every name is an attribute.
TEST(ReaderTest, DependencyColumnsMatchAPlainModelOnRandomLines) {
  const std::vector<std::string> known = {"a",
                                          "A",
                                          "a1",
                                          "a12",
                                          "abcdefg",
                                          "abcdefgh",
                                          "abcdefghi",
                                          "ABCDEFGHI",
                                          "p_q.r:s/t",
                                          "abcdefghijklmno",
                                          "abcdefghijklmnop",
                                          "abcdefghijklmnopq",
                                          "x\xc3\xa9",
                                          "\xc3\xa9t\xc3\xa9"};
  const std::vector<std::string> unknown = {"a123", "abcdefgh1", "abcdefghijklmnopX", "B", "ab"};
  std::mt19937 random(12);
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> order = known;
    std::shuffle(order.begin(), order.end(), random);
    std::string text;
    for (std::size_t i = 0; i < order.size(); ++i) text += (i == 0 ? "" : ",") + order[i];
    text += "\n\n";
    std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> lines;
    bool allKnown = true;
    for (int line = 0; line < 20; ++line) {
      std::pair<std::vector<std::string>, std::vector<std::string>> sides;
      for (auto* side : {&sides.first, &sides.second}) {
        const std::size_t count = 1 + random() % (side == &sides.first ? 5 : 3);
        for (std::size_t i = 0; i < count; ++i) {
          const bool isKnown = random() % 12 != 0;
          allKnown = allKnown && isKnown;
          side->push_back(isKnown ? known[random() % known.size()]
                                  : unknown[random() % unknown.size()]);
        }
      }
      for (std::size_t i = 0; i < sides.first.size(); ++i)
        text += (i == 0 ? "" : ",") + sides.first[i];
      text += "->";
      for (std::size_t i = 0; i < sides.second.size(); ++i)
        text += (i == 0 ? "" : ",") + sides.second[i];
      text += "\n";
      lines.push_back(sides);
    }
    for (const bool keepNames : {false, true}) {
      std::istringstream in(text);
      std::ostringstream err;
      Warnings warnings(err, "in.txt");
      const ParsedInput read = ReadInput(in, warnings, keepNames);
      warnings.Finish();
      if (allKnown) {
        EXPECT_EQ(err.str(), "") << text;
      }
      std::vector<std::string> byColumn = keepNames ? read.attributes : order;
      auto columnOf = [&](const std::string& name) {
        return static_cast<std::uint32_t>(std::find(byColumn.begin(), byColumn.end(), name) -
                                          byColumn.begin());
      };
      ASSERT_EQ(read.resolved.dependencies.size(), lines.size()) << text;
      for (std::size_t j = 0; j < lines.size(); ++j) {
        std::vector<std::uint32_t> left, right;
        bool applies = true;
        for (const std::string& name : lines[j].first) {
          applies = applies && columnOf(name) < byColumn.size();
          if (columnOf(name) < byColumn.size()) left.push_back(columnOf(name));
        }
        std::sort(left.begin(), left.end());
        left.erase(std::unique(left.begin(), left.end()), left.end());
        if (!applies) left.clear();
        for (const std::string& name : lines[j].second) {
          const std::uint32_t c = columnOf(name);
          if (c < byColumn.size() && std::find(right.begin(), right.end(), c) == right.end())
            right.push_back(c);
        }
        const ResolvedDependencies& resolved = read.resolved.dependencies;
        EXPECT_EQ(std::vector<std::uint32_t>(resolved.Left(j).begin(), resolved.Left(j).end()),
                  left)
            << text << "line " << j;
        EXPECT_EQ(std::vector<std::uint32_t>(resolved.Right(j).begin(), resolved.Right(j).end()),
                  right)
            << text << "line " << j;
      }
    }
  }
}

// A name followed by any byte that is no name byte of a plain line, then ">": no arrow, however
// the line is read, so the line is ignored.
TEST(ReaderTest, OnlyADashThenAGreaterThanSignIsAnArrow) {
  for (int byte = 1; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    if (c == '-' || c == '\n' || c == '\r' ||
        (byte > ' ' && byte < 127 && c != ',' && c != '*' && c != '(' && c != ')' && c != '|' &&
         c != '[' && c != ']' && c != '{' && c != '}' && c != ';' && c != '>')) {
      continue;
    }
    const std::string text = std::string("A,B\n\nA") + c + ">B\n";
    const Read read = ReadText(text);
    EXPECT_EQ(read.input.resolved.dependencies.size(), 0u) << "byte " << byte;
    EXPECT_NE(read.warnings.find("no \"->\" in dependency; line ignored"), std::string::npos)
        << "byte " << byte;
  }
}

TEST(ReaderTest, KeepsReadingUtf16AsBytes) {
  Read read = ReadText(std::string("A\0,\0B\0\n\0", 8));
  EXPECT_EQ(read.input.decomposition.size(), 2u);
  EXPECT_EQ(read.input.decomposition.front(),
            (AttributeList{std::string("A\0", 2), std::string("\0B\0", 3)}));
}

}  // namespace

namespace {

ParsedInput ReadWithTextRoom(const std::string& text, std::size_t room) {
  std::istringstream in(text);
  std::ostringstream err;
  Warnings warnings(err, "in.txt");
  return ReadInput(in, warnings, false, DependencyUse::kTextsWhileFew,
                   kDependenciesBetweenCompactions, room);
}

// Texts are kept, lines and all, while they fit the room, every kind of dependency line
// alike; one byte short, all of them go at once, and the dependencies read stay the same.
TEST(ReaderTest, DependencyTextsAreKeptWhileTheyFitTheirRoom) {
  const std::string text = "A,B\nB,C\n\nB->C\n#c\nA,B->>C\n*(A,B|B,C)\nB -> A\n";
  const std::vector<std::string> texts = {"B->C", "A,B->>C", "*(A,B|B,C)", "B -> A"};
  std::size_t room = 0;
  for (const std::string& t : texts) room += t.size() + sizeof(std::string) + sizeof(std::size_t);

  const ParsedInput fits = ReadWithTextRoom(text, room);
  EXPECT_FALSE(fits.textsDropped);
  EXPECT_EQ(fits.dependencyTexts, texts);
  EXPECT_EQ(fits.dependencyLines, (std::vector<std::size_t>{4, 6, 7, 8}));
  EXPECT_TRUE(fits.decomposition.empty());  // no names

  const ParsedInput over = ReadWithTextRoom(text, room - 1);
  EXPECT_TRUE(over.textsDropped);
  EXPECT_TRUE(over.dependencyTexts.empty());
  EXPECT_TRUE(over.dependencyLines.empty());
  ASSERT_EQ(over.resolved.dependencies.size(), fits.resolved.dependencies.size());
  for (std::size_t j = 0; j < fits.resolved.dependencies.size(); ++j) {
    EXPECT_EQ(over.resolved.dependencies.Kind(j), fits.resolved.dependencies.Kind(j));
    const ColumnSpan left = over.resolved.dependencies.Left(j);
    const ColumnSpan expected = fits.resolved.dependencies.Left(j);
    EXPECT_TRUE(std::equal(left.begin(), left.end(), expected.begin(), expected.end()));
  }
}

}  // namespace
