#include "escape.h"

#include <cstdio>

std::string EscapeBytes(const std::string& text, bool escapeQuotes) {
  std::string shown;
  for (char byte : text) {
    auto c = static_cast<unsigned char>(byte);
    if (c == '\\' || (escapeQuotes && c == '"')) {
      shown += '\\';
      shown += byte;
    } else if (c < 0x20 || c == 0x7f) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02x", c);
      shown += escape;
    } else {
      shown += byte;
    }
  }
  return shown;
}

std::string Quoted(const std::string& name) { return "\"" + EscapeBytes(name, true) + "\""; }
