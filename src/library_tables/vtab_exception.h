// The library tables' own error values.
//
// VTabException carries a failure inside the virtual-table module (for
// example a column list too long to declare); the module turns it into an
// SQLite error message and never lets it cross SQLite's C frames. BugCheck
// is the internal error raised when something that cannot fail did.
#ifndef VOSTREL_LIBRARY_TABLES_VTAB_EXCEPTION_H_
#define VOSTREL_LIBRARY_TABLES_VTAB_EXCEPTION_H_

#include <string>

#include "db/exception.h"

namespace library_tables {

class VTabException : public db::Exception {
 public:
  explicit VTabException(std::string message) : db::Exception(kErrorCode, std::move(message)) {}
  static constexpr int kErrorCode = 1;  // SQLITE_ERROR
};

class BugCheck : public db::Exception {
 public:
  BugCheck() : db::Exception(kErrorCode, "Bug check") {}
  static constexpr int kErrorCode = 2;  // SQLITE_INTERNAL
};

// The message of the exception being handled, for SQLite. Call it in a
// catch block only.
std::string currentExceptionMessage();

}  // namespace library_tables

#endif  // VOSTREL_LIBRARY_TABLES_VTAB_EXCEPTION_H_
