// The SQL behind stored nodes: their property lists, and the level options
// of query nodes in vos_QueryNodeDetail. Rows of vos_TreeItem are inserted,
// updated and deleted through Panel (insertRow, save, deleteNode).
#ifndef VOSTREL_TREE_NODE_STORE_H_
#define VOSTREL_TREE_NODE_STORE_H_

namespace db {
class SQLiteDatabase;
}

namespace tree {

class QueryNode;

// Replaces the node's vos_QueryNodeDetail rows with one row per level
// option. Runs inside the caller's transaction; raises SQLiteException.
void saveLevelOptions(db::SQLiteDatabase& database, const QueryNode& node);

// Reads the node's level options from vos_QueryNodeDetail. Options whose
// flag is set, and NULL colour or icon columns, take the query node's
// values. On a database error the message is written framed to the console
// and the result is false.
bool loadLevelOptions(db::SQLiteDatabase& database, QueryNode& node);

}  // namespace tree

#endif  // VOSTREL_TREE_NODE_STORE_H_
