// `columns`: the columns of the virtual tables MediaLibrary and Playlist,
// listed and edited by the table preferences pages' rules, then stored and
// the tables rebuilt as the pages' Apply does.
#ifndef VOSTREL_APP_COLUMNS_COMMAND_H_
#define VOSTREL_APP_COLUMNS_COMMAND_H_

#include <optional>
#include <string>

#include "app/command_env.h"
#include "app/context.h"

namespace CLI {
class App;
}

namespace app {

struct ColumnsCommand {
  std::string action;  // empty (list), add, edit, remove, defaults
  std::string table = "MediaLibrary";
  std::string format = "text";
  std::string name;
  std::optional<std::string> new_name;
  std::optional<std::string> type;  // tag, techinfo, predefined, tfexpression
  std::optional<std::string> collation;
  std::optional<std::string> tag_name;
  std::optional<std::string> separator;
  std::optional<bool> split;
  std::optional<std::string> associated;
  std::optional<std::string> expression;
};

CLI::App* addColumnsCommand(CLI::App& cli, ColumnsCommand& command);
int runColumnsCommand(CommandEnv& env, const GlobalOptions& global, const ColumnsCommand& command);

}  // namespace app

#endif  // VOSTREL_APP_COLUMNS_COMMAND_H_
