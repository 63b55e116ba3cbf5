// Runs of query nodes: how rows become result nodes, limits, errors, and the
// run's bookkeeping.
#include <gtest/gtest.h>

#include <regex>

#include "library_tables/handle_table.h"
#include "panel_fixture.h"
#include "tree/overall_node_count.h"
#include "tree/tree_control.h"

namespace {

using tree::QueryNode;
using tree::QueryResultNode;
using tree_testing::PanelFixture;

class QueryRunTest : public PanelFixture {
 protected:
  void SetUp() override {
    PanelFixture::SetUp();
    exec("CREATE TABLE t(a,b,c,n INTEGER)");
  }
  void fill(const std::string& values) { exec("DELETE FROM t; INSERT INTO t(a,b,c,n) VALUES " + values); }
  static const QueryResultNode& result(const tree::TreeNode& node, std::size_t row) {
    return static_cast<const QueryResultNode&>(*node.item()->child(row)->node());
  }
};

TEST_F(QueryRunTest, RowsMergeLevelByLevelWithSubitemAndLeafCounts) {
  fill("('A','x',1,1),('A','x',2,2),('A','y',1,3),('B','x',1,4)");
  QueryNode* q = addQuery("SELECT a,b,c FROM t ORDER BY n", {"a", "b", "c"});
  ASSERT_NE(q, nullptr);
  EXPECT_TRUE(q->stale());
  ASSERT_TRUE(q->refresh(true));
  EXPECT_FALSE(q->stale());
  EXPECT_EQ(dump(*q), "A{x{1,2},y{1}},B{x{1}}");
  EXPECT_EQ(q->resultNodeCount(), 9u);
  const QueryResultNode& a = result(*q, 0);
  const QueryResultNode& b = result(*q, 1);
  EXPECT_EQ(a.subitemCount(), 2u);
  EXPECT_EQ(a.leafCount(), 3u);
  EXPECT_EQ(b.subitemCount(), 1u);
  EXPECT_EQ(b.leafCount(), 1u);
  EXPECT_EQ(result(a, 0).leafCount(), 2u);
  EXPECT_EQ(result(result(a, 0), 0).leafCount(), 0u);
  // The query node sizes the count boxes of level 1.
  EXPECT_EQ(q->widestSubitemCount(), 2u);
  EXPECT_EQ(q->widestLeafCount(), 3u);
  EXPECT_EQ(a.widestSubitemCount(), 2u);  // x has two children
  EXPECT_EQ(a.widestLeafCount(), 2u);
  EXPECT_EQ(result(a, 0).level(), 2);
  EXPECT_EQ(label_events, (std::vector<bool>{true, false}));
}

TEST_F(QueryRunTest, ThreeChildrenRaiseEveryAncestorsLeafCountByTwo) {
  fill("('A','B',1,1),('A','B',2,2),('A','B',3,3)");
  QueryNode* q = addQuery("SELECT a,b,c FROM t ORDER BY n", {"a", "b", "c"});
  ASSERT_TRUE(q->refresh(true));
  const QueryResultNode& a = result(*q, 0);
  const QueryResultNode& b = result(a, 0);
  EXPECT_EQ(b.subitemCount(), 3u);
  EXPECT_EQ(b.leafCount(), 3u);
  EXPECT_EQ(a.subitemCount(), 1u);
  EXPECT_EQ(a.leafCount(), 3u);  // 1 for B itself, then 2 more
}

struct ShapeCase {
  const char* name;
  const char* values;
  bool omit_null;
  const char* tree;
};

class QueryRunShapeTest : public QueryRunTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(QueryRunShapeTest, BuildsTheExpectedTree) {
  const ShapeCase& c = GetParam();
  fill(c.values);
  QueryNode* q = addQuery("SELECT a,b,c FROM t ORDER BY n", {"a", "b", "c"});
  q->definition().omit_null_nodes = c.omit_null;
  ASSERT_TRUE(q->refresh(true));
  EXPECT_EQ(dump(*q), c.tree);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, QueryRunShapeTest,
    ::testing::Values(
        ShapeCase{"EqualValuesMergeOnlyWhenAdjacent", "('A','x',NULL,1),('B','x',NULL,2),('A','z',NULL,3)", false,
                  "A{x{<null>}},B{x{<null>}},A{z{<null>}}"},
        ShapeCase{"NullIsANodeWithoutOmit", "('A',NULL,1,1)", false, "A{<null>{1}}"},
        ShapeCase{"OmittedNullHangsTheNextLevelHigher", "('A',NULL,1,1)", true, "A{1}"},
        ShapeCase{"TextReadingNullIsOmittedToo", "('A','<null>',1,1)", true, "A{1}"},
        ShapeCase{"AllNullRowMakesNothing", "(NULL,NULL,NULL,1)", true, ""},
        ShapeCase{"NumbersAndRealsAsText", "(1,2.5,1e20,1)", false, "1{2.5{1.0e+20}}"},
        // A value equal to the label of a node from another level (there
        // because the level above was omitted) makes a node of its own.
        ShapeCase{"ReuseOnlyWithinTheSameLevel", "('A',NULL,'x',1),('A','x',1,2)", true, "A{x,x{1}}"},
        ShapeCase{"ChangeAboveStartsNewBranch", "('A','x',1,1),('B','x',1,2),('B','x',1,3)", false,
                  "A{x{1}},B{x{1}}"}),
    [](const ::testing::TestParamInfo<ShapeCase>& info) { return std::string(info.param.name); });

TEST_F(QueryRunTest, OmittedLevelShowsInLevelAndResultPath) {
  fill("('A',NULL,'one',1)");
  QueryNode* q = addQuery("SELECT a,b,c FROM t", {"a", "b", "c"});
  q->definition().omit_null_nodes = true;
  ASSERT_TRUE(q->refresh(true));
  QueryResultNode* one = find(*q, "one");
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one->level(), 3);
  std::vector<std::string> path;
  EXPECT_EQ(tree::resultPath(*one, path), q);
  EXPECT_EQ(path, (std::vector<std::string>{"A", "<null>", "one"}));
}

