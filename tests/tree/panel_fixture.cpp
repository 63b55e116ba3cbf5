// Shared fixture of the tree tests.
#include "panel_fixture.h"

#include <stdexcept>

#include "tree/tree_control.h"

namespace tree_testing {

void PanelFixture::SetUp() {
  db::setSchemaReady(false);
  db::installOpenSteps({&tree::BuildTreeSchema, nullptr});
  tree::PanelHooks hooks;
  hooks.query_active_changed = [this](bool visible) { label_events.push_back(visible); };
  panel = std::make_unique<tree::Panel>(host, tree::UiAttributes{}, std::move(hooks));
  ASSERT_TRUE(panel->open());
}

void PanelFixture::TearDown() {
  panel.reset();
  db::installOpenSteps({});
}

std::string PanelFixture::scalar(const std::string& sql) {
  db::SQLiteColumns row;
  if (!panel->database().HasRows(sql, &row)) return "(no row)";
  if (row[0].isNull()) return "-";
  if (row[0].type() == db::kTagInt64) return std::to_string(row[0].int64Value());
  return row[0].text();
}

std::string PanelFixture::rows(const std::string& sql) {
  db::SQLiteColumns row;
  db::Prepared prepared = panel->database().Prepare(sql, &row);
  std::string out;
  while (panel->database().Step(prepared.query) == db::kRow) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i) out += ",";
      const db::SQLiteColumn& cell = row[i];
      out += cell.isNull() ? "-" : cell.type() == db::kTagInt64 ? std::to_string(cell.int64Value()) : cell.text();
    }
    out += ";";
  }
  return out;
}

tree::QueryNode* PanelFixture::addQuery(const std::string& sql, std::vector<std::string> levels,
                                        tree::TreeNode* parent, const std::string& label) {
  if (parent == nullptr) parent = panel->nodeForItem(nullptr);
  auto node = std::make_unique<tree::QueryNode>(panel.get(), parent);
  node->setLabel(label);
  node->definition().sql_query = sql;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    tree::QueryResultNodeOption option;
    option.name = levels[i];
    option.level = static_cast<uint8_t>(i + 1);
    node->definition().level_options.push_back(option);
  }
  tree::TreeNode* attached = panel->attach(std::move(node), true);
  if (attached == nullptr) throw std::runtime_error("query node \"" + label + "\" could not be attached");
  return static_cast<tree::QueryNode*>(attached);
}

tree::FolderNode* PanelFixture::addFolder(const std::string& label, tree::TreeNode* parent) {
  if (parent == nullptr) parent = panel->nodeForItem(nullptr);
  auto node = std::make_unique<tree::FolderNode>(panel.get(), parent);
  node->setLabel(label);
  tree::TreeNode* attached = panel->attach(std::move(node), true);
  if (attached == nullptr) throw std::runtime_error("folder \"" + label + "\" could not be attached");
  return static_cast<tree::FolderNode*>(attached);
}

std::string PanelFixture::dump(const tree::TreeNode& node) {
  std::string out;
  const tree::TreeItem* item = node.item();
  if (item == nullptr) return out;
  for (std::size_t i = 0; i < item->childCount(); ++i) {
    const tree::TreeNode* child = item->child(i)->node();
    if (i) out += ",";
    out += child->label();
    if (child->item()->childCount() > 0) out += "{" + dump(*child) + "}";
  }
  return out;
}

tree::QueryResultNode* PanelFixture::find(const tree::TreeNode& node, const std::string& label) {
  const tree::TreeItem* item = node.item();
  if (item == nullptr) return nullptr;
  for (std::size_t i = 0; i < item->childCount(); ++i) {
    tree::TreeNode* child = item->child(i)->node();
    if (child->type() == tree::NodeType::kQueryResult && child->label() == label) {
      return static_cast<tree::QueryResultNode*>(child);
    }
    if (tree::QueryResultNode* below = find(*child, label)) return below;
  }
  return nullptr;
}

std::vector<std::string> PanelFixture::takeConsole() {
  std::vector<std::string> lines = std::move(host.console);
  host.console.clear();
  return lines;
}

}  // namespace tree_testing
