#include "console/console_run.h"

#include <cinttypes>
#include <cstdio>

#include <sqlite3.h>

#include "console/script_text.h"
#include "db/database.h"
#include "host/host.h"
#include "host/priority.h"
#include "library_tables/handle_table.h"
#include "query/level_query.h"

namespace console {
namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

std::string formatElapsed(std::chrono::microseconds elapsed) {
  const int64_t total_us = elapsed.count() < 0 ? 0 : elapsed.count();
  const uint64_t s = static_cast<uint64_t>(total_us / 1000000);
  const auto micros = static_cast<unsigned>(total_us % 1000000);
  const uint64_t weeks = s / 604800;
  const uint64_t days = (s / 86400) % 7;
  const uint64_t hours = (s / 3600) % 24;
  const uint64_t minutes = (s / 60) % 60;
  const uint64_t seconds = s % 60;
  char buffer[96];
  std::string out;
  if (weeks > 0) out += std::to_string(weeks) + "wk ";
  if (weeks > 0 || days > 0) out += std::to_string(days) + "d ";
  if (weeks > 0 || days > 0 || hours > 0) {
    std::snprintf(buffer, sizeof buffer, "%" PRIu64 ":%02" PRIu64 ":%02" PRIu64 ".%06u", hours, minutes, seconds,
                  micros);
  } else {
    std::snprintf(buffer, sizeof buffer, "%" PRIu64 ":%02" PRIu64 ".%06u", minutes, seconds, micros);
  }
  return out + buffer;
}

std::string statusText(bool aborted, std::chrono::microseconds elapsed, uint64_t rows_shown) {
  std::string status = "Execution time";
  if (aborted) status += " (aborted)";
  status += ": " + formatElapsed(elapsed);
  if (rows_shown > 0) {
    status += " // " + std::to_string(rows_shown) + (rows_shown == 1 ? " row" : " rows") + " retrieved";
  }
  return status;
}

ConsoleRun::ConsoleRun(db::SQLiteDatabase& db) : db_(db) {}

void ConsoleRun::abort() {
  if (!running_) return;
  abort_requested_ = true;
  if (db_.IsBusy()) db_.Interrupt();
}

RunOutcome ConsoleRun::run(std::string_view script, ResultSink& sink) {
  RunOutcome outcome;
  if (!db_.Open()) return outcome;
  host::Host& host = db_.host();
  running_ = true;
  abort_requested_ = false;
  const auto start = Clock::now();
  {
    host::PriorityScope priority(host.advancedSettings().sql_processing_priority);
    try {
      runStatements(script, sink, outcome);
      outcome.result = RunResult::kSuccess;
    } catch (const db::SQLiteException& e) {
      outcome.error = e.message();
      if (abort_requested_ && e.code() == db::kInterruptCode) {
        outcome.result = RunResult::kAborted;
      } else {
        outcome.result = RunResult::kError;
      }
    }
  }
  const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
  if (sqlite3_get_autocommit(db_.handle()) == 0) {
    db_.RollbackTransaction(true);
    outcome.transaction_rolled_back = true;
  }
  if (outcome.result == RunResult::kError) {
    host.messageBox("Execution error:\n" + outcome.error, host::kComponentFileName);
    outcome.status = "Execution error";
    outcome.rows_shown = 0;
    sink.clearResult();
  } else {
    outcome.status = statusText(outcome.result == RunResult::kAborted, elapsed, outcome.rows_shown);
  }
  if (outcome.transaction_rolled_back) db_.LogToConsole(kOpenTransactionRolledBack, false);
  library_tables::HandleTable::instance().clear();
  if (after_run_) after_run_();
  running_ = false;
  abort_requested_ = false;
  return outcome;
}

void ConsoleRun::runStatements(std::string_view script, ResultSink& sink, RunOutcome& outcome) {
  const uint64_t limit = row_limit_ ? *row_limit_ : db_.host().advancedSettings().console_row_limit;
  db::SQLiteColumns row;
  std::vector<std::string> cells;
  // Trailing comments are no statement: the last real one shows its rows.
  std::string remaining(script.substr(0, statementsEnd(script)));
  if (remaining.empty()) {
    sink.beginResult({});
    return;
  }
  for (;;) {
    db::Prepared prepared = db_.Prepare(remaining, &row);
    const bool last = prepared.rest.empty();
    if (last) {
      std::vector<std::string> names;
      names.reserve(row.size());
      for (const db::SQLiteColumn& column : row) names.push_back(column.name());
      sink.beginResult(names);
      cells.resize(row.size());
    }
    while (db_.Step(prepared.query) == db::kRow) {
      if (!last) continue;
      if (outcome.rows_shown >= limit) {
        outcome.row_limit_exceeded = true;
        db_.LogToConsole("Row limit (" + std::to_string(limit) + " rows) for the Vostrel console exceeded.", false);
        break;
      }
      for (std::size_t i = 0; i < row.size(); ++i) query::valueText(row[i], cells[i]);
      sink.addRow(++outcome.rows_shown, row, cells);
    }
    prepared.query.finalize();
    if (last) break;
    remaining = std::move(prepared.rest);
  }
}

}  // namespace console
