#include "notation.h"

#include <gtest/gtest.h>

namespace {

TEST(NotationTest, SchemaLinesInOtherNotationsNameTheFix) {
  EXPECT_EQ(SchemaLineHint("A B  C"),
            "sub-schema \"A B  C\" is one attribute with blanks in its name; attributes are "
            "separated by commas, as A,B,C");
  EXPECT_EQ(SchemaLineHint("R1(A,B,C)"),
            "sub-schema written with a relation name, \"R1(A,B,C)\"; write only its attributes, "
            "as A,B,C");
  EXPECT_EQ(SchemaLineHint("{A,B}, {B, C}"),
            "sub-schema in braces or brackets; write one sub-schema per line, without them: A,B "
            "then B,C");
  EXPECT_EQ(SchemaLineHint("[A,B]"),
            "sub-schema in braces or brackets; write one sub-schema per line, without them: A,B");
  EXPECT_NE(SchemaLineHint("A,B;B,C"), "");
}

TEST(NotationTest, CorrectSchemaLinesAreLeftAlone) {
  for (const char* line : {"A,B,C", "first name,last name", "price(USD),qty", "a,price(USD)", "SSN",
                           "A", "# homework 3", "{A", " "}) {
    EXPECT_EQ(SchemaLineHint(line), "") << line;
  }
}

TEST(NotationTest, RunsOfCapitalLetters) {
  EXPECT_TRUE(IsRunOfLetters("ABC"));
  EXPECT_TRUE(IsRunOfLetters("DE"));
  for (const char* name : {"A", "SSN", "Ab", "A1", "AB ", ""}) EXPECT_FALSE(IsRunOfLetters(name));
  EXPECT_EQ(SpelledOut("ABC"), "A,B,C");
}

TEST(NotationTest, DependencyLinesInOtherNotationsNameTheFix) {
  // "[A,B] --> C" is cut at the "->" of "-->".
  EXPECT_EQ(DependencyLineHint("[A,B] --> C", "[A,B] -", " C", "->"),
            "dependency written with brackets, \"[A,B] --> C\"; write A,B->C");
  EXPECT_EQ(DependencyLineHint("A,B -> C", "A,B ", " C", "->"),
            "blanks around the arrow are part of the names; write A,B->C");
  EXPECT_EQ(DependencyLineHint("A ->> B", "A ", " B", "->>"),
            "blanks around the arrow are part of the names; write A->>B");
  for (const char* line : {"A->B", "A,B->C"}) {
    const std::string text(line);
    const std::size_t arrow = text.find("->");
    EXPECT_EQ(DependencyLineHint(text, text.substr(0, arrow), text.substr(arrow + 2), "->"), "");
  }
  // Blanks inside a side are a slip of their own, warned about name by name.
  EXPECT_EQ(DependencyLineHint("A, B -> C", "A, B ", " C", "->"), "");
}

TEST(NotationTest, NearMissesDifferOnlyInLetterCaseOrBlanks) {
  EXPECT_EQ(NearMissKey(" Name\t"), "name");
  EXPECT_EQ(NearMissKey("b"), NearMissKey("B"));
  EXPECT_NE(NearMissKey("B1"), NearMissKey("B"));
}

}  // namespace
