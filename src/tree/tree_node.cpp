// The base behaviour of nodes, item updates and attribute inheritance.
#include "tree/tree_node.h"

#include <vector>

#include "tree/panel.h"
#include "tree/tree_control.h"

namespace tree {

TreeNode::TreeNode(Panel* panel, TreeNode* parent, NodeType type, std::string label)
    : parent_(parent), label_(std::move(label)), type_(type), panel_(panel) {}

TreeNode::~TreeNode() = default;

bool TreeNode::edit() { return false; }
void TreeNode::click() {}
void TreeNode::middleClick() {}
std::string TreeNode::displayText() const { return label_; }
bool TreeNode::expanding() { return false; }
void TreeNode::expanded(bool) {}
bool TreeNode::refresh(bool) { return true; }
bool TreeNode::hasPendingChildren() const { return false; }

void TreeNode::updateItem(bool recursive) {
  if (item_ == nullptr || panel_ == nullptr) return;
  TreeControl& control = panel_->control();
  if (recursive) {
    // Updating a child may re-sort the children, so walk a snapshot.
    std::vector<TreeNode*> children;
    children.reserve(item_->childCount());
    for (std::size_t i = 0; i < item_->childCount(); ++i) {
      if (TreeNode* child = item_->child(i)->node()) children.push_back(child);
    }
    for (TreeNode* child : children) child->updateItem(true);
  }
  std::string text = displayText();
  const NodeAttributes* block = attributes();
  const uint16_t icon = block ? block->icon : kDefaultIcon;
  const ItemData& current = item_->data();
  const bool text_changed = text != current.text;
  if (!text_changed && icon == current.image && icon == current.selected_image) return;
  ItemData data = current;
  data.text = std::move(text);
  data.image = icon;
  data.selected_image = icon;
  control.setData(item_, data);
  // Result nodes stay in the order their query returned them.
  if (text_changed && type_ != NodeType::kQueryResult) control.sortChildren(item_->parent());
}

void resolveAttributes(const TreeNode& node, NodeAttributes& attributes) {
  if (!attributes.use_parent) return;
  if (const TreeNode* parent = node.parent()) {
    if (const NodeAttributes* from = parent->attributes()) attributes.inheritFrom(*from);
  } else if (const Panel* panel = node.panel()) {
    attributes.inheritFrom(panel->settings().nodeAttributes());
  }
}

}  // namespace tree
