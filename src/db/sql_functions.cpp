#include "db/sql_functions.h"

namespace db {

void registerSqlFunctions(sqlite3*) {}

}  // namespace db
