// The virtual-table module over the host's library and playlists.
//
// Layout: the table object and the vtab and cursor records, then connect,
// best-index, open/close, filter/next/eof, column, rowid, find-function,
// the module table, and registration. No exception leaves this file through
// an SQLite callback: each callback catches and answers with an SQLite error.
#include "library_tables/metadb_module.h"

#include <sqlite3.h>

#include <array>
#include <exception>
#include <memory>
#include <vector>

#include "db/database.h"
#include "host/host.h"
#include "host/text.h"
#include "library_tables/column_store.h"
#include "library_tables/column_values.h"
#include "library_tables/metadb_cursor.h"
#include "library_tables/row_set.h"
#include "library_tables/vtab_exception.h"

namespace library_tables {
namespace {

// Process-wide state of the module: declarations per table type and the
// open-cursor callbacks.
struct ModuleState {
  std::array<std::string, kTableTypeCount> declarations;
  std::vector<OpenCursorCallback*> callbacks;
};

ModuleState& moduleState() {
  static ModuleState state;
  return state;
}

// One connected virtual table.
class SQLiteMetaDBTable {
 public:
  SQLiteMetaDBTable(TableType type, bool no_split, db::SQLiteDatabase& db, std::string name)
      : type_(type), no_split_(no_split), db_(db), name_(std::move(name)) {}

  TableType type() const { return type_; }
  db::SQLiteDatabase& database() const { return db_; }
  int32_t& openCursors() { return open_cursors_; }

  VTabColumns& columns() { return VTabColumnStore::instance().columns(type_, db_, false); }

  std::unique_ptr<SQLiteMetaDBRowSet> createRowSet() {
    const VTabColumns& list = columns();
    return type_ == TableType::kPlaylist
               ? SQLiteMetaDBRowSet::playlists(db_.host(), list, no_split_)
               : SQLiteMetaDBRowSet::library(db_.host(), list, no_split_, db_.libraryFilter());
  }

  // Rows the host has now; only orders joins by table size.
  uint64_t rowCount() const {
    const host::Host& host = db_.host();
    if (type_ == TableType::kMediaLibrary) {
      if (db::LibraryFilter* filter = db_.libraryFilter()) return filter->apply(host.libraryTracks()).tracks->size();
      return host.libraryTrackCount();
    }
    uint64_t count = 0;
    for (std::size_t p = 0; p < host.playlistCount(); ++p) count += host.playlistItemCount(p);
    return count;
  }

