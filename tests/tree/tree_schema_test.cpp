#include "tree/tree_schema.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "db/database.h"
#include "db/open_steps.h"
#include "support/fake_host.h"

namespace {

using db::SQLiteColumns;
using db::SQLiteDatabase;
using testing_support::FakeHost;
using testing_support::TempDir;

class TreeSchemaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db::setSchemaReady(false);
    db::installOpenSteps({&tree::BuildTreeSchema, nullptr});
  }
  void TearDown() override { db::installOpenSteps({}); }

  static std::string text(SQLiteDatabase& database, const std::string& sql) {
    SQLiteColumns row;
    if (!database.HasRows(sql, &row)) return "(no row)";
    if (row[0].type() == db::kTagInt64) return std::to_string(row[0].int64Value());
    return row[0].textOr("<null>");
  }
  static int64_t scalar(SQLiteDatabase& database, const std::string& sql) {
    SQLiteColumns row;
    if (!database.HasRows(sql, &row)) return -99;
    return row[0].int64Or(-98);
  }
  static std::string rows(SQLiteDatabase& database, const std::string& sql) {
    SQLiteColumns row;
    auto prepared = database.Prepare(sql, &row);
    std::string out;
    while (database.Step(prepared.query) == db::kRow) {
      for (std::size_t i = 0; i < row.size(); ++i) {
        if (i) out += ",";
        const db::SQLiteColumn& cell = row[i];
        out += cell.isNull() ? "-" : cell.type() == db::kTagInt64 ? std::to_string(cell.int64Value()) : cell.text();
      }
      out += ";";
    }
    return out;
  }

  TempDir dir;
  FakeHost host{dir.path()};
};

TEST_F(TreeSchemaTest, NewFileGetsExactSchema) {
  SQLiteDatabase database(host);
  ASSERT_TRUE(database.Open());
  EXPECT_TRUE(db::schemaReady());
  EXPECT_EQ(text(database, "SELECT sql FROM sqlite_master WHERE name='vos_TreePath'"),
            "CREATE TABLE vos_TreePath(tri_node_id INTEGER NOT NULL REFERENCES vos_TreeItem(tri_node_id) ON DELETE "
            "CASCADE,trp_parent_id INTEGER,UNIQUE(tri_node_id,trp_parent_id))");
  EXPECT_EQ(text(database, "SELECT sql FROM sqlite_master WHERE name='vos_TreePath_tr_ai'"),
            "CREATE TRIGGER vos_TreePath_tr_ai AFTER INSERT ON vos_TreePath FOR EACH ROW BEGIN INSERT INTO "
            "vos_TreePath(tri_node_id,trp_parent_id) SELECT new.tri_node_id,a.tri_parent_id FROM vos_TreeItem a "
            "WHERE a.tri_parent_id IS NOT NULL AND       a.tri_node_id=new.trp_parent_id AND       NOT "
            "EXISTS(SELECT NULL                  FROM vos_TreePath                  WHERE "
            "tri_node_id=new.tri_node_id AND trp_parent_id=a.tri_parent_id); END");
  EXPECT_EQ(text(database, "SELECT sql FROM sqlite_master WHERE name='vos_QueryNodeDetail'"),
            "CREATE TABLE vos_QueryNodeDetail(tri_node_id INTEGER NOT NULL REFERENCES vos_TreeItem(tri_node_id) ON "
            "DELETE CASCADE,qnd_level INTEGER NOT NULL,qnd_name TEXT NOT NULL DEFAULT Label,"
            "qnd_parent_node_attributes INTEGER,qnd_color_text INTEGER,qnd_color_back INTEGER,"
            "qnd_color_text_selected INTEGER,qnd_color_back_selected INTEGER,qnd_color_text_selected_inactive "
            "INTEGER,qnd_color_back_selected_inactive INTEGER,qnd_icon INTEGER,qnd_show_item_count INTEGER,"
            "PRIMARY KEY(tri_node_id,qnd_level))");
  EXPECT_EQ(rows(database, "SELECT obv_name,obv_version FROM sql_ObjectVersion ORDER BY obv_name"),
            "vos_QueryNodeDetail,1;vos_TreeItem,3;vos_TreeItem_in_tri_parent_id,0;vos_TreeItem_tr_ai,0;"
            "vos_TreePath,0;vos_TreePath_in_trp_parent_id,0;vos_TreePath_tr_ai,0;");
  EXPECT_EQ(scalar(database, "SELECT count(*) FROM sqlite_master WHERE name='vos_ViewTree' AND type='view'"), 1);
}