TEST_F(QueryRunTest, NodeLimitKeepsTheNodeThatExceededItAndReports) {
  fill("('A','x',1,1)");
  QueryNode* q = addQuery("SELECT a,b,c FROM t", {"a", "b", "c"}, nullptr, "Limited");
  q->definition().node_limit = 2;
  takeConsole();
  EXPECT_TRUE(q->refresh(true));
  EXPECT_EQ(dump(*q), "A{x{1}}");
  EXPECT_EQ(q->resultNodeCount(), 3u);
  const std::vector<std::string> lines = takeConsole();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("Query node limit (2 nodes) exceeded.\n\nNode: Limited\nQuery:\nSELECT a,b,c FROM t"),
            std::string::npos)
      << lines[0];
  EXPECT_NE(lines[0].find(std::string(29, '>')), std::string::npos);
}

TEST_F(QueryRunTest, OverallLimitStopsTheRunAcrossNodes) {
  fill("('A','x',1,1),('B','y',2,2)");
  const uint64_t before = tree::OverallNodeCount::instance().value();
  host.settings.overall_node_limit = before + 4;
  QueryNode* q = addQuery("SELECT a,b,c FROM t ORDER BY n", {"a", "b", "c"});
  takeConsole();
  EXPECT_TRUE(q->refresh(true));
  EXPECT_EQ(dump(*q), "A{x{1}},B{y}");
  const std::vector<std::string> lines = takeConsole();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("Tree node limit (" + std::to_string(before + 4) + " nodes) exceeded.\n\n"),
            std::string::npos);
  // A second run first gives back what the first one counted.
  host.settings.overall_node_limit = 1000000;
  EXPECT_TRUE(q->refresh(true));
  EXPECT_EQ(tree::OverallNodeCount::instance().value(), before + 6);
}

TEST_F(QueryRunTest, DeletingTheQueryNodeGivesBackItsCount) {
  fill("('A','x',1,1)");
  const uint64_t before = tree::OverallNodeCount::instance().value();
  QueryNode* q = addQuery("SELECT a,b,c FROM t", {"a", "b", "c"});
  ASSERT_TRUE(q->refresh(true));
  EXPECT_EQ(tree::OverallNodeCount::instance().value(), before + 3);
  ASSERT_TRUE(panel->deleteNode(*q));
  EXPECT_EQ(tree::OverallNodeCount::instance().value(), before);
}

TEST_F(QueryRunTest, BatchRunsFirstAndOnlyTheLastStatementMakesNodes) {
  fill("('A','x',1,1),('B','y',2,2)");
  QueryNode* q = addQuery("SELECT a,b FROM v ORDER BY a", {"a", "b"});
  q->definition().sql_batch = "DROP VIEW IF EXISTS v;\r\nCREATE VIEW v AS SELECT a,b FROM t;\r\nSELECT 'ignored','rows'";
  ASSERT_TRUE(q->refresh(true));
  EXPECT_EQ(dump(*q), "A{x},B{y}");
}

