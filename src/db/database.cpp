// Statements of the connection: preparing, stepping, binding and
// finalizing them through the statement table, transactions, interruption
// and the virtual-table hooks. Opening the connection is in
// database_open.cpp.
#include "db/database.h"

#include <sqlite3.h>

#include <algorithm>
#include <utility>

#include "host/text.h"

namespace db {
namespace {

// The statement text rule of Prepare: trimmed, one trailing ';' dropped.
std::string statementText(std::string_view text) {
  std::string_view trimmed = host::trimBlanks(text);
  if (!trimmed.empty() && trimmed.back() == ';') {
    trimmed.remove_suffix(1);
    trimmed = host::trimBlanks(trimmed);
  }
  return std::string(trimmed);
}

void rebuildRow(sqlite3_stmt* stmt, int count, SQLiteColumns& row) {
  if (static_cast<int>(row.size()) == count) return;
  row.clear();
  row.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const char* name = stmt ? sqlite3_column_name(stmt, i) : nullptr;
    row.emplace(kTagNull, std::string(name ? name : ""));
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// SQLiteQuery

SQLiteQuery::SQLiteQuery(SQLiteQuery&& other) noexcept
    : db_(other.db_), index_(std::exchange(other.index_, -1)) {}

SQLiteQuery& SQLiteQuery::operator=(SQLiteQuery&& other) noexcept {
  if (this != &other) {
    if (index_ != -1 && db_ != nullptr) db_->Finalize(index_, true);
    db_ = other.db_;
    index_ = std::exchange(other.index_, -1);
  }
  return *this;
}

SQLiteQuery::~SQLiteQuery() {
  if (index_ == -1 || db_ == nullptr) return;
  try {
    finalize();
  } catch (const SQLiteException& e) {
    db_->LogToConsole(e.message(), true);
  }
}

void SQLiteQuery::finalize() {
  if (index_ == -1 || db_ == nullptr) return;
  const int32_t index = std::exchange(index_, -1);
  db_->Finalize(index, false);
}

// ---------------------------------------------------------------------------
// SQLiteDatabase: statements

std::string SQLiteDatabase::LastErrorText() const {
  const char* message = handle_ ? sqlite3_errmsg(handle_) : nullptr;
  return message ? message : "";
}

void SQLiteDatabase::raise(int code, const std::string& what, const std::string& text) const {
  // SQLite says only "not authorized"; the authorizer knows why.
  const bool refused = (code & 0xFF) == SQLITE_AUTH && !refusal_.empty();
  throw SQLiteException(code, "SQLite Error: (" + std::to_string(code) + ") " + (refused ? refusal_ : LastErrorText()) +
                                  "\n\n" + what + text);
}

SQLiteStatement& SQLiteDatabase::record(const SQLiteQuery& query) {
  return *statements_.at(static_cast<std::size_t>(query.index()));
}

const SQLiteStatement& SQLiteDatabase::statement(const SQLiteQuery& query) const {
  return *statements_.at(static_cast<std::size_t>(query.index()));
}

bool SQLiteDatabase::isReadOnly(const SQLiteQuery& query) const {
  return sqlite3_stmt_readonly(statement(query).stmt) != 0;
}

Prepared SQLiteDatabase::Prepare(std::string_view sql, SQLiteColumns* row) {
  if (handle_ == nullptr) {
    throw SQLiteException(SQLITE_MISUSE, "SQLite Error: (21) the database is not open\n\n"
                                         "Error while preparing the first statement of:\n" + std::string(sql));
  }
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v2(handle_, sql.data(), static_cast<int>(sql.size()), &stmt, &tail);
  const std::string input(sql);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(stmt);
    raise(rc, "Error while preparing the first statement of:\n", input);
  }
  const std::size_t consumed = tail ? static_cast<std::size_t>(tail - sql.data()) : sql.size();
  Prepared result;
  result.statement = statementText(sql.substr(0, consumed));
  result.rest = std::string(host::trimBlanks(sql.substr(consumed)));

  auto record = std::make_unique<SQLiteStatement>();
  record->stmt = stmt;
  record->text = result.statement;
  if (result.rest.empty() && row != nullptr) {
    record->row = row;
    record->column_count = static_cast<uint16_t>(stmt ? sqlite3_column_count(stmt) : 0);
    try {
      rebuildRow(stmt, record->column_count, *row);
    } catch (...) {
      sqlite3_finalize(stmt);
      throw;
    }
  }
  statements_.push_back(std::move(record));
  ++open_statements_;
  const auto index = static_cast<int32_t>(statements_.size() - 1);
  result.query = SQLiteQuery(this, index);

  if (progress_callback_ != nullptr && progress_interval_ != 0 && progress_callback_(progress_context_) != 0) {
    result.query.release();
    Finalize(index, true);
    throw SQLiteException(kInterruptCode, "Interruption while preparing the first statement of:\n" + input);
  }
  return result;
}

int SQLiteDatabase::Step(SQLiteQuery& query, SQLiteColumns* row) {
  SQLiteStatement& rec = record(query);
  ++rec.row_counter;
  const int rc = sqlite3_step(rec.stmt);
  if (rc == SQLITE_ROW) {
    if (progress_callback_ != nullptr && progress_interval_ != 0 &&
        rec.row_counter % (progress_interval_ / 1000) == 0 && progress_callback_(progress_context_) != 0) {
      const std::string text = rec.text;
      const int32_t index = query.index();
      query.release();
      Finalize(index, true);
      throw SQLiteException(kInterruptCode, "Interruption while executing:\n" + text);
    }
    // The progress callback may have let nested statements grow the table.
    SQLiteStatement& current = record(query);
    if (row != nullptr) {
      current.row = row;
      current.column_count = static_cast<uint16_t>(sqlite3_data_count(current.stmt));
      rebuildRow(current.stmt, current.column_count, *row);
    }
    if (current.row != nullptr) {
      SQLiteColumns& target = *current.row;
      const int count = std::min<int>(current.column_count, static_cast<int>(target.size()));
      for (int i = 0; i < count; ++i) {
        SQLiteColumn& column = target[static_cast<std::size_t>(i)];
        switch (sqlite3_column_type(current.stmt, i)) {
          case SQLITE_INTEGER: column.assignInt64(sqlite3_column_int64(current.stmt, i)); break;
          case SQLITE_FLOAT: column.assignDouble(sqlite3_column_double(current.stmt, i)); break;
          case SQLITE_NULL: column.assignNull(); break;
          case SQLITE_BLOB:
            column.assignBlob(sqlite3_column_blob(current.stmt, i),
                              static_cast<std::size_t>(sqlite3_column_bytes(current.stmt, i)));
            break;
          default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(current.stmt, i));
            column.assignText(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(current.stmt, i)));
          }
        }
      }
    }
    return kRow;
  }
  if (rc == SQLITE_DONE) return kDone;
  const std::string text = rec.text;
  const int32_t index = query.index();
  query.release();
  Finalize(index, true);
  raise(rc, "Error while executing:\n", text);
}

