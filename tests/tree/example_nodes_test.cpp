// The example tree over the real library tables: what a new panel gets,
// the stored SQL texts, and how a second creation merges into the tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "library_tables/library_tables.h"
#include "panel_fixture.h"
#include "tree/example_nodes.h"
#include "tree/tree_loader.h"

namespace {

using testing_support::makeTrack;
using tree::QueryNode;

// Item texts from `item` down: "A{B,C},D".
std::string exampleOutline(const tree::TreeItem& item) {
  std::string out;
  for (std::size_t i = 0; i < item.childCount(); ++i) {
    const tree::TreeItem& child = *item.child(i);
    if (i) out += ",";
    out += child.text();
    if (child.childCount() > 0) out += "{" + exampleOutline(child) + "}";
  }
  return out;
}

std::size_t count(const std::string& text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

constexpr const char* kExampleOutline =
    "<Examples>{Library{Album,Genre},Maintenance{Rebuild MediaLibrary table,Rebuild Playlist table},"
    "Statistics{Incomplete albums,Tracks per playlist}}";

class ExampleNodesTest : public tree_testing::PanelFixture {
 protected:
  void SetUp() override {
    library_tables::resetProcessState();
    host.library = {
        makeTrack("file:///1.flac", {{"artist", {"B"}}, {"album", {"X"}}, {"date", {"2001"}},
                                     {"discnumber", {"1"}}, {"genre", {"Rock"}}, {"tracknumber", {"1"}}}),
        makeTrack("file:///2.flac", {{"artist", {"B"}}, {"album", {"X"}}, {"date", {"2001"}},
                                     {"discnumber", {"2"}}, {"genre", {"Rock"}}, {"tracknumber", {"1"}}}),
        makeTrack("file:///3.flac", {{"album artist", {"A"}}, {"artist", {"Z"}}, {"album", {"Y"}},
                                     {"date", {"1999"}}, {"genre", {"Jazz"}}}),
    };
    db::setSchemaReady(false);
    db::installOpenSteps({&tree::BuildTreeSchema, &library_tables::setUpLibraryTables});
    panel = std::make_unique<tree::Panel>(host, tree::UiAttributes{});
    ASSERT_TRUE(panel->open());
  }
  void TearDown() override {
    PanelFixture::TearDown();
    library_tables::resetProcessState();
  }

  std::string exampleOutline() { return ::exampleOutline(*panel->control().top()); }
  QueryNode* query(const std::string& label) {
    for (QueryNode* q : panel->queries()) {
      if (q->label() == label) return q;
    }
    throw std::runtime_error("no query node \"" + label + "\"");
  }
  std::string levels() {
    return rows(
        "SELECT t.tri_label,qnd_level,qnd_name,qnd_show_item_count FROM vos_QueryNodeDetail d "
        "JOIN vos_TreeItem t ON t.tri_node_id=d.tri_node_id ORDER BY t.tri_label,qnd_level");
  }
};

TEST_F(ExampleNodesTest, NewPanelLoadsTheExampleTreeAndItsRows) {
  ASSERT_TRUE(tree::loadTree(*panel));
  const int32_t root = panel->rootNodeId();
  ASSERT_NE(root, 0);
  EXPECT_EQ(rows("SELECT tri_node_id,tri_parent_id,tri_level,tri_node_type,tri_label FROM vos_TreeItem "
                 "WHERE tri_parent_id IS NULL"),
            std::to_string(root) + ",-,0,1,#ROOT#;");
  EXPECT_EQ(rows("SELECT tri_node_type,count(*) FROM vos_TreeItem GROUP BY 1"), "1,1;2,4;3,6;");
  EXPECT_EQ(exampleOutline(), kExampleOutline);
  EXPECT_EQ(rows("SELECT tri_label,tri_level,tri_click_action,tri_click_target_playlist,tri_omit_null_nodes,"
                 "tri_remove_duplicates,tri_middle_click_action,tri_click_activate_playlist,tri_node_limit,"
                 "tri_refresh_on_load,tri_refresh_on_use,tri_icon,tri_parent_node_attributes FROM vos_TreeItem "
                 "WHERE tri_node_type=3 ORDER BY tri_label"),
            "Album,3,9,Vostrel playlist,1,0,0,1,50000,0,0,194,1;"
            "Genre,3,9,Vostrel playlist,1,0,0,1,50000,0,0,194,1;"
            "Incomplete albums,3,11,,0,1,0,1,50000,0,0,194,1;"
            "Rebuild MediaLibrary table,3,10,,0,1,0,1,50000,0,0,194,1;"
            "Rebuild Playlist table,3,10,,0,1,0,1,50000,0,0,194,1;"
            "Tracks per playlist,3,11,,0,1,0,1,50000,0,0,194,1;");
  EXPECT_EQ(levels(),
            "Album,1,album_artist,0;Album,2,album_col,0;Album,3,disc_number,0;"
            "Genre,1,all,2;Genre,2,genre,2;Genre,3,first_letter,1;Genre,4,album_artist,1;Genre,5,album,0;"
            "Genre,6,disc_number,0;");
  // The options in memory are the stored ones, and no example node has run.
  EXPECT_EQ(query("Genre")->levelCount(), 6u);
  EXPECT_EQ(query("Genre")->levelOption(1)->show_item_count, tree::kShowLeaves);
  for (QueryNode* q : panel->queries()) {
    EXPECT_TRUE(q->stale()) << q->label();
    EXPECT_EQ(q->item()->childCount(), 0u) << q->label();
  }
  EXPECT_TRUE(takeConsole().empty());
}

// Lengths and line-end counts of the texts, counted independently of the
// program's literals.
TEST_F(ExampleNodesTest, SqlTextsAreStoredVerbatimWithCrLfLineEnds) {
  struct Case {
    const char* label;
    const char* column;
    std::size_t length;
    std::size_t line_ends;
    std::vector<std::string> parts;
  };
  const Case cases[] = {
      {"Album", "tri_sql_query", 346, 5,
       {"SELECT ifnull([album artist],artist) album_artist,\r\n       ifnull('['||date||'] ','')||album album_col,\r\n",
        "GROUP BY 1,album,discnumber\r\nORDER BY ifnull([album artist],artist) COLLATE NaturalNoCase,"
        "ifnull('['||date||'] ','')||album desc,discnumber"}},
      {"Album", "tri_sql_batch", 1019, 15,
       {"/* Some hints and explanations:\r\n", "\"album artist\", \"%album artist%\"\r\n",
        "table MediaLibraryalbums\r\n", "order-by clause\r\n*/\r\n\r\n"}},
      {"Genre", "tri_sql_query", 130, 6, {"SELECT \"all\",\r\n        genre,\r\n", "disc_number\r\nFROM genre_query"}},
      {"Genre", "tri_sql_batch", 1344, 23,
       {"*/\r\n\r\nDROP VIEW IF EXISTS genre_query;\r\nCREATE VIEW genre_query AS\r\nSELECT 'All' \"all\",\r\n",
        "upper(substr(tf(metadb_handle,'$stripprefix(%album artist%)'),1,1)) first_letter,\r\n",
        "ORDER BY genre,first_letter,[%album artist%],album,disc_number,tracknumber"}},
      {"Rebuild MediaLibrary table", "tri_sql_batch", 133, 3,
       {"BEGIN TRANSACTION;\r\nDROP TABLE IF EXISTS MediaLibrary;\r\n"
        "CREATE VIRTUAL TABLE MediaLibrary USING MetaDB_Module(add_defaults);\r\nCOMMIT;"}},
      {"Rebuild Playlist table", "tri_sql_batch", 125, 3,
       {"BEGIN TRANSACTION;\r\nDROP TABLE IF EXISTS Playlist;\r\n"
        "CREATE VIRTUAL TABLE Playlist USING MetaDB_Module(add_defaults);\r\nCOMMIT;"}},
      {"Incomplete albums", "tri_sql_batch", 663, 13,
       {"needs to be \r\n     casted to an integer",
        "SELECT \"%album artist%\"||' - '||album \"Artist - Album\",\r\n",
        "HAVING count(*)<>CAST(max(totaltracks) AS INTEGER)\r\nORDER BY (total_tracks-count) desc"}},
      {"Tracks per playlist", "tri_sql_batch", 298, 8,
       {"*/\r\n\r\nSELECT playlist_name,count(*) count\r\nFROM Playlist\r\nGROUP BY playlist_index\r\n"
        "ORDER BY count DESC"}},
  };
  ASSERT_TRUE(tree::loadTree(*panel));
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.label) + " " + c.column);
    const std::string text =
        scalar(std::string("SELECT ") + c.column + " FROM vos_TreeItem WHERE tri_label='" + c.label + "'");
    EXPECT_EQ(text.size(), c.length);
    EXPECT_EQ(count(text, "\r\n"), c.line_ends);
    EXPECT_EQ(count(text, "\n"), c.line_ends) << "every line ends in CR LF";
    EXPECT_EQ(count(text, "\r"), c.line_ends);
    for (const std::string& part : c.parts) EXPECT_NE(text.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(rows("SELECT tri_label FROM vos_TreeItem WHERE tri_node_type=3 AND tri_sql_query='' ORDER BY 1"),
            "Incomplete albums;Rebuild MediaLibrary table;Rebuild Playlist table;Tracks per playlist;");
}

TEST_F(ExampleNodesTest, CreatingAgainMakesNothingNewAndSetsTheGenreCountsAgain) {
  ASSERT_TRUE(tree::loadTree(*panel));
  const std::string before = rows("SELECT tri_node_id,tri_parent_id,tri_label FROM vos_TreeItem ORDER BY 1");
  const std::size_t items = panel->control().itemCount();
  QueryNode* album = query("Album");
  QueryNode* genre = query("Genre");
  album->levelOption(1)->show_item_count = tree::kShowSubitems;
  album->levelOption(1)->attributes.use_parent = false;
  album->levelOption(1)->attributes.text = 0x0000FF;
  genre->levelOption(0)->show_item_count = tree::kShowNoCount;
  ASSERT_TRUE(panel->save(*album));
  ASSERT_TRUE(panel->save(*genre));

  tree::createExampleNodes(*panel);
  EXPECT_EQ(rows("SELECT tri_node_id,tri_parent_id,tri_label FROM vos_TreeItem ORDER BY 1"), before);
  EXPECT_EQ(panel->control().itemCount(), items);
  EXPECT_EQ(exampleOutline(), kExampleOutline);
  EXPECT_EQ(levels(),
            "Album,1,album_artist,0;Album,2,album_col,1;Album,3,disc_number,0;"
            "Genre,1,all,2;Genre,2,genre,2;Genre,3,first_letter,1;Genre,4,album_artist,1;Genre,5,album,0;"
            "Genre,6,disc_number,0;");
  EXPECT_EQ(scalar("SELECT qnd_color_text FROM vos_QueryNodeDetail WHERE qnd_name='album_col'"),
            std::to_string(0x0000FF));
  EXPECT_TRUE(takeConsole().empty());
}

TEST_F(ExampleNodesTest, RenamedAlbumGetsANewAlbumBesideIt) {
  ASSERT_TRUE(tree::loadTree(*panel));
  QueryNode* album = query("Album");
  album->setLabel("My albums");
  ASSERT_TRUE(panel->save(*album));
  tree::createExampleNodes(*panel);
  EXPECT_EQ(exampleOutline(),
            "<Examples>{Library{Album,Genre,My albums},Maintenance{Rebuild MediaLibrary table,"
            "Rebuild Playlist table},Statistics{Incomplete albums,Tracks per playlist}}");
  EXPECT_EQ(scalar("SELECT count(*) FROM vos_TreeItem WHERE tri_node_type=3"), "7");
  EXPECT_EQ(scalar("SELECT count(*) FROM vos_QueryNodeDetail d JOIN vos_TreeItem t "
                   "ON t.tri_node_id=d.tri_node_id WHERE t.tri_label='Album'"),
            "3");
}

// Levels made for the example query would not fit a query the user wrote.
TEST_F(ExampleNodesTest, AlbumWithTheUsersOwnQueryKeepsItsLevels) {
  ASSERT_TRUE(tree::loadTree(*panel));
  QueryNode* album = query("Album");
  album->definition().sql_query = "SELECT artist FROM MediaLibrary";
  album->definition().level_options.resize(1);
  album->definition().level_options[0].name = "artist";
  ASSERT_TRUE(panel->save(*album));
  tree::createExampleNodes(*panel);
  EXPECT_EQ(album->definition().sql_query, "SELECT artist FROM MediaLibrary");
  ASSERT_EQ(album->levelCount(), 1u);
  EXPECT_EQ(album->levelOption(0)->name, "artist");
  EXPECT_EQ(levels().substr(0, levels().find("Genre")), "Album,1,artist,0;");
}

TEST_F(ExampleNodesTest, WithoutMediaLibraryOnlyTheFirstTwoFoldersAreMade) {
  exec("DROP TABLE MediaLibrary");
  takeConsole();
  ASSERT_TRUE(tree::loadTree(*panel));
  EXPECT_EQ(exampleOutline(), "<Examples>{Library}");
  EXPECT_EQ(rows("SELECT tri_node_type,count(*) FROM vos_TreeItem GROUP BY 1"), "1,1;2,2;");
  const std::vector<std::string> lines = takeConsole();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(">>>>>>>>>>>>>>>>>>>>>>>>>>>>>\n"), std::string::npos);
  EXPECT_NE(lines[0].find("MediaLibrary"), std::string::npos) << lines[0];
}

