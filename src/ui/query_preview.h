// QueryPreview: a look at the first rows of a query node's statement while
// its sheet is open. It runs one read-only statement on the panel's
// connection, hands at most `limit` rows to a ResultSink and measures the
// time taken. Nothing of the tree changes: no node, no level option, no
// result node, no console line.
//
//   QueryPreview preview(panel.database());
//   QueryPreview::Outcome outcome = preview.run("SELECT artist FROM MediaLibrary", model);
//   // outcome.rows == 50, outcome.more == true, outcome.elapsed ...
//
// The database layer lets events through while the statement runs, so
// abort() may be called from a button during run().
#ifndef VOSTREL_UI_QUERY_PREVIEW_H_
#define VOSTREL_UI_QUERY_PREVIEW_H_

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace console {
class ResultSink;
}
namespace db {
class SQLiteDatabase;
}

namespace ui {

inline constexpr uint64_t kPreviewRows = 50;

class QueryPreview {
 public:
  struct Outcome {
    bool ok = false;       // the statement ran (also when cut at the limit)
    bool aborted = false;  // stopped by abort()
    std::string error;     // the database error when neither
    uint64_t rows = 0;     // rows handed to the sink
    bool more = false;     // the statement had rows beyond the limit
    std::chrono::microseconds elapsed{0};
  };

  explicit QueryPreview(db::SQLiteDatabase& db) : db_(db) {}
  QueryPreview(const QueryPreview&) = delete;
  QueryPreview& operator=(const QueryPreview&) = delete;

  // Runs `statement` (one statement that only reads). A statement that
  // writes is refused with an error and never stepped.
  Outcome run(std::string_view statement, console::ResultSink& sink, uint64_t limit = kPreviewRows);
  // Stops a run at its next progress check.
  void abort();
  bool running() const { return running_; }

  // "Preview: 50 rows in 0:00.001234 (more not shown)", "Preview aborted
  // after 0:01.500000", or the error.
  static std::string statusText(const Outcome& outcome);

 private:
  db::SQLiteDatabase& db_;
  bool running_ = false;
  bool abort_requested_ = false;
};

}  // namespace ui

#endif  // VOSTREL_UI_QUERY_PREVIEW_H_
