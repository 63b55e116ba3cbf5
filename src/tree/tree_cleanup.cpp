// The shut-down clean-up of stored trees that no open panel shows.
#include "tree/tree_cleanup.h"

#include "db/database.h"
#include "tree/open_panels.h"
#include "tree/panel.h"

namespace tree {

std::vector<int32_t> openPanelRootIds() {
  std::vector<int32_t> ids;
  for (const Panel* panel : OpenPanels::instance().panels()) ids.push_back(panel->rootNodeId());
  return ids;
}

std::string unusedTreesStatement(const std::vector<int32_t>& root_ids) {
  std::string list;
  for (int32_t id : root_ids) {
    if (!list.empty()) list += ',';
    list += std::to_string(id);
  }
  return "DELETE FROM vos_TreeItem WHERE tri_node_id NOT IN (" + list + ") AND tri_parent_id IS NULL";
}

void deleteUnusedTrees(db::SQLiteDatabase& database, const std::vector<int32_t>& root_ids) {
  try {
    database.Execute(unusedTreesStatement(root_ids));
  } catch (const db::SQLiteException&) {
    // Nothing can be done about it at shut-down; the trees stay stored.
  }
}

bool cleanUpUnusedTrees(host::Host& host) {
  const std::vector<int32_t> ids = openPanelRootIds();
  db::SQLiteDatabase database(host);
  if (!database.Open()) return false;
  deleteUnusedTrees(database, ids);
  return true;
}

}  // namespace tree
