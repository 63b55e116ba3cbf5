#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "app/cli.h"
#include "app/commands.h"
#include "app/interrupt_signal.h"
#include "console/console_run.h"
#include "console/result_formats.h"
#include "db/database.h"

namespace app {

int readSqlScript(SqlOptions& options, CommandEnv& env) {
  if (!options.file.empty()) {
    if (!options.script.empty()) {
      env.err() << "Give the script either as an argument or with -f FILE, not both\n";
      return kExitBadInput;
    }
    // The sender read the file (it may have been its own standard input or
    // pipe) and sent the text along.
    if (env.live()) {
      options.script.assign(std::istreambuf_iterator<char>(env.in()), std::istreambuf_iterator<char>());
      options.script_from_input = true;
      return kExitOk;
    }
    std::error_code ec;
    std::ifstream in;
    const char* reason = "it is a folder";
    if (!std::filesystem::is_directory(options.file, ec)) {
      errno = 0;
      in.open(options.file, std::ios::binary);
      if (in) options.script.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      if (in && !in.bad()) {
        options.script_from_input = true;
        return kExitOk;
      }
      reason = errno != 0 ? std::strerror(errno) : "read error";
    }
    env.err() << "Cannot read the script file \"" << options.file << "\": " << reason << '\n';
    return kExitBadInput;
  }
  if (!options.script.empty() && options.script != "-") return kExitOk;
  if (options.script.empty() && env.inIsTerminal()) {
    env.err() << "No SQL script given. Write it as an argument (vostrel sql \"SELECT 1\"), "
                 "read it from a file (vostrel sql -f script.sql) or pipe it in (vostrel sql - < script.sql).\n";
    return kExitBadInput;
  }
  options.script.assign(std::istreambuf_iterator<char>(env.in()), std::istreambuf_iterator<char>());
  options.script_from_input = true;
  return kExitOk;
}

int runSqlCommand(CommandEnv& env, const GlobalOptions& global, const SqlOptions& options) {
  std::optional<console::ResultFormat> format;
  if (options.format.empty()) {
    format = env.outIsTerminal() ? console::ResultFormat::kTable : console::ResultFormat::kTsv;
  } else {
    format = console::parseResultFormat(options.format);
    if (!format) {
      env.err() << "Unknown format \"" << options.format << "\": use tsv, csv, json or table\n";
      return kExitBadInput;
    }
  }

  const CommandPlayer player(env, global);
  db::SQLiteDatabase database(*player);
  console::ConsoleRun runner(database);
  runner.setRowLimit(options.limit.value_or(UINT64_MAX));
  const std::unique_ptr<InterruptSignal> interrupt_signal = env.catchInterrupts();
  player->setPumpHook([&env, &runner] {
    if (env.takeInterrupt()) runner.abort();
  });

  auto writer = console::makeResultWriter(*format, env.out());
  const console::RunOutcome outcome = runner.run(options.script, *writer);
  writer->finish();
  player->setPumpHook(nullptr);
  if (options.status) env.err() << outcome.status << '\n';
  if (player->playlistsSeeded()) player->save();

  switch (outcome.result) {
    case console::RunResult::kSuccess:
      // The rows came, but the work the script did inside its transaction
      // is gone (the run said so).
      return outcome.transaction_rolled_back ? kExitFailed : kExitOk;
    case console::RunResult::kAborted:
      env.err() << "Execution error:\n" << outcome.error << '\n';
      return kExitFailed;
    case console::RunResult::kError:  // the message box went to stderr
    case console::RunResult::kNotStarted: break;  // the database layer said why
  }
  return kExitFailed;
}

}  // namespace app
