#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "warnings.h"

// text as a JSON string, quotes included: quotes, backslashes and control bytes escaped, UTF-8
// kept as it is. A byte that is not part of valid UTF-8 is read as Latin-1 (0xE9 becomes
// "\u00e9"): names in any bytes make valid JSON, and legacy text stays readable.
std::string JsonString(std::string_view text);

// One warning as a JSON object with "line", "column" and "message".
std::string JsonWarning(std::size_t line, std::size_t column, std::string_view message);
// The warnings as a JSON array of objects with "line", "column" and "message".
std::string JsonWarnings(const std::vector<Warning>& warnings);

// The dependencies not preserved, each its line and its text as written, as the members
// "dependency_preserving" and "not_preserved"; both null when preservation was not decided.
using NotPreservedTexts = std::vector<std::pair<std::size_t, std::string>>;
std::string JsonPreservation(const std::optional<NotPreservedTexts>& notPreserved);
