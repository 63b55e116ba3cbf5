// Loading a panel's stored tree: every node row below the panel's root is
// read with one statement over vos_ViewTree, made into a node and attached
// to the panel's control, parents before children. Folders stored expanded
// are expanded again; query nodes marked refresh-on-load run once every row
// is read, in load order.
// A panel without a root row (root id 0) gets the example tree instead.
//
//   tree::Panel panel(host, ui);
//   panel.readSettings(record);         // the root id
//   if (!panel.open() || !tree::loadTree(panel)) ...  // "Unable to populate tree."
#ifndef VOSTREL_TREE_TREE_LOADER_H_
#define VOSTREL_TREE_TREE_LOADER_H_

#include <cstdint>
#include <string>
#include <vector>

namespace tree {

class Panel;

// Loads the tree below the panel's root node. Returns true when every row
// was loaded (or the example tree was made for a panel with root id 0);
// false when a corrupt row or a database error stopped the load, which has
// then been written to the console. The nodes attached before the failing
// row stay. A tree that failed to load keeps its root id, so it is still the
// panel's and stays stored.
//
// A root id that names no root row (no such row, a folder's or a query
// node's row) is replaced, with a console line saying so: by the stored tree
// with the most nodes that neither an open panel nor an id of
// `held_elsewhere` (the roots of the layout's other panels) shows, else by a
// new example tree.
// REQUIRES: the panel's connection is open.
bool loadTree(Panel& panel, const std::vector<int32_t>& held_elsewhere = {});

// The statement that reads every node row below root `root_id`, parents
// before children.
std::string treeLoadStatement(int64_t root_id);

}  // namespace tree

#endif  // VOSTREL_TREE_TREE_LOADER_H_
