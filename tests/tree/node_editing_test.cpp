#include "tree/node_editing.h"

#include <gtest/gtest.h>

#include "db/database.h"
#include "db/open_steps.h"
#include "support/fake_host.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "tree/tree_schema.h"

namespace {

using tree::QueryNode;
using tree::QuerySheet;

class NodeEditingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db::setSchemaReady(false);
    db::installOpenSteps({&tree::BuildTreeSchema, nullptr});
    ASSERT_TRUE(panel.open());
    panel.database().Execute("CREATE TABLE MediaLibrary(artist, album, title, MetaDb_Handle)");
  }
  void TearDown() override { db::installOpenSteps({}); }

  testing_support::TempDir dir;
  testing_support::FakeHost host{dir.path()};
  tree::Panel panel{host, tree::UiAttributes{}};
  QueryNode node{&panel, &panel.root()};
};

TEST(NodeEditingRules, FolderOkNeedsANonBlankLabel) {
  EXPECT_FALSE(tree::folderOkEnabled(" \t\r\n"));
  EXPECT_TRUE(tree::folderOkEnabled("  x  "));
}

TEST(NodeEditingRules, NodeLimitField) {
  EXPECT_EQ(tree::parseNodeLimit(""), 4294967295u);
  EXPECT_EQ(tree::parseNodeLimit("0"), 4294967295u);
  EXPECT_EQ(tree::parseNodeLimit("lots"), 4294967295u);
  EXPECT_EQ(tree::parseNodeLimit("12x"), 4294967295u);
  EXPECT_EQ(tree::parseNodeLimit(" 250 "), 250u);
}

TEST(NodeEditingRules, ActionControlsPerCode) {
  // code -> target, activate, select, start
  const std::array<std::array<bool, 4>, 13> expected = {{
      {false, false, false, false},  // 0 no action
      {false, false, true, true},    // 1 add to active
      {false, true, true, true},     // 2 add to playing
      {true, true, true, true},      // 3 add to target
      {false, false, true, true},    // 4 insert into active
      {false, true, true, true},     // 5
      {true, true, true, true},      // 6
      {false, false, true, true},    // 7 send to active
      {false, true, true, true},     // 8
      {true, true, true, true},      // 9
      {false, false, false, false},  // 10 execute SQL
      {false, false, false, false},  // 11 console
      {false, false, false, false},  // 12 behaves as none
  }};
  for (uint8_t code = 0; code < expected.size(); ++code) {
    SCOPED_TRACE(static_cast<int>(code));
    const tree::ActionControls c = tree::actionControls(code);
    EXPECT_EQ((std::array<bool, 4>{c.target_playlist, c.activate_playlist, c.select_items, c.start_playback}),
              expected[code]);
  }
}

TEST_F(NodeEditingTest, OkNeedsLabelAndQueryOrBatch) {
  QuerySheet sheet(node, panel.database());
  sheet.sql_text = "  ;  ";
  EXPECT_FALSE(sheet.enableState().ok);
  sheet.batch = "SELECT 1";
  EXPECT_TRUE(sheet.enableState().ok);
  sheet.label = "   ";
  EXPECT_FALSE(sheet.enableState().ok);
}

TEST_F(NodeEditingTest, AClearedQueryWithABatchCanBeSaved) {
  node.definition().sql_query = "SELECT artist FROM MediaLibrary";
  node.definition().level_options.resize(1);
  node.definition().level_options[0].name = "artist";
  QuerySheet sheet(node, panel.database());
  sheet.sql_text = " ;\n";
  sheet.sqlTextChanged();
  sheet.batch = "CREATE TEMP TABLE t(x)";
  ASSERT_TRUE(sheet.enableState().ok);
  std::string error;
  ASSERT_TRUE(sheet.ok(&error)) << error;
  EXPECT_EQ(node.definition().sql_query, "");
  EXPECT_EQ(node.definition().sql_batch, "CREATE TEMP TABLE t(x)");
  EXPECT_EQ(node.levelCount(), 1u);
}

TEST_F(NodeEditingTest, ApplyKeepsTheLastStatementAndBuildsLevels) {
  QuerySheet sheet(node, panel.database());
  sheet.sql_text = "SELECT 1;\r\nSELECT artist, album FROM MediaLibrary;\n";
  sheet.sqlTextChanged();
  EXPECT_TRUE(sheet.enableState().apply);
  std::string error;
  ASSERT_TRUE(sheet.apply(&error)) << error;
  EXPECT_EQ(sheet.sql_text, "SELECT artist, album FROM MediaLibrary");
  EXPECT_FALSE(sheet.enableState().revert);
  ASSERT_EQ(node.levelCount(), 2u);
  EXPECT_EQ(node.levelOption(1)->name, "album");
  EXPECT_EQ(node.levelOption(1)->level, 2);
}

