// The component's scalar SQL functions and the NaturalNoCase collation.
//
//   SELECT format_length(694861);            -- '1wk 1d 1:01:01'
//   SELECT format_length_hours(90000);       -- '25:00:00'
//   SELECT padl('7', 3, '0'), padr('é', 3, '.');   -- '007', 'é..'
//   SELECT strpos('äbc', 'c');               -- 3
//
// All functions return NULL when any argument is NULL. Lengths and positions
// count code points; each byte of invalid UTF-8 counts as one character. The
// callbacks run once per row, so they allocate nothing but their result and
// read the arguments in place.
#include "db/sql_functions.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstring>
#include <string_view>

#include "host/natural_compare.h"
#include "host/text.h"

namespace db {

namespace {

// Results up to this size are built on the stack and copied by SQLite into
// the result register, which keeps its buffer from row to row; larger ones
// are built once in SQLite's heap and handed over without a copy.
constexpr std::size_t kStackResultBytes = 256;

bool anyNull(int argc, sqlite3_value** argv) {
  for (int k = 0; k < argc; ++k) {
    if (sqlite3_value_type(argv[k]) == SQLITE_NULL) return true;
  }
  return false;
}

// The argument as UTF-8 text, read in place. False when SQLite could not
// convert it for lack of memory. REQUIRES: the value is not NULL.
bool textArgument(sqlite3_value* value, std::string_view& out) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
  if (text == nullptr) return false;
  out = std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(value)));
  return true;
}

// Steps over the character at `pos` (one byte for ASCII and invalid bytes).
inline void nextCharacter(std::string_view s, std::size_t& pos) {
  if (static_cast<unsigned char>(s[pos]) < 0x80) {
    ++pos;
  } else {
    host::decodeUtf8(s, pos);
  }
}

// Number of characters of `s`, counting no further than `limit`.
std::size_t countCharacters(std::string_view s, std::size_t limit) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < s.size() && count < limit; ++count) nextCharacter(s, pos);
  return count;
}

// ---- durations --------------------------------------------------------------

// A duration argument in whole seconds. The value is rounded half away from
// zero (74.5 -> 75, -74.5 -> -75); text that is not a number reads as 0, NaN as
// 0, and magnitudes beyond 64 bits saturate.
struct Seconds {
  std::uint64_t magnitude;
  bool negative;
};

Seconds readSeconds(sqlite3_value* value) {
  if (sqlite3_value_type(value) == SQLITE_INTEGER) {
    const sqlite3_int64 n = sqlite3_value_int64(value);
    const auto magnitude = static_cast<std::uint64_t>(n);
    return n < 0 ? Seconds{0 - magnitude, true} : Seconds{magnitude, false};
  }
  const double x = sqlite3_value_double(value);
  if (!(x == x)) return {0, false};  // NaN
  const double rounded = (x < 0 ? -x : x) + 0.5;
  const std::uint64_t magnitude =
      rounded >= 18446744073709551616.0 ? UINT64_MAX : static_cast<std::uint64_t>(rounded);
  return {magnitude, x < 0 && magnitude != 0};
}

// Writes `v` in decimal at `out`; returns the end.
char* writeDecimal(char* out, std::uint64_t v) {
  char digits[20];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  while (n > 0) *out++ = digits[--n];
  return out;
}

char* writeTwoDigits(char* out, std::uint64_t v) {
  *out++ = static_cast<char>('0' + v / 10);
  *out++ = static_cast<char>('0' + v % 10);
  return out;
}

// Longest duration text: "-", 14 digits of weeks and "wk ", "6d ",
// "23:59:59".
constexpr std::size_t kDurationBytes = 40;

// format_length(seconds): '1wk 1d 1:01:01', '1d 0:00:00', '1:15'.
void formatLength(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (anyNull(argc, argv)) return;
  const Seconds s = readSeconds(argv[0]);
  const std::uint64_t weeks = s.magnitude / 604800;
  const std::uint64_t days = s.magnitude / 86400 % 7;
  const std::uint64_t hours = s.magnitude / 3600 % 24;
  const std::uint64_t minutes = s.magnitude / 60 % 60;
  const std::uint64_t seconds = s.magnitude % 60;

  char buffer[kDurationBytes];
  char* out = buffer;
  if (s.negative) *out++ = '-';
  if (weeks > 0) {
    out = writeDecimal(out, weeks);
    out = std::strcpy(out, "wk ") + 3;
  }
  if (days > 0 || weeks > 0) {
    *out++ = static_cast<char>('0' + days);
    out = std::strcpy(out, "d ") + 2;
  }
  if (hours == 0 && days == 0 && weeks == 0) {
    out = writeDecimal(out, minutes);
  } else {
    out = writeDecimal(out, hours);
    *out++ = ':';
    out = writeTwoDigits(out, minutes);
  }
  *out++ = ':';
  out = writeTwoDigits(out, seconds);
  sqlite3_result_text(context, buffer, static_cast<int>(out - buffer), SQLITE_TRANSIENT);
}

