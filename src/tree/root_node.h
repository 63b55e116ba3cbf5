// RootNode: the invisible top of a panel's tree. A member of its Panel (not
// owned by an item, and without an item of its own); its children are the
// control's top-level items. Its row id is the root id the panel keeps in its
// settings, 0 until the root row has been inserted.
#ifndef VOSTREL_TREE_ROOT_NODE_H_
#define VOSTREL_TREE_ROOT_NODE_H_

#include "tree/tree_node.h"

namespace tree {

inline constexpr const char* kRootLabel = "#ROOT#";

class RootNode : public TreeNode {
 public:
  explicit RootNode(Panel* panel);

  NodeAttributes* attributes() override { return &attributes_; }

 private:
  NodeAttributes attributes_;
};

}  // namespace tree

#endif  // VOSTREL_TREE_ROOT_NODE_H_
