// SQLiteDatabase: the component's connection to its database file.
//
// Every owner (a tree panel, the console, a preferences page) keeps its own
// connection; all of them open "configuration/vostrel.db" of the host's
// profile with a shared cache and uncommitted reads, so that one connection
// never blocks on another's open transaction.
//
// Statements are addressed by their index in the connection's statement
// table. Finalizing a statement only lowers the open-statement count; when it
// falls to zero the whole table is emptied at once. Indexes therefore stay
// valid while statements are nested (a statement prepared while another one
// is still being stepped), which happens when the progress handler lets user
// input start more SQL in the middle of a long statement.
//
// Every failure is raised as SQLiteException with the messages below;
// nothing here shows a message box.
//
// The connection guards the program's own objects (names beginning vos_,
// mdb_ or sql_) against the user's SQL, which the console, node batches and
// node queries all run on these connections: DROP and ALTER of them are
// refused (SQLITE_AUTH) with a message saying why, except inside an
// OwnSchemaChange; their rows stay the user's to delete. The file is opened
// defensive (SQLITE_DBCONFIG_DEFENSIVE), so that no statement can write
// the schema table or the file's pages directly.
#ifndef VOSTREL_DB_DATABASE_H_
#define VOSTREL_DB_DATABASE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/exception.h"
#include "db/library_filter.h"
#include "db/property.h"
#include "db/statement.h"

struct sqlite3;
struct sqlite3_module;

namespace host {
class Host;
}

namespace db {

inline constexpr int kRow = 100;   // SQLITE_ROW
inline constexpr int kDone = 101;  // SQLITE_DONE

// What Prepare hands back: the handle, the text of the prepared statement
// (trimmed, one trailing ";" dropped) and the rest of the input (trimmed).
struct Prepared {
  SQLiteQuery query;
  std::string statement;
  std::string rest;
};

class SQLiteDatabase {
 public:
  explicit SQLiteDatabase(host::Host& host);
  ~SQLiteDatabase();
  SQLiteDatabase(const SQLiteDatabase&) = delete;
  SQLiteDatabase& operator=(const SQLiteDatabase&) = delete;

  // Opens the connection and runs the open sequence; true at once when open.
  // Returns false when the file cannot be opened or the sequence fails; the
  // reason is written to the host console. An empty file is set up as a new
  // database, and a missing object-version table is made again. A file that
  // is not a database or is damaged is reported once, naming it, and left
  // untouched; the connection then stays closed.
  bool Open();
  bool isOpen() const { return handle_ != nullptr; }

  // Runs a whole script, discarding rows. `params` bind to its last statement.
  void Execute(std::string_view sql, const SQLiteColumns* params = nullptr);
  // Prepares the first statement of `sql`. When it is the last one (the rest
  // is empty) and `row` is given, `row` is attached and set up with one column
  // per result column.
  Prepared Prepare(std::string_view sql, SQLiteColumns* row = nullptr);
  // Advances by one row: kRow or kDone. With a row at hand its values are
  // copied into it (`row` if given, which then becomes the attached row).
  int Step(SQLiteQuery& query, SQLiteColumns* row = nullptr);
  // Binds `params` by position, from 1.
  void Bind(SQLiteQuery& query, const SQLiteColumns& params);
  // Finalizes statement `index`; raises on a finalize error unless silent.
  void Finalize(int index, bool silent);
  // Prepares the first statement, steps once, finalizes; whether a row came.
  bool HasRows(std::string_view sql, SQLiteColumns* row = nullptr);
  // Prepares each statement of the script in turn (checking its syntax) and
  // appends its text to `statements` without running it. `last_read_only`,
  // when given, tells whether the last statement leaves the database as it is.
  void SplitScript(std::string_view sql, SQLiteColumns* row, std::vector<std::string>& statements,
                   bool* last_read_only = nullptr);
  // Whether a prepared statement only reads (sqlite3_stmt_readonly); true for
  // a text that held no statement.
  bool isReadOnly(const SQLiteQuery& query) const;

  // Nesting transactions: only the outermost level begins, commits or rolls
  // back; a transaction that SQL text opened by itself is left alone unless a
  // rollback is forced.
  void BeginTransaction();
  void CommitTransaction();
  void RollbackTransaction(bool force);
  uint32_t transactionDepth() const { return transaction_depth_; }

