// Natural, case-insensitive comparison of UTF-8 text (see natural_compare.h
// for the order). The comparison runs in one pass: primary keys decide at the
// first difference, while the first secondary difference is remembered as
// the tie-break for texts whose primary keys all match.
#include "host/natural_compare.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "host/text.h"

namespace host {

namespace {

// Primary key of an invalid UTF-8 byte: past every code point, one key per
// byte value so that different bytes never compare equal.
constexpr char32_t kInvalidByteBase = 0x110000;

constexpr bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }
constexpr unsigned char asciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

inline unsigned char byteAt(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

// Both keys of the non-digit element at `pos` the plain way: decode, fold,
// strip the diacritic. Out of line: the fast paths below stay small enough
// to inline. REQUIRES: pos < s.size().
[[gnu::noinline]] void decodedKeys(std::string_view s, std::size_t& pos, char32_t& primary, char32_t& secondary) {
  const std::size_t start = pos;
  const char32_t c = host::decodeUtf8(s, pos);
  if (c == host::kReplacementChar && pos - start == 1) {  // a real U+FFFD takes three bytes
    primary = secondary = kInvalidByteBase + byteAt(s, start);
    return;
  }
  secondary = host::foldChar(c);
  primary = host::baseLetter(secondary);
}

// The keys of every two-byte code point (U+0080..U+07FF: Latin-1, Latin
// Extended, Greek, Cyrillic ...), made once by decodedKeys itself so that
// the two can never disagree. Folding and diacritics stay inside that range,
// so 16 bits hold each key.
struct TwoByteKeys {
  struct Keys {
    char16_t primary;
    char16_t secondary;
  };
  Keys keys[0x800];

  TwoByteKeys() : keys{} {
    for (char32_t c = 0x80; c < 0x800; ++c) {
      const char text[] = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
      std::size_t pos = 0;
      char32_t primary, secondary;
      decodedKeys(std::string_view(text, 2), pos, primary, secondary);
      assert(pos == 2 && primary < 0x10000 && secondary < 0x10000);
      keys[c] = {static_cast<char16_t>(primary), static_cast<char16_t>(secondary)};
    }
  }
};

const TwoByteKeys& twoByteKeys() {
  static const TwoByteKeys table;
  return table;
}

// Both keys of the non-digit, non-ASCII element at `pos`, advancing `pos`
// past it. Well-formed two- and three-byte characters, which is nearly all
// tag text, take the table or need no folding at all (foldChar and
// baseLetter change nothing from U+0800 on, which the tests check over every
// such character); the rest decodes the plain way.
// REQUIRES: pos < s.size(), s[pos] is not ASCII.
[[gnu::always_inline]] inline void characterKeys(std::string_view s, std::size_t& pos, char32_t& primary,
                                                 char32_t& secondary) {
  const unsigned char b0 = byteAt(s, pos);
  const std::size_t left = s.size() - pos;
  if (b0 >= 0xC2 && b0 <= 0xDF) {  // 0xC0 and 0xC1 only start overlong forms
    if (left >= 2 && isContinuation(byteAt(s, pos + 1))) {
      const TwoByteKeys::Keys keys = twoByteKeys().keys[((b0 & 0x1Fu) << 6) | (byteAt(s, pos + 1) & 0x3Fu)];
      primary = keys.primary;
      secondary = keys.secondary;
      pos += 2;
      return;
    }
  } else if ((b0 & 0xF0) == 0xE0 && left >= 3) {
    const unsigned char b1 = byteAt(s, pos + 1);
    const unsigned char b2 = byteAt(s, pos + 2);
    if (isContinuation(b1) && isContinuation(b2)) {
      const char32_t c = ((b0 & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
      if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {  // neither overlong nor a surrogate
        primary = secondary = c;
        pos += 3;
        return;
      }
    }
  }
  decodedKeys(s, pos, primary, secondary);
}

// Compares the digit runs starting at a[i] and b[j] by numeric value and
// advances both past their runs when the values are equal. A difference in
// run length (leading zeros) goes into `tie` unless a tie is already set.
// REQUIRES: a[i] and b[j] are digits.
int compareDigitRuns(std::string_view a, std::size_t& i, std::string_view b, std::size_t& j, int& tie) {
  std::size_t sig_a = i;  // first significant digit
  while (sig_a < a.size() && a[sig_a] == '0') ++sig_a;
  std::size_t end_a = sig_a;
  while (end_a < a.size() && isDigit(byteAt(a, end_a))) ++end_a;
  std::size_t sig_b = j;
  while (sig_b < b.size() && b[sig_b] == '0') ++sig_b;
  std::size_t end_b = sig_b;
  while (end_b < b.size() && isDigit(byteAt(b, end_b))) ++end_b;

  const std::size_t digits_a = end_a - sig_a;
  const std::size_t digits_b = end_b - sig_b;
  if (digits_a != digits_b) return digits_a < digits_b ? -1 : 1;
  if (digits_a > 0) {
    const int c = std::memcmp(a.data() + sig_a, b.data() + sig_b, digits_a);
    if (c != 0) return c < 0 ? -1 : 1;
  }
  if (tie == 0 && end_a - i != end_b - j) tie = end_a - i < end_b - j ? -1 : 1;
  i = end_a;
  j = end_b;
  return 0;
}

// Where the comparison of two texts sharing their first `same` bytes may
// start: a position that begins an element in both texts, with identical
// elements before it. A byte that is not a UTF-8 continuation byte always
// begins a character, whatever precedes it.
std::size_t resumePoint(std::string_view a, std::string_view b, std::size_t same) {
  std::size_t p = same;
  while (p > 0 && ((p < a.size() && isContinuation(byteAt(a, p))) ||
                   (p < b.size() && isContinuation(byteAt(b, p))))) {
    --p;
  }
  const bool digit_follows = (p < a.size() && isDigit(byteAt(a, p))) || (p < b.size() && isDigit(byteAt(b, p)));
  if (digit_follows) {
    while (p > 0 && isDigit(byteAt(a, p - 1))) --p;
  }
  return p;
}

// The comparison element by element. Out of line, so that the shortcut in
// naturalCompare does not pay for this one's frame.
[[gnu::noinline]] int compareElements(std::string_view a, std::string_view b) noexcept {
  const std::size_t common = std::min(a.size(), b.size());
  std::size_t same = 0;
  while (same < common && a[same] == b[same]) ++same;
  if (same == a.size() && same == b.size()) return 0;

  std::size_t i = resumePoint(a, b, same);
  std::size_t j = i;
  int tie = 0;
  while (i < a.size() && j < b.size()) {
    const unsigned char ca = byteAt(a, i);
    const unsigned char cb = byteAt(b, j);
    if ((ca | cb) < 0x80) {  // both ASCII
      if (isDigit(ca) && isDigit(cb)) {
        if (const int c = compareDigitRuns(a, i, b, j, tie); c != 0) return c;
        continue;
      }
      // A digit against a non-digit compares as the character itself: no
      // other character's key lies in '0'..'9'.
      if (ca != cb) {
        const unsigned char la = asciiLower(ca);
        const unsigned char lb = asciiLower(cb);
        if (la != lb) return la < lb ? -1 : 1;
      }
      ++i;
      ++j;
      continue;
    }
    // ASCII against any element but a two-byte character is decided at
    // once: only two-byte letters fold to an ASCII key, and every other
    // element's key (three- and four-byte characters, U+FFFD, invalid
    // bytes) lies above U+007F. Text in scripts beyond Latin, Greek and
    // Cyrillic against ASCII text comes here on every compare.
    if (ca < 0x80 && (cb < 0xC2 || cb > 0xDF)) return -1;
    if (cb < 0x80 && (ca < 0xC2 || ca > 0xDF)) return 1;
    char32_t primary_a, secondary_a, primary_b, secondary_b;
    if (ca < 0x80) {
      primary_a = secondary_a = asciiLower(ca);
      ++i;
    } else {
      characterKeys(a, i, primary_a, secondary_a);
    }
    if (cb < 0x80) {
      primary_b = secondary_b = asciiLower(cb);
      ++j;
    } else {
      characterKeys(b, j, primary_b, secondary_b);
    }
    if (primary_a != primary_b) return primary_a < primary_b ? -1 : 1;
    if (tie == 0 && secondary_a != secondary_b) tie = secondary_a < secondary_b ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return tie;
}

// The first character of `s` as a number that orders as its keys do, when
// it is a three-byte character that can be neither overlong nor a
// surrogate (a lead byte other than 0xE0 and 0xED): such characters are
// their own keys, and UTF-8 keeps the order of code points. Else 0.
// REQUIRES: s is not empty.
inline uint32_t threeByteKey(std::string_view s) {
  const unsigned char b0 = byteAt(s, 0);
  if (b0 < 0xE1 || b0 > 0xEF || b0 == 0xED || s.size() < 3) return 0;
  const unsigned char b1 = byteAt(s, 1);
  const unsigned char b2 = byteAt(s, 2);
  if (!isContinuation(b1) || !isContinuation(b2)) return 0;
  return (uint32_t{b0} << 16) | (uint32_t{b1} << 8) | b2;
}

// Whether `s` begins with a well-formed two-byte character, whose keys lie
// below U+0800 and so below every three-byte character's.
// REQUIRES: s is not empty.
inline bool startsTwoByte(std::string_view s) {
  const unsigned char b0 = byteAt(s, 0);
  return b0 >= 0xC2 && b0 <= 0xDF && s.size() >= 2 && isContinuation(byteAt(s, 1));
}

// naturalCompare() itself, inlined into both its forms below.
[[gnu::always_inline]] inline int compareNaturally(std::string_view a, std::string_view b) noexcept {
  // Most compares of a sort or a max() over a library meet texts whose first
  // elements differ, and then the first element decides as the loop in
  // compareElements would on its first turn: two ASCII characters (not two
  // digits) by their lower case, ASCII before any element but a two-byte
  // character, two different three-byte characters by their code points
  // and a two-byte character before a three-byte one.
  if (!a.empty() && !b.empty()) {
    const unsigned char ca = byteAt(a, 0);
    const unsigned char cb = byteAt(b, 0);
    if ((ca & cb) >= 0x80) {
      // Two texts beyond ASCII: in a max() over a library whose greatest
      // values are CJK, one compare in four comes here.
      const uint32_t ka = threeByteKey(a);
      const uint32_t kb = threeByteKey(b);
      if (ka != 0 && kb != 0) {
        if (ka != kb) return ka < kb ? -1 : 1;
      } else if (ka != 0) {
        if (startsTwoByte(b)) return 1;
      } else if (kb != 0) {
        if (startsTwoByte(a)) return -1;
      }
    } else if (ca != cb) {
      if ((ca | cb) < 0x80) {
        if (!isDigit(ca) || !isDigit(cb)) {
          const unsigned char la = asciiLower(ca);
          const unsigned char lb = asciiLower(cb);
          if (la != lb) return la < lb ? -1 : 1;
        }
      } else if (ca < 0x80) {
        if (cb < 0xC2 || cb > 0xDF) return -1;
      } else {
        if (ca < 0xC2 || ca > 0xDF) return 1;
      }
    }
  }
  return compareElements(a, b);
}

}  // namespace

int naturalCompare(std::string_view a, std::string_view b) noexcept { return compareNaturally(a, b); }

int naturalCompareBytes(void*, int size_a, const void* a, int size_b, const void* b) noexcept {
  return compareNaturally(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(size_a)),
                          std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(size_b)));
}

}  // namespace host
