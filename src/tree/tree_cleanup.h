// The shut-down clean-up of stored trees: every tree whose root row no open
// panel shows is deleted (its nodes and level options go with the root row
// through the schema's cascading references).
//
//   tree::cleanUpUnusedTrees(host);   // at the host's shut-down hook
//
// A panel keeps its root id whether or not its tree could be loaded, and it
// stays in the open-panels list while its window exists, so a tree that
// failed to load is never deleted here. With no panel open at all the id
// list is empty and every stored tree is deleted: no layout shows a panel
// that could want one.
#ifndef VOSTREL_TREE_TREE_CLEANUP_H_
#define VOSTREL_TREE_TREE_CLEANUP_H_

#include <cstdint>
#include <string>
#include <vector>

namespace db {
class SQLiteDatabase;
}

namespace host {
class Host;
}

namespace tree {

// The root ids of all open panels, in list order.
std::vector<int32_t> openPanelRootIds();

// "DELETE FROM vos_TreeItem WHERE tri_node_id NOT IN (<ids>) AND
// tri_parent_id IS NULL" with the ids in decimal joined by ",".
std::string unusedTreesStatement(const std::vector<int32_t>& root_ids);

// Deletes every stored tree whose root id is not in `root_ids`. A database
// error is ignored without a message.
void deleteUnusedTrees(db::SQLiteDatabase& database, const std::vector<int32_t>& root_ids);

// Opens a fresh connection and deletes the trees that no open panel shows.
// Returns whether the connection could be opened.
bool cleanUpUnusedTrees(host::Host& host);

}  // namespace tree

#endif  // VOSTREL_TREE_TREE_CLEANUP_H_
