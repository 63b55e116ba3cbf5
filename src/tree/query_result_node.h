// QueryResultNode: one distinct value of one result column under the path
// of values above it, made by a run of its query node and never stored.
// Its level is the column's index plus 1 (not its depth, which is smaller
// when null values were omitted above it); its attributes are those of its
// level's option in the query node.
#ifndef VOSTREL_TREE_QUERY_RESULT_NODE_H_
#define VOSTREL_TREE_QUERY_RESULT_NODE_H_

#include <string>
#include <vector>

#include "tree/tree_node.h"

namespace tree {

class QueryNode;
struct QueryResultNodeOption;

// Room in the item text for the count box painted in front of the label.
inline constexpr const char* kCountRoom = " [000000]";

class QueryResultNode : public TreeNode {
 public:
  // REQUIRES: `query` is `parent` or an ancestor of it.
  QueryResultNode(TreeNode* parent, Panel* panel, QueryNode* query, uint8_t level_index,
                  std::string value_text);

  // Click actions of the query node, applied to this node's path.
  void click() override;
  void middleClick() override;
  std::string displayText() const override;
  NodeAttributes* attributes() override;

  QueryNode* queryNode() const { return query_; }
  // The option of this node's level, or nullptr when the query node has no
  // option for it (its options were rebuilt since the run).
  const QueryResultNodeOption* option() const;
  // Number of result-node children.
  uint32_t subitemCount() const { return subitem_count_; }
  // Number of childless result nodes below it (0 while it has no children).
  uint32_t leafCount() const { return leaf_count_; }

 private:
  friend class Panel;  // keeps the counts while attaching children

  QueryNode* query_;
  uint32_t subitem_count_ = 0;
  uint32_t leaf_count_ = 0;
};

// The values of every level from 1 down to `node`, with "<null>" for each
// level omitted between a node and its parent. Returns the query node.
QueryNode* resultPath(const QueryResultNode& node, std::vector<std::string>& path);

}  // namespace tree

#endif  // VOSTREL_TREE_QUERY_RESULT_NODE_H_
