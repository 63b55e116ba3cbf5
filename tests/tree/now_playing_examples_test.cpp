// The "now playing" examples over the real library tables: the folder they
// make, apart from the example tree, and what each shows for a playing
// track.
#include "tree/now_playing_examples.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "library_tables/library_tables.h"
#include "panel_fixture.h"
#include "tree/example_nodes.h"

namespace {

using testing_support::makeTrack;
using tree::QueryNode;

host::TrackHandle track(const char* path, const char* artist, const char* album, const char* date, const char* genre,
                        const char* number, const char* album_artist = nullptr) {
  std::vector<std::pair<std::string, std::vector<std::string>>> meta = {
      {"artist", {artist}}, {"album", {album}}, {"title", {std::string(artist) + " " + number}},
      {"date", {date}},     {"genre", {genre}}, {"tracknumber", {number}}};
  if (album_artist != nullptr) meta.push_back({"album artist", {album_artist}});
  return makeTrack(std::string("file:///") + path + ".flac", std::move(meta));
}

class NowPlayingExamplesTest : public tree_testing::PanelFixture {
 protected:
  void SetUp() override {
    library_tables::resetProcessState();
    host.library = {
        track("a1", "Alpha", "First", "2001", "Rock", "2"),
        track("a2", "Alpha", "First", "2001", "Rock", "1"),
        track("a3", "Alpha", "Later", "2005-03-01", "Pop", "1"),
        track("b1", "Beta", "Second", "2001-11-30", "Rock", "1"),
        track("b2", "Beta", "First", "1999", "Rock", "1"),  // another artist's "First"
        track("c1", "Gamma", "Mixed", "2001", "Jazz", "1", "Various"),
        track("d1", "Delta", "Mixed", "2001", "Jazz", "2", "Various"),
        track("e1", "Alpha feat. Zeta", "Guest", "1998", "Rock", "1"),
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
  QueryNode* query(const std::string& label) {
    for (QueryNode* q : panel->queries()) {
      if (q->label() == label) return q;
    }
    throw std::runtime_error("no query node \"" + label + "\"");
  }
  std::string run(const std::string& label) {
    QueryNode* node = query(label);
    if (!node->refresh(true)) return "(failed)";
    return dump(*node);
  }
};

TEST_F(NowPlayingExamplesTest, MakesItsOwnFolderOnceBesideTheExamples) {
  tree::createExampleNodes(*panel);
  tree::createNowPlayingExamples(*panel);
  tree::createNowPlayingExamples(*panel);
  EXPECT_EQ(rows("SELECT p.tri_label,c.tri_label FROM vos_TreeItem c JOIN vos_TreeItem p "
                 "ON p.tri_node_id=c.tri_parent_id WHERE p.tri_label='<Now playing>' ORDER BY c.tri_node_id"),
            "<Now playing>,More by this artist;<Now playing>,Same album;<Now playing>,Same year;"
            "<Now playing>,Same genre, other artists;");
  EXPECT_EQ(scalar("SELECT count(*) FROM vos_TreeItem WHERE tri_label='<Now playing>'"), "1");
  EXPECT_NE(panel->findFolder(&panel->root(), "<Examples>"), nullptr) << "the example tree stays as it was";
  for (const char* label : {"More by this artist", "Same album", "Same year", "Same genre, other artists"}) {
    SCOPED_TRACE(label);
    const tree::QueryDefinition& definition = query(label)->definition();
    EXPECT_TRUE(definition.refresh_on_use);
    EXPECT_EQ(definition.click.target_playlist, tree::kExampleTargetPlaylist);
    EXPECT_FALSE(definition.level_options.empty());
  }
}

TEST_F(NowPlayingExamplesTest, ResultsFollowThePlayingTrack) {
  tree::createNowPlayingExamples(*panel);
  struct Case {
    std::size_t playing;  // index into the library
    const char* label;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {0, "More by this artist", "First{Alpha 1,Alpha 2},Later{Alpha 1}"},
      {0, "Same album", "Alpha 1,Alpha 2"},
      {0, "Same year", "Alpha{First},Beta{Second},Various{Mixed}"},
      {0, "Same genre, other artists", "Beta{First,Second}"},
      {4, "Same album", "Beta 1"},
      {5, "Same album", "Gamma 1,Delta 2"},
      {5, "Same genre, other artists", "Delta{Mixed}"},
      {2, "Same year", "Alpha{Later}"},
      {3, "Same genre, other artists", "Alpha{First},Alpha feat. Zeta{Guest}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.label) + " playing " + std::to_string(c.playing));
    host.playing_track = host.library[c.playing];
    EXPECT_EQ(run(c.label), c.expected);
  }
}

TEST_F(NowPlayingExamplesTest, NothingPlayingShowsNothing) {
  tree::createNowPlayingExamples(*panel);
  for (const char* label : {"More by this artist", "Same album", "Same year", "Same genre, other artists"}) {
    SCOPED_TRACE(label);
    EXPECT_EQ(run(label), "");
  }
}

}  // namespace
