// Tests of the natural, case-insensitive comparison: examples, a reference
// key built the slow way, the order properties over generated strings, and
// agreement with SQLite's ORDER BY under the NaturalNoCase collation.
#include "db/natural_compare.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "db/sql_functions.h"
#include "host/text.h"

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

struct Example {
  const char* a;
  const char* b;
  int expected;  // sign of naturalCompare(a, b)
};

const Example kExamples[] = {
    {"Disc 9", "disc 10", -1},
    {"disc 10", "Disc 11", -1},
    {"Disc 9", "Disc 11", -1},
    {"file2", "file10", -1},
    {"a", "A", 0},
    {"Abc", "abc", 0},
    {"Ä", "ä", 0},
    {"ÉCOLE", "école", 0},
    {"", "", 0},
    {"", "a", -1},
    {"file", "file1", -1},
    // Accented letters sort with their base letter; the accent only breaks ties.
    {"É", "E", 1},
    {"e", "é", -1},
    {"Éa", "Eb", -1},
    {"Étoile", "Eva", -1},
    {"É", "F", -1},
    {"É", "Z", -1},
    {"é", "è", 1},
    {"éa", "èb", -1},
    {"Øb", "oa", 1},
    {"ßa", "sb", -1},
    {"ß", "s", 1},
    // Digit runs by value whatever their length.
    {"x1000000000000000000000000000000000000000", "x999999999999999999999999999999999999999", 1},
    {"1234567890123456789012345678901234567890", "1234567890123456789012345678901234567891", -1},
    {"1234567890123456789012345678901234567890a", "1234567890123456789012345678901234567890B", -1},
    {"x19", "x1", 1},
    {"x100", "x1000", -1},
    {"a19", "a2", 1},
    {"12", "123", -1},
    {"v1.10", "v1.9", 1},
    // Leading zeros break ties only: fewer first.
    {"7", "007", -1},
    {"07", "007", -1},
    {"x01", "x001", -1},
    {"007", "8", -1},
    {"a01b", "a1c", -1},
    {"a01c", "a1b", 1},
    {"0", "00", -1},
    {"01a1", "1a01", 1},  // the first tie decides
    {"é e", "e é", 1},
    {"é01", "e1", 1},
    // Digits rank like the character '0': after space and most punctuation,
    // before letters.
    {" ", "0", -1},
    {"-", "5", -1},
    {"9", "a", -1},
    {"9", ":", -1},
    {"track 2", "track_2", -1},
    {"9", "é", -1},
    {"9", "İ", -1},
    // Invalid bytes are distinct characters after every code point.
    {"\xff", "\xfe", 1},
    {"\xff", "\xef\xbf\xbd", 1},
    {"a\xff", "A\xff", 0},
    {"\xc3", "\xc3\xa9", 1},
};

TEST(NaturalCompare, Examples) {
  for (const Example& e : kExamples) {
    SCOPED_TRACE(std::string(e.a) + " <> " + e.b);
    EXPECT_EQ(sign(db::naturalCompare(e.a, e.b)), e.expected);
    EXPECT_EQ(sign(db::naturalCompare(e.b, e.a)), -e.expected);
  }
}

// The order spelled out as a sortable key, element by element, built without
// any of the shortcuts of the real comparison.
using PrimaryKey = std::vector<std::pair<char32_t, std::string>>;
using SecondaryKey = std::vector<std::pair<char32_t, std::size_t>>;

