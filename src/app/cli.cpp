#include "app/cli.h"

#include <CLI/CLI.hpp>

#include <iostream>

#include "app/commands.h"
#include "app/context.h"
#include "player/player_error.h"

namespace app {

int runCommandLine(int argc, char** argv) {
  CLI::App cli{"Vostrel: a music library as a tree defined in SQL", "vostrel"};
  cli.set_help_all_flag("--help-all", "All commands and their options");
  GlobalOptions global;
  cli.add_option("--profile", global.profile, "Profile folder")->type_name("DIR");
  cli.add_option("--library", global.library, "Media library file for this run")->type_name("PATH");
  cli.add_option("--set", global.sets, "Advanced setting for this run only")->type_name("KEY=VALUE");

  SqlOptions sql;
  CLI::App* sql_command = cli.add_subcommand("sql", "Run an SQL script as the console does");
  sql_command->add_option("script", sql.script, "The script; - or nothing reads standard input");
  sql_command->add_option("--format", sql.format, "tsv, csv, json or table");
  sql_command->add_option("--limit", sql.limit, "Show at most N rows")->type_name("N");
  sql_command->add_flag("--status", sql.status, "Print the status text to stderr");

  ConfigOptions config;
  CLI::App* config_command = cli.add_subcommand("config", "List, print or set advanced settings");
  config_command->add_option("key", config.key, "Setting");
  config_command->add_option("value", config.value, "New value");

  std::string playlists_format = "text";
  CLI::App* playlists_command = cli.add_subcommand("playlists", "Print the playlists");
  playlists_command->add_option("--format", playlists_format, "text or json");

  cli.require_subcommand(0, 1);
  try {
    cli.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return cli.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return cli.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "vostrel: " << e.what() << "\n";
    return kExitBadInput;
  }

  installComponent();
  try {
    if (*sql_command) return runSqlCommand(global, sql);
    if (*config_command) return runConfigCommand(global, config);
    if (*playlists_command) return runPlaylistsCommand(global, playlists_format);
  } catch (const player::PlayerError& e) {
    std::cerr << e.what() << "\n";
    return kExitBadInput;
  }
  std::cerr << "The desktop program is not available in this build yet; run \"vostrel --help\" for the commands.\n";
  return kExitBadInput;
}

}  // namespace app
