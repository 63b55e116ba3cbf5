// ConsoleRun: the console's run of an SQL script, without a window.
//
// All statements run in order; only the rows of the last one are shown,
// numbered from 1, up to the console row limit. The status line reports the
// elapsed time ("Execution time: 0:00.001234 // 3 rows retrieved"). The
// console window and the `vostrel sql` command both drive this class and
// differ only in their ResultSink.
//
// A run never leaves a transaction open: a script that begins one and does
// not end it (or fails inside it) has it rolled back when the run ends, with
// kOpenTransactionRolledBack on the host console. Held over to a later run,
// it would keep every other connection of the profile from writing, and the
// program's end would roll it back anyway, long after the run reported
// success.
#ifndef VOSTREL_CONSOLE_CONSOLE_RUN_H_
#define VOSTREL_CONSOLE_CONSOLE_RUN_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace db {
class SQLiteColumns;
class SQLiteDatabase;
}

namespace console {

// Receives the rows of the last statement.
class ResultSink {
 public:
  virtual ~ResultSink() = default;
  // A new result: the "#" column followed by `columns`; an empty list means
  // the statement has no result columns (the "No rows" state).
  virtual void beginResult(const std::vector<std::string>& columns) = 0;
  // One row: its number (from 1), the typed values and one text per result
  // column (NULL as "<null>").
  virtual void addRow(uint64_t number, const db::SQLiteColumns& values, const std::vector<std::string>& cells) = 0;
  // The result is dropped after an error ("No rows").
  virtual void clearResult() = 0;
};

// Hands every call to two sinks, `first` first: the console window's grid
// and its chart take the same rows.
class SinkPair : public ResultSink {
 public:
  SinkPair(ResultSink& first, ResultSink& second) : first_(first), second_(second) {}
  void beginResult(const std::vector<std::string>& columns) override {
    first_.beginResult(columns);
    second_.beginResult(columns);
  }
  void addRow(uint64_t number, const db::SQLiteColumns& values, const std::vector<std::string>& cells) override {
    first_.addRow(number, values, cells);
    second_.addRow(number, values, cells);
  }
  void clearResult() override {
    first_.clearResult();
    second_.clearResult();
  }

 private:
  ResultSink& first_;
  ResultSink& second_;
};

enum class RunResult {
  kNotStarted,  // the connection could not be opened (already reported)
  kSuccess,     // includes a run stopped by the row limit
  kAborted,     // interrupted by abort()
  kError,       // "Execution error:\n" + error has been shown
};

struct RunOutcome {
  RunResult result = RunResult::kNotStarted;
  std::string status;      // the status line after the run
  std::string error;       // the database layer's message, for kError and kAborted
  uint64_t rows_shown = 0;
  bool row_limit_exceeded = false;
  // The script left a transaction open and the run rolled it back, so its
  // changes since BEGIN are gone (see ConsoleRun).
  bool transaction_rolled_back = false;
};

inline constexpr const char* kOpenTransactionRolledBack =
    "The script left a transaction open: it was rolled back, and its changes since BEGIN were not kept.";

class ConsoleRun {
 public:
  // `db` is the console's own connection; it is opened on the first run.
  explicit ConsoleRun(db::SQLiteDatabase& db);

  RunOutcome run(std::string_view script, ResultSink& sink);
  // Makes a running script stop at its next progress check.
  void abort();
  bool running() const { return running_; }

  // Called after every run, when the open table preferences pages must reload.
  void setAfterRunHook(std::function<void()> hook) { after_run_ = std::move(hook); }
  // Replaces the "Vostrel console row limit" setting (the command line's
  // --limit); nullopt goes back to the setting.
  void setRowLimit(std::optional<uint64_t> limit) { row_limit_ = limit; }

 private:
  void runStatements(std::string_view script, ResultSink& sink, RunOutcome& outcome);

  db::SQLiteDatabase& db_;
  bool running_ = false;
  bool abort_requested_ = false;
  std::function<void()> after_run_;
  std::optional<uint64_t> row_limit_;
};

// "m:ss.uuuuuu", with hours from one hour on, days from one day on and weeks
// from one week on ("1wk 0d 0:00:00.000000").
std::string formatElapsed(std::chrono::microseconds elapsed);

// "Execution time[ (aborted)]: <elapsed>[ // N row(s) retrieved]".
std::string statusText(bool aborted, std::chrono::microseconds elapsed, uint64_t rows_shown);

}  // namespace console

#endif  // VOSTREL_CONSOLE_CONSOLE_RUN_H_
