#include "db/database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "db/open_steps.h"
#include "support/fake_host.h"

namespace {

using db::SQLiteColumns;
using db::SQLiteDatabase;
using db::SQLiteException;
using testing_support::FakeHost;
using testing_support::TempDir;

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(database.Open()); }

  std::string messageOf(const std::string& sql) {
    try {
      database.Execute(sql);
    } catch (const SQLiteException& e) {
      return e.message();
    }
    return "(no error)";
  }
  int64_t scalar(const std::string& sql) {
    SQLiteColumns row;
    EXPECT_TRUE(database.HasRows(sql, &row));
    return row.empty() ? -1 : row[0].int64Value();
  }

  TempDir dir;
  FakeHost host{dir.path()};
  SQLiteDatabase database{host};
};

struct UriCase {
  const char* path;
  const char* uri;
};

TEST(DatabaseUri, RewritesHostNotation) {
  const UriCase cases[] = {
      {"file://C:\\x\\y.db", "file:///C:\\x\\y.db?cache=shared"},
      {"C:\\x\\y.db", "file:///C:\\x\\y.db?cache=shared"},
      {"file:///home/me/vostrel.db", "file:///home/me/vostrel.db?cache=shared"},
      // Characters that would end the path part are escaped.
      {"file:///home/me/what?#%.db", "file:///home/me/what%3f%23%25.db?cache=shared"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(db::databaseUri(c.path, "cache=shared"), c.uri);
  }
  EXPECT_EQ(db::databaseUri("file:///a.db", ""), "file:///a.db");
}

TEST_F(DatabaseTest, NewFileGetsPageSizeAndVersionTable) {
  EXPECT_EQ(scalar("PRAGMA page_size"), 4096);
  SQLiteColumns row;
  ASSERT_TRUE(database.HasRows("SELECT sql FROM sqlite_master WHERE name='sql_ObjectVersion'", &row));
  ASSERT_EQ(row.size(), 1u);
  EXPECT_EQ(row[0].text(),
            "CREATE TABLE sql_ObjectVersion                  (obv_name TEXT NOT NULL PRIMARY KEY,"
            "                           obv_version INTEGER NOT NULL)");
  EXPECT_EQ(scalar("PRAGMA foreign_keys"), 1);
  EXPECT_EQ(scalar("PRAGMA recursive_triggers"), 1);
  EXPECT_EQ(scalar("PRAGMA read_uncommitted"), 1);
}

TEST_F(DatabaseTest, ScriptRunsInOrderAndBindsToLastStatement) {
  SQLiteColumns params;
  params.emplace(std::string("p"), int64_t{42});
  database.Execute("CREATE TABLE t(a);  INSERT INTO t VALUES(?) ;  ", &params);
  EXPECT_EQ(scalar("SELECT a FROM t"), 42);
}

TEST_F(DatabaseTest, PrepareSplitsTextAndRest) {
  SQLiteColumns row;
  auto prepared = database.Prepare("  SELECT 1 AS one ;  SELECT 2", &row);
  EXPECT_EQ(prepared.statement, "SELECT 1 AS one");
  EXPECT_EQ(prepared.rest, "SELECT 2");
  EXPECT_TRUE(row.empty()) << "no row is attached unless this is the last statement";
  prepared.query.finalize();

  auto last = database.Prepare("SELECT 1 AS one, 'x' AS two;   \r\n", &row);
  EXPECT_EQ(last.rest, "");
  ASSERT_EQ(row.size(), 2u);
  EXPECT_EQ(row[1].name(), "two");
  EXPECT_TRUE(row[1].isNull());
  ASSERT_EQ(database.Step(last.query), db::kRow);
  EXPECT_EQ(row[0].int64Value(), 1);
  EXPECT_EQ(row[1].text(), "x");
  EXPECT_EQ(database.Step(last.query), db::kDone);
}

TEST_F(DatabaseTest, BlobsKeepTheirBytesAndTheirTypeBothWays) {
  SQLiteColumns row;
  auto read = database.Prepare("SELECT x'00ff41', 'text'", &row);
  ASSERT_EQ(database.Step(read.query), db::kRow);
  EXPECT_EQ(row[0].type(), db::kTagBlob);
  EXPECT_EQ(row[0].text(), std::string("\0\xff" "A", 3));
  EXPECT_EQ(row[1].type(), db::kTagText);
  read.query.finalize();

  database.Execute("CREATE TABLE b(v)");
  auto write = database.Prepare("INSERT INTO b VALUES(?)");
  SQLiteColumns params;
  params.emplace(row[0]);
  database.Bind(write.query, params);
  database.Step(write.query);
  write.query.finalize();
  EXPECT_EQ(scalar("SELECT count(*) FROM b WHERE typeof(v) = 'blob' AND v = x'00ff41'"), 1);
  EXPECT_EQ(db::sqlLiteral(row[0]), "x'00ff41'");
}

TEST_F(DatabaseTest, EmptyAndCommentOnlyStatementsFailWhenStepped) {
  for (const char* sql : {"", "   ", "-- only a comment", "/* block */"}) {
    SCOPED_TRACE(sql);
    const std::string message = messageOf(sql);
    EXPECT_EQ(message.rfind("SQLite Error: (21) ", 0), 0u) << message;
    EXPECT_NE(message.find("\n\nError while executing:\n"), std::string::npos) << message;
    EXPECT_EQ(database.openStatementCount(), 0);
  }
}

TEST_F(DatabaseTest, ErrorMessagesNameTheStepAndQuoteTheSql) {
  EXPECT_EQ(messageOf("SELEC 1"),
            "SQLite Error: (1) near \"SELEC\": syntax error\n\nError while preparing the first statement of:\nSELEC 1");
  database.Execute("CREATE TABLE u(a UNIQUE); INSERT INTO u VALUES(1)");
  EXPECT_EQ(messageOf("INSERT INTO u VALUES(1);"),
            "SQLite Error: (19) UNIQUE constraint failed: u.a\n\nError while executing:\nINSERT INTO u VALUES(1)");
}

TEST_F(DatabaseTest, BindingTooManyValuesNamesFirstPositionOutOfRange) {
  database.Execute("CREATE TABLE t(a)");
  auto prepared = database.Prepare("INSERT INTO t VALUES(?)");
  SQLiteColumns params;
  params.emplace(std::string("a"), int64_t{1});
  params.emplace(std::string("b"), std::string("two"));
  try {
    database.Bind(prepared.query, params);
    FAIL() << "binding should fail";
  } catch (const SQLiteException& e) {
    EXPECT_EQ(e.code(), 25);
    EXPECT_EQ(e.message(),
              "SQLite Error: (25) column index out of range\n\nError while binding column 2 for statement:\n"
              "INSERT INTO t VALUES(?)");
  }
  EXPECT_FALSE(prepared.query.valid()) << "a raising operation finalizes the statement";
  EXPECT_EQ(database.openStatementCount(), 0);
}

TEST_F(DatabaseTest, StatementIndexesStayValidWhileNested) {
  database.Execute("CREATE TABLE t(a); INSERT INTO t VALUES(1),(2),(3)");
  SQLiteColumns outer_row;
  auto outer = database.Prepare("SELECT a FROM t ORDER BY a", &outer_row);
  ASSERT_EQ(database.Step(outer.query), db::kRow);
  {
    SQLiteColumns inner_row;
    auto inner = database.Prepare("SELECT a*10 FROM t WHERE a=2", &inner_row);
    EXPECT_EQ(inner.query.index(), 1);
    ASSERT_EQ(database.Step(inner.query), db::kRow);
    EXPECT_EQ(inner_row[0].int64Value(), 20);
    inner.query.finalize();
  }
  // Finalizing the nested statement keeps the table: the outer index is still good.
  EXPECT_EQ(database.statementTableSize(), 2u);
  ASSERT_EQ(database.Step(outer.query), db::kRow);
  EXPECT_EQ(outer_row[0].int64Value(), 2);
  outer.query.finalize();
  EXPECT_EQ(database.statementTableSize(), 0u);
  auto next = database.Prepare("SELECT 1");
  EXPECT_EQ(next.query.index(), 0) << "an idle connection starts again at index 0";
}

TEST_F(DatabaseTest, InterruptStopsAllStatementsAndClearsWhenIdle) {
  database.Interrupt();
  EXPECT_FALSE(database.interrupted()) << "no statement, nothing to interrupt";

  database.Execute("CREATE TABLE t(a); INSERT INTO t VALUES(1),(2),(3)");
  SQLiteColumns row;
  auto prepared = database.Prepare("SELECT a FROM t", &row);
  ASSERT_EQ(database.Step(prepared.query), db::kRow);
  database.Interrupt();
  try {
    database.Step(prepared.query);
    FAIL() << "the next row must report the interruption";
  } catch (const SQLiteException& e) {
    // SQLite notices the interrupt itself before the component's check does.
    EXPECT_EQ(e.code(), db::kInterruptCode);
    EXPECT_NE(e.message().find("interrupted\n\nError while executing:\nSELECT a FROM t"), std::string::npos)
        << e.message();
  }
  EXPECT_FALSE(database.interrupted());
  EXPECT_EQ(scalar("SELECT count(*) FROM t"), 3) << "the connection recovers";
}

TEST_F(DatabaseTest, InterruptFromProgressHandlerEndsLongStatement) {
  host.on_pump = [&] {
    if (host.pump_count > 5) database.Interrupt();
  };
  const std::string message =
      messageOf("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) SELECT count(*) FROM c");
  EXPECT_NE(message.find("interrupt"), std::string::npos) << message;
  host.on_pump = nullptr;
  EXPECT_EQ(scalar("SELECT 7"), 7);
}

TEST_F(DatabaseTest, NestedTransactionsIssueOneBeginAndCommit) {
  database.Execute("CREATE TABLE t(a)");
  database.BeginTransaction();
  database.BeginTransaction();
  EXPECT_EQ(database.transactionDepth(), 2u);
  database.Execute("INSERT INTO t VALUES(1)");
  database.CommitTransaction();
  EXPECT_EQ(sqlite3_get_autocommit(database.handle()), 0) << "inner commit must not commit";
  database.CommitTransaction();
  EXPECT_NE(sqlite3_get_autocommit(database.handle()), 0);
  EXPECT_EQ(database.transactionDepth(), 0u);
}

TEST_F(DatabaseTest, RollbackOnlyAtOutermostOrForced) {
  database.Execute("CREATE TABLE t(a)");
  database.BeginTransaction();
  database.BeginTransaction();
  database.Execute("INSERT INTO t VALUES(1)");
  database.RollbackTransaction(false);
  EXPECT_EQ(database.transactionDepth(), 1u);
  EXPECT_EQ(sqlite3_get_autocommit(database.handle()), 0);
  database.BeginTransaction();
  database.RollbackTransaction(true);
  EXPECT_EQ(database.transactionDepth(), 0u);
  EXPECT_EQ(scalar("SELECT count(*) FROM t"), 0);
}

TEST_F(DatabaseTest, TransactionOpenedBySqlIsLeftToIt) {
  database.Execute("CREATE TABLE t(a); BEGIN; INSERT INTO t VALUES(1)");
  database.RollbackTransaction(false);
  EXPECT_EQ(sqlite3_get_autocommit(database.handle()), 0);
  database.CommitTransaction();
  EXPECT_EQ(sqlite3_get_autocommit(database.handle()), 0);
  database.Execute("COMMIT");
  EXPECT_EQ(scalar("SELECT count(*) FROM t"), 1);
}

TEST_F(DatabaseTest, GuardRollsBackWhenLeftByException) {
  database.Execute("CREATE TABLE t(a UNIQUE)");
  try {
    db::TransactionGuard guard(database);
    guard.begin();
    database.Execute("INSERT INTO t VALUES(1)");
    database.Execute("INSERT INTO t VALUES(1)");
    guard.commit();
  } catch (const SQLiteException&) {
  }
  EXPECT_EQ(database.transactionDepth(), 0u);
  EXPECT_EQ(scalar("SELECT count(*) FROM t"), 0);
}

TEST_F(DatabaseTest, SplitScriptChecksSyntaxWithoutRunning) {
  std::vector<std::string> statements;
  SQLiteColumns row;
  database.SplitScript("CREATE TABLE s(a); SELECT 1 AS x;", &row, statements);
  ASSERT_EQ(statements.size(), 2u);
  EXPECT_EQ(statements[1], "SELECT 1 AS x");
  EXPECT_FALSE(database.HasRows("SELECT 1 FROM sqlite_master WHERE name='s'"));
  statements.clear();
  EXPECT_THROW(database.SplitScript("SELECT 1; SELEC 2", nullptr, statements), SQLiteException);
}

// The program's own objects (vos_, mdb_, sql_) hold the tree and the column
// definitions: the user's SQL may delete their rows but not drop or alter
// them. Objects of the user's, even on those tables, stay the user's.
TEST_F(DatabaseTest, OwnObjectsCannotBeDroppedOrAlteredByUserSql) {
  database.Execute(
      "CREATE TABLE vos_Tree(a);CREATE INDEX vos_Tree_in_a ON vos_Tree(a);"
      "CREATE TRIGGER vos_Tree_tr_ai AFTER INSERT ON vos_Tree BEGIN SELECT 1; END;"
      "CREATE VIEW vos_View AS SELECT a FROM vos_Tree;CREATE TABLE mdb_Columns(a,b);"
      "CREATE TABLE mine(a);CREATE INDEX mine_on_tree ON vos_Tree(a);INSERT INTO vos_Tree VALUES(1)");
  const std::pair<const char*, bool> cases[] = {
      // statement, refused
      {"DROP TABLE vos_Tree", true},
      {"drop table if exists VOS_TREE", true},
      {"DROP TABLE main.vos_Tree", true},
      {"ALTER TABLE vos_Tree ADD c", true},
      {"ALTER TABLE vos_Tree RENAME TO elsewhere", true},
      {"ALTER TABLE vos_Tree RENAME COLUMN a TO c", true},
      {"ALTER TABLE mdb_Columns DROP COLUMN b", true},
      {"DROP TABLE sql_ObjectVersion", true},
      {"DROP INDEX vos_Tree_in_a", true},
      {"DROP TRIGGER vos_Tree_tr_ai", true},
      {"DROP VIEW vos_View", true},
      {"SELECT 1; DROP TABLE vos_Tree", true},
      {"DELETE FROM vos_Tree", false},
      {"DROP INDEX mine_on_tree", false},
      {"ALTER TABLE mine ADD b", false},
      {"DROP TABLE mine", false},
      {"CREATE TEMP TABLE vos_Scratch(a); DROP TABLE temp.vos_Scratch", false},
  };
  for (const auto& [sql, refused] : cases) {
    SCOPED_TRACE(sql);
    const std::string message = messageOf(sql);
    if (refused) {
      EXPECT_NE(message.find(" is refused: objects whose names begin with vos_, mdb_ or sql_ are Vostrel's own"),
                std::string::npos)
          << message;
    } else {
      EXPECT_EQ(message, "(no error)");
    }
  }
  EXPECT_EQ(messageOf("DROP TABLE vos_Tree"),
            "SQLite Error: (23) DROP TABLE vos_Tree is refused: objects whose names begin with vos_, mdb_ or sql_ "
            "are Vostrel's own, and the tree and the library tables need them as they are (their rows can be "
            "deleted).\n\nError while preparing the first statement of:\nDROP TABLE vos_Tree");
  EXPECT_EQ(scalar("SELECT count(*) FROM sqlite_master WHERE name IN ('vos_Tree','vos_Tree_in_a','vos_Tree_tr_ai',"
                   "'vos_View','mdb_Columns','sql_ObjectVersion')"),
            6);
  EXPECT_EQ(scalar("SELECT count(*) FROM pragma_table_info('mdb_Columns')"), 2);
}

TEST_F(DatabaseTest, TheProgramsOwnSchemaCodeMayChangeThem) {
  database.Execute("CREATE TABLE vos_Tree(a)");
  {
    const db::OwnSchemaChange own(database);
    { const db::OwnSchemaChange nested(database); }
    EXPECT_EQ(messageOf("ALTER TABLE vos_Tree ADD b; DROP TABLE vos_Tree"), "(no error)") << "open after a nested one";
  }
  database.Execute("CREATE TABLE vos_Tree(a)");
  EXPECT_NE(messageOf("DROP TABLE vos_Tree"), "(no error)") << "closed again";
}

// One statement could once leave a file that every later open refused:
// the schema table cannot be written by SQL.
TEST(DatabaseFile, TheSchemaTableCannotBeWrittenBySql) {
  TempDir dir;
  FakeHost host(dir.path());
  {
    SQLiteDatabase database(host);
    ASSERT_TRUE(database.Open());
    database.Execute("CREATE TABLE vos_TreeItem(a)");
    try {
      database.Execute(
          "PRAGMA writable_schema=ON; UPDATE sqlite_master SET sql='CREATE TABLE vos_TreeItem(garbage' "
          "WHERE name='vos_TreeItem'");
      ADD_FAILURE() << "the schema table was written";
    } catch (const SQLiteException& e) {
      EXPECT_NE(e.message().find("table sqlite_master may not be modified"), std::string::npos) << e.message();
    }
  }
  SQLiteDatabase again(host);
  ASSERT_TRUE(again.Open());
  EXPECT_NO_THROW(again.Execute("INSERT INTO vos_TreeItem VALUES(1)"));
  EXPECT_TRUE(host.console.empty());
}

TEST(DatabaseFile, FileThatIsNotADatabaseIsLeftAlone) {
  TempDir dir;
  FakeHost host(dir.path());
  const auto path = dir.path() / "configuration" / "vostrel.db";
  const std::string garbage = "This is not a database file, but it is somebody's data.\n";
  std::ofstream(path, std::ios::binary) << garbage;
  {
    // Without the schema steps the open itself reads nothing; the first
    // statement that does must fail without writing.
    SQLiteDatabase database(host);
    if (database.Open()) {
      EXPECT_THROW(database.Execute("CREATE TABLE x(a)"), SQLiteException);
    }
  }
  std::ifstream in(path, std::ios::binary);
  const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(after, garbage);
}

namespace fs = std::filesystem;

std::string fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs `sql` on `file` with SQLite alone; false on any error.
bool runDirectly(const fs::path& file, const std::string& sql) {
  sqlite3* handle = nullptr;
  bool ok = sqlite3_open(file.c_str(), &handle) == SQLITE_OK &&
            sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(handle);
  return ok;
}

// Leaves at `target` what a writer killed in the middle of `work` leaves:
// `setup` is committed first, then `work` runs in a transaction that spills
// changed pages into the file, and the file and its journal are copied
// before the transaction ends.
void leaveKilledWrite(const fs::path& scratch, const std::string& setup, const std::string& work,
                      const fs::path& target) {
  const fs::path file = scratch / "writer.db";
  if (!setup.empty()) {
    ASSERT_TRUE(runDirectly(file, setup));
  }
  sqlite3* handle = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &handle), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(handle, ("PRAGMA cache_size=2;BEGIN;" + work).c_str(), nullptr, nullptr, nullptr),
            SQLITE_OK);
  ASSERT_TRUE(fs::exists(scratch / "writer.db-journal"));
  ASSERT_GT(fs::file_size(file), 0u) << "the transaction must have spilled pages into the file";
  fs::copy_file(file, target, fs::copy_options::overwrite_existing);
  fs::copy_file(scratch / "writer.db-journal", target.string() + "-journal", fs::copy_options::overwrite_existing);
  sqlite3_close(handle);
}

