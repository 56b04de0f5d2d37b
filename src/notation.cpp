#include "notation.h"

#include <algorithm>

#include "escape.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The names of a list that uses blanks, commas or both between them, joined by commas.
std::string CommaList(std::string_view text) {
  std::string list;
  bool separated = false;
  for (char c : text) {
    if (IsBlank(c) || c == ',') {
      separated = true;
      continue;
    }
    if (separated && !list.empty()) list += ',';
    separated = false;
    list += c;
  }
  return list;
}

// Escaped as every message escapes names: a warning stays one line.
std::string Shown(std::string_view text) { return EscapeBytes(std::string(text), false); }

}  // namespace

std::string SchemaLineHint(std::string_view line) {
  // Most lines hold none of the bytes these notations need: one pass tells.
  const bool mayHint = std::any_of(line.begin(), line.end(), [](char c) {
    return c == ';' || c == '(' || c == '{' || c == '[' || IsBlank(c);
  });
  if (!mayHint) return "";
  const std::string_view trimmed = Trimmed(line);
  if (trimmed.empty()) return "";
  const char open = trimmed.front();
  if ((open == '{' && trimmed.find('}') != std::string_view::npos) ||
      (open == '[' && trimmed.find(']') != std::string_view::npos)) {
    // Each group in braces is a sub-schema of its own line.
    const char close = open == '{' ? '}' : ']';
    std::string lines;
    for (std::size_t at = trimmed.find(open); at != std::string_view::npos;
         at = trimmed.find(open, at + 1)) {
      const std::size_t end = trimmed.find(close, at);
      if (end == std::string_view::npos) break;
      lines += (lines.empty() ? "" : " then ") + CommaList(trimmed.substr(at + 1, end - at - 1));
      at = end;
    }
    return "sub-schema in braces or brackets; write one sub-schema per line, without them: " +
           Shown(lines);
  }
  if (line.find(';') != std::string_view::npos) {
    return "\";\" in a sub-schema; write one sub-schema per line, with commas between its "
           "attributes only";
  }
  const std::size_t paren = line.find('(');
  const std::size_t comma = line.find(',');
  if (paren != std::string_view::npos && paren > 0 && comma != std::string_view::npos &&
      paren < comma && trimmed.back() == ')') {
    const std::string_view inside = line.substr(paren + 1, line.rfind(')') - paren - 1);
    return "sub-schema written with a relation name, " + Quoted(std::string(trimmed)) +
           "; write only its attributes, as " + Shown(CommaList(inside));
  }
  // A line that begins with "#" is warned about as a comment already.
  if (comma == std::string_view::npos && trimmed.front() != '#') {
    const bool innerBlank = std::find_if(trimmed.begin(), trimmed.end(), IsBlank) != trimmed.end();
    if (innerBlank) {
      return "sub-schema " + Quoted(std::string(line)) +
             " is one attribute with blanks in its name; attributes are separated by commas, "
             "as " +
             Shown(CommaList(trimmed));
    }
  }
  return "";
}

bool IsRunOfLetters(std::string_view name) {
  if (name.size() < 2 || name.size() > 26) return false;
  bool seen[26] = {};
  for (char c : name) {
    if (c < 'A' || c > 'Z' || seen[c - 'A']) return false;
    seen[c - 'A'] = true;
  }
  return true;
}

std::string SpelledOut(std::string_view name) {
  std::string spelled;
  for (char c : name) {
    if (!spelled.empty()) spelled += ',';
    spelled += c;
  }
  return spelled;
}

std::string DependencyLineHint(std::string_view line, std::string_view left, std::string_view right,
                               std::string_view arrow) {
  // "[A,B] --> C": the arrow found is the "->" of "-->", after "[A,B] -".
  std::string_view bracketed = Trimmed(left);
  while (!bracketed.empty() && (bracketed.back() == '-' || IsBlank(bracketed.back())))
    bracketed.remove_suffix(1);
  if (!bracketed.empty() && bracketed.front() == '[' && bracketed.back() == ']') {
    std::string_view rest = Trimmed(right);
    if (!rest.empty() && rest.front() == '[' && rest.back() == ']')
      rest = rest.substr(1, rest.size() - 2);
    return "dependency written with brackets, " + Quoted(std::string(Trimmed(line))) + "; write " +
           Shown(CommaList(bracketed.substr(1, bracketed.size() - 2)) + std::string(arrow) +
                 CommaList(rest));
  }
  // "B -> C": blanks next to the arrow, and none inside either side.
  const bool blankBefore = !left.empty() && IsBlank(left.back());
  const bool blankAfter = !right.empty() && IsBlank(right.front());
  const auto hasBlank = [](std::string_view text) {
    return std::find_if(text.begin(), text.end(), IsBlank) != text.end();
  };
  if ((blankBefore || blankAfter) && !Trimmed(left).empty() && !Trimmed(right).empty() &&
      !hasBlank(Trimmed(left)) && !hasBlank(Trimmed(right))) {
    return "blanks around the arrow are part of the names; write " +
           Shown(std::string(Trimmed(left)) + std::string(arrow) + std::string(Trimmed(right)));
  }
  return "";
}

std::string NearMissKey(std::string_view name) {
  std::string key(Trimmed(name));
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return key;
}
