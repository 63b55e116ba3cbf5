// TreeNode: the base of every node a panel shows (root, folder, query and
// query result nodes).
//
// Nodes other than the root are owned by their tree items (TreeItem holds a
// unique_ptr) and destroyed with them; the root is a member of its Panel. A
// node knows its parent node and its item; the structure below a node is the
// item structure of the panel's TreeControl. Stored nodes (root, folder,
// query) carry the id of their vos_TreeItem row; result nodes never have one.
#ifndef VOSTREL_TREE_TREE_NODE_H_
#define VOSTREL_TREE_TREE_NODE_H_

#include <cstdint>
#include <string>

#include "tree/node_attributes.h"

namespace db {
class SQLiteColumns;
}

namespace tree {

class Panel;
class TreeItem;

class TreeNode {
 public:
  TreeNode(Panel* panel, TreeNode* parent, NodeType type, std::string label);
  virtual ~TreeNode();
  TreeNode(const TreeNode&) = delete;
  TreeNode& operator=(const TreeNode&) = delete;

  // Opens the node's dialog (through the panel's edit hook) and saves the
  // result. True when something was changed and saved.
  virtual bool edit();
  // Runs the node's click or middle-click action (query and result nodes).
  virtual void click();
  virtual void middleClick();
  // The text shown in the item. Result nodes whose level shows an item count
  // reserve room for the count box the view paints in front of the label.
  virtual std::string displayText() const;
  // Called before a user expansion; true cancels it.
  virtual bool expanding();
  // Called after a user expansion or collapse.
  virtual void expanded(bool state);
  // Brings the node up to date; `interactive` is false under "Refresh all".
  // True when it succeeded.
  virtual bool refresh(bool interactive);
  // Whether the item shows an expand button before it has children.
  virtual bool hasPendingChildren() const;
  // Appends the stored columns of the node (not parent, level and type).
  virtual void collectProperties(db::SQLiteColumns& properties) const;
  // The attribute block the node is drawn with; nullptr for a result node
  // whose level has no option.
  virtual NodeAttributes* attributes() = 0;
  const NodeAttributes* attributes() const { return const_cast<TreeNode*>(this)->attributes(); }

  // Brings the item's text and icon up to date with displayText() and the
  // attributes; re-sorts the siblings after a text change (except result
  // nodes, which keep the query's order). With `recursive` the children are
  // updated first.
  void updateItem(bool recursive);

  Panel* panel() const { return panel_; }
  TreeNode* parent() const { return parent_; }
  void setParent(TreeNode* parent) { parent_ = parent; }
  TreeItem* item() const { return item_; }
  int32_t nodeId() const { return node_id_; }
  void setNodeId(int32_t id) { node_id_ = id; }
  const std::string& label() const { return label_; }
  void setLabel(std::string label) { label_ = std::move(label); }
  uint8_t level() const { return level_; }
  void setLevel(uint8_t level) { level_ = level; }
  NodeType type() const { return type_; }
  bool isExpanded() const { return expanded_; }
  void setExpandedFlag(bool expanded) { expanded_ = expanded; }
  uint32_t widestSubitemCount() const { return widest_subitem_count_; }
  uint32_t widestLeafCount() const { return widest_leaf_count_; }
  void widenSubitemCount(uint32_t count) {
    if (count > widest_subitem_count_) widest_subitem_count_ = count;
  }
  void widenLeafCount(uint32_t count) {
    if (count > widest_leaf_count_) widest_leaf_count_ = count;
  }
  // Right edge of the label as last painted; 0 until painted.
  uint16_t labelExtent() const { return label_extent_; }
  void setLabelExtent(uint16_t extent) { label_extent_ = extent; }

 private:
  friend class Panel;  // sets the item when it attaches the node

  TreeNode* parent_;
  TreeItem* item_ = nullptr;
  int32_t node_id_ = 0;
  std::string label_;
  uint8_t level_ = 0;
  NodeType type_;
  bool expanded_ = false;
  uint32_t widest_subitem_count_ = 0;
  uint32_t widest_leaf_count_ = 0;
  uint16_t label_extent_ = 0;
  Panel* panel_;
};

// Inheritance of one attribute block: when its flag is set, the icon and
// colours are copied from the parent's block, or from the panel's settings
// for a node without a parent.
void resolveAttributes(const TreeNode& node, NodeAttributes& attributes);

}  // namespace tree

#endif  // VOSTREL_TREE_TREE_NODE_H_
