#include "db/column_description.h"

#include "db/database.h"

namespace db {

SQLiteColumnDescription::SQLiteColumnDescription(uint32_t flags, std::string name, std::string type_text,
                                                 std::string constraint_text)
    : Property(std::move(name)),
      auto_increment((flags & kAutoIncrement) != 0),
      constraint(std::move(constraint_text)),
      not_null((flags & kNotNull) != 0),
      primary_key((flags & kPrimaryKey) != 0),
      type(std::move(type_text)),
      unique((flags & kUnique) != 0) {}

SQLiteColumnDescription::~SQLiteColumnDescription() = default;

std::string SQLiteColumnDescription::ColumnDefinition() const {
  if (name().empty() || type.empty()) return {};
  std::string clause = name() + " " + type;
  if (not_null) clause += " NOT NULL";
  if (primary_key) clause += " PRIMARY KEY";
  if (auto_increment) clause += " AUTOINCREMENT";
  if (unique) clause += " UNIQUE";
  if (!constraint.empty()) clause += " " + constraint;
  return clause;
}

ColumnDescriptions ReadTableInfo(SQLiteDatabase& db, std::string_view table) {
  ColumnDescriptions columns;
  SQLiteColumns row;
  auto prepared = db.Prepare("PRAGMA table_info(" + std::string(table) + ")", &row);
  while (db.Step(prepared.query, nullptr) == kRow) {
    const SQLiteColumn* name = row.find("name");
    const SQLiteColumn* type = row.find("type");
    columns.emplace(0u, name ? name->text() : std::string(), type ? type->text() : std::string());
  }
  prepared.query.finalize();
  return columns;
}

}  // namespace db
