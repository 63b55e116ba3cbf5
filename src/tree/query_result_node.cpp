// Result nodes: labels, count room, attributes of their level, result paths.
#include "tree/query_result_node.h"

#include "query/level_query.h"
#include "tree/query_node.h"

namespace tree {

QueryResultNode::QueryResultNode(TreeNode* parent, Panel* panel, QueryNode* query, uint8_t level_index,
                                 std::string value_text)
    : TreeNode(panel, parent, NodeType::kQueryResult, std::move(value_text)), query_(query) {
  setLevel(static_cast<uint8_t>(level_index + 1));
  if (NodeAttributes* block = attributes()) resolveAttributes(*this, *block);
}

const QueryResultNodeOption* QueryResultNode::option() const {
  return level() == 0 ? nullptr : query_->levelOption(level() - 1u);
}

NodeAttributes* QueryResultNode::attributes() {
  QueryResultNodeOption* own = level() == 0 ? nullptr : query_->levelOption(level() - 1u);
  return own ? &own->attributes : nullptr;
}

std::string QueryResultNode::displayText() const {
  const QueryResultNodeOption* own = option();
  if (own != nullptr && (own->show_item_count == kShowSubitems || own->show_item_count == kShowLeaves)) {
    return label() + kCountRoom;
  }
  return label();
}

QueryNode* resultPath(const QueryResultNode& node, std::vector<std::string>& path) {
  path.clear();
  QueryNode* query = node.queryNode();
  const TreeNode* child = &node;
  // Built back to front: each step puts the child's label first, then one
  // "<null>" per level omitted between the child and its parent.
  while (child != nullptr && child != query) {
    path.insert(path.begin(), child->label());
    const TreeNode* parent = child->parent();
    const unsigned above = (parent == nullptr || parent == query) ? 0u : parent->level();
    for (unsigned level = child->level(); level > above + 1; --level) {
      path.insert(path.begin(), std::string(query::kNullLabel));
    }
    child = parent;
  }
  return query;
}

}  // namespace tree
