// The panel model: refresh all, the open-panel list, root rows, settings and
// track collection.
#include <gtest/gtest.h>

#include "library_tables/handle_table.h"
#include "panel_fixture.h"
#include "tree/open_panels.h"
#include "tree/tree_control.h"

namespace {

using tree::QueryNode;
using tree_testing::PanelFixture;

class PanelTest : public PanelFixture {};

// Counts the batches a view would get.
class BatchCounter : public tree::TreeObserver {
 public:
  void itemsAboutToBeInserted(tree::TreeItem*, std::size_t, std::size_t) override { ++single; }
  void itemsInserted(tree::TreeItem*, std::size_t, std::size_t) override {}
  void itemsAboutToBeRemoved(tree::TreeItem*, std::size_t, std::size_t) override { ++single; }
  void itemsRemoved(tree::TreeItem*, std::size_t, std::size_t) override {}
  void childrenAboutToBeReordered(tree::TreeItem*) override {}
  void childrenReordered(tree::TreeItem*) override {}
  void itemChanged(tree::TreeItem*) override {}
  void expansionChanged(tree::TreeItem*) override {}
  void selectionChanged(tree::TreeItem*) override {}
  void batchAboutToBegin() override {}
  void batchEnded(const tree::TreeBatch&) override { ++batches; }
  int single = 0;
  int batches = 0;
};

TEST_F(PanelTest, RefreshAllRunsQueriesInOrderUnderOneBatchAndStopsAtAFailure) {
  exec("CREATE TABLE t(a)");
  exec("INSERT INTO t VALUES('A'),('B')");
  QueryNode* first = addQuery("SELECT a FROM t", {"a"}, nullptr, "1");
  QueryNode* broken = addQuery("SELECT a FROM missing", {"a"}, nullptr, "2");
  QueryNode* last = addQuery("SELECT a FROM t", {"a"}, nullptr, "3");
  BatchCounter counter;
  panel->control().addObserver(&counter);
  label_events.clear();
  EXPECT_FALSE(panel->refreshAll());
  panel->control().removeObserver(&counter);
  EXPECT_EQ(dump(*first), "A,B");
  EXPECT_TRUE(broken->stale());
  EXPECT_TRUE(last->stale()) << "not run after the failure";
  EXPECT_EQ(counter.batches, 1);
  EXPECT_EQ(counter.single, 0);
  EXPECT_EQ(label_events, (std::vector<bool>{true, false}));
  EXPECT_FALSE(panel->queryActive());

  broken->definition().sql_query = "SELECT a FROM t";
  EXPECT_TRUE(panel->refreshAll());
  EXPECT_EQ(dump(*last), "A,B");
}

TEST_F(PanelTest, OpenPanelsListFollowsPanelLifetimes) {
  tree::OpenPanels& open = tree::OpenPanels::instance();
  EXPECT_EQ(open.panels(), (std::vector<tree::Panel*>{panel.get()}));
  panel->nodeForItem(nullptr);
  EXPECT_TRUE(open.showsRoot(panel->rootNodeId()));
  {
    tree::Panel second(host, tree::UiAttributes{});
    EXPECT_EQ(open.panels(), (std::vector<tree::Panel*>{panel.get(), &second}));
  }
  EXPECT_EQ(open.panels().size(), 1u);
}

TEST_F(PanelTest, ChangeKindMarksOnlyNodesThatReadThatTable) {
  QueryNode* library = addQuery("SELECT 1", {"a"}, nullptr, "L");
  QueryNode* playlist = addQuery("SELECT 1", {"a"}, nullptr, "P");
  ASSERT_TRUE(library->refresh(true));
  ASSERT_TRUE(playlist->refresh(true));
  library->noteTableRead(library_tables::TableType::kMediaLibrary);
  playlist->noteTableRead(library_tables::TableType::kPlaylist);
  tree::OpenPanels::instance().markStale(4);
  EXPECT_FALSE(library->stale());
  EXPECT_FALSE(playlist->stale());
  tree::OpenPanels::instance().markStale(tree::kReadsPlaylist);
  EXPECT_FALSE(library->stale());
  EXPECT_TRUE(playlist->stale());
}

TEST_F(PanelTest, TwoPanelsKeepTheirOwnRoots) {
  tree::Panel second(host, tree::UiAttributes{});
  ASSERT_TRUE(second.open());
  ASSERT_NE(panel->nodeForItem(nullptr), nullptr);
  ASSERT_NE(second.nodeForItem(nullptr), nullptr);
  EXPECT_NE(panel->rootNodeId(), second.rootNodeId());
  tree::PanelSettings read;
  ASSERT_TRUE(tree::readPanelSettings(second.writeSettings(), tree::UiAttributes{}, read));
  EXPECT_EQ(read.root_node_id, second.rootNodeId());
}

TEST_F(PanelTest, StoredSettingsGiveTheRootItsIdAndColours) {
  tree::PanelSettings settings = tree::PanelSettings::defaults(tree::UiAttributes{});
  settings.use_ui_attributes = 0;
  settings.root_node_id = 77;
  settings.text = 0x000080;
  settings.icon = 5;
  ASSERT_TRUE(panel->readSettings(tree::writePanelSettings(settings)));
  EXPECT_EQ(panel->rootNodeId(), 77);
  EXPECT_EQ(panel->nodeForItem(nullptr), &panel->root()) << "no row is inserted for a known root";
  EXPECT_EQ(scalar("SELECT count(*) FROM vos_TreeItem"), "0");
  EXPECT_EQ(panel->root().attributes()->text, 0x000080u);
  EXPECT_EQ(panel->root().attributes()->icon, 5);
}

// The desktop's colours may have changed since the record was written (an
// older program wrote its inactive selection colours the same as the
// active ones): a panel that follows them takes the current ones.
TEST_F(PanelTest, PanelFollowingTheUiTakesItsCurrentColoursOnRead) {
  tree::UiAttributes now;
  now.colours[tree::kUiInactiveSelectedBackground] = 0x00EFEFEF;
  tree::Panel following(host, now);
  tree::PanelSettings stored = tree::PanelSettings::defaults(tree::UiAttributes{});
  stored.back_selected_inactive = 0x00C68C30;
  stored.icon = 5;
  ASSERT_TRUE(following.readSettings(tree::writePanelSettings(stored)));
  EXPECT_EQ(following.settings().back_selected_inactive, 0x00EFEFEFu);
  EXPECT_EQ(following.settings().icon, 5) << "the panel's own icon stays";
}

TEST_F(PanelTest, UiColourChangeReachesNodesWhileThePanelFollowsTheUi) {
  tree::FolderNode* folder = addFolder("F");
  tree::UiAttributes ui;
  ui.colours[tree::kUiText] = 0x00AA00;
  panel->setUiAttributes(ui);
  EXPECT_EQ(panel->settings().text, 0x00AA00u);
  EXPECT_EQ(folder->attributes()->text, 0x00AA00u);
  tree::PanelSettings own = panel->settings();
  own.use_ui_attributes = 0;
  panel->setSettings(own);
  ui.colours[tree::kUiText] = 0x0000BB;
  panel->setUiAttributes(ui);
  EXPECT_EQ(folder->attributes()->text, 0x00AA00u);
}

TEST_F(PanelTest, RootRowCannotBeMadeWithoutADatabase) {
  tree::Panel closed(host, tree::UiAttributes{});
  takeConsole();
  EXPECT_EQ(closed.nodeForItem(nullptr), nullptr);
  EXPECT_EQ(closed.rootNodeId(), 0);
}

TEST_F(PanelTest, NodesStayWhileAStatementOfThePanelRuns) {
  tree::QueryNode* running = addQuery("WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM r WHERE i<5000) "
                                      "SELECT i FROM r",
                                      {"i"});
  tree::FolderNode* folder = addFolder("F");
  bool deleted_running = true;
  bool deleted_folder = true;
  host.on_pump = [&] {
    if (!deleted_running && !deleted_folder) return;
    deleted_running = panel->deleteNode(*running);
    deleted_folder = panel->deleteNode(*folder);
  };
  EXPECT_TRUE(running->refresh(false));
  host.on_pump = nullptr;
  EXPECT_FALSE(deleted_running);
  EXPECT_FALSE(deleted_folder);
  EXPECT_TRUE(host.questions.empty());
  EXPECT_EQ(running->resultNodeCount(), 5000u);
  EXPECT_TRUE(panel->deleteNode(*folder));  // once it has ended
}

class CollectTracksTest : public PanelFixture {
 protected:
  void SetUp() override {
    PanelFixture::SetUp();
    exec("CREATE TABLE lib(genre, n, MetaDb_Handle)");
    library_tables::HandleTable& handles = library_tables::HandleTable::instance();
    handles.clear();
    for (int i = 0; i < 4; ++i) tracks.push_back(testing_support::makeTrack("file:///" + std::to_string(i)));
    for (const auto& track : tracks) handles.append(track);
    // Track 1 is listed twice; index 9 is beyond the table.
    exec("INSERT INTO lib VALUES('Rock',1,1),('Jazz',2,0),('Rock',3,2),('Rock',4,1),('Rock',5,9),('Pop',6,3)");
  }
  host::TrackList tracks;
};

TEST_F(CollectTracksTest, PathSelectsTracksInOrderWithoutDuplicates) {
  QueryNode* q = addQuery("SELECT genre FROM lib ORDER BY n", {"genre"});
  const std::vector<std::string> path{"Rock"};
  host::TrackList out;
  EXPECT_TRUE(q->collectTracks(path, out));
  EXPECT_EQ(out, (host::TrackList{tracks[1], tracks[2]}));
  EXPECT_EQ(library_tables::HandleTable::instance().size(), 0u);
}

TEST_F(CollectTracksTest, DuplicatesStayWhenAsked) {
  QueryNode* q = addQuery("SELECT genre FROM lib ORDER BY n", {"genre"});
  q->definition().remove_duplicates = false;
  host::TrackList out;
  q->collectTracks({}, out);
  EXPECT_EQ(out, (host::TrackList{tracks[1], tracks[0], tracks[2], tracks[1], tracks[3]}));
}

TEST_F(CollectTracksTest, QueryThatCannotBeRewrittenIsAPopup) {
  QueryNode* q = addQuery("PRAGMA user_version", {"v"});
  host::TrackList out;
  EXPECT_FALSE(q->collectTracks({}, out));
  ASSERT_EQ(host.popups.size(), 1u);
  EXPECT_EQ(host.popups[0], "Invalid node query\n\nInvalid query statement:\nPRAGMA user_version");
  EXPECT_TRUE(out.empty());
}

TEST_F(CollectTracksTest, DatabaseErrorIsAPopupAndInterruptionIsSilent) {
  QueryNode* q = addQuery("SELECT genre FROM nowhere", {"genre"});
  host::TrackList out;
  EXPECT_FALSE(q->collectTracks({}, out));
  ASSERT_EQ(host.popups.size(), 1u);
  EXPECT_EQ(host.popups[0].rfind("Invalid node query\n\n", 0), 0u);

  exec("WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM r WHERE i<20000) "
       "INSERT INTO lib SELECT 'Rock',i,0 FROM r");
  q->definition().sql_query = "SELECT genre FROM lib";
  host.on_pump = [this] { panel->database().Interrupt(); };
  EXPECT_FALSE(q->collectTracks({}, out)) << "an interrupted collection is incomplete";
  host.on_pump = nullptr;
  EXPECT_EQ(host.popups.size(), 1u);
  EXPECT_EQ(library_tables::HandleTable::instance().size(), 0u);
}

}  // namespace
