// A panel's search over the example tree: what its nodes show and send
// under a search text, and what it leaves alone.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <stdexcept>
#include <string>

#include "library_tables/library_tables.h"
#include "panel_fixture.h"
#include "tree/tree_loader.h"

namespace {

using testing_support::makeTrack;
using tree::QueryNode;

// The number of MediaLibrary rows `db` sees.
int libraryRows(db::SQLiteDatabase& db) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db.handle(), "SELECT count(*) FROM MediaLibrary", -1, &statement, nullptr) != SQLITE_OK) {
    return -1;
  }
  const int count = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : -1;
  sqlite3_finalize(statement);
  return count;
}

class PanelSearchTest : public tree_testing::PanelFixture {
 protected:
  void SetUp() override {
    library_tables::resetProcessState();
    host.library = {
        makeTrack("file:///1.flac", {{"artist", {"Bärbel"}},
                                     {"album", {"X"}},
                                     {"date", {"2001"}},
                                     {"discnumber", {"1"}},
                                     {"genre", {"Rock"}},
                                     {"title", {"Morning"}}}),
        makeTrack("file:///2.flac", {{"artist", {"Bärbel"}},
                                     {"album", {"X"}},
                                     {"date", {"2001"}},
                                     {"discnumber", {"2"}},
                                     {"genre", {"Rock"}},
                                     {"title", {"Evening"}}}),
        makeTrack("file:///3.flac", {{"album artist", {"A"}},
                                     {"artist", {"Z"}},
                                     {"album", {"Y"}},
                                     {"date", {"1999"}},
                                     {"genre", {"Jazz"}},
                                     {"title", {"Morning Jazz"}}}),
    };
    db::setSchemaReady(false);
    db::installOpenSteps({&tree::BuildTreeSchema, &library_tables::setUpLibraryTables});
    panel = std::make_unique<tree::Panel>(host, tree::UiAttributes{});
    ASSERT_TRUE(panel->open());
    ASSERT_TRUE(tree::loadTree(*panel));
  }
  void TearDown() override {
    PanelFixture::TearDown();
    library_tables::resetProcessState();
  }
  QueryNode* query(const std::string& label) {
    for (QueryNode* q : panel->queries()) {
      if (q->label() == label) return q;
    }
    throw std::runtime_error("no query node \"" + label + "\"");
  }
};

TEST_F(PanelSearchTest, NodesThatRanRunAgainUnderTheTextAndAfterClearing) {
  QueryNode* album = query("Album");
  ASSERT_TRUE(album->refresh(true));
  EXPECT_EQ(dump(*album), "A{[1999] Y},Bärbel{[2001] X{Disc 1,Disc 2}}");

  ASSERT_TRUE(panel->setSearchText("barbel morning"));
  EXPECT_EQ(dump(*album), "Bärbel{[2001] X{Disc 1}}");
  EXPECT_FALSE(query("Genre")->hasRun()) << "a node that has not run stays so";
  EXPECT_EQ(query("Genre")->item()->childCount(), 0u);

  ASSERT_TRUE(panel->setSearchText("\"morning jazz\""));
  EXPECT_EQ(dump(*album), "A{[1999] Y}");
  ASSERT_TRUE(panel->setSearchText("nothing like it"));
  EXPECT_EQ(dump(*album), "");

  ASSERT_TRUE(panel->setSearchText("  "));
  EXPECT_EQ(dump(*album), "A{[1999] Y},Bärbel{[2001] X{Disc 1,Disc 2}}");
  EXPECT_TRUE(takeConsole().empty());
}

TEST_F(PanelSearchTest, ClickSendsOnlyTheMatchingTracks) {
  QueryNode* album = query("Album");
  ASSERT_TRUE(album->refresh(true));
  ASSERT_TRUE(panel->setSearchText("morning"));
  tree::QueryResultNode* artist = find(*album, "Bärbel");
  ASSERT_NE(artist, nullptr);
  artist->click();
  ASSERT_EQ(host.playlists.size(), 1u);
  ASSERT_EQ(host.playlists[0].items.size(), 1u);
  EXPECT_EQ(host.playlists[0].items[0]->path(), "file:///1.flac");

  album->click();  // the whole query, sent in its order
  ASSERT_EQ(host.playlists[0].items.size(), 2u);
  EXPECT_EQ(host.playlists[0].items[0]->path(), "file:///3.flac");
  EXPECT_EQ(host.playlists[0].items[1]->path(), "file:///1.flac");
}

TEST_F(PanelSearchTest, OtherPanelsAndTheConsoleSeeTheWholeLibrary) {
  ASSERT_TRUE(panel->setSearchText("jazz"));
  EXPECT_EQ(scalar("SELECT count(*) FROM MediaLibrary"), "1");
  host.playlists.push_back({"Mix", {host.library[0], host.library[1]}, {false, false}});
  EXPECT_EQ(scalar("SELECT count(*) FROM Playlist"), "2");

  tree::Panel other(host, tree::UiAttributes{});
  ASSERT_TRUE(other.open());
  EXPECT_EQ(libraryRows(other.database()), 3);
  db::SQLiteDatabase console(host);
  ASSERT_TRUE(console.Open());
  EXPECT_EQ(libraryRows(console), 3);
}

TEST_F(PanelSearchTest, ANewerTextStopsTheRunningSearchQuietly) {
  QueryNode* album = query("Album");
  ASSERT_TRUE(album->refresh(true));
  // The user types on while the search runs.
  host.on_pump = [this] { panel->supersedeSearch(); };
  EXPECT_FALSE(panel->setSearchText("morning"));
  host.on_pump = nullptr;
  EXPECT_TRUE(takeConsole().empty()) << "an obsolete run is no error";
  // The same terms again run the nodes that the stopped search left short.
  ASSERT_TRUE(panel->setSearchText("morning "));
  EXPECT_EQ(dump(*album), "A{[1999] Y},Bärbel{[2001] X{Disc 1}}");
}

}  // namespace
