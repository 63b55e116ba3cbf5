#include "tree/timing_line.h"

#include <cstdio>
#include <string>

#include "db/database.h"
#include "host/host.h"

namespace tree {

void logTiming(db::SQLiteDatabase& db, std::string_view label, std::chrono::steady_clock::time_point start) {
  if (!db.host().advancedSettings().show_sql_execution_time) return;
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  char seconds[64];
  std::snprintf(seconds, sizeof seconds, "%.6f", elapsed.count());
  db.LogToConsole(std::string(label) + seconds, false);
}

}  // namespace tree
