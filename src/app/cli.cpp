#include "app/cli.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <string>
#include <utility>

#include "app/columns_command.h"
#include "app/command_env.h"
#include "app/commands.h"
#include "app/context.h"
#include "app/desktop_serve.h"
#include "app/desktop_start.h"
#include "app/forward_client.h"
#include "app/option_values.h"
#include "app/panel_session.h"
#include "app/playlist_file_commands.h"
#include "app/scan_command.h"
#include "app/tree_commands.h"
#include "component/version.h"
#include "profile/data_error.h"
#include "profile/resources.h"

namespace app {

int runCommandLine(int argc, char** argv) {
  StandardEnv env;
  return runCommandLine(argc, argv, env);
}

int runCommandLine(int argc, char** argv, CommandEnv& env) {
  CLI::App cli{"Vostrel: a music library as a tree defined in SQL", "vostrel"};
  cli.set_help_all_flag("--help-all", "All commands and their options");
  cli.footer("The manual: " + (profile::resourceDir("help") / "vostrel_help.html").string() +
             ". The reference: man vostrel.");
  cli.set_version_flag("--version", "vostrel " + component::vostrelVersion().version, "Print the version and exit");
  GlobalOptions global;
  cli.add_option("--profile", global.profile, "Profile folder")->type_name("DIR");
  cli.add_option("--library", global.libraries,
                 "Media library file, or music folder (repeatable), for this run")
      ->type_name("PATH")
      ->allow_extra_args(false);
  cli.add_option("--set", global.sets, "Advanced setting for this run only")->type_name("KEY=VALUE");
  cli.add_option("--wait", global.wait_seconds, "Wait up to SECONDS for a profile in use (default 30; 0: no wait)")
      ->type_name("SECONDS");
  cli.add_option("--playing", global.playing,
                 "The library's track at PATH plays for this run: what playing() and playing_handle() read")
      ->type_name("PATH");
  cli.add_flag("--no-rescan", global.no_rescan,
               "Take the music folders' tracks from the library cache as it stands, without looking for changes");

  SqlOptions sql;
  CLI::App* sql_command = cli.add_subcommand("sql", "Run an SQL script as the console does");
  sql_command->add_option("script", sql.script, "The script; - or nothing reads standard input");
  sql_command->add_option("-f,--file", sql.file, "Read the script from FILE")->type_name("FILE");
  sql_command->add_option("--format", sql.format, "tsv, csv, json or table");
  sql_command->add_option("--limit", sql.limit, "Show at most N rows")
      ->type_name("N")
      ->check(numberCheck("--limit", 0, UINT64_MAX));
  sql_command->add_flag("--status", sql.status, "Print the status text to stderr");

  ConfigOptions config;
  CLI::App* config_command = cli.add_subcommand("config", "List, print or set advanced settings");
  config_command->add_option("key", config.key, "Setting");
  config_command->add_option("value", config.value, "New value");

  std::string playlists_format = "text";
  CLI::App* playlists_command =
      cli.add_subcommand("playlists", "Print the playlists, or import and export playlist files");
  playlists_command->add_option("--format", playlists_format, "text or json");
  PlaylistFileCommand playlist_file;
  const PlaylistFileCommands playlist_file_commands = addPlaylistFileCommands(*playlists_command, playlist_file);

  PanelCommand panel_command;
  const PanelCommands panel_commands = addPanelCommands(cli, panel_command);
  ColumnsCommand columns;
  CLI::App* columns_command = addColumnsCommand(cli, columns);
  ScanCommand scan;
  CLI::App* scan_command = addScanCommand(cli, scan);
  ServeOptions serve;
  CLI::App* serve_command = addServeCommand(cli, serve);

  cli.require_subcommand(0, 1);
  try {
    cli.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return cli.exit(e, env.out(), env.err());
  } catch (const CLI::CallForAllHelp& e) {
    return cli.exit(e, env.out(), env.err());
  } catch (const CLI::CallForVersion& e) {
    return cli.exit(e, env.out(), env.err());
  } catch (const CLI::ParseError& e) {
    env.err() << "vostrel: " << e.what() << "\n";
    return kExitBadInput;
  } catch (const std::invalid_argument&) {
    // A yes/no option given a value that is neither (--omit-null=maybe).
    env.err() << "vostrel: a yes/no option takes no value, or one of true, false, 1, 0, yes, no\n";
    return kExitBadInput;
  }

  if (!global.libraries.empty()) {
    global.library = global.libraries.front();
    // Any empty one counts, not only the first.
    for (const std::string& value : global.libraries) {
      if (value.empty()) global.library.clear();
    }
  }
  // An empty value would silently mean the default profile or library.
  for (const auto& [name, value] : {std::pair{"--profile", &global.profile}, std::pair{"--library", &global.library},
                                    std::pair{"--playing", &global.playing}}) {
    if (cli.count(name) > 0 && value->empty()) {
      env.err() << "vostrel: " << name << " needs a value; leave the option out for the default\n";
      return kExitBadInput;
    }
  }
  if (!(global.wait_seconds >= 0)) {
    env.err() << "vostrel: --wait needs a number of seconds, 0 or more\n";
    return kExitBadInput;
  }
  if (*sql_command) {
    if (const int status = readSqlScript(sql, env); status != kExitOk) return status;
  }

  installComponent();
  if (cli.get_subcommands().empty()) {
    if (!global.playing.empty()) {
      env.err() << "vostrel: --playing applies to a command; the desktop program plays what you choose\n";
      return kExitBadInput;
    }
    if (global.no_rescan) {
      env.err() << "vostrel: --no-rescan applies to a command; the desktop program starts from the library cache "
                   "and rescans the music folders in the background\n";
      return kExitBadInput;
    }
    return env.live() ? kExitBadInput : runDesktop(global, argc, argv);
  }
  if (*scan_command && global.no_rescan) {
    env.err() << "vostrel: --no-rescan cannot be given to scan, which rescans the music folders\n";
    return kExitBadInput;
  }

  const NewProfileCleanup cleanup(global);
  try {
    // The server holds the profile as the desktop program does, for as long
    // as it runs; commands are forwarded to it.
    if (*serve_command) return runServeCommand(env, global, serve, argc, argv);
    // Held until the command has returned: it reads and writes the profile.
    // While the desktop program holds it, the command runs there instead.
    const ProfileClaim claim =
        claimProfile(env, global, argc, argv, sql.script_from_input ? std::optional(sql.script) : std::nullopt);
    if (claim.status) return *claim.status;
    if (*sql_command) return runSqlCommand(env, global, sql);
    if (*config_command) return runConfigCommand(env, global, config);
    if (*playlist_file_commands.import) return runPlaylistImport(env, global, playlist_file);
    if (*playlist_file_commands.export_) return runPlaylistExport(env, global, playlist_file);
    if (*playlists_command) return runPlaylistsCommand(env, global, playlists_format);
    if (*panel_commands.tree) return runTreeCommand(env, global, panel_command);
    if (*panel_commands.click) return runClickCommand(env, global, panel_command);
    if (*panel_commands.node) return runNodeCommand(env, global, panel_command);
    if (*panel_commands.panel) return runPanelCommand(env, global, panel_command);
    if (*columns_command) return runColumnsCommand(env, global, columns);
    if (*scan_command) return runScanCommand(env, global, scan);
  } catch (const profile::ProfileBusy& e) {
    env.err() << profileBusyMessage(e, global.wait_seconds) << "\n";
    return kExitFailed;
  } catch (const profile::DataError& e) {
    env.err() << e.what() << "\n";
    return kExitBadInput;
  }
  return kExitBadInput;
}

}  // namespace app
