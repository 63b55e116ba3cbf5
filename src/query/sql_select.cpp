// The clause state machine of SQLSelect and its writer.
//
// The statement handler sits on top of the character scanner and sees only
// top-level characters. Its states are the clauses; at each top-level
// position it tests the keywords its state allows, in this order:
//
//   state    keywords                                   collected text goes to
//   SELECT   SELECT, DISTINCT, ALL, then FROM WHERE GROUP ORDER LIMIT
//            UNION INTERSECT EXCEPT                     the core's columns
//   FROM     WHERE GROUP ORDER LIMIT UNION INTERSECT EXCEPT   the core's FROM
//   WHERE    GROUP ORDER LIMIT UNION INTERSECT EXCEPT   the core's WHERE
//   GROUP    BY (drops what came before), then ORDER LIMIT
//            UNION INTERSECT EXCEPT                     the core's GROUP BY
//   ORDER    BY (drops what came before), then LIMIT    the statement's ORDER BY
//   LIMIT    none                                       the statement's LIMIT
//   UNION    ALL, after blanks                          (operator only)
//
// Leaving a clause (a listed keyword, or the end of the text) stores the
// trimmed text collected in it. INTERSECT and EXCEPT take their operator at
// once, UNION after looking for ALL; then the state is SELECT again and the
// next SELECT opens the next core and records the operator before it. An
// operator that no SELECT follows is not recorded, and a SELECT that no
// operator announced (SELECT a SELECT b) records an empty one, so that
// operator i - 1 always stands before core i. While no core is open (before
// the first SELECT, and between an operator and the next SELECT) the text of
// core clauses has nowhere to go and is dropped; ORDER BY and LIMIT belong to
// the whole statement and are always kept.
//
// Comments count as one blank each, so "x=1--c\nAND y" stays two tokens.
#include "query/sql_select.h"

#include <cassert>
#include <iterator>
#include <memory>

#include "host/text.h"
#include "query/select_scanner.h"

namespace query {
namespace {

enum class Clause { kSelect, kFrom, kWhere, kGroup, kOrder, kLimit, kUnion, kIntersect, kExcept };

struct Boundary {
  std::string_view keyword;
  Clause clause;
};

// Every clause keyword, in test order; each state tests a slice of it.
constexpr Boundary kBoundaries[] = {
    {"FROM", Clause::kFrom},   {"WHERE", Clause::kWhere},         {"GROUP", Clause::kGroup},
    {"ORDER", Clause::kOrder}, {"LIMIT", Clause::kLimit},         {"UNION", Clause::kUnion},
    {"INTERSECT", Clause::kIntersect}, {"EXCEPT", Clause::kExcept},
};
constexpr std::size_t kBoundaryCount = std::size(kBoundaries);

struct Slice {
  std::size_t first;
  std::size_t last;  // one past
};

Slice boundariesOf(Clause state) {
  switch (state) {
    case Clause::kSelect: return {0, kBoundaryCount};
    case Clause::kFrom: return {1, kBoundaryCount};
    case Clause::kWhere: return {2, kBoundaryCount};
    case Clause::kGroup: return {3, kBoundaryCount};
    case Clause::kOrder: return {4, 5};
    default: return {0, 0};
  }
}

class StatementHandler : public ScanHandler {
 public:
  explicit StatementHandler(SQLSelect& select) : select_(select) {}

  void topLevel(std::string_view text, std::size_t& pos, std::string& buffer) override {
    if (state_ == Clause::kUnion) {
      if (isBlank(text[pos])) return;
      const bool all = matchKeyword(text, pos, "ALL");
      endCompound(all ? "UNION ALL" : "UNION", buffer);
      if (all) return;
      // Otherwise this character is the first one after the operator.
    }
    if (state_ == Clause::kSelect) {
      if (matchKeyword(text, pos, "SELECT")) {
        // Entry i - 1 of the operators always belongs to core i; a core that
        // no operator announced gets an empty one.
        if (next_core_ > 0) select_.addCompoundOperator(std::move(pending_operator_));
        pending_operator_.clear();
        core_ = &select_.core(next_core_++);
        buffer.clear();
        return;
      }
      for (const char* modifier : {"DISTINCT", "ALL"}) {
        if (matchKeyword(text, pos, modifier)) {
          if (core_ != nullptr) core_->setModifier(modifier);
          buffer.clear();
          return;
        }
      }
    }
    if ((state_ == Clause::kGroup || state_ == Clause::kOrder) && matchKeyword(text, pos, "BY")) {
      buffer.clear();
      return;
    }
    const Slice slice = boundariesOf(state_);
    for (std::size_t i = slice.first; i < slice.last; ++i) {
      if (matchKeyword(text, pos, kBoundaries[i].keyword)) {
        enter(kBoundaries[i].clause, buffer);
        return;
      }
    }
    buffer.push_back(text[pos]);
  }

