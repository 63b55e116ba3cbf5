// Small text operations behind the special fields and functions of the
// title-formatting language: path pieces, numbers, lengths and prefixes.
//
// Path functions take a path with '/' or '\' as separators; the pieces they
// return are views into their argument.
#ifndef VOSTREL_PLAYER_TITLEFORMAT_TEXT_OPS_H_
#define VOSTREL_PLAYER_TITLEFORMAT_TEXT_OPS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/track.h"

namespace player::titleformat {

// Field ids the special fields read, interned once per process.
struct CommonFields {
  host::FieldId artist;
  host::FieldId album_artist;
  host::FieldId title;
  host::FieldId tracknumber;
  host::FieldId discnumber;
};
const CommonFields& commonFields();

// `path` without a leading "file://" (compared case-sensitively).
std::string_view stripFileScheme(std::string_view path);
// The part after the last separator ("a.flac").
std::string_view fileNameWithExt(std::string_view path);
// The file name without its extension ("a"). A leading dot ("/x/.hidden")
// does not start an extension.
std::string_view fileNameNoExt(std::string_view path);
// The extension without the dot ("flac"), or empty.
std::string_view extension(std::string_view path);
// The name of the folder `levels` up from the file: 1 is the folder holding
// it. Empty separators are skipped; empty when there are not so many levels.
std::string_view directoryName(std::string_view path, int64_t levels);

// The integer at the start of `text` after blanks, with an optional sign;
// 0 when there is none. Saturates at the int64 range.
int64_t parseNumber(std::string_view text);
// Appends `value` in decimal, its digits zero-padded to at least `digits`.
void appendNumber(std::string& out, int64_t value, std::size_t digits = 0);

// Arithmetic that is defined for every input: wraps around on overflow;
// division and remainder by zero give the dividend.
int64_t addWrap(int64_t a, int64_t b);
int64_t subWrap(int64_t a, int64_t b);
int64_t mulWrap(int64_t a, int64_t b);
int64_t divSafe(int64_t a, int64_t b);
int64_t modSafe(int64_t a, int64_t b);

// A length in seconds rounded to whole seconds; negative or NaN gives 0.
int64_t roundSeconds(double seconds);
// Appends "m:ss", or "h:mm:ss" from one hour on.
void appendLength(std::string& out, int64_t seconds);

// A track number shown with two digits ("3/12" -> "03"); text that does not
// start with a digit is kept as it is.
void appendTrackNumber(std::string& out, std::string_view value);
// A disc number without leading zeros or total ("01/2" -> "1").
void appendDiscNumber(std::string& out, std::string_view value);

// When `text` starts with `prefix` (case-insensitively) followed by a space
// and more text, returns the byte length of the prefix as it appears in
// `text`; otherwise 0.
std::size_t matchPrefix(std::string_view text, std::string_view prefix);

// Appends `text` with every code point mapped; invalid bytes are copied.
void appendUpper(std::string& out, std::string_view text);
void appendLower(std::string& out, std::string_view text);
// Upper-cases the first letter of every word and lower-cases the rest.
void appendCaps(std::string& out, std::string_view text);

}  // namespace player::titleformat

#endif  // VOSTREL_PLAYER_TITLEFORMAT_TEXT_OPS_H_
