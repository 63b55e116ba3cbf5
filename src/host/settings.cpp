#include "host/settings.h"

#include <array>
#include <utility>

namespace host {
namespace {

constexpr std::array<std::pair<SqlPriority, std::string_view>, 7> kNames{{
    {SqlPriority::kDefault, "default"},
    {SqlPriority::kIdle, "idle"},
    {SqlPriority::kBelowNormal, "below_normal"},
    {SqlPriority::kNormal, "normal"},
    {SqlPriority::kAboveNormal, "above_normal"},
    {SqlPriority::kHigh, "high"},
    {SqlPriority::kRealtime, "realtime"},
}};

}  // namespace

std::string_view priorityName(SqlPriority priority) {
  for (const auto& [value, name] : kNames) {
    if (value == priority) return name;
  }
  return "default";
}

std::optional<SqlPriority> parsePriority(std::string_view name) {
  for (const auto& [value, text] : kNames) {
    if (text == name) return value;
  }
  return std::nullopt;
}

std::optional<int> priorityNiceValue(SqlPriority priority) {
  switch (priority) {
    case SqlPriority::kIdle: return 19;
    case SqlPriority::kBelowNormal: return 10;
    case SqlPriority::kNormal: return 0;
    case SqlPriority::kAboveNormal: return -5;
    case SqlPriority::kHigh: return -10;
    case SqlPriority::kRealtime: return -20;
    case SqlPriority::kDefault: break;
  }
  return std::nullopt;
}

}  // namespace host