  void commentBlank(std::string& buffer) override {
    if (state_ != Clause::kUnion) buffer.push_back(' ');
  }

  // A UNION that ends the text has no SELECT after it and is dropped.
  void finish(std::string& buffer) override {
    if (state_ != Clause::kUnion) store(buffer);
  }

 private:
  // Stores the clause being left and moves to `clause`.
  void enter(Clause clause, std::string& buffer) {
    store(buffer);
    buffer.clear();
    switch (clause) {
      case Clause::kIntersect: endCompound("INTERSECT", buffer); break;
      case Clause::kExcept: endCompound("EXCEPT", buffer); break;
      case Clause::kUnion:
        core_ = nullptr;
        state_ = clause;
        break;
      default: state_ = clause; break;
    }
  }

  void endCompound(const char* op, std::string& buffer) {
    pending_operator_ = op;
    buffer.clear();
    core_ = nullptr;
    state_ = Clause::kSelect;
  }

  // Hands the trimmed text of the current clause to its place.
  void store(const std::string& buffer) {
    const std::string_view body = host::trimBlanks(buffer);
    switch (state_) {
      case Clause::kOrder: select_.setOrderBy(body); return;
      case Clause::kLimit: select_.setLimit(std::string(body)); return;
      default: break;
    }
    if (core_ == nullptr) return;
    switch (state_) {
      case Clause::kSelect: core_->setColumns(body); break;
      case Clause::kFrom: core_->setFrom(std::string(body)); break;
      case Clause::kWhere: core_->setWhere(std::string(body)); break;
      case Clause::kGroup: core_->setGroupBy(body); break;
      default: break;
    }
  }

  SQLSelect& select_;
  Clause state_ = Clause::kSelect;
  SQLSelect::SelectCore* core_ = nullptr;  // the open core, if any
  std::size_t next_core_ = 0;              // index the next SELECT opens
  std::string pending_operator_;           // the operator awaiting its SELECT
};

void appendJoined(std::string& out, const std::vector<std::string>& terms) {
  for (std::size_t i = 0; i < terms.size(); ++i) {
    if (i > 0) out.push_back(',');
    out += terms[i];
  }
}

}  // namespace

void SQLSelect::SelectCore::setColumns(std::string_view select_list) {
  columns_.clear();
  for (const std::string& part : splitTopLevel(select_list)) {
    ColumnParts column = splitColumn(part);
    columns_.emplace(std::move(column.alias), std::move(column.expression));
  }
}

void SQLSelect::SelectCore::setGroupBy(std::string_view text) { group_by_ = splitTopLevel(text); }

SQLSelect::SQLSelect(std::string text) : text_(std::move(text)) {
  StatementHandler handler(*this);
  scan(text_, handler);
}

SQLSelect::SelectCore& SQLSelect::core(std::size_t i) {
  while (cores_.size() <= i) cores_.emplace();
  return cores_[i];
}

const SQLSelect::SelectCore& SQLSelect::core(std::size_t i) const {
  assert(i < cores_.size());
  return cores_[i];
}

void SQLSelect::setOrderBy(std::string_view text) { order_by_ = splitTopLevel(text); }

std::string SQLSelect::format() const {
  constexpr std::string_view kEol = "\r\n";
  std::string out;
  for (std::size_t i = 0; i < cores_.size(); ++i) {
    const SelectCore& core = cores_[i];
    // Cores made by core(i) have no operator; an empty one writes no line.
    if (i > 0 && i - 1 < operators_.size() && !operators_[i - 1].empty()) {
      out += operators_[i - 1];
      out += kEol;
    }
    out += host::trimBlanks("SELECT " + core.modifier());
    const auto& columns = core.columns();
    for (std::size_t k = 0; k < columns.size(); ++k) {
      out += k == 0 ? " " : "       ";
      out += host::trimBlanks(columns[k].text() + " " + columns[k].name());
      if (k + 1 < columns.size()) out.push_back(',');
      out += kEol;
    }
    if (columns.empty()) out += kEol;
    if (!core.from().empty()) {
      out += "FROM ";
      out += core.from();
      out += kEol;
    }
    if (!core.where().empty()) {
      out += "WHERE ";
      out += core.where();
      out += kEol;
    }
    if (!core.groupBy().empty()) {
      out += "GROUP BY ";
      appendJoined(out, core.groupBy());
      out += kEol;
      if (!core.having().empty()) {
        out += "HAVING ";
        out += core.having();
        out += kEol;
      }
    }
  }
  if (!order_by_.empty()) {
    out += "ORDER BY ";
    appendJoined(out, order_by_);
    out += kEol;
  }
  if (!limit_.empty()) {
    out += "LIMIT ";
    out += limit_;
  }
  return out;
}

}  // namespace query