 private:
  int32_t open_cursors_ = 0;
  TableType type_;
  bool no_split_;
  db::SQLiteDatabase& db_;
  std::string name_;
};

struct MetaDbVtab {
  sqlite3_vtab base;  // must come first
  SQLiteMetaDBTable* table;
};

// Module arguments start at argv[3]; argv[0] is the module name, argv[1]
// the database, argv[2] the table name.
constexpr int kFirstModuleArgument = 3;
constexpr int kMaxModuleArguments = 3;

struct ModuleArguments {
  TableType type = TableType::kMediaLibrary;
  bool no_split = false;
  bool add_defaults = false;
};

TableType typeFromName(std::string_view name) {
  if (host::equalsNoCase(name, "playlist")) return TableType::kPlaylist;
  return TableType::kMediaLibrary;
}

// Reads the module arguments over the name-derived type; later arguments
// win. Returns the first unknown argument, or nullptr.
const char* readArguments(int argc, const char* const* argv, ModuleArguments& args) {
  for (int i = kFirstModuleArgument; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "add_defaults") {
      args.add_defaults = true;
    } else if (arg == "no_multivalue_split") {
      args.no_split = true;
    } else if (arg == "medialibrary") {
      args.type = TableType::kMediaLibrary;
    } else if (arg == "playlist") {
      args.type = TableType::kPlaylist;
    } else {
      return argv[i];
    }
  }
  return nullptr;
}

void setVtabError(sqlite3_vtab* vtab, const std::string& message) {
  sqlite3_free(vtab->zErrMsg);
  vtab->zErrMsg = sqlite3_mprintf("%s", message.c_str());
}

// Stores the default columns that `type` lacks (by exact name).
void addDefaultColumns(TableType type, db::SQLiteDatabase& db) {
  VTabColumnStore& store = VTabColumnStore::instance();
  VTabColumns defaults;
  store.defaultColumns(type, db.host(), defaults);
  const VTabColumns& current = store.columns(type, db, false);
  VTabColumns missing;
  for (const SQLiteMetaDBVTabColumn& column : defaults) {
    if (findColumn(current, column.name()) < 0) missing.emplace(column);
  }
  store.fitDefaults(type, missing, 0, current.size(), db);
  store.insertColumns(type, missing, db, 0);
}

// xCreate (is_create) and xConnect.
int metaDbInit(sqlite3* handle, void* aux, int argc, const char* const* argv, sqlite3_vtab** vtab, char** error,
               bool is_create) {
  auto& db = *static_cast<db::SQLiteDatabase*>(aux);
  const char* table_name = argc > 2 ? argv[2] : "";
  ModuleArguments args;
  args.type = typeFromName(table_name);
  if (is_create && argc > kFirstModuleArgument + kMaxModuleArguments) {
    *error = sqlite3_mprintf("Invalid number of arguments for module %s", argv[0]);
    return SQLITE_ERROR;
  }
  const char* unknown = readArguments(argc, argv, args);
  // Connecting re-reads the arguments the table was created with, so that
  // it keeps its type and split mode on every connection; they were checked
  // when it was created.
  if (is_create && unknown != nullptr) {
    *error = sqlite3_mprintf("Unkown argumet %s for module %s", unknown, argv[0]);
    return SQLITE_ERROR;
  }
  std::unique_ptr<SQLiteMetaDBTable> table;
  try {
    table = std::make_unique<SQLiteMetaDBTable>(args.type, args.no_split, db, table_name);
    std::string& cached = moduleState().declarations[static_cast<std::size_t>(args.type)];
    if (is_create) {
      if (args.add_defaults) addDefaultColumns(args.type, db);
      const VTabColumns& columns = VTabColumnStore::instance().columns(args.type, db, true);
      cached = declarationText(columns, table_name);
      db.DeclareVirtualTable(cached);
    } else {
      VTabColumnStore::instance().columns(args.type, db, false);
      db.DeclareVirtualTable(cached.empty() ? std::string("CREATE TABLE x(dummy)") : cached);
    }
  } catch (...) {
    const std::string message = currentExceptionMessage();
    *error = sqlite3_mprintf("Unable to declare virtual table %s:\n%s", table_name, message.c_str());
    return SQLITE_ERROR;
  }
  (void)handle;
  auto* record = static_cast<MetaDbVtab*>(sqlite3_malloc(sizeof(MetaDbVtab)));
  if (record == nullptr) return SQLITE_NOMEM;
  *record = MetaDbVtab{};
  record->table = table.release();
  *vtab = &record->base;
  *error = nullptr;
  return SQLITE_OK;
}

int metaDbCreate(sqlite3* handle, void* aux, int argc, const char* const* argv, sqlite3_vtab** vtab, char** error) {
  return metaDbInit(handle, aux, argc, argv, vtab, error, true);
}

int metaDbConnect(sqlite3* handle, void* aux, int argc, const char* const* argv, sqlite3_vtab** vtab, char** error) {
  return metaDbInit(handle, aux, argc, argv, vtab, error, false);
}

// Every query is a full scan of the snapshot; SQLite checks every term.
int metaDbBestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info) {
  try {
    const uint64_t rows = reinterpret_cast<MetaDbVtab*>(vtab)->table->rowCount();
    info->idxNum = 0;
    info->estimatedCost = static_cast<double>(static_cast<uint32_t>(rows));
    info->estimatedRows = static_cast<sqlite3_int64>(rows);
    return SQLITE_OK;
  } catch (...) {
    setVtabError(vtab, currentExceptionMessage());
    return SQLITE_ERROR;
  }
}

// xDisconnect and xDestroy: the stored column definitions stay.
int metaDbDisconnect(sqlite3_vtab* vtab) {
  auto* record = reinterpret_cast<MetaDbVtab*>(vtab);
  delete record->table;
  sqlite3_free(record);
  return SQLITE_OK;
}

int metaDbOpen(sqlite3_vtab* vtab, sqlite3_vtab_cursor** cursor) {
  SQLiteMetaDBTable& table = *reinterpret_cast<MetaDbVtab*>(vtab)->table;
  std::unique_ptr<SQLiteMetaDBRowSet> rows;
  try {
    rows = table.createRowSet();
  } catch (...) {
    setVtabError(vtab, currentExceptionMessage());
    return SQLITE_ERROR;
  }
  auto* record = static_cast<MetaDbCursor*>(sqlite3_malloc(sizeof(MetaDbCursor)));
  if (record == nullptr) return SQLITE_NOMEM;
  *record = MetaDbCursor{};
  ++table.openCursors();
  // Callbacks may register or unregister others while they are told.
  try {
    const std::vector<OpenCursorCallback*>& callbacks = moduleState().callbacks;
    for (std::size_t i = 0; i < callbacks.size(); ++i) callbacks[i]->cursorOpened(*rows, table.type());
  } catch (...) {
    --table.openCursors();
    sqlite3_free(record);
    setVtabError(vtab, currentExceptionMessage());
    return SQLITE_ERROR;
  }
  record->rows = rows.release();
  *cursor = &record->base;
  return SQLITE_OK;
}

int metaDbClose(sqlite3_vtab_cursor* cursor) {
  auto* record = reinterpret_cast<MetaDbCursor*>(cursor);
  --reinterpret_cast<MetaDbVtab*>(cursor->pVtab)->table->openCursors();
  delete record->rows;
  sqlite3_free(record);
  return SQLITE_OK;
}