TEST_F(QueryRunTest, EmptyQueryTakesNodesFromTheBatchsLastStatement) {
  fill("('A','x',1,1)");
  QueryNode* q = addQuery("", {"a", "b"});
  q->definition().sql_batch = "SELECT 'no','no';\r\nSELECT a,b FROM t";
  ASSERT_TRUE(q->refresh(true));
  EXPECT_EQ(dump(*q), "A{x}");
}

TEST_F(QueryRunTest, CommentOnlyBatchAndQueryRunWithoutNodes) {
  QueryNode* q = addQuery("", {"a"});
  q->definition().sql_batch = "/* nothing to run */\r\n";
  EXPECT_TRUE(q->refresh(true));
  EXPECT_EQ(dump(*q), "");
  EXPECT_FALSE(q->stale());
}

TEST_F(QueryRunTest, FewerColumnsThanLevelsFillsOnlyTheLevelsPresent) {
  fill("('A','x',1,1),('A','y',1,2)");
  QueryNode* q = addQuery("SELECT a FROM t ORDER BY n", {"a", "b", "c"});
  ASSERT_TRUE(q->refresh(true));
  EXPECT_EQ(dump(*q), "A");
}

TEST_F(QueryRunTest, DatabaseErrorRollsBackKeepsNodeStaleAndRemovesOldResults) {
  fill("('A','x',1,1)");
  QueryNode* q = addQuery("SELECT a,b FROM t", {"a", "b"});
  ASSERT_TRUE(q->refresh(true));
  ASSERT_EQ(dump(*q), "A{x}");
  q->definition().sql_batch = "BEGIN;\r\nINSERT INTO t(a) VALUES('new')";
  q->definition().sql_query = "SELEKT a,b FROM t";
  host.settings.show_sql_execution_time = true;
  takeConsole();
  EXPECT_FALSE(q->refresh(true));
  EXPECT_TRUE(q->stale());
  EXPECT_EQ(dump(*q), "");
  EXPECT_EQ(scalar("SELECT count(*) FROM t"), "1") << "the batch's transaction is rolled back";
  const std::vector<std::string> lines = takeConsole();
  ASSERT_EQ(lines.size(), 1u) << "no timing line after an error";
  EXPECT_NE(lines[0].find("SELEKT"), std::string::npos);
  EXPECT_NE(lines[0].find(std::string(29, '<')), std::string::npos);
  ASSERT_FALSE(label_events.empty());
  EXPECT_EQ(label_events.back(), false);
}

// A stored query that would write is refused before it runs: the run fails
// with the refused statement and the table keeps its rows.
TEST_F(QueryRunTest, StoredWritingQueryIsRefusedAndChangesNothing) {
  struct Case {
    const char* batch;
    const char* query;
    const char* refused;
  };
  const Case cases[] = {
      {"", "DELETE FROM t WHERE a='A' RETURNING a", "DELETE FROM t WHERE a='A' RETURNING a"},
      {"", "DROP TABLE t", "DROP TABLE t"},
      {"", "SELECT a FROM t;\r\nDELETE FROM t;\r\nSELECT a FROM t", "DELETE FROM t"},
      {"BEGIN; INSERT INTO t(a) VALUES('from the batch')", "UPDATE t SET a='z' RETURNING a",
       "UPDATE t SET a='z' RETURNING a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    fill("('A','x',1,1),('B','y',2,2)");
    QueryNode* q = addQuery(c.query, {"a"});
    ASSERT_NE(q, nullptr);
    q->definition().sql_batch = c.batch;
    takeConsole();
    EXPECT_FALSE(q->refresh(true));
    EXPECT_TRUE(q->stale());
    EXPECT_EQ(rows("SELECT a FROM t ORDER BY n"), "A;B;") << "nothing written, the batch's transaction rolled back";
    const std::vector<std::string> lines = takeConsole();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(std::string("Invalid query statement:\n\n") + c.refused), std::string::npos) << lines[0];
    ASSERT_TRUE(panel->deleteNode(*q));
  }
}

TEST_F(QueryRunTest, BatchMayWriteBeforeAReadingQuery) {
  fill("('A','x',1,1)");
  QueryNode* q = addQuery("SELECT a FROM t ORDER BY n", {"a"});
  ASSERT_NE(q, nullptr);
  q->definition().sql_batch = "INSERT INTO t(a,n) VALUES('B',2) RETURNING a";
  ASSERT_TRUE(q->refresh(true));
  EXPECT_EQ(dump(*q), "A,B");
}