TEST_F(TreeSchemaTest, AncestorRowsViewAndCascade) {
  SQLiteDatabase database(host);
  ASSERT_TRUE(database.Open());
  database.Execute(
      "INSERT INTO vos_TreeItem(tri_node_id,tri_parent_id,tri_label) VALUES(1,NULL,'R'),(2,1,'F'),(3,2,'Q');"
      "INSERT INTO vos_QueryNodeDetail(tri_node_id,qnd_level) VALUES(3,0),(3,1)");
  EXPECT_EQ(rows(database, "SELECT tri_node_id,trp_parent_id FROM vos_TreePath ORDER BY 1,2"),
            "1,-;2,1;3,1;3,2;");
  EXPECT_EQ(rows(database, "SELECT tri_label FROM vos_ViewTree WHERE vtr_id=1 ORDER BY 1"), "F;Q;");
  EXPECT_EQ(text(database, "SELECT qnd_name FROM vos_QueryNodeDetail LIMIT 1"), "Label");
  database.Execute("DELETE FROM vos_TreeItem WHERE tri_node_id=2");
  EXPECT_EQ(rows(database, "SELECT tri_node_id FROM vos_TreeItem"), "1;");
  EXPECT_EQ(rows(database, "SELECT tri_node_id,trp_parent_id FROM vos_TreePath"), "1,-;");
  EXPECT_EQ(scalar(database, "SELECT count(*) FROM vos_QueryNodeDetail"), 0);
}

TEST_F(TreeSchemaTest, SecondConnectionDoesNotRunTheStepAgain) {
  SQLiteDatabase first(host);
  ASSERT_TRUE(first.Open());
  {
    const db::OwnSchemaChange unguarded(first);  // as another program could
    first.Execute("DROP VIEW vos_ViewTree");
  }
  SQLiteDatabase second(host);
  ASSERT_TRUE(second.Open());
  EXPECT_EQ(scalar(second, "SELECT count(*) FROM sqlite_master WHERE name='vos_ViewTree'"), 0);
}

// A database written by a version whose vos_TreeItem lacked tri_expanded.
void writeVersion2Database(SQLiteDatabase& database) {
  database.Execute(
      "CREATE TABLE vos_TreeItem(tri_node_id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,tri_parent_id INTEGER "
      "REFERENCES vos_TreeItem(tri_node_id) ON DELETE CASCADE,tri_level INTEGER,tri_node_type INTEGER,tri_label "
      "TEXT,tri_sql_query TEXT);"
      "CREATE INDEX vos_TreeItem_in_tri_parent_id ON vos_TreeItem(tri_parent_id);"
      "CREATE TABLE vos_TreePath(tri_node_id INTEGER NOT NULL REFERENCES vos_TreeItem(tri_node_id) ON DELETE "
      "CASCADE,trp_parent_id INTEGER,UNIQUE(tri_node_id,trp_parent_id));"
      "CREATE TABLE vos_QueryNodeDetail(tri_node_id INTEGER NOT NULL REFERENCES vos_TreeItem(tri_node_id) ON "
      "DELETE CASCADE,qnd_level INTEGER NOT NULL,qnd_name TEXT NOT NULL DEFAULT Label,PRIMARY "
      "KEY(tri_node_id,qnd_level));"
      "CREATE TRIGGER vos_TreeItem_tr_ai AFTER INSERT ON vos_TreeItem FOR EACH ROW BEGIN INSERT INTO "
      "vos_TreePath(tri_node_id,trp_parent_id) VALUES(new.tri_node_id,new.tri_parent_id); END;"
      "CREATE TRIGGER vos_TreePath_tr_ai AFTER INSERT ON vos_TreePath FOR EACH ROW BEGIN INSERT INTO "
      "vos_TreePath(tri_node_id,trp_parent_id) SELECT new.tri_node_id,a.tri_parent_id FROM vos_TreeItem a WHERE "
      "a.tri_parent_id IS NOT NULL AND a.tri_node_id=new.trp_parent_id AND NOT EXISTS(SELECT NULL FROM "
      "vos_TreePath WHERE tri_node_id=new.tri_node_id AND trp_parent_id=a.tri_parent_id); END;"
      "INSERT INTO sql_ObjectVersion VALUES('vos_TreeItem',2),('vos_TreePath',0),('vos_QueryNodeDetail',1),"
      "('vos_TreeItem_in_tri_parent_id',0),('vos_TreeItem_tr_ai',0),('vos_TreePath_tr_ai',0);"
      "INSERT INTO vos_TreeItem(tri_node_id,tri_parent_id,tri_level,tri_node_type,tri_label) VALUES"
      "(10,NULL,0,1,'#ROOT#'),(11,10,1,2,'Folder'),(12,11,2,3,'Query'),(13,10,1,3,'Other');"
      "INSERT INTO vos_QueryNodeDetail(tri_node_id,qnd_level,qnd_name) VALUES(12,0,'a'),(12,1,'b'),(13,0,'c')");
}

