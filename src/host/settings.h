// The component's advanced settings, as the host stores them.
#ifndef VOSTREL_HOST_SETTINGS_H_
#define VOSTREL_HOST_SETTINGS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace host {

enum class SqlPriority { kDefault, kIdle, kBelowNormal, kNormal, kAboveNormal, kHigh, kRealtime };

struct AdvancedSettings {
  bool show_sql_execution_time = false;
  uint64_t overall_node_limit = 1000000;
  uint64_t console_row_limit = 5000;
  SqlPriority sql_processing_priority = SqlPriority::kDefault;
  std::string icon_file_paths;
};

// Names of the priority values as the command line spells them
// ("default", "idle", "below_normal", ...).
std::string_view priorityName(SqlPriority priority);
std::optional<SqlPriority> parsePriority(std::string_view name);

// The nice value for a priority; kDefault has none.
std::optional<int> priorityNiceValue(SqlPriority priority);

}  // namespace host

#endif  // VOSTREL_HOST_SETTINGS_H_
