// Click and middle-click dispatch of query and result nodes.
#include "tree/query_node.h"
#include "tree/query_result_node.h"

namespace tree {

void QueryNode::click() {}
void QueryNode::middleClick() {}
void QueryResultNode::click() {}
void QueryResultNode::middleClick() {}

}  // namespace tree
