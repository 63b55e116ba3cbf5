// Loading stored trees into a panel, and the shut-down clean-up that must
// never take a tree from a panel whose load failed.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "panel_fixture.h"
#include "tree/open_panels.h"
#include "tree/tree_cleanup.h"
#include "tree/tree_loader.h"

namespace {

using tree::Panel;

// Counts what a view of the control would be told.
class LoadCountingObserver : public tree::TreeObserver {
 public:
  void itemsAboutToBeInserted(tree::TreeItem*, std::size_t, std::size_t) override {}
  void itemsInserted(tree::TreeItem*, std::size_t, std::size_t) override { ++inserted; }
  void itemsAboutToBeRemoved(tree::TreeItem*, std::size_t, std::size_t) override {}
  void itemsRemoved(tree::TreeItem*, std::size_t, std::size_t) override {}
  void childrenAboutToBeReordered(tree::TreeItem*) override {}
  void childrenReordered(tree::TreeItem*) override {}
  void itemChanged(tree::TreeItem*) override {}
  void expansionChanged(tree::TreeItem*) override { ++expansions; }
  void selectionChanged(tree::TreeItem*) override {}
  void batchAboutToBegin() override {}
  void batchEnded(const tree::TreeBatch&) override { ++batches; }
  int inserted = 0;
  int expansions = 0;
  int batches = 0;
};

// Item texts from `item` down, "+" after an expanded item: "A+{B},C".
std::string outline(const tree::TreeItem& item) {
  std::string out;
  for (std::size_t i = 0; i < item.childCount(); ++i) {
    const tree::TreeItem& child = *item.child(i);
    if (i) out += ",";
    out += child.text();
    if (child.expanded()) out += "+";
    if (child.childCount() > 0) out += "{" + outline(child) + "}";
  }
  return out;
}

std::string loadError(const std::string& what) {
  return "[vostrel] This is a bug or the database is corrupt: " + what;
}

class TreeLoaderTest : public tree_testing::PanelFixture {
 protected:
  void TearDown() override {
    loaded.reset();
    PanelFixture::TearDown();
  }

  // Inserts a vos_TreeItem row and returns its id.
  int32_t insert(const std::string& columns, const std::string& values) {
    exec("INSERT INTO vos_TreeItem(" + columns + ")VALUES(" + values + ")");
    return std::stoi(scalar("SELECT last_insert_rowid()"));
  }
  int32_t insertRoot() { return insert("tri_level,tri_node_type,tri_label", "0,1,'#ROOT#'"); }
  int32_t insertNode(int32_t parent, int type, const std::string& label, const std::string& columns = "",
                     const std::string& values = "") {
    return insert("tri_parent_id,tri_node_type,tri_label" + (columns.empty() ? "" : "," + columns),
                  std::to_string(parent) + "," + std::to_string(type) + ",'" + label + "'" +
                      (values.empty() ? "" : "," + values));
  }

  // A second panel that shows the tree of `root_id` (not loaded yet).
  Panel& openPanel(int32_t root_id) {
    loaded = std::make_unique<Panel>(host, tree::UiAttributes{});
    tree::PanelSettings settings = tree::PanelSettings::defaults(tree::UiAttributes{});
    settings.root_node_id = root_id;
    loaded->setSettings(settings);
    EXPECT_TRUE(loaded->open());
    return *loaded;
  }
  tree::TreeNode* node(const std::string& label) {
    for (tree::FolderNode* f : loaded->folders()) {
      if (f->label() == label) return f;
    }
    for (tree::QueryNode* q : loaded->queries()) {
      if (q->label() == label) return q;
    }
    return nullptr;
  }