// Starts the scan over; idxNum, idxStr and the arguments are not used.
int metaDbFilter(sqlite3_vtab_cursor* cursor, int, const char*, int, sqlite3_value**) {
  reinterpret_cast<MetaDbCursor*>(cursor)->rows->rewind();
  return SQLITE_OK;
}

int metaDbNext(sqlite3_vtab_cursor* cursor) {
  reinterpret_cast<MetaDbCursor*>(cursor)->rows->next();
  return SQLITE_OK;
}

int metaDbEof(sqlite3_vtab_cursor* cursor) { return reinterpret_cast<MetaDbCursor*>(cursor)->rows->eof() ? 1 : 0; }

// Rows split from one track share its rowid.
int metaDbRowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* rowid) {
  *rowid = reinterpret_cast<MetaDbCursor*>(cursor)->rows->rowid();
  return SQLITE_OK;
}

int metaDbFindFunction(sqlite3_vtab* vtab, int, const char* name,
                       void (**function)(sqlite3_context*, int, sqlite3_value**), void** user_data) {
  if (sqlite3_stricmp(name, "tf") != 0) return 0;
  *function = &tfFunction;
  *user_data = &reinterpret_cast<MetaDbVtab*>(vtab)->table->database().host();
  return 1;
}

const sqlite3_module kMetaDbModule = {
    /* iVersion    */ 1,
    /* xCreate     */ metaDbCreate,
    /* xConnect    */ metaDbConnect,
    /* xBestIndex  */ metaDbBestIndex,
    /* xDisconnect */ metaDbDisconnect,
    /* xDestroy    */ metaDbDisconnect,
    /* xOpen       */ metaDbOpen,
    /* xClose      */ metaDbClose,
    /* xFilter     */ metaDbFilter,
    /* xNext       */ metaDbNext,
    /* xEof        */ metaDbEof,
    /* xColumn     */ metaDbColumn,
    /* xRowid      */ metaDbRowid,
    /* xUpdate     */ nullptr,  // read-only
    /* xBegin      */ nullptr,
    /* xSync       */ nullptr,
    /* xCommit     */ nullptr,
    /* xRollback   */ nullptr,
    /* xFindMethod */ metaDbFindFunction,
    /* xRename     */ nullptr,
    /* xSavepoint  */ nullptr,
    /* xRelease    */ nullptr,
    /* xRollbackTo */ nullptr,
    /* xShadowName */ nullptr,
};

}  // namespace

std::size_t registerOpenCursorCallback(OpenCursorCallback* callback) {
  std::vector<OpenCursorCallback*>& callbacks = moduleState().callbacks;
  callbacks.push_back(callback);
  return callbacks.size() - 1;
}

void unregisterOpenCursorCallback(OpenCursorCallback* callback) {
  std::erase(moduleState().callbacks, callback);
}

void notifyFollowedTrackRead() {
  // Callbacks may register or unregister others while they are told.
  const std::vector<OpenCursorCallback*>& callbacks = moduleState().callbacks;
  for (std::size_t i = 0; i < callbacks.size(); ++i) callbacks[i]->followedTrackRead();
}

void registerModule(db::SQLiteDatabase& db) {
  db.OverloadFunction("tf", 2);
  db.CreateModule(kModuleName, &kMetaDbModule, &db);
}

void rebuildVirtualTables(db::SQLiteDatabase& db) {
  for (TableType type : {TableType::kMediaLibrary, TableType::kPlaylist}) {
    const std::string name(tableTypeName(type));
    db.Execute("DROP TABLE IF EXISTS " + name);
    db.Execute("CREATE VIRTUAL TABLE " + name + " USING MetaDB_Module");
  }
}

std::string declarationText(const VTabColumns& columns, std::string_view table_name) {
  if (columns.size() > kMaxDeclaredColumns) {
    throw VTabException("Too many columns (" + std::to_string(columns.size()) + ") for the virtual table " +
                        std::string(table_name));
  }
  std::string text = "CREATE TABLE x(";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const SQLiteMetaDBVTabColumn& column = columns[i];
    if (i > 0) text += ",\n";
    // Apostrophes inside the name are doubled, so that any stored name
    // declares (SQLite reads 'it''s' as it's).
    text += '\'';
    for (char c : column.name()) {
      if (c == '\'') text += '\'';
      text += c;
    }
    // HIDDEN goes before the quoted type: SQLite keeps only the quoted part
    // of a type that starts with a quote, and would drop a HIDDEN after it.
    text += "' ";
    if (column.hidden()) text += "HIDDEN ";
    text += '"';
    text += columnTypeText(column.kind());
    text += '"';
    if (!column.collation().empty()) {
      text += " COLLATE ";
      text += column.collation();
    }
  }
  text += ')';
  return text;
}

const std::string& cachedDeclaration(TableType type) {
  return moduleState().declarations[static_cast<std::size_t>(type)];
}

void resetModuleState() {
  for (std::string& text : moduleState().declarations) text.clear();
  moduleState().callbacks.clear();
}

std::string currentExceptionMessage() {
  try {
    throw;
  } catch (const db::Exception& e) {
    return e.message();
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

}  // namespace library_tables