TEST_F(QueryRunTest, InterruptionEndsTheRunAsAnError) {
  exec("WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM r WHERE i<20000) "
       "INSERT INTO t(a,b,n) SELECT 'A',i,i FROM r");
  QueryNode* q = addQuery("SELECT a,b FROM t ORDER BY n", {"a", "b"});
  host.on_pump = [this] { panel->database().Interrupt(); };
  EXPECT_FALSE(q->refresh(true));
  host.on_pump = nullptr;
  EXPECT_TRUE(q->stale());
  EXPECT_FALSE(panel->database().IsBusy());
}

TEST_F(QueryRunTest, ExpandedNodeComesBackExpandedWithNewChildren) {
  fill("('A','x',1,1)");
  QueryNode* q = addQuery("SELECT a FROM t", {"a"});
  ASSERT_TRUE(q->refresh(true));
  ASSERT_TRUE(panel->expandNode(*q, true));
  exec("INSERT INTO t(a) VALUES('B')");
  ASSERT_TRUE(q->refresh(true));
  EXPECT_TRUE(q->item()->expanded());
  EXPECT_EQ(dump(*q), "A,B");
  panel->expandNode(*q, false);
  ASSERT_TRUE(q->refresh(true));
  EXPECT_FALSE(q->item()->expanded());
}

TEST_F(QueryRunTest, TimingLineWhenAsked) {
  fill("('A','x',1,1)");
  QueryNode* q = addQuery("SELECT a FROM t", {"a"});
  host.settings.show_sql_execution_time = true;
  takeConsole();
  ASSERT_TRUE(q->refresh(true));
  const std::vector<std::string> lines = takeConsole();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\[vostrel\] Query refresh time: \d+\.\d{6})"))) << lines[0];
}

TEST_F(QueryRunTest, InteractiveRunWhileQueryActiveDoesNothing) {
  fill("('A','x',1,1)");
  QueryNode* q = addQuery("SELECT a FROM t", {"a"});
  panel->showQueryActive();
  EXPECT_FALSE(q->refresh(true));
  EXPECT_EQ(dump(*q), "");
  EXPECT_TRUE(q->refresh(false)) << "refresh all runs under the label it shows itself";
  EXPECT_EQ(dump(*q), "A");
}

TEST_F(QueryRunTest, ExpandingAStaleRefreshOnUseNodeRunsItFirst) {
  fill("('A','x',1,1)");
  QueryNode* q = addQuery("SELECT a FROM t", {"a"});
  q->definition().refresh_on_use = true;
  EXPECT_TRUE(panel->expandNode(*q, true));
  EXPECT_EQ(dump(*q), "A");
  EXPECT_FALSE(q->stale());
  // A failing run cancels the expansion.
  panel->expandNode(*q, false);
  q->setStale(true);
  q->definition().sql_query = "SELECT nonsense FROM nowhere";
  EXPECT_FALSE(panel->expandNode(*q, true));
  EXPECT_FALSE(q->item()->expanded());
}

TEST_F(QueryRunTest, RunEmptiesTheHandleTableAndFixesTheExpandButton) {
  QueryNode* q = addQuery("SELECT a FROM t", {"a"});
  q->definition().refresh_on_use = true;
  q->updateItem(false);
  library_tables::HandleTable::instance().append(testing_support::makeTrack("file:///a.flac"));
  ASSERT_TRUE(q->refresh(true));
  EXPECT_EQ(library_tables::HandleTable::instance().size(), 0u);
  EXPECT_FALSE(q->item()->showsExpander()) << "no results, no expand button";
}

TEST_F(QueryRunTest, ResultLevelsWithItemCountsReserveRoomInTheItemText) {
  fill("('A','x',1,1)");
  QueryNode* q = addQuery("SELECT a,b FROM t", {"a", "b"});
  q->definition().level_options[0].show_item_count = tree::kShowLeaves;
  ASSERT_TRUE(q->refresh(true));
  ASSERT_EQ(q->item()->childCount(), 1u);
  ASSERT_EQ(q->item()->child(0)->childCount(), 1u);
  EXPECT_EQ(q->item()->child(0)->text(), "A [000000]");
  EXPECT_EQ(q->item()->child(0)->child(0)->text(), "x");
  EXPECT_EQ(q->item()->child(0)->node()->label(), "A");
}

}  // namespace
