#include "db/versioning.h"

#include <gtest/gtest.h>

#include "db/database.h"
#include "support/fake_host.h"
#include "support/sql_trace.h"

namespace {

using db::ColumnDescriptions;
using db::SQLiteColumns;
using db::SQLiteDatabase;
using testing_support::SqlTrace;

class VersioningTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(database.Open()); }

  static ColumnDescriptions columns(std::initializer_list<const char*> names) {
    ColumnDescriptions list;
    for (const char* name : names) list.emplace(0u, name, "TEXT");
    return list;
  }
  int64_t scalar(const std::string& sql) {
    SQLiteColumns row;
    if (!database.HasRows(sql, &row)) return -99;
    return row[0].int64Or(-98);
  }
  std::vector<std::string> ensure(int version, ColumnDescriptions list,
                                  const std::vector<std::string>& constraints = {}) {
    SqlTrace trace(database.handle());
    db::EnsureTable(database, version, "t", list, constraints);
    return trace.statements;
  }

  testing_support::TempDir dir;
  testing_support::FakeHost host{dir.path()};
  SQLiteDatabase database{host};
};

constexpr const char* kInsertVersion =
    "INSERT OR REPLACE INTO sql_ObjectVersion(obv_name,obv_version)                                  VALUES (";

TEST_F(VersioningTest, ObjectVersionRecordsAndReturnsStored) {
  EXPECT_EQ(db::ObjectVersion(database, "x", 2), 2) << "none stored: the wanted version";
  EXPECT_EQ(db::ObjectVersion(database, "x", 3), 2) << "the stored version before the call";
  EXPECT_EQ(scalar("SELECT obv_version FROM sql_ObjectVersion WHERE obv_name='x'"), 3);
  EXPECT_EQ(db::ObjectVersion(database, "x", 1), 3) << "a newer stored version stays";
  EXPECT_EQ(scalar("SELECT obv_version FROM sql_ObjectVersion WHERE obv_name='x'"), 3);
  database.Execute("UPDATE sql_ObjectVersion SET obv_version=-1 WHERE obv_name='x'");
  EXPECT_EQ(db::ObjectVersion(database, "x", 1), 1) << "-1 counts as no version";
  EXPECT_EQ(scalar("SELECT obv_version FROM sql_ObjectVersion WHERE obv_name='x'"), 1);
  db::ObjectVersion(database, "it's", 0);
  EXPECT_EQ(scalar("SELECT obv_version FROM sql_ObjectVersion WHERE obv_name='it''s'"), 0);
}

TEST_F(VersioningTest, ObjectExistsIsExactAndNeverRaises) {
  database.Execute("CREATE TABLE Abc(a)");
  EXPECT_TRUE(db::ObjectExists(database, "Abc"));
  EXPECT_FALSE(db::ObjectExists(database, "abc"));
  EXPECT_FALSE(db::ObjectExists(database, "no'pe"));
}

TEST_F(VersioningTest, NewTableIsCreatedDirectly) {
  const auto sql = ensure(1, columns({"a", "b"}), {"UNIQUE(a,b)"});
  const std::vector<std::string> expected = {
      "SELECT obv_version FROM sql_ObjectVersion WHERE obv_name='t'",
      std::string(kInsertVersion) + "'t',1)",
      "SELECT name FROM sqlite_master WHERE name='t'",
      "CREATE TABLE t(a TEXT,b TEXT,UNIQUE(a,b))",
  };
  EXPECT_EQ(sql, expected);
}

TEST_F(VersioningTest, MissingColumnsAreAddedBackwardsWithoutMovingData) {
  ensure(1, columns({"a"}));
  database.Execute("INSERT INTO t(a) VALUES('kept')");
  ColumnDescriptions wanted = columns({"A", "b", "c"});
  SqlTrace trace(database.handle());
  db::EnsureTable(database, 1, "t", wanted, {});
  const std::vector<std::string> expected = {
      "SELECT obv_version FROM sql_ObjectVersion WHERE obv_name='t'",
      "SELECT name FROM sqlite_master WHERE name='t'",
      "PRAGMA table_info(t)",
      "ALTER TABLE t ADD c TEXT",
      "ALTER TABLE t ADD b TEXT",
  };
  EXPECT_EQ(trace.statements, expected);
  ASSERT_EQ(wanted.size(), 2u) << "the list keeps the added columns";
  EXPECT_EQ(scalar("SELECT count(*) FROM t WHERE a='kept'"), 1);
}