  std::unique_ptr<Panel> loaded;
};

TEST_F(TreeLoaderTest, LoadsTheWholeTreeWithStoredFoldersExpandedAndQueriesCollapsed) {
  const int32_t root = insertRoot();
  const int32_t music = insertNode(root, 2, "Music", "tri_level,tri_expanded", "1,1");
  insertNode(root, 2, "Closed", "tri_level,tri_expanded", "1,0");
  const int32_t inner = insertNode(music, 2, "Inner", "tri_level,tri_expanded", "2,1");
  const int32_t query = insertNode(music, 3, "Albums", "tri_level,tri_expanded", "2,1");
  insertNode(inner, 3, "Deep", "tri_level", "3");
  const int32_t other = insertRoot();
  insertNode(other, 2, "Elsewhere");

  Panel& panel = openPanel(root);
  LoadCountingObserver observer;
  panel.control().addObserver(&observer);
  ASSERT_TRUE(tree::loadTree(panel));
  panel.control().removeObserver(&observer);

  EXPECT_EQ(outline(*panel.control().top()), "Closed,Music+{Albums,Inner+{Deep}}");
  EXPECT_EQ(panel.rootNodeId(), root);
  EXPECT_EQ(node("Albums")->nodeId(), query);
  EXPECT_EQ(node("Deep")->level(), 3);
  EXPECT_EQ(node("Deep")->parent(), node("Inner"));
  EXPECT_TRUE(static_cast<tree::QueryNode*>(node("Albums"))->stale());
  EXPECT_EQ(observer.inserted, 0) << "redraw is suspended for the whole load";
  EXPECT_EQ(observer.batches, 1);
  // Expanding after the load writes nothing back.
  EXPECT_EQ(rows("SELECT tri_label,tri_expanded FROM vos_TreeItem WHERE tri_node_type=2 ORDER BY 1"),
            "Closed,0;Elsewhere,-;Inner,1;Music,1;");
  EXPECT_TRUE(takeConsole().empty());
}

TEST_F(TreeLoaderTest, RootWithoutRowsGivesAnEmptyTree) {
  const int32_t root = insertRoot();
  Panel& panel = openPanel(root);
  EXPECT_TRUE(tree::loadTree(panel));
  EXPECT_EQ(panel.control().itemCount(), 0u);
  EXPECT_EQ(panel.rootNodeId(), root);
}

TEST_F(TreeLoaderTest, MissingRootRowGivesThePanelANewTree) {
  const int32_t other = insertRoot();
  Panel& panel = openPanel(other + 100);
  takeConsole();
  EXPECT_TRUE(tree::loadTree(panel, {other}));
  const int32_t fresh = panel.rootNodeId();
  EXPECT_NE(fresh, other + 100);
  EXPECT_NE(fresh, other) << "another panel of the layout keeps that tree";
  EXPECT_NE(fresh, 0);
  EXPECT_EQ(scalar("SELECT tri_label FROM vos_TreeItem WHERE tri_node_id=" + std::to_string(fresh)), "#ROOT#");
  EXPECT_EQ(scalar("SELECT tri_label FROM vos_TreeItem WHERE tri_parent_id=" + std::to_string(fresh)), "<Examples>")
      << "the new root gets the examples, and nodes can be stored below it";
  const std::vector<std::string> lines = takeConsole();  // then the examples' runs, without library tables here
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "[vostrel] The panel's root id " + std::to_string(other + 100) +
                          " does not name a stored tree (there is no row with that id). "
                          "The panel gets a new example tree.");
}

