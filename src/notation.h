#pragma once

// Notations that textbooks and other tools use and this format does not: the reader keeps
// its byte-for-byte reading, and these say what the line likely meant, in a warning that
// names the fix. Each looks for a shape that a correctly written file does not have, so that
// such a file stays silent.

#include <string>
#include <string_view>

// A sub-schema line written in another notation, and how to write it, or an empty text:
// - blanks instead of commas: "A B C";
// - a relation name: "R1(A,B,C)";
// - braces or brackets around sub-schemas: "{A,B,C}, {C,D}";
// - semicolons between sub-schemas: "A,B;B,C".
std::string SchemaLineHint(std::string_view line);

// Whether name is two or more distinct ASCII capital letters and nothing else, as "ABC": in
// a file whose every sub-schema is one such name, single-letter attributes were written
// without commas.
bool IsRunOfLetters(std::string_view name);

// name with a comma between its letters: "A,B,C" for "ABC".
std::string SpelledOut(std::string_view name);

// A dependency line written in another notation, and how to write it, or an empty text:
// - brackets, as dependency-discovery tools print them: "[A,B] --> C";
// - blanks around the arrow: "B -> C".
// left and right are the line's sides, arrow the text of its first arrow.
std::string DependencyLineHint(std::string_view line, std::string_view left, std::string_view right,
                               std::string_view arrow);

// name without blanks at either end and with ASCII letters in lower case: two names with the
// same key differ only in letter case or blanks.
std::string NearMissKey(std::string_view name);
