// One prepared statement of a connection, and the handle that owns it.
#ifndef VOSTREL_DB_STATEMENT_H_
#define VOSTREL_DB_STATEMENT_H_

#include <cstdint>
#include <string>

struct sqlite3_stmt;

namespace db {

class SQLiteColumns;
class SQLiteDatabase;

// A record of the statement table.
struct SQLiteStatement {
  sqlite3_stmt* stmt = nullptr;  // null when the text held no statement
  uint16_t column_count = 0;
  SQLiteColumns* row = nullptr;  // attached result row, owned by the caller
  int32_t row_counter = 0;
  std::string text;
};

// A handle to one prepared statement. Destroying a handle whose index is not
// -1 finalizes the statement. When an operation through the handle raises,
// the statement has already been finalized and the index is -1.
class SQLiteQuery {
 public:
  SQLiteQuery() = default;
  SQLiteQuery(SQLiteDatabase* db, int32_t index) : db_(db), index_(index) {}
  SQLiteQuery(SQLiteQuery&& other) noexcept;
  SQLiteQuery& operator=(SQLiteQuery&& other) noexcept;
  SQLiteQuery(const SQLiteQuery&) = delete;
  SQLiteQuery& operator=(const SQLiteQuery&) = delete;
  // Finalizes; a finalize error is written to the host console, since a
  // destructor cannot raise.
  ~SQLiteQuery();

  int32_t index() const { return index_; }
  bool valid() const { return index_ != -1; }
  // Finalizes with error reporting (raises SQLiteException).
  void finalize();
  // Forgets the statement without finalizing (it was finalized elsewhere).
  void release() { index_ = -1; }

 private:
  SQLiteDatabase* db_ = nullptr;
  int32_t index_ = -1;
};

}  // namespace db

#endif  // VOSTREL_DB_STATEMENT_H_
