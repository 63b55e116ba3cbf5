// TreeNode: the base of every node a panel shows (root, folder, query and
// query result nodes). Nodes other than the root are owned by their tree
// items and destroyed with them.
#ifndef VOSTREL_TREE_TREE_NODE_H_
#define VOSTREL_TREE_TREE_NODE_H_

namespace tree {

class TreeNode {
 public:
  virtual ~TreeNode() = default;
};

}  // namespace tree

#endif  // VOSTREL_TREE_TREE_NODE_H_