TEST_F(VersioningTest, RaisedVersionRebuildsAndKeepsSharedColumns) {
  ensure(2, columns({"Tri_Label", "dropped"}));
  database.Execute("INSERT INTO t VALUES('one','x'),('two','y')");
  const auto sql = ensure(3, columns({"tri_label", "added"}));
  EXPECT_NE(std::find(sql.begin(), sql.end(), "ALTER TABLE t RENAME TO tmp_t"), sql.end());
  EXPECT_NE(std::find(sql.begin(), sql.end(), "CREATE TABLE t(tri_label TEXT,added TEXT)"), sql.end());
  EXPECT_NE(std::find(sql.begin(), sql.end(), "INSERT INTO t(tri_label) \nSELECT tri_label FROM tmp_t"), sql.end());
  ASSERT_FALSE(sql.empty());
  EXPECT_EQ(sql.back(), "DROP TABLE tmp_t");
  EXPECT_EQ(scalar("SELECT count(*) FROM t WHERE tri_label IN ('one','two') AND added IS NULL"), 2);
  EXPECT_EQ(scalar("SELECT obv_version FROM sql_ObjectVersion WHERE obv_name='t'"), 3);
  EXPECT_FALSE(db::ObjectExists(database, "tmp_t"));
}

TEST_F(VersioningTest, RebuildWithoutSharedColumnSkipsCopy) {
  ensure(1, columns({"a"}));
  database.Execute("INSERT INTO t VALUES('gone')");
  const auto sql = ensure(2, columns({"z"}));
  for (const auto& statement : sql) EXPECT_EQ(statement.find("INSERT INTO t("), std::string::npos) << statement;
  ASSERT_FALSE(sql.empty());
  EXPECT_EQ(sql.back(), "DROP TABLE tmp_t");
  EXPECT_EQ(scalar("SELECT count(*) FROM t"), 0);
}

TEST_F(VersioningTest, IndexVersionBumps) {
  ensure(1, columns({"a"}));
  auto ensureIndex = [&] {
    SqlTrace trace(database.handle());
    db::EnsureIndex(database, "t", {"a"});
    return trace.statements;
  };
  auto first = ensureIndex();
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first.back(), "CREATE INDEX t_in_a ON t(a)");
  EXPECT_EQ(ensureIndex().size(), 2u) << "version 0 and present: left alone";
  database.Execute("DELETE FROM sql_ObjectVersion WHERE obv_name='t_in_a'");
  EXPECT_EQ(ensureIndex().size(), 3u) << "row written again with 0, index left alone";
  database.Execute("UPDATE sql_ObjectVersion SET obv_version=1 WHERE obv_name='t_in_a'");
  auto bumped = ensureIndex();
  ASSERT_GE(bumped.size(), 2u);
  EXPECT_EQ(bumped[bumped.size() - 2], "DROP INDEX IF EXISTS t_in_a");
  EXPECT_EQ(bumped.back(), "CREATE INDEX t_in_a ON t(a)");
}

TEST_F(VersioningTest, InsertTriggerText) {
  ensure(1, columns({"a"}));
  database.Execute("CREATE TABLE log(a)");
  SqlTrace trace(database.handle());
  db::EnsureInsertTrigger(database, "t", "INSERT INTO log VALUES(new.a);");
  ASSERT_FALSE(trace.statements.empty());
  EXPECT_EQ(trace.statements.back(),
            "CREATE TRIGGER t_tr_ai AFTER INSERT ON t FOR EACH ROW BEGIN INSERT INTO log VALUES(new.a); END");
  database.Execute("INSERT INTO t VALUES('x')");
  EXPECT_EQ(scalar("SELECT count(*) FROM log"), 1);
}

}  // namespace