// format_length_hours(seconds): '25:00:00', '1:01:15', '01:15'.
void formatLengthHours(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (anyNull(argc, argv)) return;
  const Seconds s = readSeconds(argv[0]);
  const std::uint64_t hours = s.magnitude / 3600;

  char buffer[kDurationBytes];
  char* out = buffer;
  if (s.negative) *out++ = '-';
  if (hours > 0) {
    out = writeDecimal(out, hours);
    *out++ = ':';
  }
  out = writeTwoDigits(out, s.magnitude / 60 % 60);
  *out++ = ':';
  out = writeTwoDigits(out, s.magnitude % 60);
  sqlite3_result_text(context, buffer, static_cast<int>(out - buffer), SQLITE_TRANSIENT);
}

// ---- padding -------------------------------------------------------------------

void resultUnchanged(sqlite3_context* context, std::string_view text) {
  sqlite3_result_text64(context, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

// Writes `copies` copies of `pad` and `text` into `out` in the order asked.
void writePadded(char* out, std::string_view text, std::string_view pad, std::size_t copies, bool pad_left) {
  if (!pad_left) {
    std::memcpy(out, text.data(), text.size());
    out += text.size();
  }
  for (std::size_t k = 0; k < copies; ++k) {
    std::memcpy(out, pad.data(), pad.size());
    out += pad.size();
  }
  if (pad_left) std::memcpy(out, text.data(), text.size());
}

// padl/padr(text, length [, pad]): as many whole copies of pad (default one
// space) as fit into the characters that text lacks to reach length. The text
// comes back unchanged when it is long enough, when the pad is empty or when
// not even one copy fits.
void padText(sqlite3_context* context, int argc, sqlite3_value** argv, bool pad_left) {
  if (anyNull(argc, argv)) return;
  std::string_view text;
  std::string_view pad = " ";
  if (!textArgument(argv[0], text) || (argc == 3 && !textArgument(argv[2], pad))) {
    sqlite3_result_error_nomem(context);
    return;
  }
  const int length = sqlite3_value_int(argv[1]);
  std::size_t missing = 0;
  if (length > 0) {
    const auto wanted = static_cast<std::size_t>(length);
    const std::size_t have = countCharacters(text, wanted);
    if (have < wanted) missing = wanted - have;
  }
  const std::size_t pad_characters = missing == 0 ? 0 : countCharacters(pad, missing + 1);
  const std::size_t copies = pad_characters == 0 ? 0 : missing / pad_characters;
  if (copies == 0) {
    resultUnchanged(context, text);
    return;
  }

  // copies < 2^31 and pad.size() < 2^31: the product cannot overflow.
  const std::uint64_t total = text.size() + std::uint64_t{copies} * pad.size();
  sqlite3* db = sqlite3_context_db_handle(context);
  if (total > static_cast<std::uint64_t>(sqlite3_limit(db, SQLITE_LIMIT_LENGTH, -1))) {
    sqlite3_result_error_toobig(context);
    return;
  }
  if (total <= kStackResultBytes) {
    char buffer[kStackResultBytes];
    writePadded(buffer, text, pad, copies, pad_left);
    sqlite3_result_text64(context, buffer, total, SQLITE_TRANSIENT, SQLITE_UTF8);
    return;
  }
  auto* buffer = static_cast<char*>(sqlite3_malloc64(total));
  if (buffer == nullptr) {
    sqlite3_result_error_nomem(context);
    return;
  }
  writePadded(buffer, text, pad, copies, pad_left);
  sqlite3_result_text64(context, buffer, total, sqlite3_free, SQLITE_UTF8);
}

void padLeft(sqlite3_context* context, int argc, sqlite3_value** argv) { padText(context, argc, argv, true); }
void padRight(sqlite3_context* context, int argc, sqlite3_value** argv) { padText(context, argc, argv, false); }

// ---- search --------------------------------------------------------------------

// strpos(text, search): 1-based character position of the first occurrence,
// 0 when absent, 1 for an empty search text.
void strpos(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (anyNull(argc, argv)) return;
  std::string_view text;
  std::string_view search;
  if (!textArgument(argv[0], text) || !textArgument(argv[1], search)) {
    sqlite3_result_error_nomem(context);
    return;
  }
  if (search.empty()) {
    sqlite3_result_int(context, 1);
    return;
  }
  sqlite3_int64 position = 0;
  if (search.size() <= text.size()) {
    const std::size_t last = text.size() - search.size();
    sqlite3_int64 index = 1;
    for (std::size_t pos = 0; pos <= last; ++index) {
      if (text[pos] == search[0] && std::memcmp(text.data() + pos, search.data(), search.size()) == 0) {
        position = index;
        break;
      }
      nextCharacter(text, pos);
    }
  }
  sqlite3_result_int64(context, position);
}

}  // namespace

void registerSqlFunctions(sqlite3* handle) {
  constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  sqlite3_create_function_v2(handle, "format_length", 1, kFlags, nullptr, formatLength, nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(handle, "format_length_hours", 1, kFlags, nullptr, formatLengthHours, nullptr, nullptr,
                             nullptr);
  sqlite3_create_function_v2(handle, "padl", 2, kFlags, nullptr, padLeft, nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(handle, "padl", 3, kFlags, nullptr, padLeft, nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(handle, "padr", 2, kFlags, nullptr, padRight, nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(handle, "padr", 3, kFlags, nullptr, padRight, nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(handle, "strpos", 2, kFlags, nullptr, strpos, nullptr, nullptr, nullptr);
  sqlite3_create_collation_v2(handle, "NaturalNoCase", SQLITE_UTF8, nullptr, host::naturalCompareBytes, nullptr);
}

}  // namespace db