std::pair<PrimaryKey, SecondaryKey> referenceKey(std::string_view s) {
  PrimaryKey primary;
  SecondaryKey secondary;
  for (std::size_t pos = 0; pos < s.size();) {
    if (s[pos] >= '0' && s[pos] <= '9') {
      const std::size_t start = pos;
      while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') ++pos;
      std::string digits(s.substr(start, pos - start));
      digits.erase(0, digits.find_first_not_of('0') == std::string::npos ? digits.size()
                                                                         : digits.find_first_not_of('0'));
      primary.emplace_back(U'0', std::string(400 - digits.size(), '0') + digits);
      secondary.emplace_back(U'0', pos - start);
      continue;
    }
    const std::size_t start = pos;
    char32_t c = host::decodeUtf8(s, pos);
    if (c == host::kReplacementChar && pos - start == 1) {
      c = 0x110000 + static_cast<unsigned char>(s[start]);
      primary.emplace_back(c, "");
      secondary.emplace_back(c, 0);
      continue;
    }
    primary.emplace_back(host::baseLetter(host::foldChar(c)), "");
    secondary.emplace_back(host::foldChar(c), 0);
  }
  return {primary, secondary};
}

int referenceCompare(std::string_view a, std::string_view b) {
  const auto ka = referenceKey(a);
  const auto kb = referenceKey(b);
  return ka < kb ? -1 : (kb < ka ? 1 : 0);
}

// Short strings from an alphabet chosen to collide often: digits and zero
// runs, case pairs, accented letters and their bases, punctuation, invalid
// bytes and shared multi-byte prefixes.
std::vector<std::string> generateStrings(std::size_t count, unsigned seed) {
  static const char* const kPieces[] = {
      "0",  "1",  "9",  "00", "01", "10", "a",  "A",  "b",        "B",         "e",
      "E",  "z",  "é",  "É",  "è",  "ä",  "Ä",  "ß",  "s",        "ø",         "O",
      " ",  "-",  ".",  "_",  "~",  "Ж",  "ж",  "\xff",  "\xa9",  "\xc3",      "\xef\xbf\xbd",
      "1234567890123456789012345678901234567890",  "0001234567890123456789012345678901234567890",
  };
  std::mt19937 rng(seed);
  std::uniform_int_distribution<std::size_t> length(0, 6);
  std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
  std::vector<std::string> out;
  out.reserve(count);
  for (std::size_t n = 0; n < count; ++n) {
    std::string s;
    for (std::size_t k = length(rng); k > 0; --k) s += kPieces[piece(rng)];
    out.push_back(std::move(s));
  }
  return out;
}

TEST(NaturalCompare, MatchesReferenceKeyOnGeneratedPairs) {
  const auto strings = generateStrings(4000, 17);
  for (std::size_t k = 0; k + 1 < strings.size(); ++k) {
    const std::string& a = strings[k];
    const std::string& b = strings[k + 1];
    ASSERT_EQ(sign(db::naturalCompare(a, b)), referenceCompare(a, b)) << '"' << a << "\" vs \"" << b << '"';
    // Pairs with a shared prefix exercise the restart inside digit runs and
    // multi-byte characters.
    const std::string pa = a + b;
    const std::string pb = a + a;
    ASSERT_EQ(sign(db::naturalCompare(pa, pb)), referenceCompare(pa, pb)) << '"' << pa << "\" vs \"" << pb << '"';
  }
}

// Pairs spelled from the same sequence of letters and numbers, each written
// in a random variant (case, accent, leading zeros), so that mostly the
// tie-breaks decide.
TEST(NaturalCompare, MatchesReferenceKeyOnVariantPairs) {
  static const std::vector<std::vector<const char*>> kVariants = {
      {"e", "E", "é", "É", "è"}, {"a", "A", "ä", "Ä"}, {"s", "S", "ß"}, {"o", "O", "ø", "Ø"},
      {"1", "01", "001"},        {"0", "00"},          {" "},           {"x", "X"},
  };
  std::mt19937 rng(41);
  std::uniform_int_distribution<std::size_t> length(1, 6);
  std::uniform_int_distribution<std::size_t> group(0, kVariants.size() - 1);
  for (int n = 0; n < 20000; ++n) {
    std::string a;
    std::string b;
    for (std::size_t k = length(rng); k > 0; --k) {
      const auto& variants = kVariants[group(rng)];
      std::uniform_int_distribution<std::size_t> variant(0, variants.size() - 1);
      a += variants[variant(rng)];
      b += variants[variant(rng)];
    }
    ASSERT_EQ(sign(db::naturalCompare(a, b)), referenceCompare(a, b)) << '"' << a << "\" vs \"" << b << '"';
  }
}