// A root id that names no root row is replaced by the stored tree that no
// panel shows (the largest one: the tree the panel lost), never silently.
TEST_F(TreeLoaderTest, BadRootIdTakesTheTreeThatNoPanelShowsAndSaysSo) {
  const int32_t shown = insertRoot();  // the largest tree, but an open panel shows it
  for (const char* label : {"A", "B", "C", "D"}) insertNode(shown, 2, label);
  const int32_t in_layout = insertRoot();  // kept by another panel of the layout
  for (const char* label : {"E", "F", "G"}) insertNode(in_layout, 2, label);
  const int32_t empty = insertRoot();
  const int32_t lost = insertRoot();
  const int32_t folder = insertNode(lost, 2, "Mine");
  const int32_t query = insertNode(folder, 3, "Q");
  Panel other_panel(host, tree::UiAttributes{});
  tree::PanelSettings other_settings = other_panel.settings();
  other_settings.root_node_id = shown;
  other_panel.setSettings(other_settings);

  struct Case {
    int32_t root_id;
    const char* reason;
  };
  const Case cases[] = {
      {lost + 1000, "there is no row with that id"},
      {folder, "it is a folder's row"},
      {query, "it is a query node's row"},
      {-1, "there is no row with that id"},  // 0xFFFFFFFF in the stored settings
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    takeConsole();
    Panel& panel = openPanel(c.root_id);
    ASSERT_TRUE(tree::loadTree(panel, {in_layout}));
    EXPECT_EQ(panel.rootNodeId(), lost);
    EXPECT_EQ(outline(*panel.control().top()), "Mine{Q}");
    EXPECT_EQ(takeConsole(), std::vector<std::string>{
                                 "[vostrel] The panel's root id " + std::to_string(c.root_id) +
                                 " does not name a stored tree (" + c.reason +
                                 "). The panel now shows the stored tree with root id " + std::to_string(lost) +
                                 ", which no other panel shows. Stored trees that no panel shows have the root ids " +
                                 std::to_string(empty) + "."});
  }
  EXPECT_EQ(scalar("SELECT count(*) FROM vos_TreeItem WHERE tri_parent_id IS NULL"), "4") << "no tree was made";
}

TEST_F(TreeLoaderTest, RefreshOnLoadRunsDuringTheLoadAndIsTimedBeforeIt) {
  exec("CREATE TABLE t(x);INSERT INTO t VALUES('b'),('a')");
  const int32_t root = insertRoot();
  const int32_t eager = insertNode(root, 3, "Eager", "tri_sql_query,tri_refresh_on_load",
                                   "'SELECT x FROM t ORDER BY x',1");
  const int32_t lazy = insertNode(root, 3, "Lazy", "tri_sql_query", "'SELECT x FROM t'");
  for (int32_t id : {eager, lazy}) {
    exec("INSERT INTO vos_QueryNodeDetail(tri_node_id,qnd_level,qnd_name)VALUES(" + std::to_string(id) + ",1,'x')");
  }
  host.settings.show_sql_execution_time = true;
  takeConsole();

  Panel& panel = openPanel(root);
  ASSERT_TRUE(tree::loadTree(panel));
  auto* loaded_eager = static_cast<tree::QueryNode*>(node("Eager"));
  auto* loaded_lazy = static_cast<tree::QueryNode*>(node("Lazy"));
  EXPECT_EQ(dump(*loaded_eager), "a,b");
  EXPECT_FALSE(loaded_eager->stale());
  EXPECT_FALSE(loaded_eager->item()->expanded());
  EXPECT_EQ(dump(*loaded_lazy), "");
  EXPECT_TRUE(loaded_lazy->stale());
  const std::vector<std::string> lines = takeConsole();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\[vostrel\] Query refresh time: \d+\.\d{6})"))) << lines[0];
  EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(\[vostrel\] Tree load time: \d+\.\d{6})"))) << lines[1];
}

// Stopping a refresh-on-load (Ctrl+C, "Abort query") stops that query only:
// the nodes stored after it still load, and the next refresh-on-load runs.
TEST_F(TreeLoaderTest, AbortedRefreshOnLoadLeavesTheRestOfTheLoad) {
  const int32_t root = insertRoot();
  insertNode(root, 3, "Endless", "tri_sql_query,tri_refresh_on_load",
             "'WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) SELECT count(*) AS n FROM c',1");
  const int32_t quick = insertNode(root, 3, "Quick", "tri_sql_query,tri_refresh_on_load", "'SELECT 7 AS n',1");
  insertNode(root, 2, "After");
  exec("INSERT INTO vos_QueryNodeDetail(tri_node_id,qnd_level,qnd_name)VALUES(" + std::to_string(quick) + ",1,'n')");
  takeConsole();

  Panel& panel = openPanel(root);
  // Well into the endless query; the load statement itself pumps a few times.
  host.pump_count = 0;
  host.on_pump = [&] {
    if (host.pump_count == 200) panel.database().Interrupt();
  };
  EXPECT_TRUE(tree::loadTree(panel));
  host.on_pump = nullptr;
  EXPECT_EQ(outline(*panel.control().top()), "After,Endless,Quick{7}");
  EXPECT_TRUE(static_cast<tree::QueryNode*>(node("Endless"))->stale());
  const std::vector<std::string> lines = takeConsole();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines[0].find("SQLite Error: (9) interrupted"), std::string::npos) << lines[0];
}

