#include "app/tree_commands.h"

#include <CLI/CLI.hpp>

#include <iostream>

#include "app/cli.h"
#include "app/option_values.h"
#include "app/panel_session.h"
#include "app/tree_output.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "tree/query_result_node.h"
#include "tree/tree_node.h"

namespace app {
namespace {

void addPanelNumber(CLI::App& command, PanelCommand& c) {
  command.add_option("--panel", c.panel, "Panel number, from 1; the next free number adds a panel")
      ->check(CLI::Range(1, kMaxPanels));
}

// A node subcommand whose arguments are a path (or --id) and then `labels`.
CLI::App* addNodeAction(CLI::App& node, PanelCommand& c, const char* name, const char* description,
                        const char* arguments) {
  CLI::App* action = node.add_subcommand(name, description);
  addPanelNumber(*action, c);
  if (arguments != nullptr) {
    action->add_option("args", c.args, arguments);
    action->add_option("--id", c.id, "The node's id (tree --ids) in place of its path")->type_name("N");
  }
  action->callback([&c, name] { c.action = name; });
  return action;
}

// Whether a click (or middle click) on the node does anything: a query node
// or result node whose action code is 1 to 11.
bool hasAction(const tree::TreeNode& node, bool middle) {
  const tree::QueryNode* query = nullptr;
  if (node.type() == tree::NodeType::kQuery) query = static_cast<const tree::QueryNode*>(&node);
  if (node.type() == tree::NodeType::kQueryResult) query = static_cast<const tree::QueryResultNode&>(node).queryNode();
  if (query == nullptr) return false;
  const uint8_t code = middle ? query->definition().middle_click.action : query->definition().click.action;
  return code >= 1 && code < kActionNames.size();
}

// The node subcommands, listed when none is given.
constexpr const char* kNodeActions = "add-folder, add-query, edit, delete, show, refresh, export, import, examples";

}  // namespace

bool nodeArguments(std::ostream& err, const PanelCommand& command, std::size_t labels_after, NodeRef* ref,
                   std::vector<std::string>* rest) {
  const std::size_t wanted = labels_after + (command.id ? 0 : 1);
  if (command.args.size() != wanted) {
    const char* what = command.id ? (labels_after > 0 ? "only a label after --id N" : "no path after --id N")
                                  : (labels_after > 0 ? "a path (or --id N) and a label" : "a path (or --id N)");
    err << "node " << command.action << ": expected " << what << "\n";
    return false;
  }
  ref->id = command.id;
  ref->path = command.id ? std::string() : command.args.front();
  if (rest != nullptr) rest->assign(command.args.begin() + (command.id ? 0 : 1), command.args.end());
  return true;
}

constexpr const char* kFilterHelp =
    "Only the library tracks whose artist, album artist, album, title, genre, composer or date hold every word "
    "(\"quoted words\" as a phrase), as the panel's search field";

PanelCommands addPanelCommands(CLI::App& cli, PanelCommand& c) {
  PanelCommands commands;
  commands.tree = cli.add_subcommand("tree", "Load a panel's tree and print it");
  addPanelNumber(*commands.tree, c);
  commands.tree->add_flag("--refresh", c.refresh, "Run \"Refresh all\" first");
  commands.tree->add_flag("--ids", c.ids, "Show the id of every folder and query node (text: \"  #N\")");
  commands.tree->add_option("--format", c.format, "text or json");
  commands.tree->add_option("--filter", c.filter, kFilterHelp)->type_name("TEXT");

  commands.click = cli.add_subcommand("click", "Click a node as the mouse would");
  commands.click->add_option("args", c.args, "Node path (labels separated by /)");
  commands.click->add_option("--id", c.id, "The node's id (tree --ids) in place of its path")->type_name("N");
  commands.click->add_flag("--middle", c.middle, "Middle click");
  commands.click->add_option("--filter", c.filter, kFilterHelp)->type_name("TEXT");
  addPanelNumber(*commands.click, c);

  commands.node = cli.add_subcommand("node", "Add, edit, delete, show or refresh a node");
  commands.node->footer(std::string("Subcommands: ") + kNodeActions + ". Actions for --click and --middle: " +
                        actionNameList() + ".");
  CLI::App* add_folder =
      addNodeAction(*commands.node, c, "add-folder", "Add a folder below PARENT (/ for the top)", "PARENT LABEL");
  addAttributeOptions(*add_folder, c.query.attributes);
  CLI::App* add_query =
      addNodeAction(*commands.node, c, "add-query", "Add a query node below PARENT (/ for the top)", "PARENT LABEL");
  addQueryNodeOptions(*add_query, c.query, false);
  CLI::App* edit = addNodeAction(*commands.node, c, "edit", "Change a node; only what is given changes", "PATH");
  addQueryNodeOptions(*edit, c.query, true);
  addNodeAction(*commands.node, c, "delete", "Delete a node without asking", "PATH");
  addNodeAction(*commands.node, c, "show", "Print a node's stored definition as JSON", "PATH");
  addNodeAction(*commands.node, c, "refresh", "Refresh one query node (or the query nodes of a folder)", "PATH");
  addNodeAction(*commands.node, c, "export", "Write a folder or query node with everything below it to a tree file",
                "PATH FILE");
  addNodeAction(*commands.node, c, "import", "Add the nodes of a tree file below the folder PARENT (default: /)",
                "FILE [PARENT]");
  CLI::App* examples =
      addNodeAction(*commands.node, c, "examples", "Create the example nodes (again: completes them)", nullptr);
  examples->add_flag("--now-playing", c.now_playing,
                     "Create the 'now playing' examples (the folder <Now playing>) instead");

  commands.panel = cli.add_subcommand("panel", "Show or set a panel's options");
  CLI::App* show = commands.panel->add_subcommand("show", "Print the panel's options as key=value lines");
  addPanelNumber(*show, c);
  show->callback([&c] { c.action = "show"; });
  CLI::App* set = commands.panel->add_subcommand("set", "Change the panel's options; only what is given changes");
  addPanelNumber(*set, c);
  addPanelOptions(*set, c.options);
  set->callback([&c] { c.action = "set"; });
  return commands;
}

int runTreeCommand(CommandEnv& env, const GlobalOptions& global, const PanelCommand& command) {
  if (command.format != "text" && command.format != "json") {
    env.err() << "Unknown format \"" << command.format << "\": use text or json\n";
    return kExitBadInput;
  }
  PanelSession session(env, global, command.panel, command.filter);
  bool ok = session.loaded();
  // Ctrl+C during the load's refreshes means no more queries.
  if (ok && command.refresh && !session.interrupted()) ok = session.panel().refreshAll();
  if (command.format == "json") {
    session.out() << treeJson(session.panel()).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                  << "\n";
  } else {
    session.out() << treeText(session.panel(), command.ids);
  }
  session.finish(false);
  return session.finalStatus(ok ? kExitOk : kExitFailed);
}

int runClickCommand(CommandEnv& env, const GlobalOptions& global, const PanelCommand& command) {
  NodeRef ref;
  if (!nodeArguments(env.err(), command, 0, &ref, nullptr)) return kExitBadInput;
  PanelSession session(env, global, command.panel, command.filter);
  if (!session.loaded()) return session.finalStatus(kExitFailed);
  tree::TreeNode* node = resolveNode(session.panel(), ref, session.err());
  if (node == nullptr) return session.finalStatus(kExitBadInput);
  if (!hasAction(*node, command.middle)) {
    const std::string name =
        node->type() == tree::NodeType::kRoot ? "/" : (ref.id ? "\"" + node->label() + "\"" : ref.path);
    session.err() << name << " has no " << (command.middle ? "middle-click" : "click") << " action\n";
    session.finish(false);
    return session.finalStatus(kExitOk);
  }
  const std::size_t errors_before = session.player().errorReports();
  if (command.middle) {
    node->middleClick();
  } else {
    node->click();
  }
  session.finish(true);
  const bool failed = session.player().errorReports() != errors_before || session.consoleFailed();
  return session.finalStatus(failed ? kExitFailed : kExitOk);
}

int runPanelCommand(CommandEnv& env, const GlobalOptions& global, const PanelCommand& command) {
  if (command.action.empty()) {
    env.err() << "panel: give a subcommand: show or set\n";
    return kExitBadInput;
  }
  PanelSession session(env, global, command.panel);
  tree::PanelSettings settings = session.panel().settings();
  if (command.action == "show") {
    session.out() << panelSettingsText(settings);
    session.finish(false);
    return session.finalStatus(kExitOk);
  }
  std::string error;
  if (!applyPanelOptions(command.options, settings, &error)) {
    session.err() << error << "\n";
    return kExitBadInput;
  }
  session.panel().setSettings(settings);
  session.finish(false);
  return session.finalStatus(kExitOk);
}

}  // namespace app
