// Query nodes that follow the playing or focused track: stale marking on a
// track change, refresh on use, and the panel option that re-runs visible
// nodes (once per change, never while the user edits).
#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "component/registration.h"
#include "library_tables/library_tables.h"
#include "tree/panel_fixture.h"

namespace {

using component::HostPhase;
using host::PlaylistEvent;
using testing_support::makeTrack;

class FollowedTrack : public tree_testing::PanelFixture {
 protected:
  void SetUp() override {
    library_tables::resetProcessState();
    alpha_one = makeTrack("file:///a1.flac", {{"artist", {"Alpha"}}, {"title", {"One"}}, {"genre", {"Rock"}}});
    alpha_two = makeTrack("file:///a2.flac", {{"artist", {"Alpha"}}, {"title", {"Two"}}, {"genre", {"Rock"}}});
    beta = makeTrack("file:///b.flac", {{"artist", {"Beta"}}, {"title", {"Three"}}, {"genre", {"Jazz"}}});
    host.library = {alpha_one, alpha_two, beta};
    db::setSchemaReady(false);
    db::installOpenSteps({&tree::BuildTreeSchema, &library_tables::setUpLibraryTables});
    tree::PanelHooks hooks;
    hooks.query_active_changed = [this](bool visible) { runs += visible ? 1 : 0; };
    hooks.defer = [this](std::function<void()> work) { deferred.push_back(std::move(work)); };
    panel = std::make_unique<tree::Panel>(host, tree::UiAttributes{}, std::move(hooks));
    ASSERT_TRUE(panel->open());
    by_artist = addQuery("SELECT title FROM MediaLibrary WHERE artist = playing('artist') ORDER BY title", {"title"},
                         nullptr, "By artist");
    by_focus = addQuery("SELECT title FROM MediaLibrary WHERE genre = selected('genre') ORDER BY title", {"title"},
                        nullptr, "By focus");
    library = addQuery("SELECT title FROM MediaLibrary ORDER BY title", {"title"}, nullptr, "Library");
    host.playing_track = alpha_one;
    host.focused_track = beta;
    registry.addComponent({"Framix", "0.4.0", ""});
    component::registerComponent(registry, host, {});
    registry.setPhase(HostPhase::kRunning);
    registry.notifyPlayback();  // the component learns the current tracks
    for (tree::QueryNode* node : {by_artist, by_focus, library}) ASSERT_TRUE(node->refresh(true));
    runs = 0;
  }
  void TearDown() override {
    component::unregisterComponent();
    PanelFixture::TearDown();
    library_tables::resetProcessState();
  }

  // Runs what the panel deferred, as the event loop would.
  void runDeferred() {
    while (!deferred.empty()) {
      std::function<void()> work = std::move(deferred.front());
      deferred.pop_front();
      work();
    }
  }
  void followOption(bool on) {
    tree::PanelSettings settings = panel->settings();
    settings.follow_playing = on;
    panel->setSettings(settings);
  }
  void play(host::TrackHandle track) {
    host.playing_track = std::move(track);
    registry.notifyPlayback();
    runDeferred();
  }