void SQLiteDatabase::Bind(SQLiteQuery& query, const SQLiteColumns& params) {
  for (std::size_t i = 0; i < params.size(); ++i) {
    SQLiteStatement& rec = record(query);
    const SQLiteColumn& value = params[i];
    const int p = static_cast<int>(i + 1);
    int rc;
    switch (value.type()) {
      case kTagInt64: rc = sqlite3_bind_int64(rec.stmt, p, value.int64Value()); break;
      case kTagDouble: rc = sqlite3_bind_double(rec.stmt, p, value.doubleValue()); break;
      case kTagNull: rc = sqlite3_bind_null(rec.stmt, p); break;
      case kTagBlob:
        rc = sqlite3_bind_blob(rec.stmt, p, value.text().data(), static_cast<int>(value.text().size()), SQLITE_TRANSIENT);
        break;
      case kTagByte: rc = sqlite3_bind_int(rec.stmt, p, value.byteValue()); break;
      case kTagBool: rc = sqlite3_bind_int(rec.stmt, p, value.boolValue() ? 1 : 0); break;
      case kTagInt32: rc = sqlite3_bind_int(rec.stmt, p, value.intValue()); break;
      default: rc = sqlite3_bind_text(rec.stmt, p, value.text().c_str(), -1, SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK) {
      const std::string text = rec.text;
      const int32_t index = query.index();
      query.release();
      Finalize(index, true);
      raise(rc, "Error while binding column " + std::to_string(p) + " for statement:\n", text);
    }
  }
}

void SQLiteDatabase::Finalize(int index, bool silent) {
  SQLiteStatement& rec = *statements_.at(static_cast<std::size_t>(index));
  const int rc = sqlite3_finalize(rec.stmt);
  rec.stmt = nullptr;
  const std::string text = rec.text;
  if (--open_statements_ <= 0) {
    open_statements_ = 0;
    statements_.clear();
    interrupted_ = false;
  }
  if (rc != SQLITE_OK && !silent) raise(rc, "Error while finalizing statement:\n", text);
}

void SQLiteDatabase::Execute(std::string_view sql, const SQLiteColumns* params) {
  std::string remaining(sql);
  for (;;) {
    Prepared prepared = Prepare(remaining);
    const bool last = prepared.rest.empty();
    if (last && params != nullptr) Bind(prepared.query, *params);
    while (Step(prepared.query) == kRow) {
    }
    prepared.query.finalize();
    if (last) break;
    remaining = std::move(prepared.rest);
  }
}

bool SQLiteDatabase::HasRows(std::string_view sql, SQLiteColumns* row) {
  Prepared prepared = Prepare(sql, row);
  const bool has_row = Step(prepared.query) == kRow;
  prepared.query.finalize();
  return has_row;
}

void SQLiteDatabase::SplitScript(std::string_view sql, SQLiteColumns* row, std::vector<std::string>& statements,
                                 bool* last_read_only) {
  std::string remaining(sql);
  for (;;) {
    Prepared prepared = Prepare(remaining, row);
    statements.push_back(prepared.statement);
    if (last_read_only != nullptr) *last_read_only = isReadOnly(prepared.query);
    prepared.query.finalize();
    if (prepared.rest.empty()) break;
    remaining = std::move(prepared.rest);
  }
}

void SQLiteDatabase::BeginTransaction() {
  if (handle_ == nullptr || sqlite3_get_autocommit(handle_) != 0 || transaction_depth_ == 0) {
    transaction_depth_ = 0;
  } else {
    ++transaction_depth_;
  }
  if (transaction_depth_ != 0) return;
  Execute("BEGIN TRANSACTION");
  transaction_depth_ = 1;
}

void SQLiteDatabase::CommitTransaction() {
  if (handle_ == nullptr || sqlite3_get_autocommit(handle_) != 0 || transaction_depth_ == 0) {
    transaction_depth_ = 0;
    return;
  }
  if (transaction_depth_ >= 2) {
    --transaction_depth_;
    return;
  }
  Execute("COMMIT TRANSACTION");
  transaction_depth_ = 0;
}

void SQLiteDatabase::RollbackTransaction(bool force) {
  if (handle_ == nullptr || sqlite3_get_autocommit(handle_) != 0) {
    transaction_depth_ = 0;
    return;
  }
  if (!force) {
    if (transaction_depth_ == 0) return;
    if (transaction_depth_ > 1) {
      --transaction_depth_;
      return;
    }
  }
  try {
    Execute("ROLLBACK TRANSACTION");
  } catch (const SQLiteException&) {
    // A failed rollback leaves nothing better to do.
  }
  transaction_depth_ = 0;
}

void SQLiteDatabase::Interrupt() {
  if (statements_.empty() || handle_ == nullptr) return;
  interrupted_ = true;
  ++interrupt_count_;
  sqlite3_interrupt(handle_);
}

void SQLiteDatabase::DeclareVirtualTable(const std::string& sql) {
  const int rc = sqlite3_declare_vtab(handle_, sql.c_str());
  if (rc != SQLITE_OK) {
    throw SQLiteException(rc, "SQLite Error: (" + std::to_string(rc) + ") " + LastErrorText());
  }
}

void SQLiteDatabase::CreateModule(const char* name, const sqlite3_module* module, void* context) {
  const int rc = sqlite3_create_module_v2(handle_, name, module, context, nullptr);
  if (rc != SQLITE_OK) {
    throw SQLiteException(rc, "SQLite Error: (" + std::to_string(rc) + ") " + LastErrorText());
  }
}

void SQLiteDatabase::OverloadFunction(const char* name, int argument_count) {
  const int rc = sqlite3_overload_function(handle_, name, argument_count);
  if (rc != SQLITE_OK) {
    throw SQLiteException(rc, "SQLite Error: (" + std::to_string(rc) + ") " + LastErrorText());
  }
}

TransactionGuard::~TransactionGuard() {
  if (begun_) db_.RollbackTransaction(false);
}

void TransactionGuard::begin() {
  db_.BeginTransaction();
  begun_ = true;
}

void TransactionGuard::commit() {
  db_.CommitTransaction();
  begun_ = false;
}

}  // namespace db
