// TreeItem: one item of a TreeControl. Read-only outside the control.
#ifndef VOSTREL_TREE_TREE_ITEM_H_
#define VOSTREL_TREE_TREE_ITEM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tree {

class TreeNode;

// What an item shows.
struct ItemData {
  std::string text;
  uint16_t image = 0;
  uint16_t selected_image = 0;
  bool has_children = false;  // show an expand button before any child exists
};

class TreeItem {
 public:
  TreeItem();
  ~TreeItem();
  TreeItem(const TreeItem&) = delete;
  TreeItem& operator=(const TreeItem&) = delete;

  // nullptr for top-level items (and for the control's invisible top).
  TreeItem* parent() const { return parent_ && !parent_->is_top_ ? parent_ : nullptr; }
  std::size_t childCount() const { return children_.size(); }
  TreeItem* child(std::size_t row) const { return children_[row].get(); }
  // Index among the parent's children.
  std::size_t row() const { return row_; }
  const ItemData& data() const { return data_; }
  const std::string& text() const { return data_.text; }
  bool expanded() const { return expanded_; }
  // Whether the item shows an expand button: it has children or is marked.
  bool showsExpander() const { return data_.has_children || !children_.empty(); }
  // The node the item shows; nullptr once the item is being removed.
  TreeNode* node() const { return node_.get(); }

 private:
  friend class TreeControl;

  TreeItem* parent_ = nullptr;  // the control's top for top-level items
  bool is_top_ = false;
  std::size_t row_ = 0;
  std::vector<std::unique_ptr<TreeItem>> children_;
  ItemData data_;
  bool expanded_ = false;
  std::unique_ptr<TreeNode> node_;
};

}  // namespace tree

#endif  // VOSTREL_TREE_TREE_ITEM_H_
