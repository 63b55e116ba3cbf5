// Tree loading. The load statement lists every node below the root ordered
// by parent id: row ids only grow, so a parent's row always comes before the
// rows below it, and one pass with a map from node id to node finds every
// parent.
//
//   SELECT tri_node_id,tri_parent_id,...,tri_expanded FROM vos_ViewTree
//   WHERE vtr_id=1 ORDER BY tri_parent_id,tri_node_id
#include "tree/tree_loader.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

#include "db/database.h"
#include "tree/timing_line.h"
#include "host/host.h"
#include "tree/example_nodes.h"
#include "tree/folder_node.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "tree/node_store.h"
#include "tree/open_panels.h"

namespace tree {
namespace {

// The columns of the load statement, in statement order.
enum Column : std::size_t {
  kNodeId,
  kParentId,
  kLevel,
  kNodeType,
  kLabel,
  kParentAttributes,
  kColorText,
  kColorBack,
  kColorTextSelected,
  kColorBackSelected,
  kColorTextSelectedInactive,
  kColorBackSelectedInactive,
  kIcon,
  kSqlQuery,
  kSqlBatch,
  kClickAction,
  kClickTargetPlaylist,
  kClickActivatePlaylist,
  kClickSelectItems,
  kClickStartPlayback,
  kMiddleClickAction,
  kMiddleClickTargetPlaylist,
  kMiddleClickActivatePlaylist,
  kMiddleClickSelectItems,
  kMiddleClickStartPlayback,
  kRefreshOnLoad,
  kRefreshOnUse,
  kNodeLimit,
  kOmitNullNodes,
  kRemoveDuplicates,
  kExpanded,
  kColumnCount
};

constexpr std::array<const char*, kColumnCount> kColumnNames = {
    "tri_node_id",
    "tri_parent_id",
    "tri_level",
    "tri_node_type",
    "tri_label",
    "tri_parent_node_attributes",
    "tri_color_text",
    "tri_color_back",
    "tri_color_text_selected",
    "tri_color_back_selected",
    "tri_color_text_selected_inactive",
    "tri_color_back_selected_inactive",
    "tri_icon",
    "tri_sql_query",
    "tri_sql_batch",
    "tri_click_action",
    "tri_click_target_playlist",
    "tri_click_activate_playlist",
    "tri_click_select_items",
    "tri_click_start_playback",
    "tri_middle_click_action",
    "tri_middle_click_target_playlist",
    "tri_middle_click_activate_playlist",
    "tri_middle_click_select_items",
    "tri_middle_click_start_playback",
    "tri_refresh_on_load",
    "tri_refresh_on_use",
    "tri_node_limit",
    "tri_omit_null_nodes",
    "tri_remove_duplicates",
    "tri_expanded",
};

// Cell readers with a value for NULL. A cell carries the storage class of
// its value, so a number stored as text is converted as SQLite would.
int64_t integerOr(const db::SQLiteColumn& cell, int64_t fallback) {
  switch (cell.type()) {
    case db::kTagNull: return fallback;
    case db::kTagInt64: return cell.int64Value();
    case db::kTagDouble: return static_cast<int64_t>(cell.doubleValue());
    case db::kTagText:
    case db::kTagBlob: return std::strtoll(cell.text().c_str(), nullptr, 10);
    default: return cell.isNull() ? fallback : cell.int64Value();
  }
}

uint8_t byteOr(const db::SQLiteColumn& cell, uint8_t fallback) {
  return static_cast<uint8_t>(integerOr(cell, fallback));
}

bool flagOr(const db::SQLiteColumn& cell, bool fallback) { return byteOr(cell, fallback ? 1 : 0) != 0; }

Colour colourOr(const db::SQLiteColumn& cell, Colour fallback) {
  return static_cast<Colour>(integerOr(cell, fallback));
}

std::string textOf(const db::SQLiteColumn& cell) {
  switch (cell.type()) {
    case db::kTagNull: return {};
    case db::kTagInt64: return std::to_string(cell.int64Value());
    case db::kTagDouble: {
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%.15g", cell.doubleValue());
      return buffer;
    }
    default: return cell.text();
  }
}

// The icon and colours of a row; NULL cells take the parent's values, also
// when the row does not inherit.
void readAttributes(const db::SQLiteColumns& row, const NodeAttributes& parent, NodeAttributes& a) {
  a.use_parent = flagOr(row[kParentAttributes], true);
  a.text = colourOr(row[kColorText], parent.text);
  a.back = colourOr(row[kColorBack], parent.back);
  a.text_selected = colourOr(row[kColorTextSelected], parent.text_selected);
  a.back_selected = colourOr(row[kColorBackSelected], parent.back_selected);
  a.text_selected_inactive = colourOr(row[kColorTextSelectedInactive], parent.text_selected_inactive);
  a.back_selected_inactive = colourOr(row[kColorBackSelectedInactive], parent.back_selected_inactive);
  a.icon = static_cast<uint16_t>(integerOr(row[kIcon], parent.icon));
}

void readAction(const db::SQLiteColumns& row, std::size_t first, NodeAction& action) {
  action.action = byteOr(row[first], kNoAction);
  action.target_playlist = textOf(row[first + 1]);
  action.activate_playlist = flagOr(row[first + 2], true);
  action.select_items = flagOr(row[first + 3], false);
  action.start_playback = flagOr(row[first + 4], false);
}

void readDefinition(const db::SQLiteColumns& row, QueryDefinition& d) {
  d.sql_query = textOf(row[kSqlQuery]);
  d.sql_batch = textOf(row[kSqlBatch]);
  readAction(row, kClickAction, d.click);
  readAction(row, kMiddleClickAction, d.middle_click);
  d.refresh_on_load = flagOr(row[kRefreshOnLoad], false);
  d.refresh_on_use = flagOr(row[kRefreshOnUse], false);
  d.node_limit = static_cast<uint32_t>(integerOr(row[kNodeLimit], kDefaultNodeLimit));
  d.omit_null_nodes = flagOr(row[kOmitNullNodes], false);
  d.remove_duplicates = flagOr(row[kRemoveDuplicates], true);
}

class TreeLoader {
 public:
  explicit TreeLoader(Panel& panel) : panel_(panel), database_(panel.database()) {
    nodes_.emplace(panel.rootNodeId(), &panel.root());
  }

