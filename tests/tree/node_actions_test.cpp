// Click and middle-click actions over the real library tables.
#include "tree/node_actions.h"

#include <gtest/gtest.h>

#include "library_tables/library_tables.h"
#include "panel_fixture.h"

namespace {

using testing_support::makeTrack;
using tree::QueryNode;
using tree::QueryResultNode;

class NodeActionsTest : public tree_testing::PanelFixture {
 protected:
  void SetUp() override {
    library_tables::resetProcessState();
    host.library = {
        makeTrack("file:///1.flac", {{"genre", {"Rock"}}, {"artist", {"B"}}}),
        makeTrack("file:///2.flac", {{"genre", {"Jazz"}}, {"artist", {"C"}}}),
        makeTrack("file:///3.flac", {{"genre", {"Rock"}}, {"artist", {"A"}}}),
    };
    host.playlists.push_back({"Default", {host.library[1]}, {false}});
    host.playlists.push_back({"vostrel PLAYLIST", {host.library[1], host.library[1]}, {false, false}});
    host.active = 0;
    db::setSchemaReady(false);
    db::installOpenSteps({&tree::BuildTreeSchema, &library_tables::setUpLibraryTables});
    tree::PanelHooks hooks;
    hooks.send_to_console = [this](const std::string& sql) { console_scripts.push_back(sql); };
    hooks.query_active_changed = [this](bool shown) { label_events.push_back(shown); };
    panel = std::make_unique<tree::Panel>(host, tree::UiAttributes{}, std::move(hooks));
    ASSERT_TRUE(panel->open());
  }
  void TearDown() override {
    PanelFixture::TearDown();
    library_tables::resetProcessState();
  }
  QueryNode* genreQuery() {
    return addQuery("SELECT genre, artist FROM MediaLibrary ORDER BY genre, artist", {"genre", "artist"});
  }
  std::vector<std::string> paths(std::size_t playlist) const {
    std::vector<std::string> out;
    for (const auto& track : host.playlists.at(playlist).items) out.emplace_back(track->path());
    return out;
  }
  std::vector<std::string> console_scripts;
};

TEST_F(NodeActionsTest, SendToTargetPlaylistFindsItIgnoringCaseAndReplacesItsItems) {
  QueryNode* q = genreQuery();
  q->definition().click = {tree::kSendToTarget, "Vostrel playlist", true, false, false};
  ASSERT_TRUE(q->refresh(true));
  QueryResultNode* rock = find(*q, "Rock");
  ASSERT_NE(rock, nullptr);
  rock->click();
  EXPECT_EQ(host.playlists.size(), 2u) << "the existing playlist is found ignoring case";
  EXPECT_EQ(paths(1), (std::vector<std::string>{"file:///3.flac", "file:///1.flac"}));
  EXPECT_EQ(host.active, 1u);
  EXPECT_EQ(host.playlists[1].selected, (std::vector<bool>{false, false}));
  EXPECT_EQ(label_events, (std::vector<bool>{true, false, true, false})) << "the run, then the action";
}

TEST_F(NodeActionsTest, MissingTargetIsCreatedAtTheEnd) {
  QueryNode* q = genreQuery();
  q->definition().click = {tree::kAddToTarget, "New list", false, true, true};
  q->click();
  ASSERT_EQ(host.playlists.size(), 3u);
  EXPECT_EQ(host.playlists[2].name, "New list");
  EXPECT_EQ(host.playlists[2].items.size(), 3u);
  EXPECT_EQ(host.playlists[2].selected, (std::vector<bool>(3, true)));
  EXPECT_EQ(host.active, 0u) << "activate playlist was off";
  EXPECT_EQ(host.playing, 2u) << "playback starts from the filled playlist";
}

TEST_F(NodeActionsTest, InsertUsesTheInsertionPointAndDuplicatesFollowTheFlag) {
  host.playlists[0].items = {host.library[1], host.library[1]};
  host.playlists[0].selected = {true, false};
  QueryNode* q = addQuery("SELECT genre FROM MediaLibrary UNION ALL SELECT genre FROM MediaLibrary", {"genre"});
  q->definition().click.action = tree::kInsertIntoActive;
  q->click();
  ASSERT_EQ(host.playlists[0].items.size(), 5u) << "three tracks once each, inserted after the selection";
  EXPECT_EQ(host.playlists[0].items[1]->path(), "file:///1.flac");
  q->definition().remove_duplicates = false;
  q->click();
  EXPECT_EQ(host.playlists[0].items.size(), 11u);
}

// With no active playlist (the user closed them all, or none is chosen) an
// active-playlist action fills "New playlist", found or made as a target
// playlist is, and makes it the active one, even with activate off.
TEST_F(NodeActionsTest, NoActivePlaylistFillsNewPlaylistAndMakesItActive) {
  struct Case {
    const char* name;
    uint8_t code;
    std::vector<std::string> names_before;  // the host's playlists, none active
    std::size_t filled;
    std::size_t count_after;
  };
  const Case cases[] = {
      {"add, no playlists", tree::kAddToActive, {}, 0, 1},
      {"insert, no playlists", tree::kInsertIntoActive, {}, 0, 1},
      {"send, no playlists", tree::kSendToActive, {}, 0, 1},
      {"playlists but none active", tree::kInsertIntoActive, {"Default", "Jazz"}, 2, 3},
      {"one has the name already", tree::kAddToActive, {"Default", "new PLAYLIST"}, 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.playlists.clear();
    for (const std::string& name : c.names_before) host.playlists.push_back({name, {host.library[1]}, {false}});
    host.active = host::kNoPlaylist;
    host.playback_starts = 0;
    QueryNode* q = genreQuery();
    q->definition().click = {c.code, "", false, false, true};
    q->click();
    ASSERT_EQ(host.playlists.size(), c.count_after);
    const std::size_t items_before = c.filled < c.names_before.size() ? 1 : 0;
    EXPECT_EQ(host.playlists[c.filled].items.size(), items_before + 3) << host.playlists[c.filled].name;
    if (c.filled >= c.names_before.size()) {
      EXPECT_EQ(host.playlists[c.filled].name, "New playlist");
    }
    EXPECT_EQ(host.active, c.filled);
    EXPECT_EQ(host.playback_starts, 1);
    if (!c.names_before.empty()) {
      EXPECT_EQ(host.playlists[0].items.size(), 1u) << "the others are left alone";
    }
  }
}

TEST_F(NodeActionsTest, NothingPlayingMeansNoPlayingPlaylistAction) {
  host.playing = host::kNoPlaylist;
  QueryNode* q = genreQuery();
  q->definition().click = {tree::kAddToPlaying, "", true, false, true};
  q->click();
  EXPECT_EQ(host.playlists.size(), 2u);
  EXPECT_EQ(host.playlists[0].items.size(), 1u);
  EXPECT_EQ(host.playback_starts, 0);
}

TEST_F(NodeActionsTest, EmptyResultStillClearsTheTarget) {
  QueryNode* q = addQuery("SELECT genre FROM MediaLibrary WHERE genre = 'Polka'", {"genre"});
  q->definition().click = {tree::kSendToTarget, "vostrel playlist", true, false, true};
  q->click();
  EXPECT_TRUE(host.playlists[1].items.empty());
  EXPECT_EQ(host.playback_starts, 1);
}

// Active and playing differ: the playing-playlist actions use the playing
// one and leave the active one alone.
TEST_F(NodeActionsTest, PlayingPlaylistActionsGoToThePlayingPlaylist) {
  struct Case {
    uint8_t code;
    std::vector<std::string> playing_after;
  };
  const std::string one = "file:///1.flac";
  const std::string two = "file:///2.flac";
  const std::string three = "file:///3.flac";
  const Case cases[] = {
      {tree::kAddToPlaying, {two, two, three, one}},
      {tree::kInsertIntoPlaying, {two, three, one, two}},  // after the selected first item
      {tree::kSendToPlaying, {three, one}},
  };
  QueryNode* q = genreQuery();
  ASSERT_NE(q, nullptr);
  ASSERT_TRUE(q->refresh(true));
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.code));
    host.playlists[1].items = {host.library[1], host.library[1]};
    host.playlists[1].selected = {true, false};
    host.active = 0;
    host.playing = 1;
    q->definition().click = {c.code, "", false, false, false};
    QueryResultNode* rock = find(*q, "Rock");
    ASSERT_NE(rock, nullptr);
    rock->click();
    EXPECT_EQ(paths(1), c.playing_after);
    EXPECT_EQ(paths(0), std::vector<std::string>{two}) << "the active playlist is untouched";
    EXPECT_EQ(host.active, 0u);
  }
}