TEST(NaturalCompare, IsReflexiveAndAntisymmetric) {
  const auto strings = generateStrings(3000, 5);
  std::mt19937 rng(9);
  std::uniform_int_distribution<std::size_t> pick(0, strings.size() - 1);
  for (const std::string& s : strings) ASSERT_EQ(db::naturalCompare(s, s), 0) << s;
  for (int n = 0; n < 50000; ++n) {
    const std::string& a = strings[pick(rng)];
    const std::string& b = strings[pick(rng)];
    ASSERT_EQ(sign(db::naturalCompare(a, b)), -sign(db::naturalCompare(b, a))) << a << " vs " << b;
  }
}

// After sorting, every earlier element must compare <= every later one; a
// comparison that is not transitive cannot satisfy this for all pairs.
TEST(NaturalCompare, SortedOrderIsConsistentForAllPairs) {
  auto strings = generateStrings(1500, 23);
  std::sort(strings.begin(), strings.end(),
            [](const std::string& a, const std::string& b) { return db::naturalCompare(a, b) < 0; });
  for (std::size_t i = 0; i < strings.size(); ++i) {
    for (std::size_t j = i + 1; j < strings.size(); ++j) {
      ASSERT_LE(db::naturalCompare(strings[i], strings[j]), 0) << i << ": " << strings[i] << ", " << j << ": "
                                                                << strings[j];
    }
  }
}

TEST(NaturalCompare, SqliteOrderByMatchesSort) {
  auto strings = generateStrings(3000, 31);
  sqlite3* handle = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &handle), SQLITE_OK);
  db::registerSqlFunctions(handle);
  ASSERT_EQ(sqlite3_exec(handle, "CREATE TABLE t(name TEXT)", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_stmt* insert = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(handle, "INSERT INTO t VALUES (?)", -1, &insert, nullptr), SQLITE_OK);
  for (const std::string& s : strings) {
    sqlite3_bind_text(insert, 1, s.data(), static_cast<int>(s.size()), SQLITE_STATIC);
    ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);

  std::vector<std::string> from_sqlite;
  sqlite3_stmt* select = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(handle, "SELECT name FROM t ORDER BY name COLLATE NaturalNoCase", -1, &select,
                               nullptr),
            SQLITE_OK);
  while (sqlite3_step(select) == SQLITE_ROW) {
    from_sqlite.emplace_back(static_cast<const char*>(sqlite3_column_blob(select, 0)),
                             static_cast<std::size_t>(sqlite3_column_bytes(select, 0)));
  }
  sqlite3_finalize(select);
  sqlite3_close(handle);

  std::sort(strings.begin(), strings.end(),
            [](const std::string& a, const std::string& b) { return db::naturalCompare(a, b) < 0; });
  ASSERT_EQ(from_sqlite.size(), strings.size());
  for (std::size_t k = 0; k < strings.size(); ++k) {
    ASSERT_EQ(db::naturalCompare(from_sqlite[k], strings[k]), 0) << k << ": " << from_sqlite[k] << " vs "
                                                                  << strings[k];
  }
  auto sorted_sqlite = from_sqlite;
  std::sort(sorted_sqlite.begin(), sorted_sqlite.end());
  std::sort(strings.begin(), strings.end());
  EXPECT_EQ(sorted_sqlite, strings);
}

// ---- the fast paths against the plain decoding ---------------------------------
//
// Common characters take shortcuts (a table of the two-byte code points, an
// inline decoding of three-byte ones). These tests hold them to the order
// that plain decoding gives, over every code point of those lengths.

