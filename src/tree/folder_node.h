// FolderNode: a stored node that groups folder and query nodes. It keeps its
// expanded state in its row, so that folders come back open after loading.
#ifndef VOSTREL_TREE_FOLDER_NODE_H_
#define VOSTREL_TREE_FOLDER_NODE_H_

#include "tree/tree_node.h"

namespace tree {

inline constexpr const char* kNewFolderLabel = "New folder";

class FolderNode : public TreeNode {
 public:
  FolderNode(Panel* panel, TreeNode* parent);
  // Leaves the panel's folder list.
  ~FolderNode() override;

  // Runs the folder dialog through the panel's edit hook; on OK saves the
  // row and re-applies attributes across the panel.
  bool edit() override;
  // Stores the new state and saves the row.
  void expanded(bool state) override;
  // Updates its own item.
  bool refresh(bool interactive) override;
  NodeAttributes* attributes() override { return &attributes_; }

 private:
  NodeAttributes attributes_;
};

}  // namespace tree

#endif  // VOSTREL_TREE_FOLDER_NODE_H_
