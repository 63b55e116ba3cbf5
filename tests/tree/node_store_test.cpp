// Stored nodes: defaults, the rows they insert, update and delete, level
// options, attribute inheritance and the panel's lists.
#include <gtest/gtest.h>

#include "panel_fixture.h"
#include "tree/node_store.h"
#include "tree/tree_control.h"

namespace {

using tree::FolderNode;
using tree::QueryNode;
using tree_testing::PanelFixture;

using NodeStoreTest = PanelFixture;

TEST_F(NodeStoreTest, NewQueryNodeDefaults) {
  QueryNode node(panel.get(), &panel->root());
  const tree::QueryDefinition& d = node.definition();
  EXPECT_EQ(node.label(), "New query");
  EXPECT_EQ(node.type(), tree::NodeType::kQuery);
  EXPECT_TRUE(node.stale());
  EXPECT_TRUE(d.level_options.empty());
  EXPECT_FALSE(node.hasPendingChildren());
  EXPECT_TRUE(d.click.activate_playlist);
  EXPECT_FALSE(d.click.select_items);
  EXPECT_FALSE(d.click.start_playback);
  EXPECT_EQ(d.node_limit, 50000u);
  EXPECT_TRUE(d.remove_duplicates);
  EXPECT_FALSE(d.omit_null_nodes);
  EXPECT_EQ(node.attributes()->icon, tree::kDefaultIcon);
  node.definition().refresh_on_use = true;
  EXPECT_TRUE(node.hasPendingChildren());
  EXPECT_EQ(FolderNode(panel.get(), nullptr).label(), "New folder");
}

TEST_F(NodeStoreTest, FirstTopLevelFolderInsertsTheRootRowFirst) {
  EXPECT_EQ(panel->rootNodeId(), 0);
  FolderNode* folder = addFolder("Music");
  ASSERT_NE(folder, nullptr);
  const int32_t root = panel->rootNodeId();
  EXPECT_NE(root, 0);
  EXPECT_EQ(panel->settings().root_node_id, root);
  EXPECT_EQ(rows("SELECT tri_node_id,tri_parent_id,tri_level,tri_node_type,tri_label FROM vos_TreeItem "
                 "ORDER BY tri_node_id"),
            std::to_string(root) + ",-,0,1,#ROOT#;" + std::to_string(folder->nodeId()) + "," +
                std::to_string(root) + ",1,2,Music;");
  EXPECT_EQ(folder->level(), 1);
  EXPECT_EQ(panel->control().selection(), folder->item()) << "a new node is selected";
  EXPECT_EQ(panel->folders(), (std::vector<FolderNode*>{folder}));
  // The root row is made once.
  addFolder("More");
  EXPECT_EQ(panel->rootNodeId(), root);
  EXPECT_EQ(scalar("SELECT count(*) FROM vos_TreeItem WHERE tri_node_type=1"), "1");
}

TEST_F(NodeStoreTest, NewTopLevelNodeGetsItsRootRowEvenWhenAttachedDirectly) {
  auto node = std::make_unique<QueryNode>(panel.get(), &panel->root());
  tree::TreeNode* attached = panel->attach(std::move(node), true);
  ASSERT_NE(attached, nullptr);
  EXPECT_NE(panel->rootNodeId(), 0);
  EXPECT_EQ(scalar("SELECT tri_parent_id FROM vos_TreeItem WHERE tri_node_id=" + std::to_string(attached->nodeId())),
            std::to_string(panel->rootNodeId()));
}

TEST_F(NodeStoreTest, InsertedQueryRowHoldsEveryColumnAndItsLevelOptions) {
  FolderNode* folder = addFolder("F");
  QueryNode* q = addQuery("SELECT 'it''s'", {"x", "y"}, folder, "<null>");
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->level(), 2);
  EXPECT_EQ(rows("SELECT tri_level,tri_node_type,tri_label,tri_sql_query,tri_click_activate_playlist,"
                 "tri_node_limit,tri_remove_duplicates,tri_icon,tri_parent_node_attributes FROM vos_TreeItem "
                 "WHERE tri_node_id=" + std::to_string(q->nodeId())),
            "2,3,-,SELECT 'it''s',1,50000,1,194,1;")
      << "a label \"<null>\" is stored as NULL";
  EXPECT_EQ(rows("SELECT qnd_level,qnd_name FROM vos_QueryNodeDetail ORDER BY qnd_level"), "1,x;2,y;");
}

