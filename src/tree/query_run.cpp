// The run of a query node: executes its batch and query on the panel's
// connection and turns every row of the last statement into result nodes,
// one level per column.
//
// Rows are merged with the nodes of the row before: each value is compared
// only with the node at its depth in the chain of current nodes, so equal
// values merge when they are adjacent in the query's order, and a run is
// linear in rows times levels. The row loop reuses one value buffer and
// allocates only the nodes (and their items) it makes.
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

#include "db/database.h"
#include "host/host.h"
#include "host/priority.h"
#include "library_tables/handle_table.h"
#include "query/level_query.h"
#include "tree/cursor_registration.h"
#include "tree/overall_node_count.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "tree/timing_line.h"
#include "tree/query_result_node.h"

namespace tree {

class QueryNode::Run {
 public:
  Run(QueryNode& node, bool interactive);
  // Ends the run whatever happened: empties the handle table, fixes the
  // item's expand button, leaves the cursor notification, restores the
  // priority, resumes redraw and hides the "Query active" label.
  ~Run();
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  // Runs the statements; clears the node's stale mark when no database error
  // happened.
  void execute();

 private:
  // Runs the batch, then the query; only the query's last statement makes
  // nodes (the batch's when there is no query).
  void runStatements();
  // Runs every statement of `text`. `reading_only` refuses a statement that
  // would write, before it runs; with `makes_nodes` the rows of the last
  // statement become result nodes.
  void runText(std::string text, bool reading_only, bool makes_nodes);
  void processRow(const db::SQLiteColumns& row);
  void reportLimit(uint64_t overall);

