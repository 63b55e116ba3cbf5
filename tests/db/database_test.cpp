#include "db/database.h"

#include <gtest/gtest.h>

#include "support/fake_host.h"

namespace {

using testing_support::FakeHost;
using testing_support::TempDir;

TEST(DatabaseUri, Smoke) { EXPECT_EQ(db::databaseUri("C:\\x\\y.db", "cache=shared"), "file:///C:\\x\\y.db?cache=shared"); }

TEST(Database, OpensNewFile) {
  TempDir dir;
  FakeHost host(dir.path());
  db::SQLiteDatabase database(host);
  ASSERT_TRUE(database.Open());
  EXPECT_TRUE(database.HasRows("SELECT name FROM sqlite_master WHERE name='sql_ObjectVersion'"));
}

}  // namespace
