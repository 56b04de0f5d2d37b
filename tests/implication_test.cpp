// Implication on the exercises of the textbooks' sections on functional and multivalued
// dependencies, each asked as a user asks it: a relation of one sub-schema, a dependency line.

#include "implication.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "reader.h"

namespace {

bool Asked(const std::string& input, const std::string& dependency) {
  std::istringstream in(input);
  std::ostringstream messages;
  Warnings warnings(messages, "in.txt");
  const ParsedInput parsed = ReadInput(in, warnings, true);
  const ParsedInput asked = ReadDependencyLine(parsed.attributes, dependency, warnings);
  EXPECT_EQ(messages.str(), "") << dependency;
  return Implies(parsed.resolved, asked.resolved.dependencies, 0, {});
}

TEST(ImplicationTest, BookExercises) {
  const struct {
    const char* input;
    const char* asked;
    bool implied;
  } cases[] = {
      // Armstrong's axioms: transitivity, augmentation, and what does not follow.
      {"A,B,C\n\nA->B\nB->C\n", "A->C", true},
      {"A,B,C\n\nA->B\nB->C\n", "A,C->B,C", true},
      {"A,B,C\n\nA->B\nB->C\n", "C->A", false},
      {"A,B,C,D\n\nA,B->C\nC->D\n", "A->D", false},
      // A functional dependency is a multivalued one, not the other way round.
      {"A,B,C\n\nA->B\n", "A->>B", true},
      {"A,B,C\n\nA->>B\n", "A->B", false},
      // Complementation, union, and coalescence: A->>B with B->D gives A->D.
      {"A,B,C,D\n\nA->>B\n", "A->>C,D", true},
      {"A,B,C,D\n\nA->>B\nA->>C\n", "A->>B,C", true},
      {"A,B,C,D\n\nA->>B\nB->D\n", "A->D", true},
      {"A,B,C,D\n\nA->>B\nB->D\n", "A->>D", true},
      {"A,B,C,D\n\nA->>B\nB->D\n", "A->C", false},
      // Multivalued transitivity: A->>B and B->>C give A->>C-B.
      {"A,B,C,D\n\nA->>B\nB->>C\n", "A->>C", true},
      {"A,B,C,D\n\nA->>B\nB->>C\n", "B->>A", false},
      // A join dependency and the multivalued dependencies of its tree.
      {"A,B,C\n\n*(A,B|B,C)\n", "B->>A", true},
      {"A,B,C\n\nB->>A\n", "*(A,B|B,C)", true},
      {"A,B,C\n\n*(A,B|B,C|A,C)\n", "B->>A", false},
      {"A,B,C\n\nA->B\n", "*(A,B|A,C)", true},
  };
  for (const auto& c : cases) EXPECT_EQ(Asked(c.input, c.asked), c.implied) << c.input << c.asked;
}

}  // namespace
