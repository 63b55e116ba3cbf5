// The module's cursor. Its xColumn, metaDbColumn(), is defined beside the
// column values (column_values.cpp) rather than with the module's other
// callbacks: SQLite calls it for every value of a scan, and there it runs
// the row set's column() without a call in between.
#ifndef VOSTREL_LIBRARY_TABLES_METADB_CURSOR_H_
#define VOSTREL_LIBRARY_TABLES_METADB_CURSOR_H_

#include <sqlite3.h>

namespace library_tables {

class SQLiteMetaDBRowSet;

struct MetaDbCursor {
  sqlite3_vtab_cursor base;  // must come first
  SQLiteMetaDBRowSet* rows;
};

// xColumn: the value of column `n` on the cursor's current row, as
// SQLiteMetaDBRowSet::column() gives it. Never fails.
int metaDbColumn(sqlite3_vtab_cursor* cursor, sqlite3_context* context, int n);

}  // namespace library_tables

#endif  // VOSTREL_LIBRARY_TABLES_METADB_CURSOR_H_
