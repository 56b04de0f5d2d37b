#pragma once

#include <string>

// text with control bytes as \xNN and a backslash as \\, so that it stays on one line;
// with escapeQuotes, a double quote becomes \" too.
std::string EscapeBytes(const std::string& text, bool escapeQuotes);

// A name as it stands in a one-line message: in double quotes, escaped.
std::string Quoted(const std::string& name);