std::string utf8(char32_t c) {
  std::string s;
  host::appendUtf8(s, c);
  return s;
}

// The reference keys of one code point, as a single-character text has them.
std::pair<char32_t, char32_t> referenceCharKeys(char32_t c) {
  return {host::baseLetter(host::foldChar(c)), host::foldChar(c)};
}

int compareKeys(std::pair<char32_t, char32_t> a, std::pair<char32_t, char32_t> b) {
  if (a.first != b.first) return a.first < b.first ? -1 : 1;
  if (a.second != b.second) return a.second < b.second ? -1 : 1;
  return 0;
}

TEST(NaturalCompareFastPath, EveryTwoByteCharacterAgainstEveryOther) {
  std::vector<std::string> texts;
  std::vector<std::pair<char32_t, char32_t>> keys;
  for (char32_t c = 0x80; c < 0x800; ++c) {
    texts.push_back(utf8(c));
    keys.push_back(referenceCharKeys(c));
  }
  for (std::size_t i = 0; i < texts.size(); ++i) {
    for (std::size_t j = 0; j < texts.size(); ++j) {
      const int expected = compareKeys(keys[i], keys[j]);
      if (sign(db::naturalCompare(texts[i], texts[j])) != expected) {
        FAIL() << std::hex << "U+" << (0x80 + i) << " vs U+" << (0x80 + j) << ": expected " << expected;
      }
    }
  }
}

// Longer characters against a spread of neighbours: their own successor,
// ASCII, two-byte letters, U+FFFD, invalid bytes and an overlong form.
TEST(NaturalCompareFastPath, LongerCharactersAgainstProbes) {
  const char32_t kInvalid = 0x110000;  // plus the byte: an invalid byte's keys
  const std::vector<std::pair<std::string, std::pair<char32_t, char32_t>>> probes = {
      {"a", referenceCharKeys('a')},
      {"Z", referenceCharKeys('Z')},
      {"~", referenceCharKeys('~')},
      {utf8(0xC9), referenceCharKeys(0xC9)},
      {utf8(0x416), referenceCharKeys(0x416)},
      {utf8(0x7FF), referenceCharKeys(0x7FF)},
      {utf8(0x800), referenceCharKeys(0x800)},
      {utf8(0x3042), referenceCharKeys(0x3042)},
      {utf8(0xFFFD), referenceCharKeys(0xFFFD)},
      {utf8(0xFFFF), referenceCharKeys(0xFFFF)},
      {utf8(0x10000), referenceCharKeys(0x10000)},
      {"\xff", {kInvalid + 0xFF, kInvalid + 0xFF}},
      {"\xc3", {kInvalid + 0xC3, kInvalid + 0xC3}},
      {"\xed", {kInvalid + 0xED, kInvalid + 0xED}},
      {"\xe0\x80\x80", {kInvalid + 0xE0, kInvalid + 0xE0}},  // overlong: three invalid bytes
  };
  // Encoded surrogates are three invalid bytes.
  for (char32_t c = 0xD800; c <= 0xDFFF; ++c) {
    const std::string text = {'\xed', static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                              static_cast<char>(0x80 | (c & 0x3F))};
    for (const auto& probe : probes) {
      ASSERT_EQ(sign(db::naturalCompare(text, probe.first)), referenceCompare(text, probe.first))
          << std::hex << "U+" << static_cast<uint32_t>(c) << " vs " << probe.first;
    }
  }
  // Every three-byte character; four-byte ones (decoded the plain way) in
  // a sample.
  for (char32_t c = 0x800; c <= 0x10FFFF; c += c < 0x10000 ? 1 : 97) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::string text = utf8(c);
    const std::pair<char32_t, char32_t> keys = referenceCharKeys(c);
    for (const auto& [probe, probe_keys] : probes) {
      if (sign(db::naturalCompare(text, probe)) != compareKeys(keys, probe_keys)) {
        FAIL() << std::hex << "U+" << static_cast<uint32_t>(c) << " vs " << probe;
      }
    }
    if (c < 0x10FFFF && c != 0xD7FF) {
      ASSERT_EQ(sign(db::naturalCompare(text, utf8(c + 1))), compareKeys(keys, referenceCharKeys(c + 1)))
          << std::hex << "U+" << static_cast<uint32_t>(c);
    }
  }
}

