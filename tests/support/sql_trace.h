// SqlTrace: records the text of every statement a connection starts, so that
// tests can check the exact SQL the component issues.
#ifndef VOSTREL_TESTS_SUPPORT_SQL_TRACE_H_
#define VOSTREL_TESTS_SUPPORT_SQL_TRACE_H_

#include <sqlite3.h>

#include <string>
#include <vector>

namespace testing_support {

class SqlTrace {
 public:
  explicit SqlTrace(sqlite3* handle) : handle_(handle) {
    sqlite3_trace_v2(handle_, SQLITE_TRACE_STMT, &SqlTrace::callback, this);
  }
  ~SqlTrace() { sqlite3_trace_v2(handle_, 0, nullptr, nullptr); }
  SqlTrace(const SqlTrace&) = delete;
  SqlTrace& operator=(const SqlTrace&) = delete;

  // Statements as started, trigger sub-programs excluded.
  std::vector<std::string> statements;

 private:
  static int callback(unsigned, void* context, void*, void* x) {
    const char* text = static_cast<const char*>(x);
    if (text != nullptr && !(text[0] == '-' && text[1] == '-')) {
      static_cast<SqlTrace*>(context)->statements.emplace_back(text);
    }
    return 0;
  }
  sqlite3* handle_;
};

}  // namespace testing_support

#endif  // VOSTREL_TESTS_SUPPORT_SQL_TRACE_H_
