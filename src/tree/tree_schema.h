// The stored trees: vos_TreeItem (one row per root, folder and query node),
// vos_TreePath (one row per node and ancestor, kept by insert triggers),
// vos_QueryNodeDetail (one row per result level of a query node) and the
// view vos_ViewTree, which joins nodes with their ancestors so that
//
//   SELECT * FROM vos_ViewTree WHERE vtr_id = 7
//
// returns the whole subtree below node 7.
#ifndef VOSTREL_TREE_TREE_SCHEMA_H_
#define VOSTREL_TREE_TREE_SCHEMA_H_

namespace db {
class SQLiteDatabase;
}

namespace tree {

inline constexpr int kTreeItemVersion = 3;
inline constexpr int kTreePathVersion = 0;
inline constexpr int kQueryNodeDetailVersion = 1;

// Creates or migrates the tree tables, indexes, triggers and view inside the
// caller's transaction, and repairs the ancestor table (below). Reports its
// own errors to the host console (framed) and sets the process-wide
// schema-ready flag only when it succeeded. An error that says the file is
// damaged is raised instead, for the open to report.
void BuildTreeSchema(db::SQLiteDatabase& db);

// vos_TreePath is derived from the parent links of vos_TreeItem. When it
// holds other pairs than those links give (rows deleted, the table dropped
// and made again empty), it is rebuilt from them and a console line says so.
// Returns whether it was rebuilt. Raises SQLiteException.
bool RepairTreePaths(db::SQLiteDatabase& db);

}  // namespace tree

#endif  // VOSTREL_TREE_TREE_SCHEMA_H_
