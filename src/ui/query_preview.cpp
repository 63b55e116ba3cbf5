#include "ui/query_preview.h"

#include "console/console_run.h"
#include "db/database.h"
#include "db/exception.h"
#include "library_tables/handle_table.h"
#include "query/level_query.h"

namespace ui {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

QueryPreview::Outcome QueryPreview::run(std::string_view statement, console::ResultSink& sink, uint64_t limit) {
  Outcome outcome;
  if (running_) return outcome;
  running_ = true;
  abort_requested_ = false;
  const auto start = Clock::now();
  sink.clearResult();
  try {
    if (!db_.Open()) throw db::SQLiteException(1, "Unable to open the database");
    db::SQLiteColumns row;
    db::Prepared prepared = db_.Prepare(statement, &row);
    // The preview must leave the database as it is: exactly one statement,
    // and one that only reads.
    if (!prepared.rest.empty() || !db_.isReadOnly(prepared.query) || row.empty()) {
      throw db::SQLiteException(1, "Only a single SELECT statement can be previewed.");
    }
    std::vector<std::string> names;
    names.reserve(row.size());
    for (const db::SQLiteColumn& column : row) names.push_back(column.name());
    sink.beginResult(names);
    std::vector<std::string> cells(row.size());
    while (db_.Step(prepared.query) == db::kRow) {
      if (outcome.rows >= limit) {
        outcome.more = true;
        break;
      }
      for (std::size_t i = 0; i < row.size(); ++i) query::valueText(row[i], cells[i]);
      sink.addRow(++outcome.rows, row, cells);
    }
    prepared.query.finalize();
    outcome.ok = true;
  } catch (const db::SQLiteException& e) {
    if (abort_requested_ && e.code() == db::kInterruptCode) {
      outcome.aborted = true;
    } else {
      outcome.error = e.message();
      outcome.rows = 0;
      outcome.more = false;
      sink.clearResult();
    }
  }
  outcome.elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
  // Track handles that a selected metadb_handle column made are not kept.
  library_tables::HandleTable::instance().clear();
  running_ = false;
  abort_requested_ = false;
  return outcome;
}

void QueryPreview::abort() {
  if (!running_) return;
  abort_requested_ = true;
  if (db_.IsBusy()) db_.Interrupt();
}

std::string QueryPreview::statusText(const Outcome& outcome) {
  const std::string elapsed = console::formatElapsed(outcome.elapsed);
  if (outcome.aborted) return "Preview aborted after " + elapsed;
  if (!outcome.ok) return outcome.error;
  std::string text = "Preview: " + std::to_string(outcome.rows) + (outcome.rows == 1 ? " row" : " rows") + " in " +
                     elapsed;
  if (outcome.more) text += " (more not shown)";
  return text;
}

}  // namespace ui