TEST_F(NodeEditingTest, RenamedColumnKeepsOtherLevelsSettings) {
  QuerySheet sheet(node, panel.database());
  sheet.sql_text = "SELECT artist, album FROM MediaLibrary";
  sheet.sqlTextChanged();
  ASSERT_TRUE(sheet.apply(nullptr));
  node.levelOption(0)->attributes.use_parent = false;
  node.levelOption(0)->attributes.text = 0x0000FF;
  node.levelOption(0)->show_item_count = tree::kShowLeaves;
  node.levelOption(1)->show_item_count = tree::kShowSubitems;
  sheet.sql_text = "SELECT artist, album AS record FROM MediaLibrary";
  sheet.sqlTextChanged();
  ASSERT_TRUE(sheet.apply(nullptr));
  EXPECT_EQ(node.levelOption(0)->attributes.text, 0x0000FFu);
  EXPECT_EQ(node.levelOption(0)->show_item_count, tree::kShowLeaves);
  EXPECT_EQ(node.levelOption(1)->name, "record");
  EXPECT_EQ(node.levelOption(1)->show_item_count, tree::kShowNoCount) << "a renamed column starts afresh";
}

TEST_F(NodeEditingTest, ApplyErrors) {
  struct Case {
    const char* sql;
    const char* message_start;
  };
  const Case cases[] = {
      {"SELEC 1", "SQLite Error: (1) near \"SELEC\": syntax error"},
      {"SELECT 1; CREATE TABLE x(a);", "Invalid query statement:\n\nCREATE TABLE x(a)"},
      // Statements with result columns that would write.
      {"DELETE FROM MediaLibrary WHERE artist='x' RETURNING artist",
       "Invalid query statement:\n\nDELETE FROM MediaLibrary WHERE artist='x' RETURNING artist"},
      {"SELECT 1;\r\n INSERT INTO MediaLibrary(artist) VALUES('y') RETURNING * ; ",
       "Invalid query statement:\n\nINSERT INTO MediaLibrary(artist) VALUES('y') RETURNING *"},
      {"WITH g(a) AS (SELECT 'z') UPDATE MediaLibrary SET album = (SELECT a FROM g) RETURNING album",
       "Invalid query statement:\n\nWITH g(a)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    QuerySheet sheet(node, panel.database());
    sheet.sql_text = c.sql;
    sheet.sqlTextChanged();
    std::string error;
    EXPECT_FALSE(sheet.ok(&error));
    EXPECT_EQ(error.rfind(c.message_start, 0), 0u) << error;
    EXPECT_TRUE(sheet.modified());
  }
}

TEST_F(NodeEditingTest, ReadingStatementsWithoutSelectAreAccepted) {
  for (const char* sql : {"WITH x(a) AS (VALUES(1)) SELECT a FROM x", "VALUES(1, 2)",
                          "PRAGMA table_info(MediaLibrary)", "DELETE FROM MediaLibrary; SELECT artist FROM MediaLibrary"}) {
    SCOPED_TRACE(sql);
    QuerySheet sheet(node, panel.database());
    sheet.sql_text = sql;
    sheet.sqlTextChanged();
    std::string error;
    EXPECT_TRUE(sheet.apply(&error)) << error;
  }
}

TEST_F(NodeEditingTest, TooManyColumnsNearTheLevelCap) {
  node.setLevel(253);
  QuerySheet sheet(node, panel.database());
  sheet.sql_text = "SELECT artist, album, title FROM MediaLibrary";
  sheet.sqlTextChanged();
  std::string error;
  EXPECT_FALSE(sheet.apply(&error));
  EXPECT_EQ(error, "Too many columns for the query:\n\nSELECT artist, album, title FROM MediaLibrary");
  EXPECT_EQ(node.levelCount(), 2u);
}

TEST_F(NodeEditingTest, OkTakesEveryValueAndRevertRestores) {
  QuerySheet sheet(node, panel.database());
  sheet.sql_text = "SELECT artist FROM MediaLibrary";
  sheet.sqlTextChanged();
  ASSERT_TRUE(sheet.apply(nullptr));
  sheet.sql_text = "SELECT nonsense";
  sheet.sqlTextChanged();
  sheet.revert();
  EXPECT_EQ(sheet.sql_text, "SELECT artist FROM MediaLibrary");
  sheet.label = " Artists ";
  sheet.node_limit = "";
  sheet.click.action = tree::kSendToTarget;
  sheet.click.target_playlist = "Vostrel playlist";
  ASSERT_TRUE(sheet.ok(nullptr));
  EXPECT_EQ(node.label(), " Artists ");
  EXPECT_EQ(node.definition().node_limit, 4294967295u);
  EXPECT_EQ(node.definition().sql_query, "SELECT artist FROM MediaLibrary");
  EXPECT_EQ(node.definition().click.target_playlist, "Vostrel playlist");
}

}  // namespace