  // Reads and attaches every row. False after a corrupt row (reported);
  // raises SQLiteException on a database error.
  bool loadRows();

 private:
  bool addRow(const db::SQLiteColumns& row);

  Panel& panel_;
  db::SQLiteDatabase& database_;
  // Every node made so far by its row id; the root under the panel's root id.
  std::map<int64_t, TreeNode*> nodes_;
};

bool TreeLoader::loadRows() {
  db::SQLiteColumns row;
  db::Prepared prepared = database_.Prepare(treeLoadStatement(panel_.rootNodeId()), &row);
  // Leaving early finalizes the statement through its handle.
  while (database_.Step(prepared.query) == db::kRow) {
    if (!addRow(row)) return false;
  }
  prepared.query.finalize();
  return true;
}

bool TreeLoader::addRow(const db::SQLiteColumns& row) {
  const int64_t type = integerOr(row[kNodeType], 0);
  std::unique_ptr<TreeNode> node;
  if (type >= 0 && type <= 0xFF) node = makeNode(static_cast<uint8_t>(type), &panel_);
  if (node == nullptr) {
    database_.LogToConsole(
        "This is a bug or the database is corrupt: Unknown tree node type " + std::to_string(type) + ".", false);
    return false;
  }
  const int64_t id = integerOr(row[kNodeId], -1);
  node->setNodeId(static_cast<int32_t>(id));
  const int64_t parent_id = integerOr(row[kParentId], -1);
  const auto found = nodes_.find(parent_id);
  if (found == nodes_.end()) {
    database_.LogToConsole(
        "This is a bug or the database is corrupt: Unknown tree node parent id " + std::to_string(parent_id) + ".",
        false);
    return false;
  }
  TreeNode* parent = found->second;
  node->setParent(parent);
  node->setLevel(byteOr(row[kLevel], 0));
  node->setLabel(textOf(row[kLabel]));
  node->setExpandedFlag(flagOr(row[kExpanded], false));
  const NodeAttributes* parent_attributes = parent->attributes();
  assert(parent_attributes != nullptr && node->attributes() != nullptr);
  readAttributes(row, *parent_attributes, *node->attributes());
  nodes_[id] = node.get();

  auto* query = node->type() == NodeType::kQuery ? static_cast<QueryNode*>(node.get()) : nullptr;
  if (query != nullptr) {
    readDefinition(row, query->definition());
    // A failure is reported there; the node loads without level options.
    loadLevelOptions(database_, *query);
  }
  if (panel_.attach(std::move(node), false) == nullptr) {
    nodes_.erase(id);
    database_.LogToConsole("Error while adding node \"" + textOf(row[kLabel]) + "\". Tree population aborted.",
                           false);
    return false;
  }
  return true;
}

// Runs the refresh-on-load nodes, in load order. Only once the load
// statement is done: stopping a refresh (Ctrl+C, "Abort query") interrupts
// every statement of the connection, and must not cut the load short too.
void refreshOnLoad(Panel& panel) {
  // By index: a run lets user input through, which may change the list.
  for (std::size_t i = 0; i < panel.queries().size(); ++i) {
    QueryNode* query = panel.queries()[i];
    if (query->definition().refresh_on_load) query->refresh(true);
  }
}

// Why the panel's root id does not name a stored tree's root row; empty
// when it does. A database error counts as a root row: the load that follows
// reports it and the root id is kept.
std::string notARootRow(Panel& panel) {
  db::SQLiteColumns row;
  try {
    if (!panel.database().HasRows("SELECT tri_parent_id IS NULL,tri_node_type FROM vos_TreeItem WHERE tri_node_id=" +
                                      std::to_string(panel.rootNodeId()),
                                  &row)) {
      return "there is no row with that id";
    }
  } catch (const db::SQLiteException&) {
    return {};
  }
  if (integerOr(row[0], 0) != 0) return {};
  switch (integerOr(row[1], 0)) {
    case static_cast<int64_t>(NodeType::kFolder): return "it is a folder's row";
    case static_cast<int64_t>(NodeType::kQuery): return "it is a query node's row";
    default: return "it is not a root row";
  }
}

// The stored trees whose root no open panel and no id of `held` shows, the
// one with the most nodes first (then the oldest).
std::vector<int32_t> unshownRoots(Panel& panel, const std::vector<int32_t>& held) {
  std::vector<int32_t> roots;
  try {
    db::SQLiteColumns row;
    db::SQLiteDatabase& database = panel.database();
    db::Prepared prepared = database.Prepare(
        "SELECT r.tri_node_id FROM vos_TreeItem r WHERE r.tri_parent_id IS NULL ORDER BY "
        "(SELECT count(*) FROM vos_TreePath p WHERE p.trp_parent_id=r.tri_node_id) DESC,r.tri_node_id",
        &row);
    while (database.Step(prepared.query) == db::kRow) {
      const auto id = static_cast<int32_t>(integerOr(row[0], 0));
      if (std::find(held.begin(), held.end(), id) == held.end() && !OpenPanels::instance().showsRoot(id)) {
        roots.push_back(id);
      }
    }
    prepared.query.finalize();
  } catch (const db::SQLiteException& e) {
    panel.database().LogToConsole(e.message(), true);
  }
  return roots;
}

// A panel whose root id names no stored tree takes the tree that no panel
// shows, which is the one it lost; without one it gets the example tree
// (root id 0). Either way the console says what happened, and names the
// stored trees that stay unshown.
void replaceRootId(Panel& panel, const std::string& reason, const std::vector<int32_t>& held) {
  std::vector<int32_t> unshown = unshownRoots(panel, held);
  std::string message = "The panel's root id " + std::to_string(panel.rootNodeId()) +
                        " does not name a stored tree (" + reason + "). ";
  PanelSettings settings = panel.settings();
  if (unshown.empty()) {
    settings.root_node_id = 0;
    message += "The panel gets a new example tree.";
  } else {
    settings.root_node_id = unshown.front();
    message += "The panel now shows the stored tree with root id " + std::to_string(unshown.front()) +
               ", which no other panel shows.";
    unshown.erase(unshown.begin());
  }
  if (!unshown.empty()) {
    message += " Stored trees that no panel shows have the root ids";
    for (std::size_t i = 0; i < unshown.size(); ++i) message += (i ? ", " : " ") + std::to_string(unshown[i]);
    message += ".";
  }
  panel.setSettings(settings);
  panel.database().LogToConsole(message, false);
}

}  // namespace

std::string treeLoadStatement(int64_t root_id) {
  std::string sql = "SELECT ";
  for (std::size_t i = 0; i < kColumnNames.size(); ++i) {
    if (i) sql += ',';
    sql += kColumnNames[i];
  }
  sql += " FROM vos_ViewTree WHERE vtr_id=" + std::to_string(root_id) + " ORDER BY tri_parent_id,tri_node_id";
  return sql;
}

bool loadTree(Panel& panel, const std::vector<int32_t>& held_elsewhere) {
  db::SQLiteDatabase& database = panel.database();
  if (panel.rootNodeId() != 0) {
    // The stored tree is gone, or the settings were damaged. Keeping the id
    // would leave the panel unable to store any node, since every new row
    // must hang below that root row.
    if (const std::string reason = notARootRow(panel); !reason.empty()) replaceRootId(panel, reason, held_elsewhere);
  }
  if (panel.rootNodeId() == 0) {
    createExampleNodes(panel);
    return true;
  }
  RedrawSuspension suspension(panel.control());
  const auto start = std::chrono::steady_clock::now();
  bool complete = false;
  try {
    TreeLoader loader(panel);
    complete = loader.loadRows();
  } catch (const db::SQLiteException& e) {
    database.LogToConsole(e.message(), true);
    return false;
  }
  refreshOnLoad(panel);
  if (!complete) return false;
  for (FolderNode* folder : panel.folders()) {
    if (folder->isExpanded() && folder->item() != nullptr) panel.control().setExpanded(folder->item(), true);
  }
  logTiming(database, "Tree load time: ", start);
  return true;
}

}  // namespace tree
