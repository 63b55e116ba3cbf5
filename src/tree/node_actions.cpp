// Click and middle-click dispatch of query and result nodes. A result node
// uses the records of its query node, applied to its result path. No action
// is wired here yet: a click does nothing.
#include "tree/query_node.h"
#include "tree/query_result_node.h"

namespace tree {

void QueryNode::click() {}
void QueryNode::middleClick() {}
void QueryResultNode::click() {}
void QueryResultNode::middleClick() {}

}  // namespace tree
