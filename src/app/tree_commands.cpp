#include "app/tree_commands.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <sstream>

#include "app/cli.h"
#include "app/panel_session.h"
#include "app/tree_output.h"
#include "tree/folder_node.h"
#include "tree/node_editing.h"
#include "tree/panel.h"
#include "tree/query_node.h"

namespace app {
namespace {

// A command that Ctrl+C cut short says so and has not done all it was asked.
int finalStatus(const PanelSession& session, int status) {
  if (!session.interrupted()) return status;
  std::cerr << kInterruptedMessage << "\n";
  return status == kExitOk ? kExitFailed : status;
}

int noNode(const std::string& path) {
  std::cerr << "No node at " << path << "\n";
  return kExitBadInput;
}

// The parent of a new node: the top or a folder.
tree::TreeNode* newNodeParent(tree::Panel& panel, const std::string& path, int* status) {
  tree::TreeNode* parent = findNode(panel, path);
  if (parent == nullptr) {
    *status = noNode(path);
  } else if (parent->type() != tree::NodeType::kRoot && parent->type() != tree::NodeType::kFolder) {
    std::cerr << path << " is not a folder: new nodes go below a folder or the top (/)\n";
    *status = kExitBadInput;
    parent = nullptr;
  }
  return parent;
}

// Whether any option that only a query node has was given.
bool hasQueryOptions(const QueryNodeOptions& o) {
  return o.query || o.batch || o.click || o.click_target || o.click_no_activate || o.click_select || o.click_play ||
         o.middle || o.middle_target || o.middle_no_activate || o.middle_select || o.middle_play ||
         o.refresh_on_load || o.refresh_on_use || o.node_limit || o.omit_null || o.keep_duplicates || o.item_counts;
}

// Applies the given options to the sheet's fields.
bool fillSheet(const QueryNodeOptions& o, tree::QuerySheet& sheet, std::string* error) {
  if (o.label) sheet.label = *o.label;
  if (o.query) {
    sheet.sql_text = *o.query;
    sheet.sqlTextChanged();
  }
  if (o.batch) sheet.batch = *o.batch;
  auto action = [&](tree::NodeAction& target, const std::optional<int>& code, const std::optional<std::string>& name,
                    bool no_activate, bool select, bool play) {
    if (code) target.action = static_cast<uint8_t>(*code);
    if (name) target.target_playlist = *name;
    if (no_activate) target.activate_playlist = false;
    if (select) target.select_items = true;
    if (play) target.start_playback = true;
  };
  action(sheet.click, o.click, o.click_target, o.click_no_activate, o.click_select, o.click_play);
  action(sheet.middle_click, o.middle, o.middle_target, o.middle_no_activate, o.middle_select, o.middle_play);
  if (o.refresh_on_load) sheet.refresh_on_load = true;
  if (o.refresh_on_use) sheet.refresh_on_use = true;
  if (o.node_limit) sheet.node_limit = *o.node_limit;
  if (o.omit_null) sheet.omit_null_nodes = true;
  if (o.keep_duplicates) sheet.remove_duplicates = false;
  if (!sheet.enableState().ok) {
    *error = "A query node needs a label that is not blank, and an SQL query or an SQL batch.";
    return false;
  }
  return true;
}

// "2,2,1": the item count mode of each level in level order.
bool applyItemCounts(const std::string& list, tree::QueryNode& node, std::string* error) {
  std::stringstream stream(list);
  std::string entry;
  std::size_t level = 0;
  while (std::getline(stream, entry, ',')) {
    if (entry != "0" && entry != "1" && entry != "2") {
      *error = "Invalid item count \"" + entry + "\": use 0, 1 or 2 per level";
      return false;
    }
    tree::QueryResultNodeOption* option = node.levelOption(level++);
    if (option == nullptr) {
      *error = "More item counts than the query has levels (" + std::to_string(node.levelCount()) + ")";
      return false;
    }
    option->show_item_count = static_cast<uint8_t>(entry[0] - '0');
  }
  return true;
}

// Fills the sheet from the options and takes it into the node as the
// sheet's OK does, then sets the item counts. Returns the exit status.
int applySheet(tree::QuerySheet& sheet, const QueryNodeOptions& options, tree::QueryNode& node) {
  std::string error;
  if (!fillSheet(options, sheet, &error)) {
    std::cerr << error << "\n";
    return kExitBadInput;
  }
  if (!sheet.ok(&error)) {
    std::cerr << error << "\n";
    return kExitFailed;
  }
  if (options.item_counts && !applyItemCounts(*options.item_counts, node, &error)) {
    std::cerr << error << "\n";
    return kExitBadInput;
  }
  return kExitOk;
}

int addFolder(PanelSession& session, const PanelCommand& command) {
  tree::Panel& panel = session.panel();
  int status = kExitOk;
  tree::TreeNode* parent = newNodeParent(panel, command.path, &status);
  if (parent == nullptr) return status;
  if (!tree::folderOkEnabled(command.label)) {
    std::cerr << "A folder needs a label that is not blank.\n";
    return kExitBadInput;
  }
  if (parent->type() == tree::NodeType::kRoot && panel.nodeForItem(nullptr) == nullptr) return kExitFailed;
  auto folder = std::make_unique<tree::FolderNode>(&panel, parent);
  folder->setLabel(command.label);
  return panel.attach(std::move(folder), true) != nullptr ? kExitOk : kExitFailed;
}

int addQuery(PanelSession& session, const PanelCommand& command) {
  tree::Panel& panel = session.panel();
  int status = kExitOk;
  tree::TreeNode* parent = newNodeParent(panel, command.path, &status);
  if (parent == nullptr) return status;
  if (parent->type() == tree::NodeType::kRoot && panel.nodeForItem(nullptr) == nullptr) return kExitFailed;
  auto node = std::make_unique<tree::QueryNode>(&panel, parent);
  tree::QuerySheet sheet(*node, panel.database());
  sheet.label = command.label;
  if (const int status = applySheet(sheet, command.query, *node); status != kExitOk) return status;
  return panel.attach(std::move(node), true) != nullptr ? kExitOk : kExitFailed;
}

int editNode(PanelSession& session, tree::TreeNode& node, const PanelCommand& command) {
  tree::Panel& panel = session.panel();
  if (node.type() == tree::NodeType::kFolder) {
    if (hasQueryOptions(command.query)) {
      std::cerr << command.path << " is a folder: only --label applies to it\n";
      return kExitBadInput;
    }
    if (command.query.label) {
      if (!tree::folderOkEnabled(*command.query.label)) {
        std::cerr << "A folder needs a label that is not blank.\n";
        return kExitBadInput;
      }
      node.setLabel(*command.query.label);
    }
    if (!panel.save(node)) return kExitFailed;
    panel.reapplyAttributes();
    return kExitOk;
  }
  if (node.type() != tree::NodeType::kQuery) {
    std::cerr << "Only folder and query nodes can be edited.\n";
    return kExitBadInput;
  }
  auto& query = static_cast<tree::QueryNode&>(node);
  tree::QuerySheet sheet(query, panel.database());
  if (const int status = applySheet(sheet, command.query, query); status != kExitOk) return status;
  if (!panel.save(query)) return kExitFailed;
  query.updateItem(true);
  return kExitOk;
}

}  // namespace

void addQueryNodeOptions(CLI::App& command, QueryNodeOptions& o, bool with_label) {
  if (with_label) command.add_option("--label", o.label, "New label");
  command.add_option("--query", o.query, "SQL query");
  command.add_option("--batch", o.batch, "SQL batch run before the query");
  command.add_option("--click", o.click, "Click action code (0 to 11)")->check(CLI::Range(0, 255));
  command.add_option("--click-target", o.click_target, "Click target playlist");
  command.add_flag("--click-no-activate", o.click_no_activate, "Do not activate the playlist on click");
  command.add_flag("--click-select", o.click_select, "Select the new items on click");
  command.add_flag("--click-play", o.click_play, "Start playback on click");
  command.add_option("--middle", o.middle, "Middle-click action code (0 to 11)")->check(CLI::Range(0, 255));
  command.add_option("--middle-target", o.middle_target, "Middle-click target playlist");
  command.add_flag("--middle-no-activate", o.middle_no_activate, "Do not activate the playlist on middle click");
  command.add_flag("--middle-select", o.middle_select, "Select the new items on middle click");
  command.add_flag("--middle-play", o.middle_play, "Start playback on middle click");
  command.add_flag("--refresh-on-load", o.refresh_on_load, "Run the query when the tree loads");
  command.add_flag("--refresh-on-use", o.refresh_on_use, "Run a stale query when it is used");
  command.add_option("--node-limit", o.node_limit, "Query node limit");
  command.add_flag("--omit-null", o.omit_null, "Omit <null> nodes");
  command.add_flag("--keep-duplicates", o.keep_duplicates, "Keep duplicates when sending to a playlist");
  command.add_option("--item-counts", o.item_counts, "Item counts per level: 0, 1 or 2, comma-separated");
}

int runTreeCommand(const GlobalOptions& global, const PanelCommand& command) {
  if (command.format != "text" && command.format != "json") {
    std::cerr << "Unknown format \"" << command.format << "\": use text or json\n";
    return kExitBadInput;
  }
  PanelSession session(global, command.panel);
  bool ok = session.loaded();
  // Ctrl+C during the load's refreshes means no more queries.
  if (ok && command.refresh && !session.interrupted()) ok = session.panel().refreshAll();
  if (command.format == "json") {
    std::cout << treeJson(session.panel()).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
  } else {
    std::cout << treeText(session.panel());
  }
  session.finish(false);
  return finalStatus(session, ok ? kExitOk : kExitFailed);
}

int runClickCommand(const GlobalOptions& global, const PanelCommand& command) {
  PanelSession session(global, command.panel);
  if (!session.loaded()) return finalStatus(session, kExitFailed);
  tree::TreeNode* node = findNode(session.panel(), command.path);
  if (node == nullptr) return finalStatus(session, noNode(command.path));
  const std::size_t errors_before = session.player().errorReports();
  if (command.middle) {
    node->middleClick();
  } else {
    node->click();
  }
  session.finish(true);
  const bool failed = session.player().errorReports() != errors_before || session.consoleFailed();
  return finalStatus(session, failed ? kExitFailed : kExitOk);
}

int runNodeCommand(const GlobalOptions& global, const PanelCommand& command) {
  PanelSession session(global, command.panel);
  if (!session.loaded()) return finalStatus(session, kExitFailed);
  int status = kExitOk;
  if (command.action == "add-folder") {
    status = addFolder(session, command);
  } else if (command.action == "add-query") {
    status = addQuery(session, command);
  } else {
    tree::TreeNode* node = findNode(session.panel(), command.path);
    if (node == nullptr || node->type() == tree::NodeType::kRoot) {
      status = noNode(command.path);
    } else if (command.action == "edit") {
      status = editNode(session, *node, command);
    } else if (command.action == "delete") {
      if (node->type() != tree::NodeType::kFolder && node->type() != tree::NodeType::kQuery) {
        std::cerr << "Only folder and query nodes can be deleted; " << command.path << " is a query result\n";
        status = kExitBadInput;
      } else {
        status = session.panel().deleteNode(*node) ? kExitOk : kExitFailed;
      }
    } else {
      const nlohmann::ordered_json definition = storedDefinition(session.panel(), *node);
      if (definition.is_null()) {
        std::cerr << command.path << " is not a stored node\n";
        status = kExitBadInput;
      } else {
        std::cout << definition.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
      }
    }
  }
  session.finish(false);
  return finalStatus(session, status);
}

}  // namespace app
