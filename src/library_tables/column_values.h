// The SQL function tf(handle, expression): the title-formatting expression
// evaluated for the track behind a HandleTable index.
//
//   SELECT tf(metadb_handle, '$stripprefix(%album artist%)') FROM MediaLibrary
//
// SQLite reaches it only through the module's xFindFunction, that is only
// when the first argument is a column of a MetaDB_Module table; the user
// data is the host::Host that formats. The column values themselves are
// computed by SQLiteMetaDBRowSet::column (row_set.h).
#ifndef VOSTREL_LIBRARY_TABLES_COLUMN_VALUES_H_
#define VOSTREL_LIBRARY_TABLES_COLUMN_VALUES_H_

#include <string_view>

struct sqlite3_context;
struct sqlite3_value;

namespace library_tables {

inline constexpr std::string_view kIllegalTfArgument = "illegal first argument to tf";
inline constexpr std::string_view kTfEvaluationFailed = "unable to evaluate title format expression";

// The tf() implementation. Errors become SQL errors; nothing is thrown.
void tfFunction(sqlite3_context* context, int argc, sqlite3_value** argv);

}  // namespace library_tables

#endif  // VOSTREL_LIBRARY_TABLES_COLUMN_VALUES_H_
