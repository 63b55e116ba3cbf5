// Path conditions, node and tracks statements, and value labels.
#include "query/level_query.h"

#include <charconv>
#include <memory>
#include <vector>

#include <sqlite3.h>

#include "host/text.h"
#include "query/select_scanner.h"

namespace query {
namespace {

template <typename Integer>
void assignDecimal(std::string& out, Integer value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.assign(digits, result.ptr);
}

// A term's leading word and what follows it: "2 DESC" gives "2" and
// " DESC". False when the term does not begin with its first word (it then
// stays as written).
bool splitTerm(std::string_view term, std::string_view& word, std::string_view& rest) {
  const std::string_view trimmed = host::trimBlanks(term);
  const std::string first = splitColumn(trimmed).expression;
  if (first.empty() || !trimmed.starts_with(first)) return false;
  word = trimmed.substr(0, first.size());
  rest = trimmed.substr(first.size());
  return true;
}

// The 1-based column a bare integer term stands for, or 0.
std::size_t termPosition(std::string_view word) {
  std::size_t position = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), position);
  return ec == std::errc() && end == word.data() + word.size() ? position : 0;
}

// Whether what follows a term's first word only says how to sort it (COLLATE
// name, ASC, DESC, NULLS FIRST/LAST), so that the word is the whole
// expression.
bool isSortSuffix(std::string_view rest) {
  bool collation_name = false;  // the word after COLLATE
  std::size_t i = 0;
  while (i < rest.size()) {
    if (isBlank(rest[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < rest.size() && !isBlank(rest[end])) ++end;
    const std::string_view word = rest.substr(i, end - i);
    if (collation_name) {
      collation_name = false;
    } else if (host::equalsNoCase(word, "COLLATE")) {
      collation_name = true;
    } else if (!host::equalsNoCase(word, "ASC") && !host::equalsNoCase(word, "DESC") &&
               !host::equalsNoCase(word, "NULLS") && !host::equalsNoCase(word, "FIRST") &&
               !host::equalsNoCase(word, "LAST")) {
      return false;
    }
    i = end;
  }
  return !collation_name;
}

// An identifier without its quotes ("x", [x], `x`).
std::string_view unquoted(std::string_view name) {
  if (name.size() >= 2) {
    const char open = name.front();
    const char close = name.back();
    if ((open == '"' && close == '"') || (open == '[' && close == ']') || (open == '`' && close == '`')) {
      return name.substr(1, name.size() - 2);
    }
  }
  return name;
}

bool isIdentifierChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// Whether the argument list that opens at text[open] holds a comma of its
// own (outside nested parentheses and quotes).
bool hasSeveralArguments(std::string_view text, std::size_t open) {
  int depth = 0;
  char quote = 0;
  for (std::size_t i = open; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"' || c == '`') {
      quote = c;
    } else if (c == '[') {
      quote = ']';
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth == 0) return false;
    } else if (c == ',' && depth == 1) {
      return true;
    }
  }
  return false;
}

// Whether `expression` calls one of SQLite's aggregate functions (min and max
// only with one argument; with more they are scalar). Text-level: names inside
// quotes and brackets do not count.
bool callsAggregate(std::string_view expression) {
  static constexpr std::string_view kAggregates[] = {
      "avg", "count", "group_concat", "json_group_array", "json_group_object", "max", "min", "string_agg", "sum",
      "total"};
  char quote = 0;
  for (std::size_t i = 0; i < expression.size(); ++i) {
    const char c = expression[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"' || c == '`') {
      quote = c;
      continue;
    }
    if (c == '[') {
      quote = ']';
      continue;
    }
    const bool name_start = isIdentifierChar(c) && (i == 0 || !(isIdentifierChar(expression[i - 1]) ||
                                                                 expression[i - 1] == '.'));
    if (!name_start) continue;
    std::size_t end = i;
    while (end < expression.size() && isIdentifierChar(expression[end])) ++end;
    const std::string_view name = expression.substr(i, end - i);
    std::size_t open = end;
    while (open < expression.size() && isBlank(expression[open])) ++open;
    if (open < expression.size() && expression[open] == '(') {
      for (const std::string_view aggregate : kAggregates) {
        if (!host::equalsNoCase(name, aggregate)) continue;
        const bool scalar = (aggregate == "min" || aggregate == "max") && hasSeveralArguments(expression, open);
        if (!scalar) return true;
      }
    }
    i = end - 1;
  }
  return false;
}

// The ORDER BY terms of the tracks statement, worked out before its select
// list is replaced. With one SELECT the result columns go away, so a term that
// names a column by position (ORDER BY 2 DESC) or by alias is written as that
// column's expression; a term that orders by an aggregate is left out, since
// the tracks statement has no groups and SQLite refuses an aggregate there. A
// compound keeps its columns behind the handle column, so a position moves
// one column on.
std::vector<std::string> tracksOrderBy(const SQLSelect& select) {
  std::vector<std::string> terms;
  const bool compound = select.coreCount() > 1;
  const auto& columns = select.core(0).columns();
  for (const std::string& term : select.orderBy()) {
    std::string_view word;
    std::string_view rest;
    if (!splitTerm(term, word, rest)) {
      terms.push_back(term);
      continue;
    }
    const std::string_view leading(term.data(), static_cast<std::size_t>(word.data() - term.data()));
    const std::size_t position = isSortSuffix(rest) ? termPosition(word) : 0;
    if (compound) {
      if (position == 0) {
        terms.push_back(term);
      } else {
        terms.push_back(std::string(leading) + std::to_string(position + 1) + std::string(rest));
      }
      continue;
    }
    const db::Property* column = nullptr;
    if (position >= 1 && position <= columns.size()) {
      column = &columns[position - 1];
    } else if (position == 0 && isSortSuffix(rest)) {
      for (const db::Property& candidate : columns) {
        if (!candidate.name().empty() && host::equalsNoCase(unquoted(candidate.name()), unquoted(word))) {
          column = &candidate;
          break;
        }
      }
    }
    std::string written = column == nullptr ? term : std::string(leading) + column->text() + std::string(rest);
    if (callsAggregate(written)) continue;
    // The first term is written right after "ORDER BY ".
    if (terms.empty()) written.erase(0, leading.size());
    terms.push_back(std::move(written));
  }
  return terms;
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
  std::vector<std::string> order = tracksOrderBy(select);
  const std::size_t count = select.coreCount();
  if (!order.empty()) {
    // SQLite's sorter returns rows whose keys tie in no particular order
    // (small sorts even reverse them), so the tracks of one album would
    // reach the playlist backwards. The handle index is handed out as the
    // table's rows are read, so as the last key it keeps ties in the order
    // the rows were read: the library's order, or that of a view which sorts
    // its rows. A compound names its handle column by position. Without an
    // ORDER BY the rows come in that order already.
    const bool blank = !order.back().empty() && isBlank(order.back().front());
    order.push_back((blank ? " " : "") + (count > 1 ? std::string("1") : std::string(kHandleColumn)));
  }
  select.setOrderByTerms(std::move(order));
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
