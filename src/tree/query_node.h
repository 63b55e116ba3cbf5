// QueryNode: a stored node holding an SQL query (and an optional batch run
// before it) whose run builds a sub-tree of QueryResultNodes, one level per
// result column. It also carries the click and middle-click actions for the
// tracks behind it and its result nodes.
//
// While it runs, the node is registered for the library tables' open-cursor
// notification, so that it learns which tables its statements read
// (tablesRead: bit 1 MediaLibrary, bit 2 Playlist, bit 8 the playing or
// focused track through playing(), selected(), playing_handle()). Change notifications mark
// such nodes stale; a stale node with refresh-on-use runs again before it is
// expanded or clicked.
#ifndef VOSTREL_TREE_QUERY_NODE_H_
#define VOSTREL_TREE_QUERY_NODE_H_

#include <cstdint>
#include <span>
#include <string>

#include "host/track.h"
#include "library_tables/metadb_module.h"
#include "tree/query_definition.h"
#include "tree/tree_node.h"

namespace tree {

inline constexpr const char* kNewQueryLabel = "New query";

// Bits of QueryNode::tablesRead() and of change-notification kinds. The
// followed track (the playing or the focused one) counts as a table read.
inline constexpr uint32_t kReadsMediaLibrary = 1;
inline constexpr uint32_t kReadsPlaylist = 2;
inline constexpr uint32_t kReadsFollowedTrack = 8;

class QueryNode : public TreeNode, public library_tables::OpenCursorCallback {
 public:
  QueryNode(Panel* panel, TreeNode* parent);
  // Leaves the panel's query list and the open-cursor notification, and
  // takes its result nodes off the overall count.
  ~QueryNode() override;

  // Runs the query property sheet through the panel's edit hook; on OK saves
  // the row with its level options and updates the items below.
  bool edit() override;
  void click() override;
  void middleClick() override;
  // A stale node with refresh-on-use runs first; true (cancel) when that
  // run fails.
  bool expanding() override;
  void expanded(bool) override {}
  // Runs the query and rebuilds the result nodes. Returns true when the run
  // completed without a database error (also when a limit cut it short).
  bool refresh(bool interactive) override;
  bool hasPendingChildren() const override { return definition_.refresh_on_use; }
  void collectProperties(db::SQLiteColumns& properties) const override;
  NodeAttributes* attributes() override { return &attributes_; }

  // Open-cursor notification while the node runs: notes the table read.
  void cursorOpened(const library_tables::SQLiteMetaDBRowSet& rows, library_tables::TableType type) override;
  void noteTableRead(library_tables::TableType type);
  // A statement of the run called playing(), selected() or playing_handle().
  void followedTrackRead() override;

  // Appends the tracks behind the node at `path` (empty: the whole query)
  // to `tracks`. Errors are shown as a popup (interruptions silently); the
  // tracks collected before stay. Empties the HandleTable. Returns false when
  // the collection failed or was interrupted, so that `tracks` may lack some.
  bool collectTracks(std::span<const std::string> path, host::TrackList& tracks);

  QueryDefinition& definition() { return definition_; }
  const QueryDefinition& definition() const { return definition_; }
  std::size_t levelCount() const { return definition_.level_options.size(); }
  // The option of level index `index` (0 for level 1), or nullptr.
  QueryResultNodeOption* levelOption(std::size_t index) {
    return index < definition_.level_options.size() ? &definition_.level_options[index] : nullptr;
  }

  // Whether the node has run (or tried to) since it was made or loaded; until
  // then it shows no result levels, since nobody asked for them.
  bool hasRun() const { return has_run_; }
  bool stale() const { return stale_; }
  void setStale(bool stale) { stale_ = stale; }
  uint32_t tablesRead() const { return tables_read_; }
  void setTablesRead(uint32_t bits) { tables_read_ = bits; }
  // Result nodes made by the last run.
  uint32_t resultNodeCount() const { return result_node_count_; }

 private:
  class Run;
  friend class Run;

  NodeAttributes attributes_;
  QueryDefinition definition_;
  bool stale_ = true;
  bool has_run_ = false;
  uint32_t tables_read_ = 0;
  uint32_t result_node_count_ = 0;
};

// Copies the icon and colours down the level options from `first` on: each
// option with its flag set takes those of the level above (the query node's
// own for level 1).
void propagateLevelAttributes(QueryNode& query, std::size_t first);

}  // namespace tree

#endif  // VOSTREL_TREE_QUERY_NODE_H_
