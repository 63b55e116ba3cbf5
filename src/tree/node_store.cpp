// Inserting, updating and deleting node rows, and the level options of query
// nodes. Every statement text is composed from property lists:
//
//   INSERT INTO vos_TreeItem(tri_parent_id,tri_level,...)VALUES (1,1,...)
//   UPDATE vos_TreeItem SET tri_label='Rock',... WHERE tri_node_id=7
#include "tree/node_store.h"

#include <sqlite3.h>

#include "db/database.h"
#include "host/host.h"
#include "tree/panel.h"
#include "tree/query_node.h"

namespace tree {

namespace {

void appendAttributes(db::SQLiteColumns& p, const NodeAttributes& a, const char* prefix) {
  const std::string pre(prefix);
  p.emplace(pre + "color_text", static_cast<int64_t>(a.text));
  p.emplace(pre + "color_back", static_cast<int64_t>(a.back));
  p.emplace(pre + "color_text_selected", static_cast<int64_t>(a.text_selected));
  p.emplace(pre + "color_back_selected", static_cast<int64_t>(a.back_selected));
  p.emplace(pre + "color_text_selected_inactive", static_cast<int64_t>(a.text_selected_inactive));
  p.emplace(pre + "color_back_selected_inactive", static_cast<int64_t>(a.back_selected_inactive));
}

void appendAction(db::SQLiteColumns& p, const NodeAction& action, const std::string& prefix) {
  p.emplace(prefix + "action", action.action);
  p.emplace(prefix + "target_playlist", action.target_playlist);
  p.emplace(prefix + "activate_playlist", action.activate_playlist);
  p.emplace(prefix + "select_items", action.select_items);
  p.emplace(prefix + "start_playback", action.start_playback);
}

std::string assignments(const db::SQLiteColumns& properties) {
  std::string out;
  for (const db::SQLiteColumn& column : properties) {
    if (!out.empty()) out += ',';
    out += column.name() + "=" + db::sqlLiteral(column);
  }
  return out;
}

}  // namespace

void TreeNode::collectProperties(db::SQLiteColumns& p) const {
  const NodeAttributes* a = attributes();
  const NodeAttributes none;
  if (a == nullptr) a = &none;
  p.emplace("tri_label", label());
  p.emplace("tri_parent_node_attributes", a->use_parent);
  appendAttributes(p, *a, "tri_");
  p.emplace("tri_icon", static_cast<int32_t>(a->icon));
  p.emplace("tri_expanded", isExpanded());
}

void QueryNode::collectProperties(db::SQLiteColumns& p) const {
  TreeNode::collectProperties(p);
  const QueryDefinition& d = definition_;
  p.emplace("tri_sql_query", d.sql_query);
  p.emplace("tri_sql_batch", d.sql_batch);
  appendAction(p, d.click, "tri_click_");
  appendAction(p, d.middle_click, "tri_middle_click_");
  p.emplace("tri_refresh_on_load", d.refresh_on_load);
  p.emplace("tri_refresh_on_use", d.refresh_on_use);
  p.emplace("tri_node_limit", static_cast<int64_t>(d.node_limit));
  p.emplace("tri_omit_null_nodes", d.omit_null_nodes);
  p.emplace("tri_remove_duplicates", d.remove_duplicates);
}

void saveLevelOptions(db::SQLiteDatabase& database, const QueryNode& node) {
  const std::string id = std::to_string(node.nodeId());
  database.Execute("DELETE FROM vos_QueryNodeDetail WHERE tri_node_id=" + id);
  for (const QueryResultNodeOption& option : node.definition().level_options) {
    db::SQLiteColumns p;
    p.emplace("tri_node_id", node.nodeId());
    p.emplace("qnd_level", option.level);
    p.emplace("qnd_name", option.name);
    p.emplace("qnd_parent_node_attributes", option.attributes.use_parent);
    appendAttributes(p, option.attributes, "qnd_");
    p.emplace("qnd_icon", static_cast<int32_t>(option.attributes.icon));
    p.emplace("qnd_show_item_count", option.show_item_count);
    database.Execute("INSERT INTO vos_QueryNodeDetail(" + p.nameList() + ")VALUES (" + p.valueList() + ")");
  }
}

bool loadLevelOptions(db::SQLiteDatabase& database, QueryNode& node) {
  std::vector<QueryResultNodeOption>& options = node.definition().level_options;
  options.clear();
  if (!database.isOpen()) return false;
  const NodeAttributes& own = *node.attributes();
  try {
    db::SQLiteColumns row;
    db::Prepared prepared = database.Prepare(
        "SELECT qnd_level,qnd_name,qnd_parent_node_attributes,qnd_color_text,qnd_color_back,"
        "qnd_color_text_selected,qnd_color_back_selected,qnd_color_text_selected_inactive,"
        "qnd_color_back_selected_inactive,qnd_icon,qnd_show_item_count FROM vos_QueryNodeDetail "
        "WHERE tri_node_id=" +
            std::to_string(node.nodeId()) + " ORDER BY tri_node_id,qnd_level",
        &row);
    while (database.Step(prepared.query) == db::kRow) {
      QueryResultNodeOption& option = options.emplace_back();
      option.level = static_cast<uint8_t>(row[0].int64Or(0));
      option.name = row[1].textOr("");
      option.attributes = own;
      option.attributes.use_parent = row[2].isNull() ? true : row[2].int64Or(1) != 0;
      if (!option.attributes.use_parent) {
        NodeAttributes& a = option.attributes;
        a.text = static_cast<Colour>(row[3].int64Or(own.text));
        a.back = static_cast<Colour>(row[4].int64Or(own.back));
        a.text_selected = static_cast<Colour>(row[5].int64Or(own.text_selected));
        a.back_selected = static_cast<Colour>(row[6].int64Or(own.back_selected));
        a.text_selected_inactive = static_cast<Colour>(row[7].int64Or(own.text_selected_inactive));
        a.back_selected_inactive = static_cast<Colour>(row[8].int64Or(own.back_selected_inactive));
        a.icon = static_cast<uint16_t>(row[9].int64Or(own.icon));
      }
      option.show_item_count = static_cast<uint8_t>(row[10].int64Or(0));
    }
    prepared.query.finalize();
  } catch (const db::SQLiteException& e) {
    database.LogToConsole(e.message(), true);
    return false;
  }
  return true;
}

bool Panel::insertRow(TreeNode& node, db::SQLiteColumns& properties) {
  if (!database_.isOpen()) return false;
  try {
    db::TransactionGuard guard(database_);
    guard.begin();
    database_.Execute("INSERT INTO vos_TreeItem(" + properties.nameList() + ")VALUES (" +
                      properties.valueList() + ")");
    node.setNodeId(static_cast<int32_t>(sqlite3_last_insert_rowid(database_.handle())));
    if (node.type() == NodeType::kQuery) saveLevelOptions(database_, static_cast<QueryNode&>(node));
    guard.commit();
  } catch (const db::SQLiteException& e) {
    database_.LogToConsole(e.message(), true);
    return false;
  }
  return true;
}

bool Panel::save(TreeNode& node) {
  if (!database_.isOpen()) return false;
  if (NodeAttributes* a = node.attributes()) resolveAttributes(node, *a);
  db::SQLiteColumns properties;
  node.collectProperties(properties);
  try {
    db::TransactionGuard guard(database_);
    guard.begin();
    database_.Execute("UPDATE vos_TreeItem SET " + assignments(properties) +
                      " WHERE tri_node_id=" + std::to_string(node.nodeId()));
    if (node.type() == NodeType::kQuery) saveLevelOptions(database_, static_cast<QueryNode&>(node));
    guard.commit();
  } catch (const db::SQLiteException& e) {
    database_.LogToConsole(e.message(), true);
    return false;
  }
  node.updateItem(false);
  return true;
}

bool Panel::deleteNode(TreeNode& node) {
  if (node.type() != NodeType::kFolder && node.type() != NodeType::kQuery) return false;
  if (!database_.isOpen()) return false;
  // While a statement of this panel runs (events are let through), the
  // nodes it builds on must stay.
  if (database_.IsBusy()) return false;
  if (!host_.askYesNo("Are you sure?", "Delete node")) return false;
  try {
    database_.Execute("DELETE FROM vos_TreeItem WHERE tri_node_id=" + std::to_string(node.nodeId()));
  } catch (const db::SQLiteException& e) {
    database_.LogToConsole(e.message(), true);
    return false;
  }
  // Releases the node and everything below it, item by item.
  if (TreeItem* item = node.item()) control_.remove(item);
  return true;
}

}  // namespace tree
