#include "app/tree_output.h"

#include "db/database.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "tree/query_result_node.h"
#include "tree/tree_item.h"

namespace app {
namespace {

using tree::NodeType;

const char* typeName(NodeType type) {
  switch (type) {
    case NodeType::kRoot: return "root";
    case NodeType::kFolder: return "folder";
    case NodeType::kQuery: return "query";
    case NodeType::kQueryResult: return "result";
    default: return "unknown";
  }
}

}  // namespace

void appendPathLabel(std::string_view label, std::string& out) {
  for (const char c : label) {
    switch (c) {
      case '/': out += "\\/"; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      default: out.push_back(c);
    }
  }
}

namespace {

void appendText(const tree::TreeItem& parent, int depth, bool ids, std::string& out) {
  for (std::size_t i = 0; i < parent.childCount(); ++i) {
    const tree::TreeItem& item = *parent.child(i);
    const tree::TreeNode* node = item.node();
    if (node == nullptr) continue;
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    if (node->type() == NodeType::kQueryResult) {
      const auto& result = static_cast<const tree::QueryResultNode&>(*node);
      const tree::QueryResultNodeOption* option = result.option();
      if (option != nullptr && option->show_item_count == tree::kShowSubitems) {
        out += "(" + std::to_string(result.subitemCount()) + ") ";
      } else if (option != nullptr && option->show_item_count == tree::kShowLeaves) {
        out += "[" + std::to_string(result.leafCount()) + "] ";
      }
    }
    appendPathLabel(node->label(), out);
    if (ids && (node->type() == NodeType::kFolder || node->type() == NodeType::kQuery)) {
      out += "  #" + std::to_string(node->nodeId());
    }
    out += '\n';
    appendText(item, depth + 1, ids, out);
  }
}

nlohmann::ordered_json nodeJson(const tree::TreeNode& node, const tree::TreeItem* item) {
  nlohmann::ordered_json json;
  if (node.type() != NodeType::kQueryResult) json["id"] = node.nodeId();
  json["label"] = node.label();
  json["type"] = typeName(node.type());
  json["level"] = node.level();
  if (node.type() == NodeType::kFolder || node.type() == NodeType::kQuery) {
    json["expanded"] = item != nullptr && item->expanded();
  }
  if (node.type() == NodeType::kQuery) json["stale"] = static_cast<const tree::QueryNode&>(node).stale();
  if (node.type() == NodeType::kQueryResult) {
    const auto& result = static_cast<const tree::QueryResultNode&>(node);
    json["subitems"] = result.subitemCount();
    json["leaves"] = result.leafCount();
  }
  nlohmann::ordered_json children = nlohmann::ordered_json::array();
  const tree::TreeItem* parent = item;
  if (parent != nullptr) {
    for (std::size_t i = 0; i < parent->childCount(); ++i) {
      const tree::TreeItem* child = parent->child(i);
      if (child->node() != nullptr) children.push_back(nodeJson(*child->node(), child));
    }
  }
  json["children"] = std::move(children);
  return json;
}

// The item whose children are the children of `node` (the control's top for
// the root).
const tree::TreeItem* childrenOf(tree::Panel& panel, const tree::TreeNode& node) {
  return node.type() == NodeType::kRoot ? panel.control().top() : node.item();
}

}  // namespace

std::string treeText(tree::Panel& panel, bool ids) {
  std::string out;
  appendText(*panel.control().top(), 0, ids, out);
  return out;
}

nlohmann::ordered_json treeJson(tree::Panel& panel) { return nodeJson(panel.root(), panel.control().top()); }

std::vector<std::string> splitNodePath(std::string_view path) {
  std::vector<std::string> labels;
  if (path.empty() || path == "/") return labels;
  if (path.front() == '/') path.remove_prefix(1);
  std::string label;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (c == '\\' && i + 1 < path.size() && (path[i + 1] == '/' || path[i + 1] == '\\')) {
      label.push_back(path[++i]);
    } else if (c == '\\' && i + 1 < path.size() && path[i + 1] == 'n') {
      label.push_back('\n');
      ++i;
    } else if (c == '/') {
      labels.push_back(std::move(label));
      label.clear();
    } else {
      label.push_back(c);
    }
  }
  labels.push_back(std::move(label));
  return labels;
}

tree::TreeNode* findNode(tree::Panel& panel, std::string_view path) {
  tree::TreeNode* node = &panel.root();
  for (const std::string& label : splitNodePath(path)) {
    if (node->type() == NodeType::kQuery && node->item() != nullptr && node->item()->childCount() == 0) {
      node->refresh(true);
    }
    const tree::TreeItem* parent = childrenOf(panel, *node);
    if (parent == nullptr) return nullptr;
    tree::TreeNode* found = nullptr;
    for (std::size_t i = 0; i < parent->childCount() && found == nullptr; ++i) {
      tree::TreeNode* child = parent->child(i)->node();
      if (child != nullptr && child->label() == label) found = child;
    }
    if (found == nullptr) return nullptr;
    node = found;
  }
  return node;
}

namespace {

nlohmann::ordered_json cellJson(const db::SQLiteColumn& cell) {
  switch (cell.type()) {
    case db::kTagInt64: return cell.int64Value();
    case db::kTagDouble: return cell.doubleValue();
    case db::kTagNull: return nullptr;
    default: return cell.text();
  }
}

std::string withoutPrefix(const std::string& name) {
  const std::size_t underscore = name.find('_');
  return underscore == std::string::npos ? name : name.substr(underscore + 1);
}

}  // namespace

nlohmann::ordered_json storedDefinition(tree::Panel& panel, const tree::TreeNode& node) {
  if (node.type() != NodeType::kFolder && node.type() != NodeType::kQuery) return nullptr;
  db::SQLiteDatabase& database = panel.database();
  const std::string id = std::to_string(node.nodeId());
  nlohmann::ordered_json json = nlohmann::ordered_json::object();
  db::SQLiteColumns row;
  if (!database.HasRows("SELECT * FROM vos_TreeItem WHERE tri_node_id=" + id, &row)) return nullptr;
  for (const db::SQLiteColumn& cell : row) json[withoutPrefix(cell.name())] = cellJson(cell);
  nlohmann::ordered_json levels = nlohmann::ordered_json::array();
  db::SQLiteColumns level_row;
  auto prepared = database.Prepare(
      "SELECT * FROM vos_QueryNodeDetail WHERE tri_node_id=" + id + " ORDER BY qnd_level", &level_row);
  while (database.Step(prepared.query) == db::kRow) {
    nlohmann::ordered_json level = nlohmann::ordered_json::object();
    for (const db::SQLiteColumn& cell : level_row) {
      if (cell.name() != "tri_node_id") level[withoutPrefix(cell.name())] = cellJson(cell);
    }
    levels.push_back(std::move(level));
  }
  prepared.query.finalize();
  json["level_options"] = std::move(levels);
  return json;
}

}  // namespace app
