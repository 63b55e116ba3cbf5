// The streaming reader's scanner: it must take exactly the documents
// nlohmann's parser takes, and deliver the same values.
#include "profile/json_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "profile/data_error.h"

namespace profile {
namespace {

// Records the events as text: "{", "}", "[", "]", "k:NAME", "s:TEXT",
// "u:N", "i:N", "f:N", "b:1", "null".
class EventLog final : public JsonReader {
 public:
  explicit EventLog(std::string_view text) : JsonReader("t.json", text) {}
  std::vector<std::string> read() {
    run();
    return events_;
  }

 private:
  void onScalar(const JsonScalar& value) override {
    switch (value.kind) {
      case JsonScalar::Kind::kNull: events_.push_back("null"); break;
      case JsonScalar::Kind::kBool: events_.push_back("b:" + std::to_string(value.boolean)); break;
      case JsonScalar::Kind::kInteger: events_.push_back("i:" + std::to_string(value.integer)); break;
      case JsonScalar::Kind::kUnsigned: events_.push_back("u:" + std::to_string(value.unsigned_integer)); break;
      case JsonScalar::Kind::kFloat: events_.push_back("f:" + std::to_string(value.real)); break;
      case JsonScalar::Kind::kString: events_.push_back("s:" + std::string(value.text)); break;
    }
  }
  void onBegin(bool object) override { events_.push_back(object ? "{" : "["); }
  void onKey(std::string_view key) override { events_.push_back("k:" + std::string(key)); }
  void onEnd(bool object) override { events_.push_back(object ? "}" : "]"); }

  std::vector<std::string> events_;
};

bool readerAccepts(const std::string& text) {
  try {
    EventLog(text).read();
    return true;
  } catch (const DataError&) {
    return false;
  }
}

class AcceptanceTest : public testing::TestWithParam<std::string> {};

TEST_P(AcceptanceTest, TakesWhatNlohmannTakes) {
  const std::string& text = GetParam();
  EXPECT_EQ(readerAccepts(text), nlohmann::json::accept(text)) << text;
}

INSTANTIATE_TEST_SUITE_P(Documents, AcceptanceTest, testing::Values(
    // numbers
    "[0]", "[-0]", "[01]", "[1.]", "[.5]", "[-]", "[1e5]", "[1E+5]", "[1e-5]", "[1e]", "[1e+]", "[+1]",
    "[1e400]", "[-1e400]", "[1e-400]", "[0.5e-400]", "[18446744073709551616]", "[-9223372036854775809]",
    "[1.5.2]", "[0x10]", "[Infinity]", "[NaN]",
    // literals
    "[true]", "[tru]", "[truex]", "[nul]", "[null]", "[False]",
    // strings and escapes
    R"(["a\"b\\c\/d\b\f\n\r\t"])", R"(["\x"])", R"(["\u00e9"])", R"(["\u00G9"])", R"(["\u12"])",
    R"(["\ud83d\ude00"])", R"(["\ud83d"])", R"(["\ud83d\u0041"])", R"(["\ude00"])", R"(["\u0000"])",
    "[\"tab\there\"]", "[\"line\nbreak\"]", "[\"unterminated]",
    // UTF-8
    "[\"\xC3\xA9\"]", "[\"\xC0\x80\"]", "[\"\xC1\xBF\"]", "[\"\xE0\x9F\xBF\"]", "[\"\xE0\xA0\x80\"]",
    "[\"\xED\x9F\xBF\"]", "[\"\xED\xA0\x80\"]", "[\"\xF0\x8F\xBF\xBF\"]", "[\"\xF0\x90\x80\x80\"]",
    "[\"\xF4\x8F\xBF\xBF\"]", "[\"\xF4\x90\x80\x80\"]", "[\"\xF5\x80\x80\x80\"]", "[\"\xC3\"]",
    "[\"\xE2\x82\"]", "[\"\x80\"]", "[\xC3\xA9]",
    // structure
    "", " ", "{}", "[]", "[1,]", "[,1]", "{,}", R"({"a":1,})", R"({"a" 1})", R"({"a":})", R"({1:2})",
    "[1 2]", "[[]]]", "[[]", "{} {}", "{}  \r\n\t", "\xEF\xBB\xBF{}", "\xEF\xBB{}", "\xEF\xBB\xBF",
    std::string("[1]\0", 4), std::string("[\"a\0b\"]", 7)));

struct EventCase {
  std::string text;
  std::vector<std::string> events;
};

class EventTest : public testing::TestWithParam<EventCase> {};

TEST_P(EventTest, DeliversValuesAsNlohmannReadsThem) {
  EXPECT_EQ(EventLog(GetParam().text).read(), GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(Values, EventTest, testing::Values(
    EventCase{"[18446744073709551615, 18446744073709551616]",
              {"[", "u:18446744073709551615", "f:18446744073709551616.000000", "]"}},
    EventCase{"[-9223372036854775808, -0, 7]", {"[", "i:-9223372036854775808", "i:0", "u:7", "]"}},
    EventCase{"[2.5, 1e-400, -1E2]", {"[", "f:2.500000", "f:0.000000", "f:-100.000000", "]"}},
    EventCase{R"({"k\u00e9y": "a\tb\ud83d\ude00", "x": [true, false, null]})",
              {"{", "k:k\xC3\xA9y", "s:a\tb\xF0\x9F\x98\x80", "k:x", "[", "b:1", "b:0", "null", "]", "}"}},
    EventCase{R"(["plain", "esc\"aped", "plain again"])",
              {"[", "s:plain", "s:esc\"aped", "s:plain again", "]"}}));

TEST(JsonReaderTest, SyntaxErrorsKeepNlohmannsWordsAndPosition) {
  try {
    EventLog("{\n  \"a\": [1, 2,, 3]}").read();
    FAIL() << "no error";
  } catch (const DataError& e) {
    const std::string expected = "Malformed JSON in \"t.json\" at line 2, column 14: "
                                 "syntax error while parsing value - unexpected ','";
    EXPECT_EQ(std::string(e.what()).substr(0, expected.size()), expected);
  }
}

}  // namespace
}  // namespace profile
