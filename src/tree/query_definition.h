// What a query node holds besides its label and attributes: its SQL, the
// click and middle-click actions, the run options and one option record per
// result level. Copyable, so that dialogs and the example tree can prepare a
// definition before a node exists.
#ifndef VOSTREL_TREE_QUERY_DEFINITION_H_
#define VOSTREL_TREE_QUERY_DEFINITION_H_

#include <cstdint>
#include <string>
#include <vector>

#include "tree/node_attributes.h"

namespace tree {

// Action codes of NodeAction::action. Codes above kSendToConsole do nothing.
enum ActionCode : uint8_t {
  kNoAction = 0,
  kAddToActive = 1,
  kAddToPlaying = 2,
  kAddToTarget = 3,
  kInsertIntoActive = 4,
  kInsertIntoPlaying = 5,
  kInsertIntoTarget = 6,
  kSendToActive = 7,
  kSendToPlaying = 8,
  kSendToTarget = 9,
  kExecuteSql = 10,
  kSendToConsole = 11,
};

// One button's action (the tri_click_* or tri_middle_click_* columns).
struct NodeAction {
  uint8_t action = kNoAction;
  std::string target_playlist;
  bool activate_playlist = true;
  bool select_items = false;
  bool start_playback = false;

  bool operator==(const NodeAction&) const = default;
};

// Item count shown in front of a result node's label.
enum ShowItemCount : uint8_t { kShowNoCount = 0, kShowSubitems = 1, kShowLeaves = 2 };

// One result level (one vos_QueryNodeDetail row).
struct QueryResultNodeOption {
  std::string name;   // the query column the level comes from
  uint8_t level = 0;  // 1 for the first column
  NodeAttributes attributes;
  uint8_t show_item_count = kShowNoCount;

  bool operator==(const QueryResultNodeOption&) const = default;
};

inline constexpr uint32_t kDefaultNodeLimit = 50000;

struct QueryDefinition {
  NodeAction click;
  NodeAction middle_click;
  bool refresh_on_load = false;
  bool refresh_on_use = false;
  uint32_t node_limit = kDefaultNodeLimit;
  bool omit_null_nodes = false;
  bool remove_duplicates = true;
  std::vector<QueryResultNodeOption> level_options;  // level order
  std::string sql_query;
  std::string sql_batch;

  bool operator==(const QueryDefinition&) const = default;
};

}  // namespace tree

#endif  // VOSTREL_TREE_QUERY_DEFINITION_H_
