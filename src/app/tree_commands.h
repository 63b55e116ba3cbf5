// The panel commands: tree, click and node.
#ifndef VOSTREL_APP_TREE_COMMANDS_H_
#define VOSTREL_APP_TREE_COMMANDS_H_

#include <cstdint>
#include <optional>
#include <string>

#include "app/command_env.h"
#include "app/context.h"

namespace CLI {
class App;
}

namespace app {

// The query node options of `node add-query` and `node edit`; only what is
// given changes.
struct QueryNodeOptions {
  std::optional<std::string> label;
  std::optional<std::string> query;
  std::optional<std::string> batch;
  std::optional<int> click;
  std::optional<std::string> click_target;
  bool click_no_activate = false;
  bool click_select = false;
  bool click_play = false;
  std::optional<int> middle;
  std::optional<std::string> middle_target;
  bool middle_no_activate = false;
  bool middle_select = false;
  bool middle_play = false;
  bool refresh_on_load = false;
  bool refresh_on_use = false;
  std::optional<std::string> node_limit;
  bool omit_null = false;
  bool keep_duplicates = false;
  std::optional<std::string> item_counts;
};

struct PanelCommand {
  int panel = 1;
  // tree
  bool refresh = false;
  std::string format = "text";
  // click and node
  std::string path;
  bool middle = false;
  std::string action;  // add-folder, add-query, edit, delete, show
  std::string label;   // add-folder, add-query
  QueryNodeOptions query;
};

// Adds the query node options to a node subcommand.
void addQueryNodeOptions(CLI::App& command, QueryNodeOptions& options, bool with_label);

int runTreeCommand(CommandEnv& env, const GlobalOptions& global, const PanelCommand& command);
int runClickCommand(CommandEnv& env, const GlobalOptions& global, const PanelCommand& command);
int runNodeCommand(CommandEnv& env, const GlobalOptions& global, const PanelCommand& command);

}  // namespace app

#endif  // VOSTREL_APP_TREE_COMMANDS_H_
