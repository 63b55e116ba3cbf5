// The `tree` command's listings of a panel's tree, and node paths:
// labels from the top of the tree separated by "/", with "\/" standing for
// "/", "\\" for "\" and "\n" for a line feed inside a label. The text
// listing writes labels the same way, so a printed label can be pasted into
// a path.
#ifndef VOSTREL_APP_TREE_OUTPUT_H_
#define VOSTREL_APP_TREE_OUTPUT_H_

#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace tree {
class Panel;
class TreeNode;
}

namespace app {

// Appends `label` as a path writes it.
void appendPathLabel(std::string_view label, std::string& out);

// One line per node below the root, two spaces per depth; "(n) " or "[n] "
// before a result node whose level shows an item count; with `ids`, "  #N"
// after the label of a folder or query node.
std::string treeText(tree::Panel& panel, bool ids = false);
nlohmann::ordered_json treeJson(tree::Panel& panel);

// The labels of a path; "" and "/" are the empty path (the top).
std::vector<std::string> splitNodePath(std::string_view path);

// The node at `path`: the first child with each label in turn. A query node
// that has no result nodes is refreshed (interactively) before the walk goes
// below it. nullptr when there is no such node.
tree::TreeNode* findNode(tree::Panel& panel, std::string_view path);

// The stored row of a folder or query node (every tri_ column without its
// prefix) and its level options; null when the node has no row.
nlohmann::ordered_json storedDefinition(tree::Panel& panel, const tree::TreeNode& node);

}  // namespace app

#endif  // VOSTREL_APP_TREE_OUTPUT_H_
