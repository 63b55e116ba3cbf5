// Query nodes over the real library tables: the tables a run reads and the
// tracks behind result nodes.
#include <gtest/gtest.h>

#include "library_tables/handle_table.h"
#include "library_tables/library_tables.h"
#include "panel_fixture.h"
#include "tree/open_panels.h"

namespace {

using testing_support::makeTrack;
using tree::QueryNode;

class LibraryRunTest : public tree_testing::PanelFixture {
 protected:
  void SetUp() override {
    library_tables::resetProcessState();
    host.library = {
        makeTrack("file:///1.flac", {{"genre", {"Rock"}}, {"artist", {"B"}}}),
        makeTrack("file:///2.flac", {{"genre", {"Jazz"}}, {"artist", {"C"}}}),
        makeTrack("file:///3.flac", {{"genre", {"Rock"}}, {"artist", {"A"}}}),
    };
    host.playlists.push_back({"Mix", {host.library[1], host.library[0]}, {false, false}});
    db::setSchemaReady(false);
    db::installOpenSteps({&tree::BuildTreeSchema, &library_tables::setUpLibraryTables});
    tree::PanelHooks hooks;
    hooks.reload_table_pages = [this] { ++reloads; };
    panel = std::make_unique<tree::Panel>(host, tree::UiAttributes{}, std::move(hooks));
    ASSERT_TRUE(panel->open());
  }
  void TearDown() override {
    PanelFixture::TearDown();
    library_tables::resetProcessState();
  }
  int reloads = 0;
};

TEST_F(LibraryRunTest, RunRecordsTheTablesItReadAndStaysStaleOnlyForThose) {
  QueryNode* library = addQuery("SELECT genre,artist FROM MediaLibrary ORDER BY genre,artist", {"genre", "artist"},
                                nullptr, "Library");
  QueryNode* playlist = addQuery("SELECT count(*) FROM Playlist", {"n"}, nullptr, "Playlist");
  ASSERT_TRUE(library->refresh(true));
  ASSERT_TRUE(playlist->refresh(true));
  EXPECT_EQ(dump(*library), "Jazz{C},Rock{A,B}");
  EXPECT_EQ(library->tablesRead(), tree::kReadsMediaLibrary);
  EXPECT_EQ(playlist->tablesRead(), tree::kReadsPlaylist);
  EXPECT_EQ(reloads, 2) << "each run tells the table pages to reload";
  tree::OpenPanels::instance().markStale(tree::kReadsMediaLibrary);
  EXPECT_TRUE(library->stale());
  EXPECT_FALSE(playlist->stale());
}

TEST_F(LibraryRunTest, ResultNodePathCollectsItsTracksInQueryOrder) {
  QueryNode* q = addQuery("SELECT genre,artist FROM MediaLibrary ORDER BY genre,artist", {"genre", "artist"});
  ASSERT_TRUE(q->refresh(true));
  std::vector<std::string> path;
  const tree::QueryResultNode* rock = find(*q, "Rock");
  ASSERT_NE(rock, nullptr);
  ASSERT_EQ(tree::resultPath(*rock, path), q);
  host::TrackList tracks;
  q->collectTracks(path, tracks);
  EXPECT_EQ(tracks, (host::TrackList{host.library[2], host.library[0]}));
  EXPECT_EQ(library_tables::HandleTable::instance().size(), 0u);
  EXPECT_TRUE(host.popups.empty());
}

}  // namespace
