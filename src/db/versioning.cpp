#include "db/versioning.h"

#include <sqlite3.h>

#include "db/database.h"
#include "host/text.h"

namespace db {
namespace {

bool containsName(const ColumnDescriptions& columns, std::string_view name) {
  for (const SQLiteColumnDescription& column : columns) {
    if (host::equalsNoCase(column.name(), name)) return true;
  }
  return false;
}

// Foreign-key enforcement switched off for the life of the object, and back
// on afterwards. The switch only takes effect outside a transaction, so it
// is read back to know whether it happened.
class ForeignKeysOff {
 public:
  explicit ForeignKeysOff(sqlite3* handle) : handle_(handle) {
    int enabled = 0;
    sqlite3_db_config(handle_, SQLITE_DBCONFIG_ENABLE_FKEY, -1, &enabled);
    if (enabled) {
      sqlite3_db_config(handle_, SQLITE_DBCONFIG_ENABLE_FKEY, 0, &enabled);
      switched_ = enabled == 0;
    }
  }
  ~ForeignKeysOff() {
    if (switched_) sqlite3_db_config(handle_, SQLITE_DBCONFIG_ENABLE_FKEY, 1, nullptr);
  }
  ForeignKeysOff(const ForeignKeysOff&) = delete;
  ForeignKeysOff& operator=(const ForeignKeysOff&) = delete;

 private:
  sqlite3* handle_;
  bool switched_ = false;
};

// Makes ALTER TABLE ... RENAME leave the references of other tables alone,
// as SQLite did before 3.26: the references must keep naming the table that
// is about to be created again, not follow the old one to its temporary name.
class LegacyAlterTable {
 public:
  explicit LegacyAlterTable(SQLiteDatabase& db) : db_(db) {
    SQLiteColumns row;
    if (db_.HasRows("PRAGMA legacy_alter_table", &row) && !row.empty()) previous_ = row[0].int64Or(0) != 0;
    db_.Execute("PRAGMA legacy_alter_table=ON");
  }
  ~LegacyAlterTable() {
    try {
      db_.Execute(previous_ ? "PRAGMA legacy_alter_table=ON" : "PRAGMA legacy_alter_table=OFF");
    } catch (const SQLiteException&) {
      // Restoring a pragma cannot fail in practice; nothing sensible to add.
    }
  }
  LegacyAlterTable(const LegacyAlterTable&) = delete;
  LegacyAlterTable& operator=(const LegacyAlterTable&) = delete;

 private:
  SQLiteDatabase& db_;
  bool previous_ = false;
};

}  // namespace

int ObjectVersion(SQLiteDatabase& db, std::string_view name, int wanted) {
  SQLiteColumns row;
  const std::string literal = sqlLiteral(name);
  int result = -1;
  bool stored_row = false;
  int stored = -1;
  if (db.HasRows("SELECT obv_version FROM sql_ObjectVersion WHERE obv_name=" + literal, &row)) {
    const SQLiteColumn* version = row.find("obv_version");
    if (version == nullptr) return -1;
    stored_row = true;
    stored = static_cast<int>(version->int64Or(-1));
    result = stored;
  }
  if (!stored_row || stored == -1 || stored < wanted) {
    db.Execute("INSERT OR REPLACE INTO sql_ObjectVersion(obv_name,obv_version)"
               "                                  VALUES (" +
               literal + "," + std::to_string(wanted) + ")");
  }
  if (result == -1) result = wanted;
  return result;
}

bool ObjectExists(SQLiteDatabase& db, std::string_view name) {
  const std::string sql = "SELECT name FROM sqlite_master WHERE name=" + sqlLiteral(name);
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db.handle(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return false;
  }
  const bool found = sqlite3_step(stmt) == SQLITE_ROW;
  sqlite3_finalize(stmt);
  return found;
}

void AddMissingColumns(SQLiteDatabase& db, std::string_view table, ColumnDescriptions& columns) {
  const OwnSchemaChange own(db);
  const ColumnDescriptions existing = ReadTableInfo(db, table);
  for (std::size_t i = columns.size(); i > 0; --i) {
    SQLiteColumnDescription& column = columns[i - 1];
    if (containsName(existing, column.name())) {
      columns.removeAt(i - 1);
    } else {
      db.Execute("ALTER TABLE " + std::string(table) + " ADD " + column.ColumnDefinition());
    }
  }
}

void EnsureTable(SQLiteDatabase& db, int version, std::string_view table_name, ColumnDescriptions& columns,
                 const std::vector<std::string>& constraints) {
  const OwnSchemaChange own(db);
  const std::string table(table_name);
  const std::string temp = "tmp_" + table;
  const int stored = ObjectVersion(db, table, version);
  const bool rebuild = stored < version;

  // A rebuild drops the old table while other tables still reference it;
  // with foreign keys on, that DROP would cascade into their rows, and a
  // modern RENAME would point their references at the temporary name.
  // Both are switched off around the rebuild, as SQLite's documented
  // table-rebuild procedure does.
  std::unique_ptr<ForeignKeysOff> keys_off;
  if (rebuild) {
    keys_off = std::make_unique<ForeignKeysOff>(db.handle());
    LegacyAlterTable legacy_alter(db);
    db.Execute("ALTER TABLE " + table + " RENAME TO " + temp);
  } else if (ObjectExists(db, table)) {
    AddMissingColumns(db, table, columns);
    return;
  }

  std::string definitions;
  for (const SQLiteColumnDescription& column : columns) {
    if (!definitions.empty()) definitions += ",";
    definitions += column.ColumnDefinition();
  }
  std::string table_constraints;
  for (const std::string& constraint : constraints) table_constraints += "," + constraint;

  ColumnDescriptions old;
  if (rebuild) old = ReadTableInfo(db, temp);
  db.Execute("CREATE TABLE " + table + "(" + definitions + table_constraints + ")");
  if (!rebuild) return;

  for (std::size_t i = columns.size(); i > 0; --i) {
    if (!containsName(old, columns[i - 1].name())) columns.removeAt(i - 1);
  }
  std::string names;
  for (const SQLiteColumnDescription& column : columns) {
    if (!names.empty()) names += ",";
    names += column.name();
  }
  if (!names.empty()) {
    db.Execute("INSERT INTO " + table + "(" + names + ") \n" + "SELECT " + names + " FROM " + temp);
  }
  db.Execute("DROP TABLE " + temp);
}

void EnsureIndex(SQLiteDatabase& db, std::string_view table, const std::vector<std::string>& index_columns) {
  const std::string name = std::string(table) + "_in_" + (index_columns.empty() ? "" : index_columns.front());
  if (ObjectVersion(db, name, 0) == 0 && ObjectExists(db, name)) return;
  const OwnSchemaChange own(db);
  std::string columns;
  for (const std::string& column : index_columns) {
    if (!columns.empty()) columns += ",";
    columns += column;
  }
  db.Execute("DROP INDEX IF EXISTS " + name);
  db.Execute("CREATE " + std::string("INDEX ") + name + " ON " + std::string(table) + "(" + columns + ")");
}

void EnsureInsertTrigger(SQLiteDatabase& db, std::string_view table, std::string_view body) {
  const std::string name = std::string(table) + "_tr_" + "ai";
  if (ObjectVersion(db, name, 0) == 0 && ObjectExists(db, name)) return;
  const OwnSchemaChange own(db);
  db.Execute("DROP TRIGGER IF EXISTS " + name);
  db.Execute("CREATE TRIGGER " + name + " AFTER INSERT " + "ON " + std::string(table) + " FOR EACH ROW BEGIN " +
             std::string(body) + " END");
}

}  // namespace db
