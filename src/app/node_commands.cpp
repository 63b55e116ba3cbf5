// `node ...`: adding, editing, deleting, showing and refreshing nodes, and
// the example nodes.
#include <iostream>

#include "app/cli.h"
#include "app/panel_session.h"
#include "app/tree_commands.h"
#include "app/tree_output.h"
#include "db/database.h"
#include "db/exception.h"
#include "profile/data_error.h"
#include "profile/file_io.h"
#include "query/level_query.h"
#include "tree/example_nodes.h"
#include "tree/folder_node.h"
#include "tree/node_editing.h"
#include "tree/now_playing_examples.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "tree/tree_sharing.h"

namespace app {
namespace {

// Tree files are small; a larger file is not one.
constexpr uint64_t kTreeFileLimit = 64 * profile::kMiB;

// The parent of a new node: the top or a folder.
tree::TreeNode* newNodeParent(tree::Panel& panel, const NodeRef& ref, std::ostream& err, int* status) {
  tree::TreeNode* parent = resolveNode(panel, ref, err);
  if (parent == nullptr) {
    *status = kExitBadInput;
  } else if (parent->type() != tree::NodeType::kRoot && parent->type() != tree::NodeType::kFolder) {
    err << ref.describe() << " is not a folder: new nodes go below a folder or the top (/)\n";
    *status = kExitBadInput;
    parent = nullptr;
  }
  return parent;
}

// Prepares `sql` without running it; SQLite's message when it does not
// prepare.
std::optional<std::string> prepareError(db::SQLiteDatabase& database, const std::string& sql) {
  try {
    db::Prepared prepared = database.Prepare(sql);
    prepared.query.finalize();
  } catch (const db::SQLiteException& e) {
    return e.message();
  }
  return std::nullopt;
}

// A query that is accepted can still fail on every click once it is
// rewritten for a level or for the tracks below a node: each of those
// statements is prepared with a sample path, and any that does not prepare
// is named. A query with a batch is left alone: its statements may need
// what the batch makes.
void warnUnpreparedStatements(tree::Panel& panel, tree::QueryNode& node, std::ostream& err) {
  const tree::QueryDefinition& definition = node.definition();
  if (definition.sql_query.empty() || !definition.sql_batch.empty()) return;
  db::SQLiteDatabase& database = panel.database();
  std::vector<std::string> path;
  for (std::size_t level = 0; level < node.levelCount(); ++level) {
    if (const auto error = prepareError(database, query::nodeStatement("", definition.sql_query, path))) {
      err << "Warning: the statement of level " << level + 1 << " (" << node.levelOption(level)->name
                << ") does not prepare, so expanding the node above it will fail: " << *error << "\n";
    }
    path.push_back("x");
  }
  // The tracks below a node of each level, as a click collects them.
  for (std::size_t depth = 0; depth <= path.size(); ++depth) {
    const std::string tracks = query::tracksStatement(definition.sql_query, std::span(path).first(depth));
    if (tracks.empty()) return;
    if (const auto error = prepareError(database, tracks)) {
      err << "Warning: the statement that collects the tracks of "
                << (depth == 0 ? std::string("the query node") : "a level " + std::to_string(depth) + " node")
                << " does not prepare, so clicking it will fail: " << *error << "\n";
      return;
    }
  }
}

int addFolder(PanelSession& session, const PanelCommand& command) {
  NodeRef ref;
  std::vector<std::string> rest;
  if (!nodeArguments(session.err(), command, 1, &ref, &rest)) return kExitBadInput;
  std::string error;
  if (!checkAttributeOptions(command.query.attributes, &error)) {
    session.err() << error << "\n";
    return kExitBadInput;
  }
  tree::Panel& panel = session.panel();
  int status = kExitOk;
  tree::TreeNode* parent = newNodeParent(panel, ref, session.err(), &status);
  if (parent == nullptr) return status;
  if (!tree::folderOkEnabled(rest[0])) {
    session.err() << "A folder needs a label that is not blank.\n";
    return kExitBadInput;
  }
  if (parent->type() == tree::NodeType::kRoot && panel.nodeForItem(nullptr) == nullptr) return kExitFailed;
  auto folder = std::make_unique<tree::FolderNode>(&panel, parent);
  folder->setLabel(rest[0]);
  applyAttributes(command.query.attributes, *folder->attributes());
  if (panel.attach(std::move(folder), true) == nullptr) return kExitFailed;
  if (command.query.attributes.any()) panel.reapplyAttributes();
  return kExitOk;
}

int addQuery(PanelSession& session, const PanelCommand& command) {
  NodeRef ref;
  std::vector<std::string> rest;
  if (!nodeArguments(session.err(), command, 1, &ref, &rest)) return kExitBadInput;
  tree::Panel& panel = session.panel();
  int status = kExitOk;
  tree::TreeNode* parent = newNodeParent(panel, ref, session.err(), &status);
  if (parent == nullptr) return status;
  if (parent->type() == tree::NodeType::kRoot && panel.nodeForItem(nullptr) == nullptr) return kExitFailed;
  auto node = std::make_unique<tree::QueryNode>(&panel, parent);
  tree::QuerySheet sheet(*node, panel.database());
  sheet.label = rest[0];
  if (const int status = applyQueryNodeOptions(command.query, sheet, *node, session.err()); status != kExitOk) return status;
  tree::QueryNode* added = static_cast<tree::QueryNode*>(panel.attach(std::move(node), true));
  if (added == nullptr) return kExitFailed;
  tree::propagateLevelAttributes(*added, 0);
  if (command.query.attributes.any()) panel.reapplyAttributes();
  warnUnpreparedStatements(panel, *added, session.err());
  return kExitOk;
}

int editNode(PanelSession& session, tree::TreeNode& node, const NodeRef& ref, const QueryNodeOptions& options) {
  tree::Panel& panel = session.panel();
  if (node.type() == tree::NodeType::kFolder) {
    if (options.anyQueryOption()) {
      session.err() << ref.describe() << " is a folder: only --label, --icon, the colours and "
                << "--use-parent-attributes apply to it\n";
      return kExitBadInput;
    }
    if (options.label) {
      if (!tree::folderOkEnabled(*options.label)) {
        session.err() << "A folder needs a label that is not blank.\n";
        return kExitBadInput;
      }
      node.setLabel(*options.label);
    }
    applyAttributes(options.attributes, *node.attributes());
    if (!panel.save(node)) return kExitFailed;
    panel.reapplyAttributes();
    return kExitOk;
  }
  if (node.type() != tree::NodeType::kQuery) {
    session.err() << "Only folder and query nodes can be edited.\n";
    return kExitBadInput;
  }
  auto& query = static_cast<tree::QueryNode&>(node);
  tree::QuerySheet sheet(query, panel.database());
  if (const int status = applyQueryNodeOptions(options, sheet, query, session.err()); status != kExitOk) return status;
  tree::propagateLevelAttributes(query, 0);
  if (!panel.save(query)) return kExitFailed;
  query.updateItem(true);
  if (options.attributes.any()) panel.reapplyAttributes();
  warnUnpreparedStatements(panel, query, session.err());
  return kExitOk;
}

// Refreshes a query node, or every query node below a folder or the top.
bool refreshNode(tree::TreeNode& node) {
  if (node.type() == tree::NodeType::kQuery) return node.refresh(true);
  if (node.type() == tree::NodeType::kQueryResult) return true;
  bool ok = true;
  const tree::TreeItem* item = node.type() == tree::NodeType::kRoot ? node.panel()->control().top() : node.item();
  for (std::size_t i = 0; item != nullptr && i < item->childCount(); ++i) {
    tree::TreeNode* child = item->child(i)->node();
    if (child != nullptr) ok = refreshNode(*child) && ok;
  }
  return ok;
}

// "3 nodes" for a tree file's top node and everything below it.
std::string nodeCount(const tree::TreeFileNode& node) {
  std::size_t count = 0;
  const auto add = [&count](const auto& self, const tree::TreeFileNode& n) -> void {
    ++count;
    for (const tree::TreeFileNode& child : n.children) self(self, child);
  };
  add(add, node);
  return std::to_string(count) + (count == 1 ? " node" : " nodes");
}

// node export PATH FILE: the node and everything below it as a tree file.
int exportNode(PanelSession& session, const PanelCommand& command) {
  NodeRef ref;
  std::vector<std::string> rest;
  if (!nodeArguments(session.err(), command, 1, &ref, &rest)) return kExitBadInput;
  tree::TreeNode* node = resolveNode(session.panel(), ref, session.err());
  if (node == nullptr) return kExitBadInput;
  if (node->type() != tree::NodeType::kFolder && node->type() != tree::NodeType::kQuery) {
    session.err() << (node->type() == tree::NodeType::kRoot ? std::string("The top (/)") : ref.describe())
                  << " cannot be exported: name a folder or a query node\n";
    return kExitBadInput;
  }
  const tree::TreeFileNode content = tree::captureNode(*node);
  try {
    profile::writeFileAtomically(rest[0], tree::writeTreeFile(content));
  } catch (const profile::DataError& e) {
    session.err() << e.what() << "\n";
    return kExitFailed;
  }
  session.out() << "Wrote \"" << node->label() << "\" (" << nodeCount(content) << ") to " << rest[0] << "\n";
  return kExitOk;
}

// node import FILE [PARENT]: the nodes of a tree file below a folder or the
// top; PARENT may be given as --id N instead.
int importNode(PanelSession& session, const PanelCommand& command) {
  const std::size_t wanted = command.id ? 1 : 2;
  if (command.args.empty() || command.args.size() > wanted) {
    session.err() << "node import: expected a tree file and "
                  << (command.id ? "nothing after it besides --id N" : "optionally a folder (default: /)") << "\n";
    return kExitBadInput;
  }
  const std::string& file = command.args[0];
  NodeRef ref;
  ref.id = command.id;
  ref.path = command.id ? std::string() : command.args.size() == 2 ? command.args[1] : std::string("/");
  tree::Panel& panel = session.panel();
  int status = kExitOk;
  tree::TreeNode* parent = newNodeParent(panel, ref, session.err(), &status);
  if (parent == nullptr) return status;
  std::string text;
  try {
    text = profile::readWholeFile(file, kTreeFileLimit);
  } catch (const profile::DataError& e) {
    session.err() << e.what() << "\n";
    return kExitBadInput;
  }
  tree::TreeFileNode content;
  try {
    content = tree::readTreeFile(text, file, parent->level());
  } catch (const tree::TreeFileError& e) {
    session.err() << e.what() << "\n";
    return kExitBadInput;
  }
  std::string error;
  tree::TreeNode* added = tree::importTree(panel, *parent, content, file, &error);
  if (added == nullptr) {
    session.err() << error << "\n";
    return kExitFailed;
  }
  session.out() << "Imported \"" << added->label() << "\" (" << nodeCount(content) << ") below "
                << (parent->type() == tree::NodeType::kRoot ? std::string("/") : ref.describe()) << "\n";
  return kExitOk;
}

int nodeOnPath(PanelSession& session, const PanelCommand& command) {
  NodeRef ref;
  if (!nodeArguments(session.err(), command, 0, &ref, nullptr)) return kExitBadInput;
  tree::TreeNode* node = resolveNode(session.panel(), ref, session.err());
  if (node == nullptr) return kExitBadInput;
  if (command.action == "refresh") {
    if (node->type() == tree::NodeType::kQueryResult) {
      session.err() << "A query result is refreshed with its query node.\n";
      return kExitBadInput;
    }
    return refreshNode(*node) ? kExitOk : kExitFailed;
  }
  if (node->type() == tree::NodeType::kRoot) {
    const char* done = command.action == "show" ? "shown" : command.action == "delete" ? "deleted" : "edited";
    session.err() << "The top (/) cannot be " << done << "; name a node below it\n";
    return kExitBadInput;
  }
  if (command.action == "edit") return editNode(session, *node, ref, command.query);
  if (command.action == "delete") {
    if (node->type() != tree::NodeType::kFolder && node->type() != tree::NodeType::kQuery) {
      session.err() << "Only folder and query nodes can be deleted; " << ref.describe() << " is a query result\n";
      return kExitBadInput;
    }
    return session.panel().deleteNode(*node) ? kExitOk : kExitFailed;
  }
  const nlohmann::ordered_json definition = storedDefinition(session.panel(), *node);
  if (definition.is_null()) {
    session.err() << ref.describe() << " is not a stored node\n";
    return kExitBadInput;
  }
  session.out() << definition.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
  return kExitOk;
}

}  // namespace

int runNodeCommand(CommandEnv& env, const GlobalOptions& global, const PanelCommand& command) {
  if (command.action.empty()) {
    env.err() << "node: give a subcommand: add-folder, add-query, edit, delete, show, refresh, export, import or "
                 "examples "
                 "(vostrel node --help explains them)\n";
    return kExitBadInput;
  }
  std::string error;
  if (!checkQueryNodeOptions(command.query, &error)) {
    env.err() << error << "\n";
    return kExitBadInput;
  }
  PanelSession session(env, global, command.panel);
  if (!session.loaded()) return session.finalStatus(kExitFailed);
  int status = kExitOk;
  if (command.action == "add-folder") {
    status = addFolder(session, command);
  } else if (command.action == "add-query") {
    status = addQuery(session, command);
  } else if (command.action == "export") {
    status = exportNode(session, command);
  } else if (command.action == "import") {
    status = importNode(session, command);
  } else if (command.action == "examples") {
    const std::size_t errors_before = session.player().errorReports();
    if (command.now_playing) {
      tree::createNowPlayingExamples(session.panel());
    } else {
      tree::createExampleNodes(session.panel());
    }
    status = session.player().errorReports() == errors_before ? kExitOk : kExitFailed;
  } else {
    status = nodeOnPath(session, command);
  }
  session.finish(false);
  return session.finalStatus(status);
}

}  // namespace app
