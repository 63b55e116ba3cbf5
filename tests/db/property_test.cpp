#include "db/property.h"

#include <gtest/gtest.h>

#include "db/column_description.h"
#include "db/database.h"
#include "support/fake_host.h"

namespace {

using db::SQLiteColumn;
using db::SQLiteColumnDescription;

TEST(SQLiteColumn, SettersSetTagAndClearNull) {
  SQLiteColumn column(db::kTagInt64, "x");
  EXPECT_TRUE(column.isNull());
  column.setInt64Value(1LL << 40);
  column.setIntValue(7);
  EXPECT_EQ(column.type(), db::kTagInt32);
  EXPECT_FALSE(column.isNull());
  EXPECT_EQ(column.intOr(-1), 7);
  column.setNull(true);
  EXPECT_EQ(column.type(), db::kTagNull);
  EXPECT_EQ(column.textOr("dflt"), "dflt");
}

TEST(SqlLiteral, ByType) {
  struct Case {
    SQLiteColumn value;
    const char* literal;
  };
  const Case cases[] = {
      {SQLiteColumn("a", int64_t{-12345678901}), "-12345678901"},
      {SQLiteColumn("a", int32_t{5}), "5"},
      {SQLiteColumn("a", 2.5), "2.5000000"},
      {SQLiteColumn("a", -0.25), "-0.2500000"},
      {SQLiteColumn("a", true), "1"},
      {SQLiteColumn("a", uint8_t{200}), "200"},
      {SQLiteColumn("a", std::string("Guns 'n' Roses")), "'Guns ''n'' Roses'"},
      {SQLiteColumn("a", std::string("<null>")), "NULL"},
      {SQLiteColumn(db::kTagNull, "a"), "NULL"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.literal);
    EXPECT_EQ(db::sqlLiteral(c.value), c.literal);
  }
}

TEST(SQLiteColumns, FindIgnoresCaseAndListsJoin) {
  db::SQLiteColumns row;
  row.emplace(std::string("name"), std::string("it's"));
  row.emplace(std::string("n"), int64_t{3});
  ASSERT_NE(row.find("NAME"), nullptr);
  EXPECT_EQ(row.find("NAME")->text(), "it's");
  EXPECT_EQ(row.find("missing"), nullptr);
  EXPECT_EQ(row.nameList(), "name,n");
  EXPECT_EQ(row.valueList(), "'it''s',3");
}

TEST(ColumnDefinition, Clauses) {
  EXPECT_EQ(SQLiteColumnDescription(7, "tri_node_id", "INTEGER").ColumnDefinition(),
            "tri_node_id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT");
  EXPECT_EQ(SQLiteColumnDescription(4, "qnd_name", "TEXT", "DEFAULT Label").ColumnDefinition(),
            "qnd_name TEXT NOT NULL DEFAULT Label");
  EXPECT_EQ(SQLiteColumnDescription(8, "u", "TEXT").ColumnDefinition(), "u TEXT UNIQUE");
  EXPECT_EQ(SQLiteColumnDescription(7, "", "INTEGER").ColumnDefinition(), "");
  EXPECT_EQ(SQLiteColumnDescription(7, "x", "").ColumnDefinition(), "");
}

TEST(ReadTableInfo, MixedCaseTableNameAndMissingTable) {
  testing_support::TempDir dir;
  testing_support::FakeHost host(dir.path());
  db::SQLiteDatabase database(host);
  ASSERT_TRUE(database.Open());
  database.Execute("CREATE TABLE MyTable(Alpha INTEGER, beta TEXT)");
  const auto columns = db::ReadTableInfo(database, "mytable");
  ASSERT_EQ(columns.size(), 2u);
  EXPECT_EQ(columns[0].name(), "Alpha");
  EXPECT_EQ(columns[0].type, "INTEGER");
  EXPECT_EQ(columns[1].name(), "beta");
  EXPECT_TRUE(db::ReadTableInfo(database, "nothing_here").empty());
}

}  // namespace