  QueryNode& node_;
  Panel& panel_;
  db::SQLiteDatabase& database_;
  const bool interactive_;
  const host::AdvancedSettings settings_;
  const uint32_t saved_tables_read_;
  bool suspended_ = false;
  bool abort_ = false;
  std::optional<host::PriorityScope> priority_;
  std::optional<OpenCursorRegistration> registration_;
  std::chrono::steady_clock::time_point start_;
  // Slot 0 is the query node, slot d the node most recently made or reused
  // at depth d of the current row.
  std::vector<TreeNode*> chain_;
  std::string value_;  // the current value's text, reused for every cell
};

QueryNode::Run::Run(QueryNode& node, bool interactive)
    : node_(node),
      panel_(*node.panel()),
      database_(panel_.database()),
      interactive_(interactive),
      settings_(panel_.host().advancedSettings()),
      saved_tables_read_(node.tables_read_) {
  if (interactive_) {
    panel_.showQueryActive();
    panel_.control().suspendRedraw();
    suspended_ = true;
  }
  node_.has_run_ = true;
  node_.updateItem(false);
  node_.tables_read_ = 0;
  priority_.emplace(settings_.sql_processing_priority);
  registration_.emplace(node_);
  start_ = std::chrono::steady_clock::now();
}

QueryNode::Run::~Run() {
  library_tables::HandleTable::instance().clear();
  if (TreeItem* item = node_.item()) panel_.control().setHasChildren(item, item->childCount() > 0);
  registration_.reset();
  priority_.reset();
  if (suspended_) panel_.control().resumeRedraw();
  if (panel_.hooks().reload_table_pages) panel_.hooks().reload_table_pages();
  if (interactive_) panel_.hideQueryActive();
}

void QueryNode::Run::execute() {
  TreeControl& control = panel_.control();
  TreeItem* item = node_.item();
  const bool was_expanded = item->expanded();
  control.collapseAndReset(item);
  OverallNodeCount::instance().subtract(node_.result_node_count_);
  node_.result_node_count_ = 0;
  try {
    runStatements();
  } catch (const db::SQLiteException& e) {
    database_.RollbackTransaction(true);
    // A newer search text stopped the run, whose result nobody wants.
    if (!panel_.searchSuperseded()) database_.LogToConsole(e.message(), true);
    return;
  }
  logTiming(database_, "Query refresh time: ", start_);
  node_.stale_ = false;
  if (was_expanded) control.setExpanded(item, true);
}

void QueryNode::Run::runStatements() {
  const QueryDefinition& definition = node_.definition_;
  // Without a query the batch's last statement makes the nodes.
  if (definition.sql_query.empty()) {
    runText(definition.sql_batch, false, true);
    return;
  }
  if (!definition.sql_batch.empty()) runText(definition.sql_batch, false, false);
  if (!abort_) runText(definition.sql_query, true, true);
}

void QueryNode::Run::runText(std::string text, bool reading_only, bool makes_nodes) {
  db::SQLiteColumns row;
  while (!abort_) {
    db::Prepared prepared = database_.Prepare(text, makes_nodes ? &row : nullptr);
    const bool is_last = prepared.rest.empty() && makes_nodes;
    // The batch may write; the query reads. A stored query that would write
    // (an older row, or one changed by hand) is refused before it runs.
    if (reading_only && !database_.isReadOnly(prepared.query)) {
      throw db::SQLiteException(1, "Invalid query statement:\n\n" + prepared.statement);
    }
    if (is_last) chain_.assign(node_.levelCount() + 1, nullptr);
    if (is_last) chain_[0] = &node_;
    // A text of comments only prepares to no statement at all.
    if (database_.statement(prepared.query).stmt != nullptr) {
      while (!abort_ && database_.Step(prepared.query) == db::kRow) {
        if (is_last) processRow(row);
      }
    }
    prepared.query.finalize();
    if (prepared.rest.empty()) break;
    text = std::move(prepared.rest);
  }
}

void QueryNode::Run::processRow(const db::SQLiteColumns& row) {
  const QueryDefinition& definition = node_.definition_;
  OverallNodeCount& overall = OverallNodeCount::instance();
  // A statement may return fewer columns than there are levels (a batch
  // redefined a view since the levels were made): deeper levels stay empty.
  const std::size_t levels = std::min(node_.levelCount(), row.size());
  std::size_t depth = 0;
  for (std::size_t i = 0; i < levels; ++i) {
    query::valueText(row[i], value_);
    if (definition.omit_null_nodes && value_ == query::kNullLabel) continue;
    ++depth;
    // A node is reused only for the same column: with null values omitted,
    // the node at this depth may come from another level.
    const TreeNode* current = chain_[depth];
    if (current != nullptr && current->level() == i + 1 && current->label() == value_) continue;

    auto made = std::make_unique<QueryResultNode>(chain_[depth - 1], &panel_, &node_, static_cast<uint8_t>(i),
                                                  value_);
    TreeNode* attached = panel_.attach(std::move(made), false);
    if (attached == nullptr) {
      database_.LogToConsole("Error while adding node \"" + value_ + "\". Refreshing query aborted.", false);
      node_.tables_read_ = saved_tables_read_;
      abort_ = true;
      return;
    }
    ++node_.result_node_count_;
    const uint64_t total = overall.add(1);
    if (node_.result_node_count_ > definition.node_limit || total > settings_.overall_node_limit) {
      reportLimit(total);
      abort_ = true;
      return;
    }
    chain_[depth] = attached;
    std::fill(chain_.begin() + static_cast<std::ptrdiff_t>(depth) + 1, chain_.end(), nullptr);
  }
}

void QueryNode::Run::reportLimit(uint64_t overall) {
  const bool overall_exceeded = overall > settings_.overall_node_limit;
  std::string message;
  if (overall_exceeded) {
    message = "Tree node limit (" + std::to_string(settings_.overall_node_limit) + " nodes) exceeded.\n\n";
  } else {
    message = "Query node limit (" + std::to_string(node_.definition_.node_limit) + " nodes) exceeded.\n\n";
  }
  message += "Node: " + node_.label() + "\nQuery:\n" + node_.definition_.sql_query;
  // Where the limit is raised, in the dialogs and on the command line.
  if (overall_exceeded) {
    message += "\n\nRaise it with \"Overall node limit for all panels\" (vostrel config overall_node_limit N).";
  } else {
    message += "\n\nRaise it with the query's \"Query node limit:\" (vostrel node edit PATH --node-limit N).";
  }
  database_.LogToConsole(message, true);
}

bool QueryNode::refresh(bool interactive) {
  Panel* owner = panel();
  // Result nodes need the node's item to hang below.
  if (owner == nullptr || item() == nullptr || !owner->database().isOpen()) return false;
  if (interactive && owner->queryActive()) return false;
  stale_ = true;
  {
    Run run(*this, interactive);
    run.execute();
  }
  return !stale_;
}

}  // namespace tree
