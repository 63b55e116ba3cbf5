#include "console/script_text.h"

namespace console {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// The position after the quoted token that starts at `i` with `open`.
std::size_t skipQuoted(std::string_view s, std::size_t i, char close) {
  for (++i; i < s.size(); ++i) {
    if (s[i] != close) continue;
    // A doubled closing quote stands for itself, except in [...].
    if (close != ']' && i + 1 < s.size() && s[i + 1] == close) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return s.size();
}

}  // namespace

std::size_t statementsEnd(std::string_view s) {
  std::size_t end = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (isBlank(c) || c == ';') {
      ++i;
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      const std::size_t line_end = s.find('\n', i);
      i = line_end == std::string_view::npos ? s.size() : line_end + 1;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      const std::size_t close = s.find("*/", i + 2);
      i = close == std::string_view::npos ? s.size() : close + 2;
    } else {
      switch (c) {
        case '\'': i = skipQuoted(s, i, '\''); break;
        case '"': i = skipQuoted(s, i, '"'); break;
        case '`': i = skipQuoted(s, i, '`'); break;
        case '[': i = skipQuoted(s, i, ']'); break;
        default: ++i;
      }
      end = i;
    }
  }
  return end;
}

}  // namespace console
