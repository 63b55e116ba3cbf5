// The headless commands. Each returns the process exit status.
#ifndef VOSTREL_APP_COMMANDS_H_
#define VOSTREL_APP_COMMANDS_H_

#include <iosfwd>
#include <optional>
#include <string>

#include "app/command_env.h"
#include "app/context.h"

namespace app {

struct SqlOptions {
  std::string script;          // the text, or "-" / empty for standard input
  std::string file;            // -f FILE: the script's file instead
  std::string format;          // tsv, csv, json, table; empty: by terminal
  std::optional<uint64_t> limit;
  bool status = false;
  bool script_from_input = false;  // set by readSqlScript: the text is not in the arguments
};
// Puts the script's text into options.script: from -f FILE, or standard
// input (env.in()) for "-" or no script (a terminal gets a hint instead of a silent
// wait). Returns the exit status, kExitOk when there is a script. Runs before
// the profile is locked: the input may come from another command on the same
// profile, which must not wait for this one.
int readSqlScript(SqlOptions& options, CommandEnv& env);
// REQUIRES: readSqlScript has run.
int runSqlCommand(CommandEnv& env, const GlobalOptions& global, const SqlOptions& options);

struct ConfigOptions {
  std::optional<std::string> key;
  std::optional<std::string> value;
};
int runConfigCommand(CommandEnv& env, const GlobalOptions& global, const ConfigOptions& options);

int runPlaylistsCommand(CommandEnv& env, const GlobalOptions& global, const std::string& format);

}  // namespace app

#endif  // VOSTREL_APP_COMMANDS_H_
