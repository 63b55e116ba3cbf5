// A client's conversation: replies, command lists, idle and the limits
// that end a connection.
#include "mpd/session.h"

#include "mpd/mpd_fixture.h"
#include "mpd/protocol.h"

namespace mpd_testing {
namespace {

using mpd::kMaxLineBytes;
using mpd::kMaxListCommands;

struct Exchange {
  const char* name;
  std::string sent;
  std::string reply;
};

class SessionExchangeTest : public MpdFixture, public ::testing::WithParamInterface<Exchange> {};

TEST_P(SessionExchangeTest, RepliesAsTheProtocolSays) {
  EXPECT_EQ(send(GetParam().sent), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Exchanges, SessionExchangeTest,
    ::testing::Values(
        Exchange{"Ping", "ping\n", "OK\n"},
        Exchange{"UnknownCommand", "frobnicate\n", "ACK [5@0] {} unknown command \"frobnicate\"\n"},
        Exchange{"TooManyArguments", "play 1 2\n", "ACK [2@0] {play} wrong number of arguments for \"play\"\n"},
        Exchange{"TooFewArguments", "setvol\n", "ACK [2@0] {setvol} wrong number of arguments for \"setvol\"\n"},
        Exchange{"UnclosedQuote", "add \"abc\n", "ACK [5@0] {} Missing closing '\"'\n"},
        Exchange{"NotAnInteger", "play x\n", "ACK [2@0] {play} Integer expected: x\n"},
        Exchange{"BadSongIndex", "play 99\n", "ACK [2@0] {play} Bad song index\n"},
        Exchange{"List", "command_list_begin\nping\nping\ncommand_list_end\n", "OK\n"},
        Exchange{"OkList", "command_list_ok_begin\nping\nping\ncommand_list_end\n", "list_OK\nlist_OK\nOK\n"},
        Exchange{"ListStopsAtItsFirstFailure", "command_list_ok_begin\nping\nfrob\nping\ncommand_list_end\n",
                 "list_OK\nACK [5@1] {} unknown command \"frob\"\n"},
        Exchange{"ListParseFailure", "command_list_begin\nping\nadd \"x\ncommand_list_end\n",
                 "ACK [5@1] {} Missing closing '\"'\n"},
        Exchange{"NoIdleInAList", "command_list_begin\nidle\ncommand_list_end\n",
                 "ACK [2@0] {idle} \"idle\" is not allowed in a command list\n"},
        Exchange{"SplitLines", "pi", ""},
        Exchange{"UnknownIdleEvent", "idle player bogus\n", "ACK [2@0] {idle} Unrecognized idle event: bogus\n"},
        Exchange{"NoIdleWhileNotIdle", "noidle\n", "OK\n"},
        Exchange{"IdleThenNoIdle", "idle\nnoidle\n", "OK\n"}),
    [](const auto& info) { return info.param.name; });

TEST_F(MpdFixture, ALineArrivesInPieces) {
  EXPECT_EQ(send("pi"), "");
  EXPECT_EQ(send("ng\nping"), "OK\n");
  EXPECT_EQ(send("\n"), "OK\n");
}

TEST_F(MpdFixture, AnOverLongLineEndsTheConnection) {
  std::string out;
  EXPECT_TRUE(session->feed(std::string(kMaxLineBytes, 'a'), out));
  EXPECT_FALSE(session->feed("a", out));
  EXPECT_EQ(out.rfind("ACK [2@0] {} line too long", 0), 0u) << out;
  // Nothing more is taken from it.
  std::string after;
  EXPECT_FALSE(session->feed("ping\n", after));
  EXPECT_EQ(after, "");
}

TEST_F(MpdFixture, ALineOfTheLimitIsTaken) {
  std::string out;
  EXPECT_TRUE(session->feed("lsinfo \"" + std::string(kMaxLineBytes - 9, 'a') + "\"\n", out));
  EXPECT_EQ(out.rfind("ACK [50@0] {lsinfo}", 0), 0u) << out.substr(0, 80);
}

TEST_F(MpdFixture, ACommandListThatNeverEndsIsCutOff) {
  std::string out;
  ASSERT_TRUE(session->feed("command_list_begin\n", out));
  bool open = true;
  std::size_t sent = 0;
  while (open && sent <= kMaxListCommands) {
    open = session->feed("ping\n", out);
    ++sent;
  }
  EXPECT_FALSE(open);
  EXPECT_EQ(sent, kMaxListCommands + 1);
  EXPECT_EQ(out.rfind("ACK [2@" + std::to_string(kMaxListCommands) + "] {} command list too long", 0), 0u) << out;
}

TEST_F(MpdFixture, CloseEndsTheConnection) {
  std::string out;
  EXPECT_FALSE(session->feed("close\nping\n", out));
  EXPECT_EQ(out, "");
}

TEST_F(MpdFixture, ACommandOtherThanNoIdleWhileIdleEndsTheConnection) {
  std::string out;
  EXPECT_TRUE(session->feed("idle\n", out));
  EXPECT_TRUE(session->idle());
  EXPECT_FALSE(session->feed("status\n", out));
  EXPECT_EQ(out, "");
}

TEST_F(MpdFixture, IdleReportsChangesMadeBeforeIt) {
  std::string out;
  session->notify(mpd::kPlaylist | mpd::kMixer, out);
  EXPECT_EQ(out, "");
  EXPECT_EQ(send("idle mixer\n"), "changed: mixer\nOK\n");
  // The playlist change stays for a later idle.
  EXPECT_EQ(send("idle\n"), "changed: playlist\nOK\n");
  EXPECT_EQ(send("idle\n"), "");
  session->notify(mpd::kStoredPlaylist, out);
  EXPECT_EQ(out, "changed: stored_playlist\nOK\n");
}

TEST_F(MpdFixture, IdleWaitsOnlyForTheNamedSubsystems) {
  EXPECT_EQ(send("idle player\n"), "");
  std::string out;
  session->notify(mpd::kDatabase, out);
  EXPECT_EQ(out, "");
  session->notify(mpd::kPlayer, out);
  EXPECT_EQ(out, "changed: player\nOK\n");
}

}  // namespace
}  // namespace mpd_testing