// A collection that fails part way: Add and Insert use the tracks collected
// before the failure, a Send keeps its playlist as it was (and neither
// creates, activates nor plays it).
TEST_F(NodeActionsTest, FailedCollectionKeepsASendsPlaylist) {
  struct Case {
    uint8_t code;
    const char* target;
    std::vector<std::string> target_after;  // playlist 1
    std::size_t playlist_count;
  };
  const std::string one = "file:///1.flac";
  const std::string two = "file:///2.flac";
  const Case cases[] = {
      {tree::kAddToTarget, "vostrel playlist", {two, two, one, two}, 2},
      {tree::kInsertIntoTarget, "vostrel playlist", {two, two, one, two}, 2},
      {tree::kSendToTarget, "vostrel playlist", {two, two}, 2},
      {tree::kSendToActive, "", {two, two}, 2},
      {tree::kSendToTarget, "Not there yet", {two, two}, 2},
  };
  // Rows 1 and 2 come through; the third (artist A) overflows in abs().
  QueryNode* q = addQuery("SELECT genre FROM MediaLibrary "
                          "WHERE CASE WHEN artist = 'A' THEN abs(length(artist) - 9223372036854775807 - 2) ELSE 1 END",
                          {"genre"});
  ASSERT_NE(q, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.code));
    host.playlists.resize(2);
    host.playlists[0].items = {host.library[1]};
    host.playlists[1].items = {host.library[1], host.library[1]};
    host.playlists[0].selected = {false};
    host.playlists[1].selected = {false, false};
    host.active = 0;
    host.playback_starts = 0;
    host.popups.clear();
    q->definition().click = {c.code, c.target, true, false, true};
    q->click();
    EXPECT_EQ(paths(1), c.target_after);
    EXPECT_EQ(paths(0), std::vector<std::string>{two});
    EXPECT_EQ(host.playlists.size(), c.playlist_count);
    ASSERT_EQ(host.popups.size(), 1u);
    EXPECT_NE(host.popups[0].find("integer overflow"), std::string::npos) << host.popups[0];
    const bool send = c.code >= tree::kSendToActive;
    EXPECT_EQ(host.playback_starts, send ? 0 : 1);
  }
}

