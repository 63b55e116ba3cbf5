// Request lines as clients write them: quoting, escapes and every refusal.
#include "mpd/protocol.h"

#include <gtest/gtest.h>

namespace mpd {
namespace {

struct ParseCase {
  const char* name;
  std::string line;
  std::string command;
  std::vector<std::string> args;
};

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, SplitsTheLine) {
  const Request request = parseRequest(GetParam().line);
  EXPECT_EQ(request.command, GetParam().command);
  EXPECT_EQ(request.args, GetParam().args);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseTest,
    ::testing::Values(ParseCase{"Bare", "status", "status", {}},
                      ParseCase{"CarriageReturn", "status\r", "status", {}},
                      ParseCase{"Blanks", " \tplay  3\t", "play", {"3"}},
                      ParseCase{"Quoted", R"(lsinfo "a b/c d")", "lsinfo", {"a b/c d"}},
                      ParseCase{"Escapes", R"(find "artist" "say \"hi\" \\ now")", "find", {"artist", R"(say "hi" \ now)"}},
                      ParseCase{"EmptyQuoted", R"(lsinfo "")", "lsinfo", {""}},
                      ParseCase{"Unicode", "search title \"\xC3\xA9t\xC3\xA9\"", "search", {"title", "\xC3\xA9t\xC3\xA9"}},
                      ParseCase{"QuotedTab", "add \"a\tb\"", "add", {"a\tb"}},
                      ParseCase{"Mixed", R"(list Album group "Album Artist")", "list",
                                {"Album", "group", "Album Artist"}}),
    [](const auto& info) { return info.param.name; });

struct RefusalCase {
  const char* name;
  std::string line;
  std::string message;
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, RefusesWithTheProtocolsError) {
  try {
    parseRequest(GetParam().line);
    FAIL() << "accepted: " << GetParam().line;
  } catch (const Ack& ack) {
    EXPECT_EQ(ack.error(), AckError::kUnknown);
    EXPECT_EQ(std::string(ack.what()), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RefusalTest,
    ::testing::Values(RefusalCase{"Empty", "", "No command given"},
                      RefusalCase{"OnlyBlanks", "  \t", "No command given"},
                      RefusalCase{"UpperCase", "STATUS", "Malformed command \"STATUS\""},
                      RefusalCase{"Punctuation", "sta-tus", "Malformed command \"sta-tus\""},
                      RefusalCase{"UnclosedQuote", R"(add "abc)", "Missing closing '\"'"},
                      RefusalCase{"EscapedLastQuote", R"(add "abc\")", "Missing closing '\"'"},
                      RefusalCase{"GlueAfterQuote", R"(add "a"b)", "Space expected after closing '\"'"},
                      RefusalCase{"QuoteInsideWord", R"(add a"b")", "Invalid unquoted character"},
                      RefusalCase{"ControlCharacter", std::string("add a\x01" "b"), "Invalid unquoted character"},
                      RefusalCase{"TooManyArguments", "add" + [] {
                        std::string args;
                        for (std::size_t i = 0; i <= kMaxArguments; ++i) args += " x";
                        return args;
                      }(), "Too many arguments"}),
    [](const auto& info) { return info.param.name; });

TEST(FormatAckTest, NamesTheErrorTheListIndexAndTheCommand) {
  EXPECT_EQ(formatAck(AckError::kArg, 2, "play", "Bad song index"), "ACK [2@2] {play} Bad song index\n");
  EXPECT_EQ(formatAck(AckError::kUnknown, 0, "", "two\nlines"), "ACK [5@0] {} two lines\n");
}

TEST(AppendPairTest, KeepsEachValueOnItsLine) {
  std::string out;
  appendPair(out, "Title", "a\r\nb");
  EXPECT_EQ(out, "Title: a  b\n");
}

}  // namespace
}  // namespace mpd
