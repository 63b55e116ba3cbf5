// UTF-8 text helpers shared by every layer: decoding, code-point counting and
// the host's case-insensitive comparison.
//
// Case folding is simple (one code point to one code point) and covers ASCII,
// Latin-1, Latin Extended-A, Greek and Cyrillic, which is what tag data uses in
// practice. Invalid UTF-8 never stops a walk: each bad byte decodes as
// U+FFFD and advances by exactly one byte.
#ifndef VOSTREL_HOST_TEXT_H_
#define VOSTREL_HOST_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace host {

inline constexpr char32_t kReplacementChar = 0xFFFD;

// Decodes the code point at `pos` and advances `pos` past it.
// REQUIRES: pos < s.size().
char32_t decodeUtf8(std::string_view s, std::size_t& pos);

// Appends the UTF-8 encoding of `c` to `out`.
void appendUtf8(std::string& out, char32_t c);

// Number of code points (each invalid byte counts as one).
std::size_t utf8Length(std::string_view s);

// Byte offset of code point `index`, or s.size() when the text is shorter.
std::size_t utf8Offset(std::string_view s, std::size_t index);

// Simple case folding of one code point (to lower case).
char32_t foldChar(char32_t c);
char32_t upperChar(char32_t c);

// The letter without its diacritic, keeping its case, for Latin-1 and Latin
// Extended-A: 'É' -> 'E', 'ñ' -> 'n', 'Ł' -> 'L'. Ligatures and sharp s map to
// their first letter ('Æ' -> 'A', 'ß' -> 's'). Every other code point,
// including the signs U+00D7 and U+00F7 and thorn, is returned unchanged.
// Never returns an ASCII digit for a non-digit.
char32_t baseLetter(char32_t c);

// The text with every code point folded; invalid bytes are kept as they are.
std::string foldCase(std::string_view s);
// The host's lower-casing, used for column names; same mapping as foldCase.
std::string toLower(std::string_view s);
std::string toUpper(std::string_view s);

// Case-insensitive equality and ordering by folded code points.
bool equalsNoCase(std::string_view a, std::string_view b);
int compareNoCase(std::string_view a, std::string_view b);

// Trims the four whitespace characters tab, line feed, carriage return, space.
std::string_view trimBlanks(std::string_view s);

}  // namespace host

#endif  // VOSTREL_HOST_TEXT_H_
