#include "app/cli.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <string>
#include <utility>

#include "app/commands.h"
#include "app/context.h"
#include "app/desktop_start.h"
#include "app/panel_session.h"
#include "app/tree_commands.h"
#include "player/player_error.h"

#ifndef VOSTREL_VERSION
#define VOSTREL_VERSION "unknown"
#endif

namespace app {

int runCommandLine(int argc, char** argv) {
  CLI::App cli{"Vostrel: a music library as a tree defined in SQL", "vostrel"};
  cli.set_help_all_flag("--help-all", "All commands and their options");
  cli.footer("The manual: help/vostrel_help.html. The reference: docs/cli.md and man vostrel.");
  cli.set_version_flag("--version", std::string("vostrel ") + VOSTREL_VERSION, "Print the version and exit");
  GlobalOptions global;
  cli.add_option("--profile", global.profile, "Profile folder")->type_name("DIR");
  cli.add_option("--library", global.library, "Media library file for this run")->type_name("PATH");
  cli.add_option("--set", global.sets, "Advanced setting for this run only")->type_name("KEY=VALUE");
  cli.add_option("--wait", global.wait_seconds, "Wait up to SECONDS for a profile in use (default 30; 0: no wait)")
      ->type_name("SECONDS");

  SqlOptions sql;
  CLI::App* sql_command = cli.add_subcommand("sql", "Run an SQL script as the console does");
  sql_command->add_option("script", sql.script, "The script; - or nothing reads standard input");
  sql_command->add_option("-f,--file", sql.file, "Read the script from FILE")->type_name("FILE");
  sql_command->add_option("--format", sql.format, "tsv, csv, json or table");
  sql_command->add_option("--limit", sql.limit, "Show at most N rows")
      ->type_name("N")
      ->check(CLI::Range(uint64_t{0}, UINT64_MAX));
  sql_command->add_flag("--status", sql.status, "Print the status text to stderr");

  ConfigOptions config;
  CLI::App* config_command = cli.add_subcommand("config", "List, print or set advanced settings");
  config_command->add_option("key", config.key, "Setting");
  config_command->add_option("value", config.value, "New value");

  std::string playlists_format = "text";
  CLI::App* playlists_command = cli.add_subcommand("playlists", "Print the playlists");
  playlists_command->add_option("--format", playlists_format, "text or json");

  PanelCommand panel_command;
  CLI::App* tree_command = cli.add_subcommand("tree", "Load a panel's tree and print it");
  tree_command->add_option("--panel", panel_command.panel, "Panel number, from 1")->check(CLI::Range(1, kMaxPanels));
  tree_command->add_flag("--refresh", panel_command.refresh, "Run \"Refresh all\" first");
  tree_command->add_option("--format", panel_command.format, "text or json");

  CLI::App* click_command = cli.add_subcommand("click", "Click a node as the mouse would");
  click_command->add_option("path", panel_command.path, "Node path (labels separated by /)")->required();
  click_command->add_flag("--middle", panel_command.middle, "Middle click");
  click_command->add_option("--panel", panel_command.panel, "Panel number, from 1")->check(CLI::Range(1, kMaxPanels));

  CLI::App* node_command = cli.add_subcommand("node", "Add, edit, delete or show a node");
  node_command->require_subcommand(1);
  auto node_action = [&](const char* name, const char* description) {
    CLI::App* action = node_command->add_subcommand(name, description);
    action->add_option("--panel", panel_command.panel, "Panel number, from 1")->check(CLI::Range(1, kMaxPanels));
    action->callback([&panel_command, name] { panel_command.action = name; });
    return action;
  };
  CLI::App* add_folder = node_action("add-folder", "Add a folder below PARENT (/ for the top)");
  add_folder->add_option("parent", panel_command.path, "Parent path")->required();
  add_folder->add_option("label", panel_command.label, "Label")->required();
  CLI::App* add_query = node_action("add-query", "Add a query node below PARENT (/ for the top)");
  add_query->add_option("parent", panel_command.path, "Parent path")->required();
  add_query->add_option("label", panel_command.label, "Label")->required();
  addQueryNodeOptions(*add_query, panel_command.query, false);
  CLI::App* edit = node_action("edit", "Change a node; only what is given changes");
  edit->add_option("path", panel_command.path, "Node path")->required();
  addQueryNodeOptions(*edit, panel_command.query, true);
  node_action("delete", "Delete a node without asking")
      ->add_option("path", panel_command.path, "Node path")
      ->required();
  node_action("show", "Print a node's stored definition as JSON")
      ->add_option("path", panel_command.path, "Node path")
      ->required();

  cli.require_subcommand(0, 1);
  try {
    cli.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return cli.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return cli.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return cli.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "vostrel: " << e.what() << "\n";
    return kExitBadInput;
  }

  // An empty value would silently mean the default profile or library.
  for (const auto& [name, value] : {std::pair{"--profile", &global.profile}, std::pair{"--library", &global.library}}) {
    if (cli.count(name) > 0 && value->empty()) {
      std::cerr << "vostrel: " << name << " needs a value; leave the option out for the default\n";
      return kExitBadInput;
    }
  }
  if (!(global.wait_seconds >= 0)) {
    std::cerr << "vostrel: --wait needs a number of seconds, 0 or more\n";
    return kExitBadInput;
  }
  if (*sql_command) {
    if (const int status = readSqlScript(sql); status != kExitOk) return status;
  }

  installComponent();
  if (cli.get_subcommands().empty()) return runDesktop(global, argc, argv);

  try {
    // Held until the command has returned: it reads and writes the profile.
    const player::ProfileLock lock = lockProfile(global);
    if (*sql_command) return runSqlCommand(global, sql);
    if (*config_command) return runConfigCommand(global, config);
    if (*playlists_command) return runPlaylistsCommand(global, playlists_format);
    if (*tree_command) return runTreeCommand(global, panel_command);
    if (*click_command) return runClickCommand(global, panel_command);
    if (*node_command) return runNodeCommand(global, panel_command);
  } catch (const player::ProfileBusy& e) {
    std::cerr << profileBusyMessage(e, global.wait_seconds) << "\n";
    return kExitFailed;
  } catch (const player::PlayerError& e) {
    std::cerr << e.what() << "\n";
    return kExitBadInput;
  }
  return kExitBadInput;
}

}  // namespace app