TEST_F(ExampleNodesTest, ExampleLibraryQueriesRunOverTheLibrary) {
  ASSERT_TRUE(tree::loadTree(*panel));
  QueryNode* album = query("Album");
  ASSERT_TRUE(album->refresh(true));
  EXPECT_EQ(dump(*album), "A{[1999] Y},B{[2001] X{Disc 1,Disc 2}}");
  // The fake title formatting leaves "$stripprefix(...)" as it is, so every
  // first letter reads "$".
  QueryNode* genre = query("Genre");
  ASSERT_TRUE(genre->refresh(true));
  EXPECT_EQ(dump(*genre), "All{Jazz{${A{Y}}},Rock{${B{X{Disc 1,Disc 2}}}}}");
  EXPECT_TRUE(takeConsole().empty());
}

// The "Album" query leaves the tracks of one disc tied; they reach the
// playlist in the library's order, not in whatever order the sorter has.
TEST_F(ExampleNodesTest, TracksOfOneAlbumComeInLibraryOrder) {
  host.library.clear();
  for (const char* path : {"file:///w/01.flac", "file:///w/02.flac", "file:///w/03.flac", "file:///w/04.flac"}) {
    host.library.push_back(makeTrack(path, {{"artist", {"C"}}, {"album", {"W"}}, {"date", {"2000"}}}));
  }
  ASSERT_TRUE(tree::loadTree(*panel));
  QueryNode* album = query("Album");
  ASSERT_TRUE(album->refresh(true));
  for (const std::vector<std::string>& path : {std::vector<std::string>{"C"}, {"C", "[2000] W"}}) {
    host::TrackList tracks;
    ASSERT_TRUE(album->collectTracks(path, tracks));
    std::string order;
    for (const host::TrackHandle& track : tracks) order += std::string(track->path().substr(10, 2)) + " ";
    EXPECT_EQ(order, "01 02 03 04 ") << path.size();
  }
}

// With "omit null nodes" on, an album whose date is missing used to vanish
// with its tracks; it shows as its name alone, and a click collects them.
TEST_F(ExampleNodesTest, AnAlbumWithoutADateShowsAsItsName) {
  host.library.push_back(makeTrack("file:///4.flac", {{"artist", {"B"}}, {"album", {"Undated"}}}));
  host.library.push_back(makeTrack("file:///5.flac", {{"artist", {"B"}}, {"album", {"Undated"}}}));
  ASSERT_TRUE(tree::loadTree(*panel));
  QueryNode* album = query("Album");
  ASSERT_TRUE(album->refresh(true));
  EXPECT_EQ(dump(*album), "A{[1999] Y},B{[2001] X{Disc 1,Disc 2},Undated}");
  host::TrackList tracks;
  ASSERT_TRUE(album->collectTracks(std::vector<std::string>{"B", "Undated"}, tracks));
  ASSERT_EQ(tracks.size(), 2u);
  EXPECT_EQ(tracks[0]->path(), "file:///4.flac");
  EXPECT_EQ(tracks[1]->path(), "file:///5.flac");
}

}  // namespace
