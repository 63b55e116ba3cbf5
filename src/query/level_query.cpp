// Path conditions, node and tracks statements, and value labels.
#include "query/level_query.h"

#include <charconv>
#include <memory>

#include <sqlite3.h>

#include "host/text.h"

namespace query {
namespace {

template <typename Integer>
void assignDecimal(std::string& out, Integer value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.assign(digits, result.ptr);
}

}  // namespace

void valueText(const db::SQLiteColumn& value, std::string& out) {
  if (value.isNull()) {
    out.assign(kNullLabel);
    return;
  }
  switch (value.type()) {
    case db::kTagInt64:
      assignDecimal(out, value.int64Value());
      return;
    case db::kTagDouble: {
      // SQLite's own REAL-to-TEXT rendering, so that a label equals
      // CAST(column AS TEXT) ("%!.15g" keeps the ".0" of whole numbers).
      char digits[64];
      sqlite3_snprintf(sizeof digits, digits, "%!.15g", value.doubleValue());
      out.assign(digits);
      return;
    }
    case db::kTagText:
    case db::kTagBlob:  // its bytes, as SQLite's CAST(x AS TEXT) gives them
      out.assign(value.text());
      return;
    case db::kTagByte: {
      // "%c" of a C string: a zero byte gives the empty text.
      const char c = static_cast<char>(value.byteValue());
      if (c == '\0') {
        out.clear();
      } else {
        out.assign(1, c);
      }
      return;
    }
    case db::kTagBool:
      out.assign(value.boolValue() ? "<true>" : "<false>");
      return;
    case db::kTagInt32:
      assignDecimal(out, value.intValue());
      return;
    default:
      out.assign(kNullLabel);
      return;
  }
}

std::string valueText(const db::SQLiteColumn& value) {
  std::string out;
  valueText(value, out);
  return out;
}

void addPathConditions(SQLSelect& select, std::span<const std::string> path) {
  for (std::size_t i = 0; i < select.coreCount(); ++i) {
    SQLSelect::SelectCore& core = select.core(i);
    for (std::size_t j = 0; j < path.size(); ++j) {
      const auto& columns = core.columns();
      const std::string_view expression = j < columns.size() ? std::string_view(columns[j].text()) : "";
      std::string condition = "CAST(";
      condition += expression;
      condition += " AS TEXT)";
      const std::string literal = db::sqlLiteral(std::string_view(path[j]));
      if (host::equalsNoCase(literal, "NULL")) {
        condition += " IS NULL";
      } else {
        condition += " = " + literal;
      }
      if (core.where().empty()) {
        core.setWhere(std::move(condition));
      } else {
        core.setWhere("(" + core.where() + ") AND (" + condition + ")");
      }
    }
  }
}

std::string nodeStatement(std::string_view batch, std::string_view query,
                          std::span<const std::string> path) {
  std::string out(batch);
  if (query.empty()) return out;
  if (!batch.empty()) out += ";\r\n";
  if (path.empty()) {
    out += query;
    return out;
  }
  SQLSelect select{std::string(query)};
  if (!select.hasSelect()) {
    out += query;
    return out;
  }
  addPathConditions(select, path);
  out += select.format();
  return out;
}

std::string tracksStatement(std::string_view query, std::span<const std::string> path) {
  SQLSelect select{std::string(query)};
  if (!select.hasSelect()) return {};
  addPathConditions(select, path);
  const std::size_t count = select.coreCount();
  for (std::size_t i = 0; i < count; ++i) {
    SQLSelect::SelectCore& core = select.core(i);
    if (count == 1) {
      core.setColumns(kHandleColumn);
    } else if (!core.columns().empty()) {
      // Every part of a compound keeps its column count.
      core.columns().insert(0, std::make_unique<db::Property>(std::string(), std::string(kHandleColumn)));
    }
    core.setGroupBy({});
    core.setHaving({});
  }
  return select.format();
}

}  // namespace query
