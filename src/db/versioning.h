// Versioned tables: the component brings its own tables up to date in place
// without losing the rows users created.
//
// sql_ObjectVersion records a version per table, index and trigger. The
// ensure operations below are idempotent and run on every first open of the
// process, inside the caller's transaction; a failing statement raises
// SQLiteException at once and leaves what already ran to the caller. They
// are the program's own schema code: each runs in an OwnSchemaChange, which
// lets it alter and drop what the user's SQL may not (see database.h).
//
//   EnsureTable(db, 3, "vos_TreeItem", columns, {})   creates the table, adds
//   missing columns, or rebuilds it when the stored version is below 3.
#ifndef VOSTREL_DB_VERSIONING_H_
#define VOSTREL_DB_VERSIONING_H_

#include <string>
#include <string_view>
#include <vector>

#include "db/column_description.h"

namespace db {

class SQLiteDatabase;

// Records `wanted` when the stored version is missing, -1 or lower than
// `wanted`; returns the version stored before the call (`wanted` when none).
int ObjectVersion(SQLiteDatabase& db, std::string_view name, int wanted);

// Whether sqlite_master has an object with exactly this name. Never raises.
bool ObjectExists(SQLiteDatabase& db, std::string_view name);

// Creates `table`, adds its missing columns, or rebuilds it (rename to
// "tmp_" + table, create, copy the shared columns, drop) when its stored
// version is below `version`. `columns` is consumed: on return it holds only
// the columns that were added or copied.
void EnsureTable(SQLiteDatabase& db, int version, std::string_view table, ColumnDescriptions& columns,
                 const std::vector<std::string>& constraints);

// Adds the columns of `columns` that `table` lacks, walking the list from the
// last to the first; the columns that exist are removed from the list.
void AddMissingColumns(SQLiteDatabase& db, std::string_view table, ColumnDescriptions& columns);

// Index table + "_in_" + first column, version 0.
void EnsureIndex(SQLiteDatabase& db, std::string_view table, const std::vector<std::string>& index_columns);

// Trigger table + "_tr_ai" running `body` after each insert, version 0.
void EnsureInsertTrigger(SQLiteDatabase& db, std::string_view table, std::string_view body);

}  // namespace db

#endif  // VOSTREL_DB_VERSIONING_H_
