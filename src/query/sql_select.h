// SQLSelect: a text-level split of a SELECT statement into its clauses, and
// the writer that puts a (modified) split back together.
//
// The split does not understand expressions. It finds the top-level clause
// keywords, cuts comma lists at the top level and separates each result
// column into expression and alias; quoted strings, bracketed identifiers and
// parenthesised text (sub-queries included) pass through untouched. It never
// fails: text it does not understand simply yields fewer or empty parts.
//
//   SQLSelect select("SELECT genre g, count(*) FROM MediaLibrary "
//                    "GROUP BY genre ORDER BY 2 DESC");
//   select.core(0).columns()[0].text();   // "genre"  (alias "g" is its name)
//   select.format();
//   // "SELECT genre g,\r\n       count(*)\r\nFROM MediaLibrary\r\n"
//   // "GROUP BY genre\r\nORDER BY 2 DESC\r\n"
//
// Known limits, kept on purpose because stored trees rely on them: a keyword
// counts only between blanks (FROM(t) is no FROM, and a keyword ending the
// text is none); HAVING stays inside the GROUP BY text; an expression ends at
// its first top-level blank (in "a + b total" the expression is a and the
// alias total); text before the first SELECT (a WITH clause) is dropped.
#ifndef VOSTREL_QUERY_SQL_SELECT_H_
#define VOSTREL_QUERY_SQL_SELECT_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "db/property.h"
#include "db/ptr_list.h"

namespace query {

class SQLSelect {
 public:
  // One SELECT of a (possibly compound) statement.
  class SelectCore {
   public:
    SelectCore() = default;
    SelectCore(const SelectCore&) = delete;
    SelectCore& operator=(const SelectCore&) = delete;

    // Empty, "DISTINCT" or "ALL".
    const std::string& modifier() const { return modifier_; }
    void setModifier(std::string modifier) { modifier_ = std::move(modifier); }

    // Clause bodies without their keyword, trimmed.
    const std::string& from() const { return from_; }
    void setFrom(std::string from) { from_ = std::move(from); }
    const std::string& where() const { return where_; }
    void setWhere(std::string where) { where_ = std::move(where); }
    const std::string& having() const { return having_; }
    void setHaving(std::string having) { having_ = std::move(having); }

    // Result columns: each Property holds the expression as its text and the
    // alias (possibly empty) as its name.
    db::PropertyList<db::Property>& columns() { return columns_; }
    const db::PropertyList<db::Property>& columns() const { return columns_; }
    // Replaces the columns by the parse of a select-list text.
    void setColumns(std::string_view select_list);

    // GROUP BY terms as cut at top-level commas (untrimmed).
    const std::vector<std::string>& groupBy() const { return group_by_; }
    // Replaces the terms by the split of `text`; an empty text clears them.
    void setGroupBy(std::string_view text);

   private:
    std::string modifier_;
    std::string from_;
    std::string where_;
    std::string having_;
    db::PropertyList<db::Property> columns_;
    std::vector<std::string> group_by_;
  };

  // Parses `text` at once.
  explicit SQLSelect(std::string text);
  SQLSelect(const SQLSelect&) = delete;
  SQLSelect& operator=(const SQLSelect&) = delete;

  const std::string& text() const { return text_; }

  // Whether a top-level SELECT was found; without one the statement cannot be
  // rewritten.
  bool hasSelect() const { return !cores_.empty(); }
  std::size_t coreCount() const { return cores_.size(); }
  // Core i, created (with empty cores before it) when it does not exist yet.
  SelectCore& core(std::size_t i);
  const SelectCore& core(std::size_t i) const;  // REQUIRES: i < coreCount()

  // "UNION", "UNION ALL", "INTERSECT" or "EXCEPT": entry i stands between
  // cores i and i + 1 (empty when a SELECT followed its core directly).
  const std::vector<std::string>& compoundOperators() const { return operators_; }
  void addCompoundOperator(std::string op) { operators_.push_back(std::move(op)); }

  // ORDER BY terms (untrimmed) and the LIMIT text (trimmed).
  const std::vector<std::string>& orderBy() const { return order_by_; }
  void setOrderBy(std::string_view text);
  void setOrderByTerms(std::vector<std::string> terms) { order_by_ = std::move(terms); }
  const std::string& limit() const { return limit_; }
  void setLimit(std::string limit) { limit_ = std::move(limit); }

  // The statement written back with CR LF line ends: one line for SELECT and
  // its first column, one per further column (indented by seven spaces), one
  // per clause; LIMIT ends without a line end. Empty when there is no core
  // and neither ORDER BY nor LIMIT.
  std::string format() const;

 private:
  std::string text_;
  db::PtrList<SelectCore> cores_;
  std::vector<std::string> operators_;
  std::vector<std::string> order_by_;
  std::string limit_;
};

}  // namespace query

#endif  // VOSTREL_QUERY_SQL_SELECT_H_
