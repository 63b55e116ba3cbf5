#include <unistd.h>

#include <iostream>
#include <iterator>

#include "app/cli.h"
#include "app/commands.h"
#include "app/interrupt_signal.h"
#include "console/console_run.h"
#include "console/result_formats.h"
#include "db/database.h"

namespace app {

int runSqlCommand(const GlobalOptions& global, const SqlOptions& options) {
  std::optional<console::ResultFormat> format;
  if (options.format.empty()) {
    format = isatty(STDOUT_FILENO) ? console::ResultFormat::kTable : console::ResultFormat::kTsv;
  } else {
    format = console::parseResultFormat(options.format);
    if (!format) {
      std::cerr << "Unknown format \"" << options.format << "\": use tsv, csv, json or table\n";
      return kExitBadInput;
    }
  }
  std::string script = options.script;
  if (script.empty() || script == "-") {
    script.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  }

  std::unique_ptr<player::Player> player = openPlayer(global);
  db::SQLiteDatabase database(*player);
  console::ConsoleRun runner(database);
  runner.setRowLimit(options.limit.value_or(UINT64_MAX));
  InterruptSignal interrupt_signal;
  player->setPumpHook([&runner] {
    if (InterruptSignal::take()) runner.abort();
  });

  auto writer = console::makeResultWriter(*format, std::cout);
  const console::RunOutcome outcome = runner.run(script, *writer);
  writer->finish();
  player->setPumpHook(nullptr);
  if (options.status) std::cerr << outcome.status << '\n';
  if (player->playlistsSeeded()) player->save();

  switch (outcome.result) {
    case console::RunResult::kSuccess:
      // The rows came, but the work the script did inside its transaction
      // is gone (the run said so).
      return outcome.transaction_rolled_back ? kExitFailed : kExitOk;
    case console::RunResult::kAborted:
      std::cerr << "Execution error:\n" << outcome.error << '\n';
      return kExitFailed;
    case console::RunResult::kError:  // the message box went to stderr
    case console::RunResult::kNotStarted: break;  // the database layer said why
  }
  return kExitFailed;
}

}  // namespace app
