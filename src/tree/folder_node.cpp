// Root and folder nodes: the stored nodes that only group others.
#include "tree/folder_node.h"

#include "tree/panel.h"
#include "tree/root_node.h"

namespace tree {

RootNode::RootNode(Panel* panel) : TreeNode(panel, nullptr, NodeType::kRoot, kRootLabel) {
  resolveAttributes(*this, attributes_);
}

FolderNode::FolderNode(Panel* panel, TreeNode* parent)
    : TreeNode(panel, parent, NodeType::kFolder, kNewFolderLabel) {
  resolveAttributes(*this, attributes_);
}

FolderNode::~FolderNode() {
  if (panel() != nullptr) panel()->forgetNode(this);
}

bool FolderNode::edit() {
  Panel* owner = panel();
  if (owner == nullptr || !owner->hooks().edit_node) return false;
  // Up to the save: a track change meanwhile re-runs nothing before it.
  EditingScope editing(*owner);
  if (!owner->hooks().edit_node(*this)) return false;
  if (!owner->save(*this)) return false;
  // Nodes that inherit from this folder follow its new attributes.
  owner->reapplyAttributes();
  return true;
}

void FolderNode::expanded(bool state) {
  setExpandedFlag(state);
  if (panel() != nullptr && nodeId() != 0) panel()->save(*this);
}

bool FolderNode::refresh(bool) {
  updateItem(false);
  return true;
}

}  // namespace tree
