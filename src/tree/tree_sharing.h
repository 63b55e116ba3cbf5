// Sharing trees: a folder or query node with everything stored below it
// taken out of a panel as a TreeFileNode (and so as a tree file), and a tree
// file's nodes put below a folder of a panel in one transaction.
//
//   const std::string text = tree::writeTreeFile(tree::captureNode(node));
//   std::string error;
//   if (tree::importTreeText(panel, folder, text, "mine.json", &error) == nullptr) ...
#ifndef VOSTREL_TREE_TREE_SHARING_H_
#define VOSTREL_TREE_TREE_SHARING_H_

#include <string>
#include <string_view>

#include "tree/tree_file.h"

namespace tree {

class Panel;
class TreeNode;

// The stored content of `node` (a folder or query node) and of every folder
// and query node below it, as the panel holds them. Result nodes are never
// stored and stay out. An inheriting attribute block keeps only its flag.
TreeFileNode captureNode(const TreeNode& node);

// Adds `tree` below `parent` (the panel's root or a folder): every node of it
// or, after any failure, none. The new folders stored expanded are expanded.
// Returns the new top node, or nullptr with the reason in `error`, which
// names `file` ("Cannot import "mine.json": ..."). A database error is also
// written framed to the console. Query nodes are not run.
TreeNode* importTree(Panel& panel, TreeNode& parent, const TreeFileNode& tree, const std::string& file,
                     std::string* error);

// Where a file imported "on" `node` goes: a folder or the root itself, the
// folder (or root) that holds a query node, or that of a result node's query.
TreeNode& importParentFor(TreeNode& node);

// Reads the tree file `text` for a place below `parent` (readTreeFile) and
// imports it (importTree). A file that cannot be read changes nothing.
TreeNode* importTreeText(Panel& panel, TreeNode& parent, std::string_view text, const std::string& file,
                         std::string* error);

}  // namespace tree

#endif  // VOSTREL_TREE_TREE_SHARING_H_