TEST_F(NodeActionsTest, SendKeepsItsPlaylistWhenTheNodeCannotBeCollected) {
  // A level that is an aggregate cannot be restricted in WHERE.
  QueryNode* q = addQuery("SELECT genre, count(*) n FROM MediaLibrary GROUP BY genre", {"genre", "n"});
  ASSERT_NE(q, nullptr);
  q->definition().click = {tree::kSendToTarget, "vostrel playlist", true, false, false};
  ASSERT_TRUE(q->refresh(true));
  QueryResultNode* count = find(*q, "2");
  ASSERT_NE(count, nullptr);
  count->click();
  ASSERT_EQ(host.popups.size(), 1u);
  EXPECT_NE(host.popups[0].find("misuse of aggregate"), std::string::npos) << host.popups[0];
  EXPECT_EQ(paths(1), (std::vector<std::string>{"file:///2.flac", "file:///2.flac"}));
  EXPECT_EQ(host.active, 0u);
}

TEST_F(NodeActionsTest, InterruptedSendKeepsItsPlaylistSilently) {
  QueryNode* q = genreQuery();
  ASSERT_NE(q, nullptr);
  q->definition().click = {tree::kSendToTarget, "vostrel playlist", true, false, false};
  host.on_pump = [this] { panel->database().Interrupt(); };
  q->click();
  host.on_pump = nullptr;
  EXPECT_TRUE(host.popups.empty());
  EXPECT_EQ(paths(1), (std::vector<std::string>{"file:///2.flac", "file:///2.flac"}));
}

