// What the component registers, its hooks, and stale marking per
// notification.
#include <gtest/gtest.h>

#include "component/registration.h"
#include "library_tables/library_tables.h"
#include "tree/panel_fixture.h"

namespace {

using component::HostPhase;
using component::Registry;
using host::LibraryEvent;
using host::PlaylistEvent;
using testing_support::makeTrack;

// A panel with one query over each library table, both run (and so fresh),
// and the component registered with a passing panel layer.
class RegisteredComponent : public tree_testing::PanelFixture {
 protected:
  void SetUp() override {
    library_tables::resetProcessState();
    host.library = {makeTrack("file:///1.flac", {{"genre", {"Rock"}}})};
    host.playlists.push_back({"Mix", {host.library[0]}, {false}});
    db::setSchemaReady(false);
    db::installOpenSteps({&tree::BuildTreeSchema, &library_tables::setUpLibraryTables});
    panel = std::make_unique<tree::Panel>(host, tree::UiAttributes{});
    ASSERT_TRUE(panel->open());
    library_node = addQuery("SELECT genre FROM MediaLibrary", {"genre"}, nullptr, "Library");
    playlist_node = addQuery("SELECT count(*) FROM Playlist", {"n"}, nullptr, "Playlist");
    ASSERT_TRUE(library_node->refresh(true));
    ASSERT_TRUE(playlist_node->refresh(true));
    ASSERT_FALSE(library_node->stale());
    ASSERT_FALSE(playlist_node->stale());

    registry.addComponent({"Framix", "0.4.0", ""});
    component::WindowHooks windows;
    windows.create_icon_list = [this] { ++icon_lists_created; };
    windows.destroy_icon_list = [this] { ++icon_lists_destroyed; };
    component::registerComponent(registry, host, std::move(windows));
    registry.setPhase(HostPhase::kRunning);
  }
  void TearDown() override {
    component::unregisterComponent();
    PanelFixture::TearDown();
    library_tables::resetProcessState();
  }

  Registry registry;
  tree::QueryNode* library_node = nullptr;
  tree::QueryNode* playlist_node = nullptr;
  int icon_lists_created = 0;
  int icon_lists_destroyed = 0;
};

class PlaylistEventStale : public RegisteredComponent, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(PlaylistEventStale, OnlyMaskedEventsMarkPlaylistReadersStale) {
  const uint32_t slot = GetParam();
  const bool changes_contents = slot == 0 || slot == 3 || slot == 8 || slot == 11 || slot == 12 ||
                                slot == 14 || slot == 15;
  registry.notifyPlaylist(static_cast<PlaylistEvent>(slot));
  EXPECT_EQ(playlist_node->stale(), changes_contents) << "event " << slot;
  EXPECT_FALSE(library_node->stale()) << "a playlist event leaves library queries fresh";
}

INSTANTIATE_TEST_SUITE_P(EverySlot, PlaylistEventStale, ::testing::Range(uint32_t{0}, host::kPlaylistEventCount));

struct LibraryCase {
  LibraryEvent event;
  bool marks;
};
class LibraryEventStale : public RegisteredComponent, public ::testing::WithParamInterface<LibraryCase> {};

TEST_P(LibraryEventStale, AddedAndRemovedMarkLibraryReadersStale) {
  registry.notifyLibrary(GetParam().event);
  EXPECT_EQ(library_node->stale(), GetParam().marks);
  EXPECT_FALSE(playlist_node->stale());
}

INSTANTIATE_TEST_SUITE_P(EveryEvent, LibraryEventStale,
                         ::testing::Values(LibraryCase{LibraryEvent::kItemsAdded, true},
                                           LibraryCase{LibraryEvent::kItemsRemoved, true},
                                           LibraryCase{LibraryEvent::kItemsModified, false}));

TEST_F(RegisteredComponent, TrackInformationMarksReadersOfBothTablesStale) {
  registry.notifyTrackInfo();
  EXPECT_TRUE(library_node->stale());
  EXPECT_TRUE(playlist_node->stale());
}

TEST_F(RegisteredComponent, NotificationsDoNothingUnlessTheHostRuns) {
  for (HostPhase phase : {HostPhase::kInitialising, HostPhase::kShuttingDown}) {
    registry.setPhase(phase);
    registry.notifyTrackInfo();
    registry.notifyLibrary(LibraryEvent::kItemsAdded);
    registry.notifyPlaylist(PlaylistEvent::kItemsAdded);
  }
  component::unregisterComponent();
  registry.setPhase(HostPhase::kRunning);
  registry.notifyTrackInfo();
  EXPECT_FALSE(library_node->stale());
  EXPECT_FALSE(playlist_node->stale());
}

TEST_F(RegisteredComponent, StartUpShowsNoPopupAndStage50MakesTheIconListOnce) {
  registry.runInit();
  EXPECT_TRUE(host.popups.empty());
  for (int stage : {0, 10, 50, 100}) registry.runInitStage(stage);
  EXPECT_EQ(icon_lists_created, 1);
  registry.runQuit();
  EXPECT_EQ(icon_lists_destroyed, 1);
}

TEST(ComponentRegistration, WithAnOldPanelLayerStartUpWarnsAndNothingElseIsOffered) {
  testing_support::TempDir dir;
  testing_support::FakeHost host(dir.path());
  Registry registry;
  registry.addComponent({"Framix", "0.3.8.7", ""});
  int icon_lists = 0;
  component::registerComponent(registry, host, {{}, [&icon_lists] { ++icon_lists; }, {}});
  registry.runInit();
  registry.runInitStage(50);
  ASSERT_EQ(host.popups.size(), 1u);
  EXPECT_EQ(host.popups[0], component::startUpPopupText());
  EXPECT_EQ(icon_lists, 0);
  EXPECT_TRUE(registry.mainMenuCommands().empty());
  component::unregisterComponent();
}

TEST_F(RegisteredComponent, RegistersItsVersionPanelKindConsoleCommandAndSettings) {
  ASSERT_EQ(registry.components().size(), 2u);
  EXPECT_EQ(registry.components()[1].name, "Vostrel");
  ASSERT_EQ(registry.panelKinds().size(), 1u);
  EXPECT_EQ(registry.panelKinds()[0].name, "Vostrel");
  const auto commands = registry.mainMenuCommands();
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].name, "Vostrel console");
  std::vector<std::string> names;
  for (const auto& entry : registry.advancedSettings()) {
    if (entry.parent_guid == registry.advancedSettings()[0].guid) names.push_back(entry.name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Show SQL execution time in the console",
                                             "Overall node limit for all panels", "Vostrel console row limit",
                                             "SQL processing priority", "Icon file paths (separate by |)"}));
}

TEST_F(RegisteredComponent, ShutDownKeepsOnlyTheTreesOfOpenPanels) {
  exec("INSERT INTO vos_TreeItem (tri_parent_id, tri_node_type, tri_label) VALUES (NULL, 1, 'orphan')");
  ASSERT_EQ(scalar("SELECT count(*) FROM vos_TreeItem WHERE tri_parent_id IS NULL"), "2");
  registry.setPhase(HostPhase::kShuttingDown);
  registry.runQuit();
  EXPECT_EQ(scalar("SELECT count(*) FROM vos_TreeItem WHERE tri_parent_id IS NULL"), "1");
  EXPECT_EQ(scalar("SELECT tri_node_id FROM vos_TreeItem WHERE tri_parent_id IS NULL"),
            std::to_string(panel->rootNodeId()));
}

}  // namespace
