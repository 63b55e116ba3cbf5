// The timing lines of runs, actions and loading ("Query refresh time: ",
// "Playlist fill time: ", "SQL execution time: ", "Tree load time: "),
// written only while "Show SQL execution time in the console" is on.
#ifndef VOSTREL_TREE_TIMING_LINE_H_
#define VOSTREL_TREE_TIMING_LINE_H_

#include <chrono>
#include <string_view>

namespace db {
class SQLiteDatabase;
}

namespace tree {

// Writes `label` followed by the seconds since `start` with six decimals.
void logTiming(db::SQLiteDatabase& db, std::string_view label, std::chrono::steady_clock::time_point start);

}  // namespace tree

#endif  // VOSTREL_TREE_TIMING_LINE_H_
