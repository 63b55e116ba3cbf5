// Text operations of the title-formatting language; see text_ops.h.
#include "player/titleformat/text_ops.h"

#include <charconv>
#include <limits>

#include "host/text.h"

namespace player::titleformat {
namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Calls fn(code point) for each code point of `text`, or appends an invalid
// byte unchanged.
template <typename Fn>
void mapEach(std::string& out, std::string_view text, Fn fn) {
  out.reserve(out.size() + text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    const char32_t c = host::decodeUtf8(text, pos);
    if (c == host::kReplacementChar && pos - start == 1 &&
        static_cast<unsigned char>(text[start]) >= 0x80) {
      out.push_back(text[start]);
    } else {
      host::appendUtf8(out, fn(c));
    }
  }
}

// The leading run of digits of `text` after blanks, without leading zeros
// (but keeping a last "0"); empty when `text` does not start with a digit.
std::string_view leadingNumber(std::string_view text) {
  text = host::trimBlanks(text);
  std::size_t end = 0;
  while (end < text.size() && isDigit(text[end])) ++end;
  std::size_t start = 0;
  while (start + 1 < end && text[start] == '0') ++start;
  return text.substr(start, end - start);
}

}  // namespace

const CommonFields& commonFields() {
  static const CommonFields fields{
      host::internField("artist"),      host::internField("album artist"),
      host::internField("title"),       host::internField("tracknumber"),
      host::internField("discnumber"),
  };
  return fields;
}

std::string_view stripFileScheme(std::string_view path) {
  constexpr std::string_view kScheme = "file://";
  return path.starts_with(kScheme) ? path.substr(kScheme.size()) : path;
}

std::string_view fileNameWithExt(std::string_view path) {
  std::size_t start = path.size();
  while (start > 0 && !isSeparator(path[start - 1])) --start;
  return path.substr(start);
}

std::string_view fileNameNoExt(std::string_view path) {
  const std::string_view name = fileNameWithExt(path);
  const std::size_t dot = name.rfind('.');
  return (dot == std::string_view::npos || dot == 0) ? name : name.substr(0, dot);
}

std::string_view extension(std::string_view path) {
  const std::string_view name = fileNameWithExt(path);
  const std::size_t dot = name.rfind('.');
  return (dot == std::string_view::npos || dot == 0) ? std::string_view() : name.substr(dot + 1);
}

std::string_view directoryName(std::string_view path, int64_t levels) {
  if (levels < 1) levels = 1;
  std::size_t end = path.size();
  for (int64_t level = 0;; ++level) {
    while (end > 0 && isSeparator(path[end - 1])) --end;
    if (end == 0) return {};
    std::size_t start = end;
    while (start > 0 && !isSeparator(path[start - 1])) --start;
    if (level == levels) return path.substr(start, end - start);
    end = start;
  }
}

int64_t parseNumber(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';
  // Accumulate the magnitude negatively so that INT64_MIN fits.
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  int64_t value = 0;
  for (; pos < text.size() && isDigit(text[pos]); ++pos) {
    const int digit = text[pos] - '0';
    if (value < (kMin + digit) / 10) {
      value = kMin;
      break;
    }
    value = value * 10 - digit;
  }
  if (negative) return value;
  return value == kMin ? std::numeric_limits<int64_t>::max() : -value;
}

void appendNumber(std::string& out, int64_t value, std::size_t digits) {
  uint64_t magnitude = static_cast<uint64_t>(value);
  if (value < 0) {
    out.push_back('-');
    magnitude = ~magnitude + 1;
  }
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude);
  const std::size_t length = static_cast<std::size_t>(result.ptr - buffer);
  if (digits > length) out.append(digits - length, '0');
  out.append(buffer, length);
}

int64_t addWrap(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}
int64_t subWrap(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}
int64_t mulWrap(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(b));
}
int64_t divSafe(int64_t a, int64_t b) {
  if (b == 0) return a;
  if (b == -1) return subWrap(0, a);  // INT64_MIN / -1 overflows
  return a / b;
}
int64_t modSafe(int64_t a, int64_t b) {
  if (b == 0) return a;
  if (b == -1) return 0;
  return a % b;
}

int64_t roundSeconds(double seconds) {
  constexpr double kMaxSeconds = 1e15;  // about 31 million years
  if (!(seconds > 0)) return 0;
  if (seconds > kMaxSeconds) seconds = kMaxSeconds;
  return static_cast<int64_t>(seconds + 0.5);
}

void appendLength(std::string& out, int64_t seconds) {
  if (seconds < 0) seconds = 0;
  const int64_t hours = seconds / 3600;
  const int64_t minutes = seconds / 60 % 60;
  if (hours > 0) {
    appendNumber(out, hours);
    out.push_back(':');
    appendNumber(out, minutes, 2);
  } else {
    appendNumber(out, minutes);
  }
  out.push_back(':');
  appendNumber(out, seconds % 60, 2);
}

void appendTrackNumber(std::string& out, std::string_view value) {
  const std::string_view number = leadingNumber(value);
  if (number.empty()) {
    out.append(value);
    return;
  }
  if (number.size() < 2) out.push_back('0');
  out.append(number);
}

void appendDiscNumber(std::string& out, std::string_view value) {
  const std::string_view number = leadingNumber(value);
  out.append(number.empty() ? value : number);
}

std::size_t matchPrefix(std::string_view text, std::string_view prefix) {
  if (prefix.empty()) return 0;
  std::size_t t = 0;
  std::size_t p = 0;
  while (p < prefix.size()) {
    if (t >= text.size()) return 0;
    if (host::foldChar(host::decodeUtf8(text, t)) != host::foldChar(host::decodeUtf8(prefix, p))) {
      return 0;
    }
  }
  return (t + 1 < text.size() && text[t] == ' ') ? t : 0;
}

void appendUpper(std::string& out, std::string_view text) {
  mapEach(out, text, [](char32_t c) { return host::upperChar(c); });
}

void appendLower(std::string& out, std::string_view text) {
  mapEach(out, text, [](char32_t c) { return host::foldChar(c); });
}

void appendCaps(std::string& out, std::string_view text) {
  bool word_start = true;
  mapEach(out, text, [&word_start](char32_t c) {
    const char32_t mapped = word_start ? host::upperChar(c) : host::foldChar(c);
    word_start = c == ' ' || c == '\t' || c == '(' || c == '[' || c == '{' || c == '"' || c == '/';
    return mapped;
  });
}

}  // namespace player::titleformat
