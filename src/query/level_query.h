// Level queries: rewriting a query node's SELECT for the part of its result
// tree below one result node, and the label text of result values.
//
// A result node is addressed by its path, the labels of its ancestors and of
// itself from level 1 down. Restricting a statement to a path adds, to every
// core, one condition per level on that level's column:
//
//   SELECT genre, album FROM MediaLibrary          path [Rock]
//   -> ... WHERE CAST(genre AS TEXT) = 'Rock'
//
// Columns are compared as TEXT because the labels came from valueText, which
// renders values the way SQLite casts them; the label "<null>" stands for
// NULL and is compared with IS NULL.
#ifndef VOSTREL_QUERY_LEVEL_QUERY_H_
#define VOSTREL_QUERY_LEVEL_QUERY_H_

#include <span>
#include <string>
#include <string_view>

#include "db/property.h"
#include "query/sql_select.h"

namespace query {

// The label of a NULL value, and the path value compared with IS NULL.
inline constexpr std::string_view kNullLabel = "<null>";
// The key column of the tracks statement (the tables' hidden handle column).
inline constexpr std::string_view kHandleColumn = "MetaDb_Handle";

// The label text of one result value: integers in decimal, reals as SQLite
// renders a REAL as TEXT (2.5, 3.0, 1e+20), text as it is, a byte as its
// character, booleans as "<true>"/"<false>", NULL as "<null>".
std::string valueText(const db::SQLiteColumn& value);
// The same into `out`, reusing its storage (for the row loop).
void valueText(const db::SQLiteColumn& value, std::string& out);

// Adds one condition per path element to the WHERE text of every core,
// comparing element j with result column j of that core. A core with fewer
// columns than the path compares the extra levels against an empty
// expression, which fails when executed.
void addPathConditions(SQLSelect& select, std::span<const std::string> path);

// The text run for a node: `batch`, then (joined by ";\r\n") `query`
// restricted to `path`. With an empty path, or a query without a top-level
// SELECT, the query is used as written.
std::string nodeStatement(std::string_view batch, std::string_view query,
                          std::span<const std::string> path);

// A statement whose first column is the handle-table index of every track
// below the node at `path`. GROUP BY and HAVING are dropped; DISTINCT and
// LIMIT stay, and so does ORDER BY, with terms that name a result column by
// position or alias written as its expression (ORDER BY 2 DESC -> ORDER BY
// album DESC) and terms over aggregates left out, so that the tracks come in
// the query's order. An ORDER BY gets the handle column as its last term, so
// that tracks the query's terms leave tied come in the order the table's
// rows were read (ORDER BY album -> ORDER BY album,MetaDb_Handle). Empty
// when `query` has no top-level SELECT.
std::string tracksStatement(std::string_view query, std::span<const std::string> path);

}  // namespace query

#endif  // VOSTREL_QUERY_LEVEL_QUERY_H_
