#include "app/node_lookup.h"

#include <iostream>

#include "app/tree_output.h"
#include "tree/panel.h"
#include "tree/tree_control.h"
#include "tree/tree_item.h"
#include "tree/tree_node.h"

namespace app {
namespace {

bool isStored(const tree::TreeNode& node) {
  return node.type() == tree::NodeType::kFolder || node.type() == tree::NodeType::kQuery;
}

tree::TreeNode* findById(const tree::TreeItem& parent, int32_t id) {
  for (std::size_t i = 0; i < parent.childCount(); ++i) {
    const tree::TreeItem& item = *parent.child(i);
    tree::TreeNode* node = item.node();
    if (node != nullptr && isStored(*node) && node->nodeId() == id) return node;
    if (node != nullptr && node->type() == tree::NodeType::kQueryResult) continue;
    if (tree::TreeNode* found = findById(item, id)) return found;
  }
  return nullptr;
}

// ASCII letters folded; other bytes compared as they are.
bool equalIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

}  // namespace

std::string NodeRef::describe() const { return id ? "--id " + std::to_string(*id) : path; }

tree::TreeNode* findNodeById(tree::Panel& panel, int32_t id) {
  if (panel.root().nodeId() == id) return &panel.root();
  return findById(*panel.control().top(), id);
}

std::string joinNodePath(std::span<const std::string> labels) {
  // A leading empty label needs the leading "/" to be seen.
  std::string path = !labels.empty() && labels.front().empty() ? "/" : "";
  for (std::size_t i = 0; i < labels.size(); ++i) {
    const std::string& label = labels[i];
    if (i > 0) path += '/';
    for (const char c : label) {
      if (c == '/' || c == '\\') path += '\\';
      path += c;
    }
  }
  return labels.empty() ? "/" : path;
}

std::string caseInsensitiveMatch(tree::Panel& panel, std::string_view path) {
  const tree::TreeItem* parent = panel.control().top();
  std::vector<std::string> found;
  for (const std::string& label : splitNodePath(path)) {
    const tree::TreeItem* next = nullptr;
    for (std::size_t i = 0; parent != nullptr && i < parent->childCount() && next == nullptr; ++i) {
      const tree::TreeItem* child = parent->child(i);
      if (child->node() != nullptr && equalIgnoringCase(child->node()->label(), label)) next = child;
    }
    if (next == nullptr) return {};
    found.push_back(next->node()->label());
    parent = next;
  }
  return found.empty() ? std::string() : joinNodePath(found);
}

tree::TreeNode* resolveNode(tree::Panel& panel, const NodeRef& ref, std::ostream& err) {
  if (ref.id) {
    tree::TreeNode* node = findNodeById(panel, *ref.id);
    if (node == nullptr) err << "No node with id " << *ref.id << " (tree --ids shows them)\n";
    return node;
  }
  tree::TreeNode* node = findNode(panel, ref.path);
  if (node != nullptr) return node;
  err << "No node at " << ref.path;
  const std::string match = caseInsensitiveMatch(panel, ref.path);
  if (!match.empty()) err << "; labels are matched with their letter case: did you mean " << match << "?";
  err << "\n";
  return nullptr;
}

}  // namespace app
