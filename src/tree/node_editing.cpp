#include "tree/node_editing.h"

#include <charconv>
#include <limits>

#include "db/database.h"
#include "host/text.h"
#include "tree/query_node.h"

namespace tree {

std::string normalizeStatement(std::string_view text) {
  std::string_view trimmed = host::trimBlanks(text);
  if (!trimmed.empty() && trimmed.back() == ';') {
    trimmed.remove_suffix(1);
    trimmed = host::trimBlanks(trimmed);
  }
  return std::string(trimmed);
}

bool folderOkEnabled(std::string_view label) { return !host::trimBlanks(label).empty(); }

ActionControls actionControls(uint8_t code) {
  ActionControls controls;
  controls.target_playlist = code == kAddToTarget || code == kInsertIntoTarget || code == kSendToTarget;
  controls.activate_playlist = code == kAddToPlaying || code == kAddToTarget || code == kInsertIntoPlaying ||
                               code == kInsertIntoTarget || code == kSendToPlaying || code == kSendToTarget;
  controls.select_items = code >= kAddToActive && code <= kSendToTarget;
  controls.start_playback = controls.select_items;
  return controls;
}

uint32_t parseNodeLimit(std::string_view text) {
  constexpr uint32_t kNoLimit = std::numeric_limits<uint32_t>::max();
  text = host::trimBlanks(text);
  uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value == 0) return kNoLimit;
  return value;
}

std::vector<QueryResultNodeOption> rebuildLevelOptions(const std::vector<QueryResultNodeOption>& old,
                                                       const std::vector<std::string>& columns,
                                                       unsigned node_level) {
  const std::size_t cap = node_level >= 255 ? 0 : 255 - node_level;
  const std::size_t count = std::min(columns.size(), cap);
  std::vector<QueryResultNodeOption> options;
  options.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    QueryResultNodeOption option;
    option.name = columns[i];
    option.level = static_cast<uint8_t>(i + 1);
    for (const QueryResultNodeOption& previous : old) {
      if (previous.name == option.name) {
        option.attributes = previous.attributes;
        option.show_item_count = previous.show_item_count;
        break;
      }
    }
    options.push_back(std::move(option));
  }
  return options;
}

QuerySheet::QuerySheet(QueryNode& node, db::SQLiteDatabase& db) : node_(node), db_(db) {
  const QueryDefinition& definition = node.definition();
  label = node.label();
  use_parent_attributes = node.attributes()->use_parent;
  sql_text = definition.sql_query;
  applied_sql_ = definition.sql_query;
  click = definition.click;
  middle_click = definition.middle_click;
  batch = definition.sql_batch;
  refresh_on_load = definition.refresh_on_load;
  refresh_on_use = definition.refresh_on_use;
  node_limit = std::to_string(definition.node_limit);
  omit_null_nodes = definition.omit_null_nodes;
  remove_duplicates = definition.remove_duplicates;
}

unsigned QuerySheet::nodeLevel() const {
  if (node_.level() != 0) return node_.level();
  // A new node gets its level when it is attached: one below its parent.
  return node_.parent() != nullptr ? node_.parent()->level() + 1u : 1u;
}

QuerySheet::EnableState QuerySheet::enableState() const {
  EnableState state;
  state.ok = folderOkEnabled(label) && (!normalizeStatement(sql_text).empty() || !normalizeStatement(batch).empty());
  state.icon_and_colours = !use_parent_attributes;
  state.apply = modified_ && !sql_text.empty();
  state.revert = modified_;
  state.edit_level = !node_.definition().level_options.empty();
  state.click = actionControls(click.action);
  state.middle_click = actionControls(middle_click.action);
  state.validate = !batch.empty();
  state.execute = !batch.empty() && !batch_running;
  state.tree_console = !batch.empty();
  return state;
}

bool QuerySheet::apply(std::string* error) {
  db::SQLiteColumns row;
  std::vector<std::string> statements;
  bool read_only = true;
  try {
    if (!db_.Open()) throw db::SQLiteException(1, "Unable to open the database");
    db_.SplitScript(sql_text, &row, statements, &read_only);
  } catch (const db::SQLiteException& e) {
    if (error) *error = e.message();
    return false;
  }
  const std::string last = statements.empty() ? std::string() : normalizeStatement(statements.back());
  // The query only reads: every run and every click executes it again, so a
  // writing statement (DELETE ... RETURNING) belongs in the batch.
  if (row.empty() || !read_only) {
    if (error) *error = "Invalid query statement:\n\n" + last;
    return false;
  }
  applied_sql_ = last;
  sql_text = last;
  std::vector<std::string> columns;
  columns.reserve(row.size());
  for (const db::SQLiteColumn& column : row) columns.push_back(column.name());
  QueryDefinition& definition = node_.definition();
  definition.level_options = rebuildLevelOptions(definition.level_options, columns, nodeLevel());
  propagateLevelAttributes(node_, 0);
  if (definition.level_options.size() < columns.size()) {
    if (error) *error = "Too many columns for the query:\n\n" + last;
    return false;
  }
  modified_ = false;
  return true;
}

void QuerySheet::revert() {
  sql_text = applied_sql_;
  modified_ = false;
}

bool QuerySheet::validateBatch(std::string* error) {
  std::vector<std::string> statements;
  try {
    if (!db_.Open()) throw db::SQLiteException(1, "Unable to open the database");
    db_.SplitScript(batch, nullptr, statements);
  } catch (const db::SQLiteException& e) {
    if (error) *error = e.message();
    return false;
  }
  batch = normalizeStatement(batch);
  return true;
}

bool QuerySheet::ok(std::string* error) {
  node_.setLabel(label);
  node_.attributes()->use_parent = use_parent_attributes;
  QueryDefinition& definition = node_.definition();
  definition.sql_query = sql_text;
  definition.click = click;
  definition.middle_click = middle_click;
  definition.sql_batch = batch;
  definition.refresh_on_load = refresh_on_load;
  definition.refresh_on_use = refresh_on_use;
  definition.node_limit = parseNodeLimit(node_limit);
  definition.omit_null_nodes = omit_null_nodes;
  definition.remove_duplicates = remove_duplicates;
  // A query cleared down to blanks leaves the nodes to the batch's last
  // statement: there is nothing to apply, and the node keeps its levels.
  if (modified_ && normalizeStatement(sql_text).empty()) {
    sql_text.clear();
    applied_sql_.clear();
    modified_ = false;
  }
  if (modified_ && !apply(error)) return false;
  definition.sql_query = sql_text;
  return true;
}

}  // namespace tree