  // Makes the running statement (and every nested one) stop at its next
  // progress check. Does nothing while no statement exists.
  void Interrupt();
  bool IsBusy() const { return !statements_.empty(); }
  bool interrupted() const { return interrupted_; }
  // How many times Interrupt() stopped a statement since the connection was
  // made; a caller running several statements sees whether one was stopped.
  uint64_t interruptCount() const { return interrupt_count_; }
  std::string LastErrorText() const;

  void DeclareVirtualTable(const std::string& sql);
  void CreateModule(const char* name, const sqlite3_module* module, void* context);
  void OverloadFunction(const char* name, int argument_count);

  // One entry of the host console: "[vostrel] message", or the framed form
  // with lines of 29 '>' and 29 '<' around the message.
  void LogToConsole(std::string_view message, bool framed) const;

  sqlite3* handle() const { return handle_; }
  host::Host& host() const { return host_; }
  // What MediaLibrary shows on this connection; nullptr: the whole library.
  // Cursors already open keep what they saw.
  void setLibraryFilter(std::shared_ptr<LibraryFilter> filter) { library_filter_ = std::move(filter); }
  LibraryFilter* libraryFilter() const { return library_filter_.get(); }
  int openStatementCount() const { return open_statements_; }
  std::size_t statementTableSize() const { return statements_.size(); }
  const SQLiteStatement& statement(const SQLiteQuery& query) const;
  // The database file in host notation.
  std::string databasePath() const;

 private:
  friend class SQLiteQuery;

  enum class FileOpen { kOpened, kFailed, kDamaged };
  FileOpen openFile(const std::string& path, std::string_view options);
  // Checks the file with a first read and gives an empty one its page size;
  // makes the object-version table when it is missing. Raises SQLiteException.
  void prepareFile();
  void reportDamagedFile(int code) const;
  void close();
  void reset();
  SQLiteStatement& record(const SQLiteQuery& query);
  [[noreturn]] void raise(int code, const std::string& what, const std::string& text) const;
  static int progressHandler(void* context);
  static int authorize(void* context, int action, const char* first, const char* second, const char* schema,
                       const char* trigger);
  int progress();

  host::Host& host_;
  sqlite3* handle_ = nullptr;
  int32_t open_statements_ = 0;
  std::vector<std::unique_ptr<SQLiteStatement>> statements_;
  uint32_t transaction_depth_ = 0;
  int (*progress_callback_)(void*) = nullptr;
  SQLiteDatabase* progress_context_ = nullptr;
  int progress_interval_ = 0;
  bool interrupted_ = false;
  uint64_t interrupt_count_ = 0;
  friend class OwnSchemaChange;
  int own_schema_changes_ = 0;  // open OwnSchemaChange scopes
  std::string refusal_;         // why the authorizer last refused a statement
  std::shared_ptr<LibraryFilter> library_filter_;
};

// Scope object for a transaction: begin() begins it, commit() commits it;
// leaving the scope while begun (by an exception) rolls back, not forced.
class TransactionGuard {
 public:
  explicit TransactionGuard(SQLiteDatabase& db) : db_(db) {}
  ~TransactionGuard();
  TransactionGuard(const TransactionGuard&) = delete;
  TransactionGuard& operator=(const TransactionGuard&) = delete;

  void begin();
  void commit();

 private:
  SQLiteDatabase& db_;
  bool begun_ = false;
};

// The program's own schema code (creating and migrating its tables) may
// drop and alter its own objects on `db` while this object lives. Nests.
class OwnSchemaChange {
 public:
  explicit OwnSchemaChange(SQLiteDatabase& db) : db_(db) { ++db_.own_schema_changes_; }
  ~OwnSchemaChange() { --db_.own_schema_changes_; }
  OwnSchemaChange(const OwnSchemaChange&) = delete;
  OwnSchemaChange& operator=(const OwnSchemaChange&) = delete;

 private:
  SQLiteDatabase& db_;
};

// The URI SQLite is given for a path in host notation: "file:///" rules,
// the options after "?". Characters that would end the path part of a URI
// ('?', '#', '%') are percent-encoded.
std::string databaseUri(std::string_view path, std::string_view options);

// Whether an SQLite result code says the file is not a database or is
// damaged (SQLITE_NOTADB, SQLITE_CORRUPT, extended or not).
bool IsDamagedFileCode(int code);

// Writes a console entry without a connection (same format as LogToConsole).
void LogToConsole(host::Host& host, std::string_view message, bool framed);

}  // namespace db

#endif  // VOSTREL_DB_DATABASE_H_
