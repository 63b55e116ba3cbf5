// SQLiteColumnDescription: one column of a table definition, and the
// reading of an existing table's columns.
#ifndef VOSTREL_DB_COLUMN_DESCRIPTION_H_
#define VOSTREL_DB_COLUMN_DESCRIPTION_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "db/property.h"

namespace db {

class SQLiteDatabase;

class SQLiteColumnDescription : public Property {
 public:
  // Flag values of the constructor's flag set.
  static constexpr uint32_t kPrimaryKey = 1;
  static constexpr uint32_t kAutoIncrement = 2;
  static constexpr uint32_t kNotNull = 4;
  static constexpr uint32_t kUnique = 8;

  SQLiteColumnDescription(uint32_t flags, std::string name, std::string type,
                          std::string constraint = {});
  ~SQLiteColumnDescription() override;

  // The column clause of CREATE TABLE and ALTER TABLE ... ADD:
  // name type [NOT NULL] [PRIMARY KEY] [AUTOINCREMENT] [UNIQUE] [constraint].
  // Empty when the name or the type is empty.
  std::string ColumnDefinition() const;

  bool auto_increment = false;
  std::string constraint;
  bool not_null = false;
  bool primary_key = false;
  std::string type;
  bool unique = false;
};

using ColumnDescriptions = PropertyList<SQLiteColumnDescription>;

// The columns of `table` in the order SQLite reports them (name and declared
// type only). A table that does not exist gives an empty list. The table name
// goes into the PRAGMA unquoted.
ColumnDescriptions ReadTableInfo(SQLiteDatabase& db, std::string_view table);

}  // namespace db

#endif  // VOSTREL_DB_COLUMN_DESCRIPTION_H_