TEST_F(TreeLoaderTest, NullCellsTakeTheDefaultsAndTheParentsAttributes) {
  const int32_t root = insertRoot();
  const int32_t folder = insertNode(
      root, 2, "Red",
      "tri_parent_node_attributes,tri_color_text,tri_color_back,tri_color_text_selected,tri_color_back_selected,"
      "tri_color_text_selected_inactive,tri_color_back_selected_inactive,tri_icon",
      "0,255,65280,1,2,3,4,7");
  insertNode(folder, 3, "Own", "tri_parent_node_attributes", "0");
  insertNode(folder, 3, "Inherits");
  Panel& panel = openPanel(root);
  ASSERT_TRUE(tree::loadTree(panel));

  const tree::NodeAttributes red = *node("Red")->attributes();
  EXPECT_FALSE(red.use_parent);
  EXPECT_EQ(red.text, 255u);
  EXPECT_EQ(red.icon, 7);
  for (const char* label : {"Own", "Inherits"}) {
    SCOPED_TRACE(label);
    auto* query = static_cast<tree::QueryNode*>(node(label));
    ASSERT_NE(query, nullptr);
    tree::NodeAttributes expected = red;
    expected.use_parent = std::string(label) == "Inherits";
    EXPECT_EQ(*query->attributes(), expected);
    EXPECT_EQ(query->definition(), tree::QueryDefinition{}) << "NULL cells read as a new node's values";
    EXPECT_EQ(query->level(), 2) << "a NULL level is the parent's plus one";
    EXPECT_EQ(query->label(), label);
  }
}

TEST_F(TreeLoaderTest, LevelOptionsComeWithTheirQueryNode) {
  const int32_t root = insertRoot();
  const int32_t query = insertNode(root, 3, "Q", "tri_parent_node_attributes,tri_color_text", "0,255");
  exec("INSERT INTO vos_QueryNodeDetail(tri_node_id,qnd_level,qnd_name,qnd_parent_node_attributes,"
       "qnd_show_item_count)VALUES(" + std::to_string(query) + ",2,'b',0,1),(" + std::to_string(query) +
       ",1,'a',NULL,NULL)");
  Panel& panel = openPanel(root);
  ASSERT_TRUE(tree::loadTree(panel));
  auto* loaded_query = static_cast<tree::QueryNode*>(node("Q"));
  ASSERT_EQ(loaded_query->levelCount(), 2u);
  EXPECT_EQ(loaded_query->levelOption(0)->name, "a");
  EXPECT_EQ(loaded_query->levelOption(1)->show_item_count, tree::kShowSubitems);
  EXPECT_EQ(loaded_query->levelOption(1)->attributes.text, 255u) << "NULL colour under a red query";
}