TEST_F(NodeActionsTest, MiddleClickWithNoActionDoesNothing) {
  QueryNode* q = genreQuery();
  q->definition().click = {tree::kSendToActive, "", true, false, false};
  ASSERT_TRUE(q->refresh(true));
  label_events.clear();
  QueryResultNode* rock = find(*q, "Rock");
  ASSERT_NE(rock, nullptr);
  rock->middleClick();
  EXPECT_EQ(host.playlists[0].items.size(), 1u);
  EXPECT_TRUE(label_events.empty());
}

TEST_F(NodeActionsTest, RefreshOnUseRunsAStaleQueryFirst) {
  QueryNode* q = genreQuery();
  q->definition().refresh_on_use = true;
  q->definition().click.action = tree::kAddToActive;
  ASSERT_TRUE(q->stale());
  q->click();
  EXPECT_FALSE(q->stale());
  EXPECT_EQ(dump(*q), "Jazz{C},Rock{A,B}");
  EXPECT_EQ(host.playlists[0].items.size(), 4u);
}

TEST_F(NodeActionsTest, QueryActiveBlocksActions) {
  QueryNode* q = genreQuery();
  q->definition().click.action = tree::kAddToActive;
  panel->showQueryActive();
  q->click();
  panel->hideQueryActive();
  EXPECT_EQ(host.playlists[0].items.size(), 1u);
}

TEST_F(NodeActionsTest, ExecuteSqlRunsTheBatchAndReportsErrors) {
  QueryNode* q = genreQuery();
  q->definition().click.action = tree::kExecuteSql;
  q->click();
  EXPECT_TRUE(host.popups.empty()) << "an empty batch does nothing";
  q->definition().sql_batch = "CREATE TABLE made(a); INSERT INTO made VALUES(1)";
  q->click();
  EXPECT_EQ(scalar("SELECT count(*) FROM made"), "1");
  q->definition().sql_batch = "BEGIN; INSERT INTO made VALUES(2); INSERT INTO nowhere VALUES(3)";
  q->click();
  ASSERT_EQ(host.popups.size(), 1u);
  EXPECT_TRUE(host.popups[0].starts_with("Execution error:\nSQLite Error: (1) no such table: nowhere")) << host.popups[0];
  EXPECT_EQ(scalar("SELECT count(*) FROM made"), "1") << "the transaction the batch opened is rolled back";
}

TEST_F(NodeActionsTest, SendToConsoleRestrictsToTheNodesPath) {
  QueryNode* q = genreQuery();
  q->definition().sql_batch = "CREATE TEMP VIEW v AS SELECT 1";
  q->definition().click.action = tree::kSendToConsole;
  ASSERT_TRUE(q->refresh(true));
  QueryResultNode* a = find(*q, "A");
  ASSERT_NE(a, nullptr);
  a->click();
  ASSERT_EQ(console_scripts.size(), 1u);
  EXPECT_EQ(console_scripts[0],
            "CREATE TEMP VIEW v AS SELECT 1;\r\nSELECT genre,\r\n       artist\r\nFROM MediaLibrary\r\n"
            "WHERE (CAST(genre AS TEXT) = 'Rock') AND (CAST(artist AS TEXT) = 'A')\r\nORDER BY genre, artist\r\n");
}

}  // namespace
