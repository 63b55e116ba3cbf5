// What a click on a query node or one of its result nodes does: put the
// tracks behind the node into a playlist (add, insert or send), execute the
// node's SQL batch, or hand the node's SQL to the console.
//
// Click on a result node "Rock" of a query node whose click action is 9 with
// the target "Vostrel playlist": that playlist (found ignoring case, or made
// at the end) is emptied and filled with the tracks whose first column is
// Rock.
#ifndef VOSTREL_TREE_NODE_ACTIONS_H_
#define VOSTREL_TREE_NODE_ACTIONS_H_

#include <span>
#include <string>
#include <string_view>

#include "tree/query_definition.h"

namespace tree {

class QueryNode;

// The texts of the action lists, indexed by action code.
std::span<const std::string_view> actionTexts();
// What `action` does, for menus and tooltips: its text in the action lists,
// with the playlist's name for the target actions (Send to target playlist
// “Vostrel playlist”). Empty for codes that do nothing.
std::string actionName(const NodeAction& action);

// Runs `action` of `query` for the node at `path` (empty: the query node).
// Codes 0 and above 11 do nothing.
void dispatchAction(QueryNode& query, std::span<const std::string> path, const NodeAction& action);

// Actions 1 to 9. With no active playlist, actions 1, 4 and 7 fill the
// playlist "New playlist" (found ignoring case, or made at the end), which
// becomes the active one; 2, 5 and 8 do nothing while nothing plays.
void playlistAction(QueryNode& query, std::span<const std::string> path, const NodeAction& action);
// Action 10: runs `text`, or the node's batch when `text` is empty.
void executeSql(QueryNode& query, std::string_view text);
// Action 11: the console gets the node statement for `path` and runs it.
void sendToConsole(QueryNode& query, std::span<const std::string> path);

}  // namespace tree

#endif  // VOSTREL_TREE_NODE_ACTIONS_H_