TEST_F(NodeStoreTest, SavingReplacesLevelOptionsInOneTransaction) {
  QueryNode* q = addQuery("SELECT 1", {"a"});
  q->setLabel("Renamed");
  q->definition().level_options.clear();
  for (uint8_t level = 1; level <= 3; ++level) {
    tree::QueryResultNodeOption option;
    option.level = level;
    option.name = "c" + std::to_string(level);
    q->definition().level_options.push_back(option);
  }
  ASSERT_TRUE(panel->save(*q));
  EXPECT_EQ(rows("SELECT qnd_level,qnd_name FROM vos_QueryNodeDetail ORDER BY qnd_level"), "1,c1;2,c2;3,c3;");
  EXPECT_EQ(q->item()->text(), "Renamed");

  // A failing option row leaves the row and the old options as they were.
  exec("CREATE TRIGGER no_level_4 BEFORE INSERT ON vos_QueryNodeDetail WHEN new.qnd_level=4 "
       "BEGIN SELECT RAISE(ABORT,'level 4 refused'); END");
  q->setLabel("Again");
  tree::QueryResultNodeOption fourth;
  fourth.level = 4;
  q->definition().level_options.push_back(fourth);
  takeConsole();
  EXPECT_FALSE(panel->save(*q));
  EXPECT_EQ(rows("SELECT qnd_level FROM vos_QueryNodeDetail ORDER BY qnd_level"), "1;2;3;");
  EXPECT_EQ(scalar("SELECT tri_label FROM vos_TreeItem WHERE tri_node_id=" + std::to_string(q->nodeId())),
            "Renamed");
  const std::vector<std::string> lines = takeConsole();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("level 4 refused"), std::string::npos);
  EXPECT_EQ(panel->database().transactionDepth(), 0u);
}

TEST_F(NodeStoreTest, LoadedLevelOptionsTakeTheQueryNodesValuesForNulls) {
  QueryNode* q = addQuery("SELECT 1", {});
  q->attributes()->use_parent = false;
  q->attributes()->text = 0x0000FF;
  q->attributes()->icon = 7;
  const std::string id = std::to_string(q->nodeId());
  exec("INSERT INTO vos_QueryNodeDetail(tri_node_id,qnd_level,qnd_parent_node_attributes,qnd_color_back) "
       "VALUES(" + id + ",2,0,255)");
  exec("INSERT INTO vos_QueryNodeDetail(tri_node_id,qnd_level,qnd_color_text,qnd_show_item_count) "
       "VALUES(" + id + ",1,16711680,1)");
  exec("INSERT INTO vos_QueryNodeDetail(tri_node_id,qnd_level,qnd_name,qnd_parent_node_attributes) "
       "VALUES(" + id + ",3,'z',0)");
  ASSERT_TRUE(tree::loadLevelOptions(panel->database(), *q));
  const auto& options = q->definition().level_options;
  ASSERT_EQ(options.size(), 3u);
  EXPECT_EQ(options[0].level, 1) << "ordered by level";
  EXPECT_EQ(options[0].name, "Label") << "the column default";
  EXPECT_TRUE(options[0].attributes.use_parent) << "NULL flag gives true";
  EXPECT_EQ(options[0].attributes.text, 0x0000FFu) << "flag set: the query node's colour, not the column's";
  EXPECT_EQ(options[0].show_item_count, 1);
  EXPECT_FALSE(options[1].attributes.use_parent);
  EXPECT_EQ(options[1].attributes.back, 255u);
  EXPECT_EQ(options[1].attributes.text, 0x0000FFu);
  EXPECT_EQ(options[1].attributes.icon, 7);
  EXPECT_EQ(options[1].show_item_count, 0);
  EXPECT_EQ(options[2].name, "z");
  EXPECT_EQ(options[2].attributes.text, 0x0000FFu) << "NULL colour with the flag clear";
}

TEST_F(NodeStoreTest, LevelOptionLoadErrorIsReported) {
  QueryNode* q = addQuery("SELECT 1", {"a"});
  damage("DROP TABLE vos_QueryNodeDetail");
  takeConsole();
  EXPECT_FALSE(tree::loadLevelOptions(panel->database(), *q));
  EXPECT_EQ(takeConsole().size(), 1u);
}

TEST_F(NodeStoreTest, AttributesFlowFromPanelToLevelOptions) {
  tree::PanelSettings settings = panel->settings();
  settings.text = 0x112233;
  settings.icon = 12;
  panel->setSettings(settings);
  FolderNode* folder = addFolder("F");
  QueryNode* q = addQuery("SELECT 1,2", {"a", "b"}, folder);
  EXPECT_EQ(folder->attributes()->text, 0x112233u);
  EXPECT_EQ(folder->item()->data().image, 12);

  folder->attributes()->use_parent = false;
  folder->attributes()->text = 0x0000FF;
  folder->attributes()->icon = 3;
  q->definition().level_options[1].attributes.use_parent = false;
  q->definition().level_options[1].attributes.text = 0x00FF00;
  panel->reapplyAttributes();
  EXPECT_EQ(q->attributes()->text, 0x0000FFu);
  EXPECT_EQ(q->item()->data().image, 3) << "items follow the new icon";
  EXPECT_EQ(q->definition().level_options[0].attributes.text, 0x0000FFu);
  EXPECT_EQ(q->definition().level_options[1].attributes.text, 0x00FF00u);
}