TEST_F(TreeSchemaTest, Version2TreeIsRebuiltWithEveryRowKept) {
  {
    SQLiteDatabase old(host);
    db::installOpenSteps({});
    ASSERT_TRUE(old.Open());
    writeVersion2Database(old);
    db::installOpenSteps({&tree::BuildTreeSchema, nullptr});
  }
  const std::string paths_before = "10,-;11,10;12,10;12,11;13,10;";
  SQLiteDatabase database(host);
  ASSERT_TRUE(database.Open());
  ASSERT_TRUE(db::schemaReady()) << (host.console.empty() ? "" : host.console.back());
  EXPECT_EQ(rows(database, "SELECT tri_node_id,tri_label,tri_expanded FROM vos_TreeItem ORDER BY 1"),
            "10,#ROOT#,-;11,Folder,-;12,Query,-;13,Other,-;");
  EXPECT_EQ(rows(database, "SELECT tri_node_id,trp_parent_id FROM vos_TreePath ORDER BY 1,2"), paths_before);
  EXPECT_EQ(rows(database, "SELECT tri_node_id,qnd_level,qnd_name FROM vos_QueryNodeDetail ORDER BY 1,2"),
            "12,0,a;12,1,b;13,0,c;");
  EXPECT_EQ(scalar(database, "SELECT obv_version FROM sql_ObjectVersion WHERE obv_name='vos_TreeItem'"), 3);
  // References still name vos_TreeItem and still cascade.
  EXPECT_EQ(text(database, "SELECT count(*) FROM sqlite_master WHERE sql LIKE '%tmp_vos_TreeItem%'"), "0");
  database.Execute("INSERT INTO vos_TreeItem(tri_parent_id,tri_label) VALUES(12,'new')");
  EXPECT_EQ(scalar(database, "SELECT count(*) FROM vos_TreePath WHERE tri_node_id=14"), 3)
      << "the insert triggers work on the rebuilt table, and ids continue after the kept ones";
  database.Execute("DELETE FROM vos_TreeItem WHERE tri_node_id=11");
  EXPECT_EQ(rows(database, "SELECT tri_node_id FROM vos_TreeItem ORDER BY 1"), "10;13;");
  EXPECT_EQ(rows(database, "SELECT tri_node_id,qnd_level FROM vos_QueryNodeDetail"), "13,0;");
  EXPECT_EQ(scalar(database, "PRAGMA foreign_keys"), 1);
}

