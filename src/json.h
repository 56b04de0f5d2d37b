#pragma once

#include <string>
#include <string_view>

// text as a JSON string, quotes included: quotes, backslashes and control bytes escaped, UTF-8
// kept as it is. A byte that is not part of valid UTF-8 is read as Latin-1 (0xE9 becomes
// "\u00e9"): names in any bytes make valid JSON, and legacy text stays readable.
std::string JsonString(std::string_view text);
