#include "tree/tree_schema.h"

#include "db/database.h"
#include "db/open_steps.h"
#include "db/versioning.h"

namespace tree {
namespace {

using db::ColumnDescriptions;
using db::SQLiteColumnDescription;

constexpr uint32_t kKey = 7;      // NOT NULL PRIMARY KEY AUTOINCREMENT
constexpr uint32_t kNotNull = 4;

constexpr const char* kNodeReference = "REFERENCES vos_TreeItem(tri_node_id) ON DELETE CASCADE";

void add(ColumnDescriptions& columns, uint32_t flags, const char* name, const char* type,
         const char* constraint = "") {
  columns.emplace(flags, name, type, constraint);
}

ColumnDescriptions treeItemColumns() {
  ColumnDescriptions c;
  add(c, kKey, "tri_node_id", "INTEGER");
  add(c, 0, "tri_parent_id", "INTEGER", kNodeReference);
  add(c, 0, "tri_level", "INTEGER");
  add(c, 0, "tri_node_type", "INTEGER");
  add(c, 0, "tri_label", "TEXT");
  add(c, 0, "tri_icon", "INTEGER");
  add(c, 0, "tri_parent_node_attributes", "INTEGER");
  add(c, 0, "tri_color_text", "INTEGER");
  add(c, 0, "tri_color_back", "INTEGER");
  add(c, 0, "tri_color_text_selected", "INTEGER");
  add(c, 0, "tri_color_back_selected", "INTEGER");
  add(c, 0, "tri_color_text_selected_inactive", "INTEGER");
  add(c, 0, "tri_color_back_selected_inactive", "INTEGER");
  add(c, 0, "tri_sql_query", "TEXT");
  add(c, 0, "tri_sql_batch", "TEXT");
  add(c, 0, "tri_click_action", "INTEGER");
  add(c, 0, "tri_click_target_playlist", "TEXT");
  add(c, 0, "tri_click_activate_playlist", "INTEGER");
  add(c, 0, "tri_click_select_items", "INTEGER");
  add(c, 0, "tri_click_start_playback", "INTEGER");
  add(c, 0, "tri_middle_click_action", "INTEGER");
  add(c, 0, "tri_middle_click_target_playlist", "TEXT");
  add(c, 0, "tri_middle_click_activate_playlist", "INTEGER");
  add(c, 0, "tri_middle_click_select_items", "INTEGER");
  add(c, 0, "tri_middle_click_start_playback", "INTEGER");
  add(c, 0, "tri_refresh_on_load", "INTEGER");
  add(c, 0, "tri_refresh_on_use", "INTEGER");
  add(c, 0, "tri_node_limit", "INTEGER");
  add(c, 0, "tri_omit_null_nodes", "INTEGER");
  add(c, 0, "tri_remove_duplicates", "INTEGER");
  add(c, 0, "tri_expanded", "INTEGER");
  return c;
}

ColumnDescriptions treePathColumns() {
  ColumnDescriptions c;
  add(c, kNotNull, "tri_node_id", "INTEGER", kNodeReference);
  add(c, 0, "trp_parent_id", "INTEGER");
  return c;
}

ColumnDescriptions queryNodeDetailColumns() {
  ColumnDescriptions c;
  add(c, kNotNull, "tri_node_id", "INTEGER", kNodeReference);
  add(c, kNotNull, "qnd_level", "INTEGER");
  add(c, kNotNull, "qnd_name", "TEXT", "DEFAULT Label");
  add(c, 0, "qnd_parent_node_attributes", "INTEGER");
  add(c, 0, "qnd_color_text", "INTEGER");
  add(c, 0, "qnd_color_back", "INTEGER");
  add(c, 0, "qnd_color_text_selected", "INTEGER");
  add(c, 0, "qnd_color_back_selected", "INTEGER");
  add(c, 0, "qnd_color_text_selected_inactive", "INTEGER");
  add(c, 0, "qnd_color_back_selected_inactive", "INTEGER");
  add(c, 0, "qnd_icon", "INTEGER");
  add(c, 0, "qnd_show_item_count", "INTEGER");
  return c;
}

// The ancestor trigger's body, built from its pieces (the runs of spaces are
// part of the stored text).
std::string treePathTriggerBody() {
  return std::string("INSERT INTO vos_TreePath(tri_node_id,trp_parent_id) ") +
         "SELECT new.tri_node_id,a.tri_parent_id FROM vos_TreeItem a " +
         "WHERE a.tri_parent_id IS NOT NULL AND " +
         "      a.tri_node_id=new.trp_parent_id AND " +
         "      NOT EXISTS(SELECT NULL " +
         "                 FROM vos_TreePath " +
         "                 WHERE tri_node_id=new.tri_node_id AND trp_parent_id=a.tri_parent_id);";
}

// Every (node, ancestor) pair that the insert triggers make from the parent
// links: (node, parent), then (node, grandparent) ... up to the root; a root
// gets (root, NULL). UNION (not UNION ALL) ends a cycle of broken links.
constexpr const char* kAncestorPairs =
    "WITH RECURSIVE pairs(node,ancestor) AS ("
    "SELECT tri_node_id,tri_parent_id FROM vos_TreeItem "
    "UNION "
    "SELECT pairs.node,t.tri_parent_id FROM pairs JOIN vos_TreeItem t ON t.tri_node_id=pairs.ancestor "
    "WHERE t.tri_parent_id IS NOT NULL) ";

}  // namespace

bool RepairTreePaths(db::SQLiteDatabase& db) {
  db::SQLiteColumns row;
  // One pass over the pairs, each looked up in the table's unique index.
  db.HasRows(std::string(kAncestorPairs) +
                 "SELECT count(*),"
                 "sum(NOT EXISTS(SELECT NULL FROM vos_TreePath p "
                 "WHERE p.tri_node_id=pairs.node AND p.trp_parent_id IS pairs.ancestor)),"
                 "(SELECT count(*) FROM vos_TreePath) FROM pairs",
             &row);
  const int64_t expected = row[0].int64Or(0);
  const int64_t missing = row[1].int64Or(0);
  const int64_t stored = row[2].int64Or(0);
  if (expected == stored && missing == 0) return false;
  // The insert triggers add every ancestor of each (node, parent) row.
  db.Execute("DELETE FROM vos_TreePath");
  db.Execute("INSERT INTO vos_TreePath(tri_node_id,trp_parent_id) "
             "SELECT tri_node_id,tri_parent_id FROM vos_TreeItem ORDER BY tri_node_id");
  db.LogToConsole("vos_TreePath did not match the parent links of vos_TreeItem (" + std::to_string(stored) +
                      " rows instead of " + std::to_string(expected) + ") and was rebuilt from them.",
                  false);
  return true;
}

void BuildTreeSchema(db::SQLiteDatabase& db) {
  try {
    db::TransactionGuard guard(db);
    guard.begin();
    {
      ColumnDescriptions columns = treeItemColumns();
      db::EnsureTable(db, kTreeItemVersion, "vos_TreeItem", columns, {});
    }
    db::EnsureIndex(db, "vos_TreeItem", {"tri_parent_id"});
    {
      ColumnDescriptions columns = treePathColumns();
      db::EnsureTable(db, kTreePathVersion, "vos_TreePath", columns, {"UNIQUE(tri_node_id,trp_parent_id)"});
    }
    db::EnsureIndex(db, "vos_TreePath", {"trp_parent_id"});
    {
      ColumnDescriptions columns = queryNodeDetailColumns();
      db::EnsureTable(db, kQueryNodeDetailVersion, "vos_QueryNodeDetail", columns,
                      {"PRIMARY KEY(tri_node_id,qnd_level)"});
    }
    db::EnsureInsertTrigger(db, "vos_TreeItem",
                            "INSERT INTO vos_TreePath(tri_node_id,trp_parent_id) "
                            "VALUES(new.tri_node_id,new.tri_parent_id);");
    db::EnsureInsertTrigger(db, "vos_TreePath", treePathTriggerBody());
    RepairTreePaths(db);
    const db::OwnSchemaChange own(db);
    db.Execute("DROP VIEW IF EXISTS vos_ViewTree");
    db.Execute("CREATE VIEW vos_ViewTree AS SELECT a.*,b.trp_parent_id vtr_id "
               "FROM vos_TreeItem a JOIN vos_TreePath b ON a.tri_node_id=b.tri_node_id");
    guard.commit();
    db::setSchemaReady(true);
  } catch (const db::SQLiteException& e) {
    // A damaged file ends the whole open, which reports it once.
    if (db::IsDamagedFileCode(e.code())) throw;
    db.LogToConsole(e.message(), true);
  }
}

}  // namespace tree