// Every two-byte sequence, well-formed or not (truncated, overlong, stray
// continuation bytes, surrogate halves), in context: at the start of the
// text, where the first element alone may decide, and after a shared
// prefix; before digits and accents; against case pairs, invalid bytes and
// three-byte characters, whole or cut short.
class NaturalCompareBytes : public testing::TestWithParam<const char*> {};

TEST_P(NaturalCompareBytes, EveryByteSequenceInContext) {
  const std::string prefix = GetParam();
  const std::vector<std::string> probes = {
      "",     "a",    "A",        "e",            "é",            "É",
      "é1",   "é01",  "1é",       "01",           "Ж",            "ж",
      "\xff", "\xc3", "\xe3\x81", "\xe3\x81\x82", "\xef\xbf\xbd", "\xe1\x80\x80"};
  std::vector<std::string> others;
  std::vector<std::pair<PrimaryKey, SecondaryKey>> probe_keys;
  for (const std::string& p : probes) {
    others.push_back(prefix + p + "7");
    probe_keys.push_back(referenceKey(others.back()));
  }
  for (unsigned first = 0; first < 256; ++first) {
    for (unsigned second = 0; second < 256; ++second) {
      const std::string text = prefix + std::string{static_cast<char>(first), static_cast<char>(second)} + "7";
      const auto key = referenceKey(text);
      for (std::size_t k = 0; k < probes.size(); ++k) {
        const int expected = key < probe_keys[k] ? -1 : (probe_keys[k] < key ? 1 : 0);
        const std::string& other = others[k];
        if (sign(db::naturalCompare(text, other)) != expected || sign(db::naturalCompare(other, text)) != -expected) {
          FAIL() << std::hex << "bytes " << first << ' ' << second << " vs probe " << std::dec << k;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(NaturalCompareFastPath, NaturalCompareBytes, testing::Values("x", ""));

// Case pairs and accented letters next to digits: texts spelled alike, each
// letter in a random variant (either case, with or without its accent) and
// each number with or without leading zeros, so that the tie-breaks decide.
TEST(NaturalCompareFastPath, CasePairsAndDigitsNextToAccents) {
  std::vector<std::vector<std::string>> groups = {{"1", "01", "001"}, {"10", "010"}, {"0", "00"}};
  for (char32_t c = 0xC0; c < 0x460; ++c) {
    const char32_t lower = host::foldChar(c);
    const char32_t base = host::baseLetter(lower);
    if (lower == c && host::upperChar(c) == c && base == c) continue;
    groups.push_back({utf8(c), utf8(lower), utf8(host::upperChar(lower)), utf8(base), utf8(host::upperChar(base))});
  }
  std::mt19937 rng(53);
  std::uniform_int_distribution<std::size_t> group(0, groups.size() - 1);
  std::uniform_int_distribution<std::size_t> length(1, 5);
  for (int n = 0; n < 50000; ++n) {
    std::string a;
    std::string b;
    for (std::size_t k = length(rng); k > 0; --k) {
      const auto& variants = groups[group(rng)];
      std::uniform_int_distribution<std::size_t> variant(0, variants.size() - 1);
      a += variants[variant(rng)];
      b += variants[variant(rng)];
    }
    ASSERT_EQ(sign(db::naturalCompare(a, b)), referenceCompare(a, b)) << '"' << a << "\" vs \"" << b << '"';
  }
}

}  // namespace