// The ancestor table is derived from the parent links: whatever happened to
// it, the next open makes it match them again and says so once.
TEST_F(TreeSchemaTest, AncestorTableThatDoesNotMatchTheParentLinksIsRebuilt) {
  const std::string tree =
      "INSERT INTO vos_TreeItem(tri_node_id,tri_parent_id,tri_label) VALUES(1,NULL,'R'),(2,1,'F'),(3,2,'Q'),"
      "(4,NULL,'S'),(5,4,'G')";
  const std::string paths = "1,-;2,1;3,1;3,2;4,-;5,4;";
  struct Case {
    const char* name;
    const char* damage;
    const char* counts;  // "stored rows instead of expected"
  };
  const Case cases[] = {
      {"all rows deleted", "DELETE FROM vos_TreePath", "0 rows instead of 6"},
      {"one ancestor row deleted", "DELETE FROM vos_TreePath WHERE tri_node_id=3 AND trp_parent_id=1",
       "5 rows instead of 6"},
      {"a row swapped for a wrong one",
       "DELETE FROM vos_TreePath WHERE tri_node_id=5;INSERT INTO vos_TreePath VALUES(5,1)", "6 rows instead of 6"},
      {"table dropped", "DROP TABLE vos_TreePath", "0 rows instead of 6"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir profile;
    FakeHost fresh(profile.path());
    db::setSchemaReady(false);
    {
      SQLiteDatabase database(fresh);
      ASSERT_TRUE(database.Open());
      database.Execute(tree);
      const db::OwnSchemaChange unguarded(database);  // as another program could
      database.Execute(c.damage);
    }
    db::setSchemaReady(false);
    SQLiteDatabase database(fresh);
    ASSERT_TRUE(database.Open());
    EXPECT_EQ(fresh.console, std::vector<std::string>{"[vostrel] vos_TreePath did not match the parent links of "
                                                      "vos_TreeItem (" + std::string(c.counts) +
                                                      ") and was rebuilt from them."});
    EXPECT_EQ(rows(database, "SELECT tri_node_id,trp_parent_id FROM vos_TreePath ORDER BY 1,2"), paths);
    EXPECT_EQ(rows(database, "SELECT tri_label FROM vos_ViewTree WHERE vtr_id=1 ORDER BY 1"), "F;Q;");

    fresh.console.clear();
    db::setSchemaReady(false);
    SQLiteDatabase again(fresh);
    ASSERT_TRUE(again.Open());
    EXPECT_TRUE(fresh.console.empty()) << "a matching table is left alone";
  }
}

TEST_F(TreeSchemaTest, DamagedTreeTableEndsTheOpenWithOneReport) {
  const auto path = dir.path() / "configuration" / "vostrel.db";
  int64_t page = 0;
  {
    SQLiteDatabase database(host);
    ASSERT_TRUE(database.Open());
    database.Execute("INSERT INTO vos_TreeItem(tri_node_id,tri_parent_id,tri_label) VALUES(1,NULL,'R'),(2,1,'F')");
    page = scalar(database, "SELECT rootpage FROM sqlite_master WHERE name='vos_TreeItem'");
    ASSERT_EQ(scalar(database, "PRAGMA page_size"), 4096);
  }
  {
    // The page of vos_TreeItem's rows becomes noise; the schema pages stay.
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp((page - 1) * 4096);
    file << std::string(4096, '\x5a');
  }
  std::ifstream in(path, std::ios::binary);
  const std::string before((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  host.console.clear();
  db::setSchemaReady(false);
  {
    SQLiteDatabase database(host);
    EXPECT_FALSE(database.Open());
    EXPECT_FALSE(database.isOpen()) << "nothing more is done with a damaged file";
  }
  ASSERT_EQ(host.console.size(), 1u);
  EXPECT_NE(host.console[0].find("cannot be used: database disk image is malformed"), std::string::npos)
      << host.console[0];
  std::ifstream after(path, std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), std::istreambuf_iterator<char>()), before);
}

TEST_F(TreeSchemaTest, FileThatIsNotADatabaseIsReportedAndStaysUntouched) {
  const auto path = dir.path() / "configuration" / "vostrel.db";
  const std::string garbage(3000, 'x');
  std::ofstream(path, std::ios::binary) << garbage;
  {
    SQLiteDatabase database(host);
    database.Open();
  }
  EXPECT_FALSE(db::schemaReady());
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), garbage);
  ASSERT_EQ(host.console.size(), 1u);
  EXPECT_NE(host.console.front().find("file is not a database"), std::string::npos) << host.console.front();
}

}  // namespace
