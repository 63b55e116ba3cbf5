// Tests of the UTF-8 text helpers' base-letter folding.
#include "host/text.h"

#include <gtest/gtest.h>

namespace {

TEST(BaseLetter, StripsDiacriticsKeepingCase) {
  struct Case {
    char32_t in;
    char32_t out;
  };
  const Case cases[] = {
      {U'É', U'E'}, {U'é', U'e'}, {U'Ä', U'A'}, {U'ñ', U'n'}, {U'Ç', U'C'}, {U'Ø', U'O'},
      {U'ø', U'o'}, {U'ÿ', U'y'}, {U'Ý', U'Y'}, {U'Ł', U'L'}, {U'ł', U'l'}, {U'Ő', U'O'},
      {U'ğ', U'g'}, {U'Š', U'S'}, {U'ž', U'z'}, {U'Ÿ', U'Y'}, {U'İ', U'I'}, {U'ı', U'i'},
      {U'Đ', U'D'}, {U'ð', U'd'}, {U'Œ', U'O'}, {U'æ', U'a'}, {U'ß', U's'}, {U'ſ', U's'},
      {U'Ŵ', U'W'}, {U'ŷ', U'y'},
      // Not letters with a base: unchanged.
      {U'×', U'×'}, {U'÷', U'÷'}, {U'Þ', U'Þ'}, {U'þ', U'þ'}, {U'¿', U'¿'}, {0x180, 0x180},
      {U'A', U'A'}, {U'7', U'7'}, {U'Ж', U'Ж'}, {0xFFFD, 0xFFFD},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<unsigned>(c.in));
    EXPECT_EQ(host::baseLetter(c.in), c.out);
  }
}

// Upper- and lower-case forms of a letter must share their base letter, or
// case-insensitive comparisons built on it would tell them apart.
TEST(BaseLetter, AgreesWithCaseFolding) {
  for (char32_t c = 0xC0; c < 0x180; ++c) {
    SCOPED_TRACE(static_cast<unsigned>(c));
    const char32_t base = host::baseLetter(c);
    if (base == c) {
      EXPECT_EQ(host::baseLetter(host::foldChar(c)), host::foldChar(c));
      continue;
    }
    ASSERT_LT(base, 0x80u);
    EXPECT_TRUE((base >= 'a' && base <= 'z') || (base >= 'A' && base <= 'Z'));
    EXPECT_EQ(host::baseLetter(host::foldChar(c)), host::foldChar(base));
  }
}

}  // namespace