constexpr const char* kFill =
    "CREATE TABLE big(x);WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM c WHERE i<2000) "
    "INSERT INTO big SELECT randomblob(200) FROM c;";

// What a killed first run or a dropped table leaves: each opens as a working
// database that keeps what had been committed.
TEST(DatabaseFile, HalfMadeFilesOpenAndRepairThemselves) {
  struct Case {
    const char* name;
    std::function<void(const fs::path& file, const fs::path& scratch)> make;
    const char* kept;  // the rows of t afterwards; "" when it must not exist
  };
  const Case cases[] = {
      {"empty file", [](const fs::path& file, const fs::path&) { std::ofstream(file, std::ios::binary); }, ""},
      {"version table dropped",
       [](const fs::path& file, const fs::path&) {
         ASSERT_TRUE(runDirectly(file, "CREATE TABLE t(a);INSERT INTO t VALUES('kept')"));
       },
       "kept"},
      {"first write killed",
       [](const fs::path& file, const fs::path& scratch) { leaveKilledWrite(scratch, "", kFill, file); }, ""},
      {"later write killed",
       [](const fs::path& file, const fs::path& scratch) {
         leaveKilledWrite(scratch, "CREATE TABLE t(a);INSERT INTO t VALUES('kept');",
                          std::string("DELETE FROM t;") + kFill, file);
       },
       "kept"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    TempDir scratch;
    FakeHost host(dir.path());
    const fs::path file = dir.path() / "configuration" / "vostrel.db";
    fs::create_directories(file.parent_path());
    c.make(file, scratch.path());
    if (::testing::Test::HasFatalFailure()) return;

    SQLiteDatabase database(host);
    ASSERT_TRUE(database.Open()) << (host.console.empty() ? "" : host.console.back());
    EXPECT_TRUE(host.console.empty());
    SQLiteColumns row;
    ASSERT_TRUE(database.HasRows("SELECT count(*) FROM sqlite_master WHERE name='sql_ObjectVersion'", &row));
    EXPECT_EQ(row[0].int64Value(), 1);
    ASSERT_TRUE(database.HasRows("SELECT (SELECT count(*) FROM sqlite_master WHERE name='t'),"
                                 "(SELECT count(*) FROM sqlite_master WHERE name='big')",
                                 &row));
    EXPECT_EQ(row[1].int64Value(), 0) << "the killed transaction is rolled back";
    if (*c.kept == '\0') {
      EXPECT_EQ(row[0].int64Value(), 0);
      ASSERT_TRUE(database.HasRows("PRAGMA page_size", &row));
      EXPECT_EQ(row[0].int64Value(), 4096) << "an empty file is set up as a new one";
    } else {
      ASSERT_TRUE(database.HasRows("SELECT group_concat(a) FROM t", &row));
      EXPECT_EQ(row[0].text(), c.kept);
    }
    ASSERT_TRUE(database.HasRows("PRAGMA integrity_check", &row));
    EXPECT_EQ(row[0].text(), "ok");
    EXPECT_FALSE(fs::exists(file.string() + "-journal"));
  }
}

// A file that is not a database, or whose pages do not add up, is named in
// one console line that says what to do, and is never written to.
TEST(DatabaseFile, DamagedFileIsReportedOnceByNameAndLeftAlone) {
  TempDir scratch;
  const fs::path valid = scratch.path() / "valid.db";
  ASSERT_TRUE(runDirectly(valid, kFill));
  const std::string good = fileBytes(valid);
  struct Case {
    const char* name;
    std::string bytes;
    const char* reason;
  };
  const Case cases[] = {
      {"not a database", "This is not a database file, but it is somebody's data.\n", "file is not a database"},
      {"cut short", good.substr(0, good.size() / 2), "database disk image is malformed"},
      {"header only", good.substr(0, 100), "database disk image is malformed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    FakeHost host(dir.path());
    const fs::path file = dir.path() / "configuration" / "vostrel.db";
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << c.bytes;

    SQLiteDatabase database(host);
    EXPECT_FALSE(database.Open());
    EXPECT_FALSE(database.isOpen());
    const std::string line = "[vostrel] The database file \"" + file.string() + "\" cannot be used: " + c.reason +
                             ". It is left as it is: move it away to start afresh with a new database.";
    EXPECT_EQ(host.console, std::vector<std::string>{line});
    EXPECT_FALSE(database.Open()) << "a later open looks at the file again";
    EXPECT_EQ(host.console.size(), 2u);
    EXPECT_EQ(fileBytes(file), c.bytes);
  }
}

TEST(DatabaseFile, UnopenableFileIsReportedPlainly) {
  TempDir dir;
  FakeHost host(dir.path());
  std::filesystem::create_directories(dir.path() / "configuration" / "vostrel.db");  // a folder
  SQLiteDatabase database(host);
  EXPECT_FALSE(database.Open());
  ASSERT_EQ(host.console.size(), 1u);
  EXPECT_EQ(host.console[0], "[vostrel] Unable to open the database " + database.databasePath());
}

TEST(DatabaseFile, ClosedConnectionRaisesInsteadOfCrashing) {
  TempDir dir;
  FakeHost host(dir.path());
  SQLiteDatabase database(host);
  EXPECT_THROW(database.BeginTransaction(), SQLiteException);
  EXPECT_THROW(database.Execute("SELECT 1"), SQLiteException);
  database.CommitTransaction();
  database.RollbackTransaction(true);
  EXPECT_EQ(database.transactionDepth(), 0u);
}

TEST(LogToConsole, PlainAndFramedForms) {
  TempDir dir;
  FakeHost host(dir.path());
  db::LogToConsole(host, "Query refresh time: 0.000001", false);
  db::LogToConsole(host, "boom", true);
  ASSERT_EQ(host.console.size(), 2u);
  EXPECT_EQ(host.console[0], "[vostrel] Query refresh time: 0.000001");
  EXPECT_EQ(host.console[1], "[vostrel]\n" + std::string(29, '>') + "\nboom\n" + std::string(29, '<') + "\n");
}

}  // namespace
