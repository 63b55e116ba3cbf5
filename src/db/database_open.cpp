// Opening and closing the connection: the database file's URI, the open
// sequence, damaged files, and the progress handler that lets the host's
// events through during a long statement. See database.h.
#include "db/database.h"

#include <sqlite3.h>

#include "db/open_steps.h"
#include "db/sql_functions.h"
#include "db/versioning.h"
#include "host/host.h"
#include "host/text.h"

namespace db {
namespace {

constexpr std::string_view kFrameOpen = "\n>>>>>>>>>>>>>>>>>>>>>>>>>>>>>\n";
constexpr std::string_view kFrameClose = "\n<<<<<<<<<<<<<<<<<<<<<<<<<<<<<\n";

// A path in host notation as a user would type it.
std::string_view plainFilePath(std::string_view path) {
  if (path.starts_with("file://")) path.remove_prefix(7);
  return path;
}

// Whether `name` belongs to the program: the tree's objects (vos_), the
// library tables' column definitions (mdb_) and the object versions (sql_).
bool isOwnObjectName(const char* name) {
  if (name == nullptr) return false;
  const std::string_view text(name);
  for (const std::string_view prefix : {"vos_", "mdb_", "sql_"}) {
    if (text.size() >= prefix.size() && host::equalsNoCase(text.substr(0, prefix.size()), prefix)) return true;
  }
  return false;
}

}  // namespace

bool IsDamagedFileCode(int code) {
  const int primary = code & 0xFF;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

void LogToConsole(host::Host& host, std::string_view message, bool framed) {
  std::string line;
  line.reserve(message.size() + 80);
  line += "[";
  line += host::kComponentFileName;
  line += "]";
  if (framed) {
    line += kFrameOpen;
    line += message;
    line += kFrameClose;
  } else {
    line += " ";
    line += message;
  }
  host.consoleLine(line);
}

std::string databaseUri(std::string_view path, std::string_view options) {
  std::string uri;
  uri.reserve(path.size() + options.size() + 16);
  std::string_view rest = path;
  if (rest.starts_with("file:///")) {
    uri = "file:///";
    rest.remove_prefix(8);
  } else if (rest.starts_with("file://")) {
    uri = "file:///";
    rest.remove_prefix(7);
  } else {
    uri = "file:///";
  }
  for (char c : rest) {
    switch (c) {
      case '?': uri += "%3f"; break;
      case '#': uri += "%23"; break;
      case '%': uri += "%25"; break;
      default: uri.push_back(c);
    }
  }
  if (!options.empty()) {
    uri += "?";
    uri += options;
  }
  return uri;
}

// ---------------------------------------------------------------------------
// SQLiteDatabase: opening and closing

SQLiteDatabase::SQLiteDatabase(host::Host& host) : host_(host) {}

SQLiteDatabase::~SQLiteDatabase() {
  if (handle_ != nullptr) close();
}

void SQLiteDatabase::reset() {
  open_statements_ = 0;
  transaction_depth_ = 0;
  progress_callback_ = nullptr;
  progress_context_ = nullptr;
  progress_interval_ = 0;
  interrupted_ = false;
  statements_.clear();
}

std::string SQLiteDatabase::databasePath() const {
  std::string path = host_.profileFolder();
  if (!path.empty() && path.back() != '/') path += '/';
  return path + "configuration/vostrel.db";
}

void SQLiteDatabase::LogToConsole(std::string_view message, bool framed) const {
  db::LogToConsole(host_, message, framed);
}

SQLiteDatabase::FileOpen SQLiteDatabase::openFile(const std::string& path, std::string_view options) {
  if (handle_ != nullptr) close();
  if (path.empty()) return FileOpen::kFailed;
  const std::string uri = databaseUri(path, options);
  sqlite3* handle = nullptr;
  const int rc = sqlite3_open_v2(uri.c_str(), &handle,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close(handle);
    reset();
    return FileOpen::kFailed;
  }
  handle_ = handle;
  // The tree schema's ancestor trigger calls itself and its REFERENCES
  // clauses cascade deletions; neither is on by default in this SQLite.
  sqlite3_db_config(handle_, SQLITE_DBCONFIG_ENABLE_FKEY, 1, nullptr);
  sqlite3_exec(handle_, "PRAGMA recursive_triggers=ON", nullptr, nullptr, nullptr);
  // "PRAGMA writable_schema=ON" and an UPDATE of sqlite_master from the
  // console would otherwise leave a file that no later open can read.
  sqlite3_db_config(handle_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_set_authorizer(handle_, &SQLiteDatabase::authorize, this);
  try {
    prepareFile();
  } catch (const SQLiteException& e) {
    const bool damaged = IsDamagedFileCode(e.code());
    if (damaged) {
      reportDamagedFile(e.code());
    } else {
      LogToConsole(e.message(), true);
    }
    close();
    return damaged ? FileOpen::kDamaged : FileOpen::kFailed;
  }
  registerSqlFunctions(handle_);
  return FileOpen::kOpened;
}

void SQLiteDatabase::prepareFile() {
  // The first read checks the header and the schema pages, and rolls back
  // what a writer that was killed left in the journal; only then is it known
  // whether the file holds anything. An empty file (new, or left empty by a
  // first run that was killed) is a new database.
  HasRows("SELECT count(*) FROM sqlite_master");
  SQLiteColumns row;
  if (HasRows("PRAGMA page_count", &row) && !row.empty() && row[0].int64Or(0) == 0) {
    Execute("PRAGMA page_size=4096");
  }
  // Every later step reads and writes object versions, so a version table
  // that is missing (dropped, or never created) is made again here; the
  // ensure steps then record the objects they find.
  if (!ObjectExists(*this, "sql_ObjectVersion")) {
    Execute("CREATE TABLE IF NOT EXISTS sql_ObjectVersion                  "
            "(obv_name TEXT NOT NULL PRIMARY KEY,                           "
            "obv_version INTEGER NOT NULL)");
  }
}

void SQLiteDatabase::close() {
  for (auto& record : statements_) {
    if (record->stmt != nullptr) sqlite3_finalize(record->stmt);
  }
  sqlite3_close(handle_);
  handle_ = nullptr;
  reset();
}

void SQLiteDatabase::reportDamagedFile(int code) const {
  LogToConsole("The database file \"" + std::string(plainFilePath(databasePath())) + "\" cannot be used: " +
                   sqlite3_errstr(code) +
                   ". It is left as it is: move it away to start afresh with a new database.",
               false);
}

bool SQLiteDatabase::Open() {
  if (handle_ != nullptr) return true;
  const std::string path = databasePath();
  switch (openFile(path, "cache=shared")) {
    case FileOpen::kOpened: break;
    case FileOpen::kDamaged: return false;
    case FileOpen::kFailed:
      LogToConsole("Unable to open the database " + path, false);
      return false;
  }
  try {
    Execute("PRAGMA read_uncommitted=true");
    const bool first_time = !schemaReady();
    TransactionGuard guard(*this);
    guard.begin();
    const OpenSteps& steps = openSteps();
    if (first_time && steps.build_tree_schema != nullptr) steps.build_tree_schema(*this);
    if (steps.set_up_library_tables != nullptr) steps.set_up_library_tables(*this, first_time);
    guard.commit();
    progress_callback_ = &SQLiteDatabase::progressHandler;
    progress_context_ = this;
    progress_interval_ = 1000;
    sqlite3_progress_handler(handle_, progress_interval_, progress_callback_, progress_context_);
  } catch (const SQLiteException& e) {
    if (IsDamagedFileCode(e.code())) {
      // Nothing more can be read or written safely: the file is left as it
      // is, and a later Open reports it again instead of working on it.
      reportDamagedFile(e.code());
      close();
      return false;
    }
    LogToConsole(e.message(), true);
    return false;
  }
  return true;
}

// Refuses DROP and ALTER of the program's own objects in the main database
// outside an OwnSchemaChange. Temporary and attached objects are the user's.
int SQLiteDatabase::authorize(void* context, int action, const char* first, const char* second, const char* schema,
                              const char* /*trigger*/) {
  const char* verb = nullptr;
  const char* name = first;
  switch (action) {
    case SQLITE_DROP_TABLE:
    case SQLITE_DROP_VTABLE:
      verb = "DROP TABLE";
      break;
    case SQLITE_DROP_VIEW:
      verb = "DROP VIEW";
      break;
    case SQLITE_DROP_INDEX:
      verb = "DROP INDEX";
      break;
    case SQLITE_DROP_TRIGGER:
      verb = "DROP TRIGGER";
      break;
    case SQLITE_ALTER_TABLE:  // first: the database's name
      verb = "ALTER TABLE";
      name = second;
      schema = first;
      break;
    default:
      return SQLITE_OK;
  }
  auto& db = *static_cast<SQLiteDatabase*>(context);
  if (db.own_schema_changes_ > 0 || schema == nullptr || !host::equalsNoCase(schema, "main") ||
      !isOwnObjectName(name)) {
    return SQLITE_OK;
  }
  try {
    db.refusal_ = std::string(verb) + " " + name +
                  " is refused: objects whose names begin with vos_, mdb_ or sql_ are Vostrel's own, and the tree "
                  "and the library tables need them as they are (their rows can be deleted).";
  } catch (...) {
    // Nothing may cross SQLite's C frames; the refusal stands without its text.
  }
  return SQLITE_DENY;
}

int SQLiteDatabase::progressHandler(void* context) {
  return static_cast<SQLiteDatabase*>(context)->progress();
}

int SQLiteDatabase::progress() {
  if (interrupted_) return -1;
  try {
    host_.pumpEvents();
  } catch (...) {
    // Nothing may cross SQLite's C frames; the host reports its own errors.
  }
  return interrupted_ ? -1 : 0;
}

}  // namespace db