TEST_F(NodeStoreTest, ExpandingAFolderIsStoredButAQueryNodeIsNot) {
  FolderNode* folder = addFolder("F");
  QueryNode* q = addQuery("SELECT 1", {"a"}, folder);
  ASSERT_TRUE(q->refresh(true));
  const std::string folder_row = "SELECT tri_expanded FROM vos_TreeItem WHERE tri_node_id=" +
                                 std::to_string(folder->nodeId());
  const std::string query_row = "SELECT tri_expanded FROM vos_TreeItem WHERE tri_node_id=" +
                                std::to_string(q->nodeId());
  EXPECT_TRUE(panel->expandNode(*folder, true));
  EXPECT_EQ(scalar(folder_row), "1");
  EXPECT_TRUE(panel->expandNode(*q, true));
  EXPECT_EQ(scalar(query_row), "0");
  panel->expandNode(*folder, false);
  EXPECT_EQ(scalar(folder_row), "0");
}

TEST_F(NodeStoreTest, DeletingAFolderReleasesEverythingBelowIt) {
  exec("CREATE TABLE t(a,b)");
  exec("INSERT INTO t VALUES('A','x'),('B','y')");
  FolderNode* keep = addFolder("Keep");
  QueryNode* kept_query = addQuery("SELECT a FROM t", {"a"}, keep, "Kept");
  FolderNode* doomed = addFolder("Doomed");
  FolderNode* inner = addFolder("Inner", doomed);
  QueryNode* q1 = addQuery("SELECT a,b FROM t", {"a", "b"}, doomed, "Q1");
  QueryNode* q2 = addQuery("SELECT a FROM t", {"a"}, inner, "Q2");
  ASSERT_TRUE(q1->refresh(true));
  ASSERT_TRUE(q2->refresh(true));
  ASSERT_TRUE(panel->expandNode(*q1, true));
  const tree::QueryResultNode* x = find(*q1, "x");
  ASSERT_NE(x, nullptr);
  panel->control().select(x->item());
  const std::size_t items_before = panel->control().itemCount();

  host.answer_yes = false;
  EXPECT_FALSE(panel->deleteNode(*doomed));
  EXPECT_EQ(panel->control().itemCount(), items_before);
  host.answer_yes = true;
  host.questions.clear();
  ASSERT_TRUE(panel->deleteNode(*doomed));
  EXPECT_EQ(host.questions, (std::vector<std::string>{"Are you sure?"}));
  EXPECT_EQ(panel->folders(), (std::vector<FolderNode*>{keep}));
  EXPECT_EQ(panel->queries(), (std::vector<QueryNode*>{kept_query}));
  EXPECT_EQ(panel->control().itemCount(), 2u);
  EXPECT_EQ(panel->control().selection(), nullptr);
  EXPECT_EQ(rows("SELECT tri_label FROM vos_TreeItem ORDER BY tri_node_id"), "#ROOT#;Keep;Kept;");
  EXPECT_EQ(scalar("SELECT count(*) FROM vos_QueryNodeDetail"), "1");
  EXPECT_EQ(panel->findFolder(&panel->root(), "Doomed"), nullptr);
  EXPECT_EQ(panel->findQuery(keep, "Kept"), kept_query);
}

TEST_F(NodeStoreTest, FailedDeleteKeepsTheItem) {
  FolderNode* folder = addFolder("F");
  exec("CREATE TRIGGER keep BEFORE DELETE ON vos_TreeItem BEGIN SELECT RAISE(ABORT,'kept'); END");
  takeConsole();
  EXPECT_FALSE(panel->deleteNode(*folder));
  EXPECT_EQ(panel->folders().size(), 1u);
  EXPECT_NE(folder->item(), nullptr);
  EXPECT_EQ(takeConsole().size(), 1u);
  EXPECT_FALSE(panel->deleteNode(panel->root())) << "the root is not deleted";
}

TEST_F(NodeStoreTest, NewNodeWhoseRowFailsIsReleased) {
  panel->nodeForItem(nullptr);
  exec("CREATE TRIGGER refuse BEFORE INSERT ON vos_TreeItem BEGIN SELECT RAISE(ABORT,'no'); END");
  auto node = std::make_unique<FolderNode>(panel.get(), &panel->root());
  EXPECT_EQ(panel->attach(std::move(node), true), nullptr);
  EXPECT_EQ(panel->control().itemCount(), 0u);
  EXPECT_TRUE(panel->folders().empty());
}

TEST_F(NodeStoreTest, RenamingReSortsStoredSiblingsButNotResults) {
  FolderNode* b = addFolder("b");
  addFolder("c");
  EXPECT_EQ(b->item()->row(), 0u);
  b->setLabel("d");
  ASSERT_TRUE(panel->save(*b));
  EXPECT_EQ(b->item()->row(), 1u);

  exec("CREATE TABLE t(a)");
  exec("INSERT INTO t VALUES('z'),('y')");
  QueryNode* q = addQuery("SELECT a FROM t ORDER BY a DESC", {"a"});
  ASSERT_TRUE(q->refresh(true));
  q->definition().level_options[0].show_item_count = tree::kShowSubitems;
  q->updateItem(true);
  EXPECT_EQ(dump(*q), "z,y");
  EXPECT_EQ(q->item()->child(0)->text(), "z [000000]");
}

}  // namespace
