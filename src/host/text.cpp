#include "host/text.h"

namespace host {

char32_t decodeUtf8(std::string_view s, std::size_t& pos) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  int extra;
  char32_t c;
  char32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1; c = b0 & 0x1F; min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2; c = b0 & 0x0F; min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3; c = b0 & 0x07; min = 0x10000;
  } else {
    ++pos;
    return kReplacementChar;
  }
  if (pos + extra >= s.size()) {
    ++pos;
    return kReplacementChar;
  }
  for (int i = 1; i <= extra; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return kReplacementChar;
    }
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++pos;
    return kReplacementChar;
  }
  pos += extra + 1;
  return c;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::size_t utf8Length(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t pos = 0; pos < s.size(); ++n) decodeUtf8(s, pos);
  return n;
}

std::size_t utf8Offset(std::string_view s, std::size_t index) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < index && pos < s.size(); ++n) decodeUtf8(s, pos);
  return pos;
}

char32_t foldChar(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;             // Latin-1
  if (c >= 0x100 && c <= 0x17F) {                                     // Latin Extended-A
    if (c == 0x130) return 'i';
    if (c == 0x178) return 0xFF;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
    if (c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c & 1) ? c : c + 1;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;          // Greek
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c >= 0x410 && c <= 0x42F) return c + 32;                        // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

char32_t upperChar(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : c - 1;
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c & 1) ? c - 1 : c;
  }
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 32;
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  return c;
}

namespace {

// Base letters of U+00C0..U+017F; '.' keeps the code point.
constexpr char kBaseLetters[] =
    "AAAAAAACEEEEIIIIDNOOOOO.OUUUUY.saaaaaaaceeeeiiiidnooooo.ouuuuy.y"  // U+00C0
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlL"  // U+0100
    "lLlNnNnNnnNnOoOoOoOoRrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";  // U+0140
static_assert(sizeof(kBaseLetters) - 1 == 0x180 - 0xC0);

}  // namespace

char32_t baseLetter(char32_t c) {
  if (c < 0xC0 || c >= 0x180) return c;
  const char base = kBaseLetters[c - 0xC0];
  return base == '.' ? c : static_cast<char32_t>(base);
}

namespace {

template <char32_t (*Map)(char32_t)>
std::string mapText(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t pos = 0; pos < s.size();) {
    const std::size_t start = pos;
    const char32_t c = decodeUtf8(s, pos);
    if (c == kReplacementChar && pos - start == 1 && static_cast<unsigned char>(s[start]) >= 0x80) {
      out.push_back(s[start]);  // keep an invalid byte as it is
    } else {
      appendUtf8(out, Map(c));
    }
  }
  return out;
}

}  // namespace

std::string foldCase(std::string_view s) { return mapText<foldChar>(s); }
std::string toLower(std::string_view s) { return mapText<foldChar>(s); }
std::string toUpper(std::string_view s) { return mapText<upperChar>(s); }

int compareNoCase(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t ca = foldChar(decodeUtf8(a, i));
    const char32_t cb = foldChar(decodeUtf8(b, j));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() == b.size()) {
    // Fast path: byte-equal or ASCII-only case differences.
    std::size_t k = 0;
    for (; k < a.size(); ++k) {
      const auto x = static_cast<unsigned char>(a[k]);
      const auto y = static_cast<unsigned char>(b[k]);
      if (x == y) continue;
      if (x >= 0x80 || y >= 0x80) break;
      if (foldChar(x) != foldChar(y)) return false;
    }
    if (k == a.size()) return true;
  }
  return compareNoCase(a, b) == 0;
}

std::string_view trimBlanks(std::string_view s) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

}  // namespace host
