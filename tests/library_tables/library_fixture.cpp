#include "library_fixture.h"

#include "host/track_builder.h"
#include "library_tables/handle_table.h"

namespace library_tables_testing {

using library_tables::ColumnType;
using library_tables::SQLiteMetaDBVTabColumn;
using library_tables::TableType;
using library_tables::VTabColumnStore;
using library_tables::VTabColumns;

host::TrackHandle buildTrack(const TrackFields& wanted) {
  host::TrackBuilder builder;
  builder.setPath(wanted.path);
  builder.setSize(wanted.size);
  builder.setMtime(wanted.mtime);
  builder.setSubsong(wanted.subsong);
  if (wanted.has_info) {
    builder.setLength(wanted.length);
    builder.setReplayGain(wanted.gain);
    for (const auto& [name, values] : wanted.meta) {
      for (const std::string& value : values) builder.addMeta(name, value);
    }
    for (const auto& [name, value] : wanted.tech) builder.addTech(name, value);
  }
  return builder.build();
}

void LibraryTablesTest::SetUp() {
  db::setSchemaReady(false);
  library_tables::resetProcessState();
  db::installOpenSteps({nullptr, &library_tables::setUpLibraryTables});
}

void LibraryTablesTest::TearDown() {
  db_.reset();
  library_tables::resetProcessState();
  db::installOpenSteps({});
}

std::unique_ptr<db::SQLiteDatabase> LibraryTablesTest::open() {
  auto db = std::make_unique<db::SQLiteDatabase>(host_);
  EXPECT_TRUE(db->Open()) << (host_.console.empty() ? "" : host_.console.back());
  return db;
}

db::SQLiteDatabase& LibraryTablesTest::database() {
  if (!db_) db_ = open();
  return *db_;
}

void LibraryTablesTest::setColumns(TableType type, const std::vector<ColumnFields>& columns) {
  db::SQLiteDatabase& db = database();
  VTabColumnStore& store = VTabColumnStore::instance();
  VTabColumns list;
  library_tables::copyColumns(store.columns(type, db, false), list);
  while (list.size() > store.builtInCount()) list.removeAt(list.size() - 1);
  for (const ColumnFields& wanted : columns) {
    SQLiteMetaDBVTabColumn& column =
        list.emplace(host_, std::string(library_tables::kDefaultCollation), wanted.name, wanted.kind, false,
                     wanted.expression, wanted.separator, wanted.tag_name, wanted.associated);
    column.setSplitMultiValueTag(wanted.split);
  }
  store.replaceColumns(type, list, db);
  library_tables::rebuildVirtualTables(db);
  store.columns(type, db, true);
}

std::string LibraryTablesTest::rows(const std::string& sql) { return rows(database(), sql); }

std::string LibraryTablesTest::rows(db::SQLiteDatabase& db, const std::string& sql) {
  try {
    db::SQLiteColumns row;
    db::Prepared prepared = db.Prepare(sql, &row);
    std::string out;
    while (db.Step(prepared.query) == db::kRow) {
      for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0) out += ",";
        const db::SQLiteColumn& cell = row[i];
        if (cell.isNull()) {
          out += "-";
        } else if (cell.type() == db::kTagInt64) {
          out += std::to_string(cell.int64Value());
        } else if (cell.type() == db::kTagDouble) {
          out += db::sqlLiteralReal(cell.doubleValue());
        } else {
          out += cell.text();
        }
      }
      out += ";";
    }
    return out;
  } catch (const db::SQLiteException& e) {
    return "error: " + e.message();
  }
}

std::string LibraryTablesTest::error(const std::string& sql) {
  try {
    database().Execute(sql);
  } catch (const db::SQLiteException& e) {
    return e.message();
  }
  return "";
}

}  // namespace library_tables_testing
