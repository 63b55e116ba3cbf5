// The editing rules of the node dialogs, without a window: what the folder
// dialog and the query property sheet enable, and what their Apply, Revert
// and OK do to the node. The Qt dialogs show a QuerySheet; the `node`
// command drives one directly.
//
//   QuerySheet sheet(node, panel.database());
//   sheet.sql_text = "SELECT artist, album FROM MediaLibrary;";
//   sheet.sqlTextChanged();
//   if (!sheet.ok(&error)) ...      // "Too many columns for the query:\n\n..."
#ifndef VOSTREL_TREE_NODE_EDITING_H_
#define VOSTREL_TREE_NODE_EDITING_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tree/query_definition.h"

namespace db {
class SQLiteDatabase;
}

namespace tree {

class QueryNode;

// The label and text rule of the dialogs: blanks (space, tab, CR, LF)
// trimmed at both ends, then one trailing ";" dropped and trimmed again.
std::string normalizeStatement(std::string_view text);

// OK of the folder dialog: the trimmed label is not empty.
bool folderOkEnabled(std::string_view label);

// What the controls of one action allow for an action code.
struct ActionControls {
  bool target_playlist = false;   // codes 3, 6, 9
  bool activate_playlist = false; // codes 2, 3, 5, 6, 8, 9
  bool select_items = false;      // codes 1 to 9
  bool start_playback = false;    // codes 1 to 9
};
ActionControls actionControls(uint8_t code);

// The node limit field: an unsigned number; empty, 0 or not a number stores
// 2^32 - 1.
uint32_t parseNodeLimit(std::string_view text);

// Level options rebuilt from result column names: one per column, at most
// 255 - `node_level`; an old option of the same name keeps its attributes and
// item count.
std::vector<QueryResultNodeOption> rebuildLevelOptions(const std::vector<QueryResultNodeOption>& old,
                                                       const std::vector<std::string>& columns,
                                                       unsigned node_level);

// The query property sheet's state over one query node.
class QuerySheet {
 public:
  // Fills the fields from the node (the sheet's opening).
  QuerySheet(QueryNode& node, db::SQLiteDatabase& db);

  // Page values, as the controls hold them.
  std::string label;
  bool use_parent_attributes = true;
  std::string sql_text;
  NodeAction click;
  NodeAction middle_click;
  std::string batch;
  bool refresh_on_load = false;
  bool refresh_on_use = false;
  std::string node_limit;
  bool omit_null_nodes = false;
  bool remove_duplicates = true;
  bool batch_running = false;

  // Every change of the SQL text sets the modified flag.
  void sqlTextChanged() { modified_ = true; }
  bool modified() const { return modified_; }
  const std::string& appliedSql() const { return applied_sql_; }

  struct EnableState {
    bool ok = false;
    bool icon_and_colours = false;
    bool apply = false;
    bool revert = false;
    bool edit_level = false;
    ActionControls click;
    ActionControls middle_click;
    bool validate = false;
    bool execute = false;
    bool tree_console = false;
  };
  EnableState enableState() const;

  // Checks the SQL text, keeps only its last statement and rebuilds the
  // node's level options from its columns. False with the message in
  // `error` ("Invalid query statement:\n\n...", "Too many columns for the
  // query:\n\n..." or the database error).
  bool apply(std::string* error);
  void revert();
  // Validates the batch; on success it is replaced by its normalised text.
  bool validateBatch(std::string* error);
  // Takes every value into the node, running Apply first when the SQL text
  // was modified. False (the node's SQL and levels untouched by this call
  // beyond what Apply did) when Apply fails.
  bool ok(std::string* error);

 private:
  unsigned nodeLevel() const;

  QueryNode& node_;
  db::SQLiteDatabase& db_;
  std::string applied_sql_;
  bool modified_ = false;
};

}  // namespace tree

#endif  // VOSTREL_TREE_NODE_EDITING_H_
