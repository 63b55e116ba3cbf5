// Shared fixture of the library-table tests: a FakeHost over a temporary
// profile, connections opened with the library tables' set-up step, and
// helpers that render query results as text ("a,b;c,-;" with "-" for NULL).
#ifndef VOSTREL_TESTS_LIBRARY_TABLES_LIBRARY_FIXTURE_H_
#define VOSTREL_TESTS_LIBRARY_TABLES_LIBRARY_FIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "db/database.h"
#include "db/open_steps.h"
#include "library_tables/column_store.h"
#include "library_tables/library_tables.h"
#include "library_tables/metadb_module.h"
#include "support/fake_host.h"

// The tests describe tracks and columns with designated initializers that
// name only what matters to each case; the rest keeps its default.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace library_tables_testing {

// A column for setColumns: name, kind and the optional settings.
struct ColumnFields {
  std::string name;
  library_tables::ColumnType kind = library_tables::ColumnType::kTag;
  bool split = false;
  std::string tag_name;
  std::string associated;
  std::string expression;
  std::string separator = std::string(library_tables::kDefaultSeparator);
};

// A track with tags, technical fields and file data.
struct TrackFields {
  std::string path = "file:///music/a.flac";
  std::vector<std::pair<std::string, std::vector<std::string>>> meta;
  std::vector<std::pair<std::string, std::string>> tech;
  double length = 0.0;
  uint64_t size = 0;
  int64_t mtime = 0;
  uint32_t subsong = 0;
  host::ReplayGain gain;
  bool has_info = true;
};
host::TrackHandle buildTrack(const TrackFields& wanted);

class LibraryTablesTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A connection with the library tables set up; fails the test if it does
  // not open.
  std::unique_ptr<db::SQLiteDatabase> open();
  // Opens the fixture's connection `db_`.
  db::SQLiteDatabase& database();

  // Stores `columns` (after the built-in one) for `type` and rebuilds the
  // virtual tables.
  void setColumns(library_tables::TableType type, const std::vector<ColumnFields>& columns);

  // Rows as "v,v;v,v;" with "-" for NULL; a failure gives "error: " and the
  // message.
  std::string rows(const std::string& sql);
  static std::string rows(db::SQLiteDatabase& db, const std::string& sql);
  // The message of the SQLiteException `sql` raises, or "" when it runs.
  std::string error(const std::string& sql);

  testing_support::TempDir dir_;
  testing_support::FakeHost host_{dir_.path()};
  std::unique_ptr<db::SQLiteDatabase> db_;
};

}  // namespace library_tables_testing

#endif  // VOSTREL_TESTS_LIBRARY_TABLES_LIBRARY_FIXTURE_H_