// Each corrupt row stops the load after the rows before it; the panel keeps
// its root id, so neither a new example tree nor the clean-up replaces it.
TEST_F(TreeLoaderTest, CorruptRowStopsTheLoadAndKeepsTheRootId) {
  struct Case {
    const char* name;
    int type;  // -1: NULL
    bool foreign_parent;
    std::string message;
  };
  const Case cases[] = {
      {"result node type", 4, false, loadError("Unknown tree node type 4.")},
      {"no type", -1, false, loadError("Unknown tree node type 0.")},
      {"parent in another tree", 2, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    exec("DELETE FROM vos_TreeItem");
    const int32_t root = insertRoot();
    const int32_t good = insertNode(root, 2, "Good");
    const int32_t stranger = insertNode(insertRoot(), 2, "Stranger");
    const int32_t bad = insert("tri_parent_id,tri_node_type,tri_label",
                               std::to_string(good) + "," + (c.type < 0 ? "NULL" : std::to_string(c.type)) + ",'Bad'");
    insertNode(bad, 2, "Below");
    std::string message = c.message;
    if (c.foreign_parent) {
      exec("UPDATE vos_TreeItem SET tri_parent_id=" + std::to_string(stranger) + " WHERE tri_node_id=" +
           std::to_string(bad));
      message = loadError("Unknown tree node parent id " + std::to_string(stranger) + ".");
    }
    takeConsole();

    Panel& panel = openPanel(root);
    EXPECT_FALSE(tree::loadTree(panel));
    EXPECT_EQ(takeConsole(), std::vector<std::string>{message});
    EXPECT_EQ(outline(*panel.control().top()), "Good") << "rows before the bad one stay, folders stay closed";
    EXPECT_EQ(panel.rootNodeId(), root);
    EXPECT_FALSE(panel.control().redrawSuspended());
  }
}

TEST_F(TreeLoaderTest, DatabaseErrorIsFramedAndKeepsTheRootId) {
  const int32_t root = insertRoot();
  insertNode(root, 2, "F");
  damage("DROP VIEW vos_ViewTree");
  takeConsole();
  Panel& panel = openPanel(root);
  EXPECT_FALSE(tree::loadTree(panel));
  const std::vector<std::string> lines = takeConsole();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(">>>>>>>>>>>>>>>>>>>>>>>>>>>>>\n"), std::string::npos);
  EXPECT_NE(lines[0].find("vos_ViewTree"), std::string::npos) << lines[0];
  EXPECT_EQ(panel.rootNodeId(), root);
  EXPECT_FALSE(panel.control().redrawSuspended());
}

TEST_F(TreeLoaderTest, ShutDownCleanUpKeepsTheTreeOfAPanelWhoseLoadFailed) {
  const int32_t kept = insertRoot();
  const int32_t folder = insertNode(kept, 2, "Kept");
  insertNode(folder, 4, "Corrupt");
  const int32_t dropped = insertRoot();
  insertNode(dropped, 2, "Dropped");
  Panel& panel = openPanel(kept);
  ASSERT_FALSE(tree::loadTree(panel));
  ASSERT_EQ(tree::openPanelRootIds(), (std::vector<int32_t>{0, kept})) << "the fixture's panel has no tree";

  ASSERT_TRUE(tree::cleanUpUnusedTrees(host));
  EXPECT_EQ(rows("SELECT tri_label FROM vos_TreeItem ORDER BY tri_node_id"), "#ROOT#;Kept;Corrupt;");
  EXPECT_EQ(scalar("SELECT count(*) FROM vos_TreePath WHERE trp_parent_id=" + std::to_string(dropped)), "0");

  // Once the panel is gone, its tree goes at the next clean-up.
  loaded.reset();
  ASSERT_TRUE(tree::cleanUpUnusedTrees(host));
  EXPECT_EQ(scalar("SELECT count(*) FROM vos_TreeItem"), "0");
}

TEST_F(TreeLoaderTest, CleanUpWithoutPanelsDeletesEveryTreeAndIgnoresErrors) {
  insertNode(insertRoot(), 2, "A");
  insertNode(insertRoot(), 2, "B");
  tree::deleteUnusedTrees(panel->database(), {});
  EXPECT_EQ(scalar("SELECT count(*) FROM vos_TreeItem"), "0");

  takeConsole();
  db::SQLiteDatabase closed(host);
  tree::deleteUnusedTrees(closed, {1});
  EXPECT_TRUE(takeConsole().empty());
}

}  // namespace