  component::Registry registry;
  host::TrackHandle alpha_one, alpha_two, beta;
  tree::QueryNode* by_artist = nullptr;
  tree::QueryNode* by_focus = nullptr;
  tree::QueryNode* library = nullptr;
  int runs = 0;
  std::deque<std::function<void()>> deferred;
};

TEST_F(FollowedTrack, RunsRecordThatTheyFollowTheTrack) {
  EXPECT_NE(by_artist->tablesRead() & tree::kReadsFollowedTrack, 0u);
  EXPECT_NE(by_focus->tablesRead() & tree::kReadsFollowedTrack, 0u);
  EXPECT_EQ(library->tablesRead() & tree::kReadsFollowedTrack, 0u);
  EXPECT_EQ(dump(*by_artist), "One,Two");
  EXPECT_EQ(dump(*by_focus), "Three");
}

enum class Change { kAnotherTrackPlays, kPlaybackStops, kSameTrackToldAgain, kFocusMoves, kFocusEventWithoutChange };

struct ChangeCase {
  const char* name;
  Change change;
  bool marks;  // the followers become stale
};

class StaleOnChange : public FollowedTrack, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(StaleOnChange, OnlyAChangedTrackMarksTheFollowers) {
  switch (GetParam().change) {
    case Change::kAnotherTrackPlays:
      play(alpha_two);
      break;
    case Change::kPlaybackStops:
      play(nullptr);
      break;
    case Change::kSameTrackToldAgain:
      play(alpha_one);
      break;
    case Change::kFocusMoves:
      host.focused_track = alpha_two;
      registry.notifyPlaylist(PlaylistEvent::kItemFocusChanged);
      break;
    case Change::kFocusEventWithoutChange:
      registry.notifyPlaylist(PlaylistEvent::kItemFocusChanged);
      break;
  }
  EXPECT_EQ(by_artist->stale(), GetParam().marks);
  EXPECT_EQ(by_focus->stale(), GetParam().marks);
  EXPECT_FALSE(library->stale()) << "a node that does not follow the track stays fresh";
}

INSTANTIATE_TEST_SUITE_P(Changes, StaleOnChange,
                         ::testing::Values(ChangeCase{"AnotherTrackPlays", Change::kAnotherTrackPlays, true},
                                           ChangeCase{"PlaybackStops", Change::kPlaybackStops, true},
                                           ChangeCase{"SameTrackToldAgain", Change::kSameTrackToldAgain, false},
                                           ChangeCase{"FocusMoves", Change::kFocusMoves, true},
                                           ChangeCase{"FocusEventWithoutChange", Change::kFocusEventWithoutChange,
                                                      false}),
                         [](const ::testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

TEST_F(FollowedTrack, RefreshOnUseRunsAStaleFollowerWhenExpanded) {
  by_artist->definition().refresh_on_use = true;
  panel->expandNode(*by_artist, false);
  play(beta);
  ASSERT_TRUE(by_artist->stale());
  EXPECT_EQ(runs, 0) << "without the option nothing runs on its own";
  EXPECT_TRUE(panel->expandNode(*by_artist, true));
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(by_artist->stale());
  EXPECT_EQ(dump(*by_artist), "Three");
}

TEST_F(FollowedTrack, OptionReRunsExpandedVisibleFollowersOncePerChange) {
  followOption(true);
  tree::FolderNode* folder = addFolder("Folder");
  tree::QueryNode* hidden =
      addQuery("SELECT title FROM MediaLibrary WHERE artist = playing('artist')", {"title"}, folder, "Hidden");
  ASSERT_TRUE(hidden->refresh(true));
  panel->expandNode(*hidden, true);  // expanded, but its folder is collapsed
  panel->expandNode(*by_artist, true);
  panel->expandNode(*by_focus, false);
  runs = 0;

  play(beta);
  EXPECT_EQ(runs, 1) << "only the expanded, visible follower runs";
  EXPECT_FALSE(by_artist->stale());
  EXPECT_EQ(dump(*by_artist), "Three");
  EXPECT_TRUE(by_focus->stale()) << "collapsed: left for refresh on use";
  EXPECT_TRUE(hidden->stale()) << "inside a collapsed folder";

  play(beta);
  registry.notifyPlaylist(PlaylistEvent::kItemsAdded);
  runDeferred();
  EXPECT_EQ(runs, 1) << "the same track told again runs nothing";

  play(alpha_two);
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(dump(*by_artist), "One,Two");
}

TEST_F(FollowedTrack, OptionOffByDefaultRunsNothing) {
  EXPECT_FALSE(panel->settings().follow_playing);
  panel->expandNode(*by_artist, true);
  play(beta);
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(by_artist->stale());
}

TEST_F(FollowedTrack, OptionWaitsWhileTheUserEdits) {
  followOption(true);
  panel->expandNode(*by_artist, true);
  runs = 0;
  {
    tree::EditingScope editing(*panel);
    play(beta);
    play(alpha_two);
    EXPECT_EQ(runs, 0) << "nothing runs while a dialog edits";
    EXPECT_TRUE(by_artist->stale());
  }
  runDeferred();
  EXPECT_EQ(runs, 1) << "two changes during the edit: one run after it";
  EXPECT_EQ(dump(*by_artist), "One,Two");
}

TEST_F(FollowedTrack, OptionWaitsForARunningStatement) {
  followOption(true);
  panel->expandNode(*by_artist, true);
  runs = 0;
  // The track changes while another node's statement pumps events.
  bool changed = false;
  host.on_pump = [&] {
    if (changed) return;
    changed = true;
    host.playing_track = beta;
    registry.notifyPlayback();
  };
  ASSERT_TRUE(library->refresh(true));
  host.on_pump = nullptr;
  ASSERT_TRUE(changed);
  EXPECT_EQ(runs, 1) << "only the library node ran so far";
  runDeferred();
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(dump(*by_artist), "Three");
}

}  // namespace
