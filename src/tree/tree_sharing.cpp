// Export walks the panel's items, since every stored node below a node is
// loaded as an item; import attaches new nodes as "New folder" and "New
// query" do, inside one outer transaction that a failure rolls back.
#include "tree/tree_sharing.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "db/database.h"
#include "db/exception.h"
#include "tree/folder_node.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "tree/tree_item.h"

namespace tree {

namespace {

// An inheriting block's icon and colours are its parent's, not its own.
NodeAttributes canonical(const NodeAttributes& attributes) {
  if (!attributes.use_parent) return attributes;
  return NodeAttributes{};
}

// Levels below `node`'s own (0 for a node without children).
unsigned depthBelow(const TreeFileNode& node) {
  unsigned depth = 0;
  for (const TreeFileNode& child : node.children) depth = std::max(depth, depthBelow(child) + 1);
  return depth;
}

class Importer {
 public:
  explicit Importer(Panel& panel) : panel_(panel) {}

  // Attaches `tree` and everything below it; nullptr after a failure, with
  // `top_` (when set) the node to take away again.
  TreeNode* add(TreeNode& parent, const TreeFileNode& tree) {
    std::unique_ptr<TreeNode> made;
    if (tree.type == NodeType::kQuery) {
      auto query = std::make_unique<QueryNode>(&panel_, &parent);
      query->definition() = tree.query;
      made = std::move(query);
    } else {
      made = std::make_unique<FolderNode>(&panel_, &parent);
    }
    made->setLabel(tree.label);
    made->setExpandedFlag(tree.expanded);
    *made->attributes() = tree.attributes;
    // Resolved before the insert, so that the stored row and level options
    // hold the values the node is drawn with.
    resolveAttributes(*made, *made->attributes());
    if (tree.type == NodeType::kQuery) propagateLevelAttributes(static_cast<QueryNode&>(*made), 0);
    TreeNode* node = panel_.attach(std::move(made), true);
    if (node == nullptr) {
      failed_label_ = tree.label;
      return nullptr;
    }
    if (top_ == nullptr) top_ = node;
    if (tree.type == NodeType::kFolder && tree.expanded) expand_.push_back(node);
    for (const TreeFileNode& child : tree.children) {
      if (add(*node, child) == nullptr) return nullptr;
    }
    return node;
  }

  // Takes the nodes added so far out of the control (the rows go with the
  // transaction's rollback).
  void discard() {
    if (top_ != nullptr && top_->item() != nullptr) panel_.control().remove(top_->item());
    top_ = nullptr;
  }

  void expandFolders() {
    for (TreeNode* node : expand_) panel_.control().setExpanded(node->item(), true);
  }

  const std::string& failedLabel() const { return failed_label_; }

 private:
  Panel& panel_;
  TreeNode* top_ = nullptr;
  std::vector<TreeNode*> expand_;
  std::string failed_label_;
};

}  // namespace

TreeFileNode captureNode(const TreeNode& node) {
  TreeFileNode out;
  out.type = node.type();
  out.label = node.label();
  out.expanded = node.isExpanded();
  if (const NodeAttributes* attributes = node.attributes()) out.attributes = canonical(*attributes);
  if (node.type() == NodeType::kQuery) {
    out.query = static_cast<const QueryNode&>(node).definition();
    for (std::size_t i = 0; i < out.query.level_options.size(); ++i) {
      QueryResultNodeOption& option = out.query.level_options[i];
      option.level = static_cast<uint8_t>(i + 1);
      option.attributes = canonical(option.attributes);
    }
    return out;
  }
  const TreeItem* item = node.item();
  for (std::size_t i = 0; item != nullptr && i < item->childCount(); ++i) {
    const TreeNode* child = item->child(i)->node();
    if (child != nullptr && (child->type() == NodeType::kFolder || child->type() == NodeType::kQuery)) {
      out.children.push_back(captureNode(*child));
    }
  }
  return out;
}

TreeNode& importParentFor(TreeNode& node) {
  TreeNode* at = &node;
  while (at->parent() != nullptr && at->type() != NodeType::kFolder && at->type() != NodeType::kRoot) {
    at = at->parent();
  }
  return *at;
}

TreeNode* importTree(Panel& panel, TreeNode& parent, const TreeFileNode& tree, const std::string& file,
                     std::string* error) {
  const std::string cannot = "Cannot import \"" + file + "\": ";
  if (parent.type() != NodeType::kRoot && parent.type() != NodeType::kFolder) {
    *error = cannot + "nodes are imported below a folder or at the top";
    return nullptr;
  }
  if (parent.level() + 1u + depthBelow(tree) > kMaxNodeLevel) {
    *error = cannot + "its nodes would lie below level " + std::to_string(kMaxNodeLevel) + ", the deepest a tree has";
    return nullptr;
  }
  db::SQLiteDatabase& database = panel.database();
  if (!database.isOpen()) {
    *error = cannot + "the panel's database is not open";
    return nullptr;
  }
  // The nodes a running statement builds on must stay as they are.
  if (database.IsBusy()) {
    *error = cannot + "a query of this panel is running";
    return nullptr;
  }
  if (parent.type() == NodeType::kRoot && panel.nodeForItem(nullptr) == nullptr) {
    *error = cannot + "the panel's tree could not be stored (the console says why)";
    return nullptr;
  }
  Importer importer(panel);
  TreeNode* top = nullptr;
  panel.control().suspendRedraw();
  try {
    db::TransactionGuard guard(database);
    guard.begin();
    top = importer.add(parent, tree);
    if (top != nullptr) guard.commit();
  } catch (const db::SQLiteException& e) {
    database.LogToConsole(e.message(), true);
    top = nullptr;
  }
  if (top == nullptr) {
    importer.discard();
    *error = importer.failedLabel().empty()
                 ? cannot + "the database refused the import (the console says why)"
                 : cannot + "the node \"" + importer.failedLabel() + "\" could not be stored (the console says why)";
    *error += "; nothing was imported";
  } else {
    importer.expandFolders();
    panel.control().select(top->item());
  }
  panel.control().resumeRedraw();
  return top;
}

TreeNode* importTreeText(Panel& panel, TreeNode& parent, std::string_view text, const std::string& file,
                         std::string* error) {
  TreeFileNode tree;
  try {
    tree = readTreeFile(text, file, parent.level());
  } catch (const TreeFileError& e) {
    *error = e.what();
    return nullptr;
  }
  return importTree(panel, parent, tree, file, error);
}

}  // namespace tree
