// The panel commands: tree, click, node and panel.
#ifndef VOSTREL_APP_TREE_COMMANDS_H_
#define VOSTREL_APP_TREE_COMMANDS_H_

#include <optional>
#include <string>
#include <vector>

#include "app/command_env.h"
#include "app/context.h"
#include "app/node_lookup.h"
#include "app/node_options.h"
#include "app/panel_options.h"

namespace CLI {
class App;
}

namespace app {

struct PanelCommand {
  int panel = 1;
  // tree
  bool refresh = false;
  bool ids = false;
  std::string format = "text";
  // click, node and panel
  std::vector<std::string> args;  // the positional arguments
  std::optional<int32_t> id;      // --id in place of a path
  bool middle = false;
  // tree and click: the panel's search text, for this command's run only
  std::optional<std::string> filter;
  std::string action;  // the node or panel subcommand
  bool now_playing = false;  // node examples --now-playing
  QueryNodeOptions query;
  PanelOptions options;
};

// The subcommands this file registers.
struct PanelCommands {
  CLI::App* tree = nullptr;
  CLI::App* click = nullptr;
  CLI::App* node = nullptr;
  CLI::App* panel = nullptr;
};
PanelCommands addPanelCommands(CLI::App& cli, PanelCommand& command);

// The node a command names: its path argument `index`, or --id (when given,
// the path is not given and the arguments after it move up by one).
// Returns false, with the message on `err`, when the arguments do not fit.
bool nodeArguments(std::ostream& err, const PanelCommand& command, std::size_t labels_after, NodeRef* ref,
                   std::vector<std::string>* rest);

int runTreeCommand(CommandEnv& env, const GlobalOptions& global, const PanelCommand& command);
int runClickCommand(CommandEnv& env, const GlobalOptions& global, const PanelCommand& command);
int runNodeCommand(CommandEnv& env, const GlobalOptions& global, const PanelCommand& command);
int runPanelCommand(CommandEnv& env, const GlobalOptions& global, const PanelCommand& command);

}  // namespace app

#endif  // VOSTREL_APP_TREE_COMMANDS_H_
