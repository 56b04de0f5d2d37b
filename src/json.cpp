#include "json.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace {

// The length of the valid UTF-8 sequence of two to four bytes that starts at text[at], or 0
// when there is none there: no overlong form, no surrogate, nothing past U+10FFFF.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[at + i]); };
  const std::uint8_t lead = byte(0);
  std::size_t length = 0;
  std::uint8_t low = 0x80;  // the range of the second byte, which rules out the bad forms
  std::uint8_t high = 0xbf;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    if (lead == 0xe0) low = 0xa0;   // overlong
    if (lead == 0xed) high = 0x9f;  // surrogates
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    if (lead == 0xf0) low = 0x90;   // overlong
    if (lead == 0xf4) high = 0x8f;  // past U+10FFFF
  } else {
    return 0;
  }
  if (at + length > text.size() || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xbf) return 0;
  }
  return length;
}

// A byte that a JSON string holds as it is: printable ASCII but the quote and the backslash.
bool IsPlainJson(unsigned char c) { return c >= 0x20 && c < 0x7f && c != '"' && c != '\\'; }

void AppendEscape(std::string& json, unsigned code) {
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\u%04x", code);
  json += escape;
}

}  // namespace

std::string JsonWarning(std::size_t line, std::size_t column, std::string_view message) {
  return "{\"line\":" + std::to_string(line) + ",\"column\":" + std::to_string(column) +
         ",\"message\":" + JsonString(message) + "}";
}

std::string JsonWarnings(const std::vector<Warning>& warnings) {
  std::string json = "[";
  for (std::size_t i = 0; i < warnings.size(); ++i) {
    if (i != 0) json += ',';
    json += JsonWarning(warnings[i].line, warnings[i].column, warnings[i].message);
  }
  return json + "]";
}

std::string JsonPreservation(const std::optional<NotPreservedTexts>& notPreserved) {
  if (!notPreserved) return "\"dependency_preserving\":null,\"not_preserved\":null";
  std::string json = "\"dependency_preserving\":";
  json += notPreserved->empty() ? "true" : "false";
  json += ",\"not_preserved\":[";
  for (std::size_t i = 0; i < notPreserved->size(); ++i) {
    if (i != 0) json += ',';
    json += "{\"line\":" + std::to_string((*notPreserved)[i].first) +
            ",\"dependency\":" + JsonString((*notPreserved)[i].second) + "}";
  }
  return json + "]";
}

std::string JsonString(std::string_view text) {
  std::string json = "\"";
  json.reserve(text.size() + 2);
  for (std::size_t at = 0; at < text.size();) {
    // A run of bytes that stand for themselves is appended at once.
    std::size_t plain = at;
    while (plain < text.size() && IsPlainJson(static_cast<unsigned char>(text[plain]))) ++plain;
    json.append(text, at, plain - at);
    at = plain;
    if (at == text.size()) break;
    const auto c = static_cast<unsigned char>(text[at]);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += static_cast<char>(c);
    } else if (c == '\n') {
      json += "\\n";
    } else if (c == '\t') {
      json += "\\t";
    } else if (c == '\r') {
      json += "\\r";
    } else if (c < 0x20 || c == 0x7f) {
      AppendEscape(json, c);
    } else if (c < 0x80) {
      json += static_cast<char>(c);
    } else if (const std::size_t length = Utf8SequenceAt(text, at); length != 0) {
      json.append(text.substr(at, length));
      at += length;
      continue;
    } else {
      AppendEscape(json, c);
    }
    ++at;
  }
  json += '"';
  return json;
}
