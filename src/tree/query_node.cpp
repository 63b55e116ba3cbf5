// Query nodes: life cycle, expansion, level attributes and track collection.
// The run itself is in query_run.cpp.
#include "tree/query_node.h"

#include <unordered_set>

#include "db/database.h"
#include "host/host.h"
#include "library_tables/handle_table.h"
#include "query/level_query.h"
#include "tree/overall_node_count.h"
#include "tree/panel.h"

namespace tree {

QueryNode::QueryNode(Panel* panel, TreeNode* parent) : TreeNode(panel, parent, NodeType::kQuery, kNewQueryLabel) {
  resolveAttributes(*this, attributes_);
}

QueryNode::~QueryNode() {
  if (panel() != nullptr) panel()->forgetNode(this);
  library_tables::unregisterOpenCursorCallback(this);
  // The result nodes are gone with the node's item.
  OverallNodeCount::instance().subtract(result_node_count_);
}

bool QueryNode::edit() {
  Panel* owner = panel();
  if (owner == nullptr || !owner->hooks().edit_node) return false;
  // Up to the save: a track change meanwhile re-runs nothing before it.
  EditingScope editing(*owner);
  if (!owner->hooks().edit_node(*this)) return false;
  if (!owner->save(*this)) return false;
  updateItem(true);
  return true;
}

bool QueryNode::expanding() {
  if (definition_.refresh_on_use && stale_) return !refresh(true);
  return false;
}

void QueryNode::cursorOpened(const library_tables::SQLiteMetaDBRowSet&, library_tables::TableType type) {
  noteTableRead(type);
}

void QueryNode::followedTrackRead() { tables_read_ |= kReadsFollowedTrack; }

void QueryNode::noteTableRead(library_tables::TableType type) {
  if (type == library_tables::TableType::kMediaLibrary) tables_read_ |= kReadsMediaLibrary;
  if (type == library_tables::TableType::kPlaylist) tables_read_ |= kReadsPlaylist;
}

namespace {

// The handle-table index in the first column of a tracks row, or -1.
int64_t handleIndex(const db::SQLiteColumns& row) {
  if (row.size() == 0 || row[0].isNull()) return -1;
  switch (row[0].type()) {
    case db::kTagInt64: return row[0].int64Value();
    case db::kTagDouble: return static_cast<int64_t>(row[0].doubleValue());
    default: return -1;
  }
}

// Keeps the first occurrence of every track, in order.
void removeDuplicates(host::TrackList& tracks) {
  std::unordered_set<const host::Track*> seen;
  seen.reserve(tracks.size());
  std::size_t kept = 0;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    if (seen.insert(tracks[i].get()).second) {
      if (kept != i) tracks[kept] = std::move(tracks[i]);
      ++kept;
    }
  }
  tracks.resize(kept);
}

}  // namespace

bool QueryNode::collectTracks(std::span<const std::string> path, host::TrackList& tracks) {
  db::SQLiteDatabase& database = panel()->database();
  library_tables::HandleTable& handles = library_tables::HandleTable::instance();
  if (!database.isOpen()) return false;
  bool complete = true;
  try {
    const std::string sql = query::tracksStatement(definition_.sql_query, path);
    if (sql.empty()) throw db::SQLiteException(1, "Invalid query statement:\n" + definition_.sql_query);
    db::SQLiteColumns row;
    db::Prepared prepared = database.Prepare(sql, &row);
    if (database.statement(prepared.query).stmt != nullptr) {
      while (database.Step(prepared.query) == db::kRow) {
        const int64_t index = handleIndex(row);
        if (index < 0) continue;
        if (const host::TrackHandle* handle = handles.get(static_cast<uint64_t>(index))) tracks.push_back(*handle);
      }
    }
    prepared.query.finalize();
  } catch (const db::SQLiteException& e) {
    complete = false;
    if (e.code() != db::kInterruptCode) {
      panel()->host().popupMessage("Invalid node query\n\n" + e.message(), host::kComponentFileName);
    }
  }
  handles.clear();
  if (definition_.remove_duplicates) removeDuplicates(tracks);
  return complete;
}

void propagateLevelAttributes(QueryNode& query, std::size_t first) {
  std::vector<QueryResultNodeOption>& options = query.definition().level_options;
  for (std::size_t i = first; i < options.size(); ++i) {
    if (!options[i].attributes.use_parent) continue;
    const NodeAttributes& above = i == 0 ? *query.attributes() : options[i - 1].attributes;
    options[i].attributes.inheritFrom(above);
  }
}

}  // namespace tree
