// The example tree: folders and query nodes that show how queries are
// written, made for a panel without a stored tree and on the user's
// "Create example nodes". Running it again completes the tree without
// duplicating it:
//
//   <Examples>
//     Library       Album, Genre                   (send to "Vostrel playlist")
//     Maintenance   Rebuild MediaLibrary table,
//                   Rebuild Playlist table         (Execute SQL)
//     Statistics    Incomplete albums,
//                   Tracks per playlist            (send to the console)
#ifndef VOSTREL_TREE_EXAMPLE_NODES_H_
#define VOSTREL_TREE_EXAMPLE_NODES_H_

#include <string>
#include <string_view>
#include <vector>

#include "tree/query_definition.h"

namespace db {
class SQLiteDatabase;
}

namespace tree {

class FolderNode;
class Panel;
class QueryNode;
class TreeNode;

inline constexpr const char* kExampleTargetPlaylist = "Vostrel playlist";

// Builds or completes the example tree below the panel's root, inserting the
// root row first when the panel has none. Nodes that exist with the same
// label under the same parent are reused; the level options of "Album" and
// "Genre" are rebuilt from the example queries' columns (keeping the
// settings of levels whose names still match) unless the user has changed
// that node's query. Stops at the first node that cannot be made (reported
// by the attach) or the first database error (written framed to the
// console); the nodes made before stay.
void createExampleNodes(Panel& panel);

// The panel's first folder below `parent` labelled `label` (byte for byte),
// or a new stored folder with that label. nullptr when it cannot be made.
FolderNode* exampleFolder(Panel& panel, std::string_view label, TreeNode& parent);

// The panel's first query node below `parent` labelled `label`, returned
// unchanged, or a new stored query node with that label and a copy of
// `definition`. nullptr when it cannot be made.
QueryNode* exampleQuery(Panel& panel, std::string_view label, TreeNode& parent, const QueryDefinition& definition);

// The result column names of the last statement of `sql`, which is prepared
// but not run. Raises db::SQLiteException.
std::vector<std::string> resultColumns(db::SQLiteDatabase& database, std::string_view sql);

}  // namespace tree

#endif  // VOSTREL_TREE_EXAMPLE_NODES_H_
