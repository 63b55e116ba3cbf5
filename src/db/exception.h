// The component's error values: an error code and a UTF-8 message.
//
// Thrown by value, caught by reference at the user-facing edge (a command, a
// panel action, a dialog button, the console's run). They are plain values on
// purpose: no exception of this family crosses a C callback of SQLite.
#ifndef VOSTREL_DB_EXCEPTION_H_
#define VOSTREL_DB_EXCEPTION_H_

#include <string>
#include <utility>

namespace db {

// Error code used for an interruption detected by the component itself
// (the same value as SQLITE_INTERRUPT).
inline constexpr int kInterruptCode = 9;

class Exception {
 public:
  Exception(int code, std::string message) : code_(code), message_(std::move(message)) {}

  int code() const { return code_; }
  // A copy of the message.
  std::string message() const { return message_; }

 private:
  int code_;
  std::string message_;
};

// Every failure of the database layer.
class SQLiteException : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace db

#endif  // VOSTREL_DB_EXCEPTION_H_
