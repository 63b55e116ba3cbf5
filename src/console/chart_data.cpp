#include "console/chart_data.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "db/property.h"

namespace console {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMsPerDay = 86400000.0;

// Reads exactly `count` digits at `pos`; false when they are not all there.
bool digits(std::string_view text, std::size_t pos, std::size_t count, int& value) {
  if (pos + count > text.size()) return false;
  value = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

// Days from 1970-01-01 to the given day of the proleptic Gregorian calendar.
int64_t daysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto year_of_era = static_cast<unsigned>(year - era * 400);
  const unsigned day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + static_cast<int64_t>(day_of_era) - 719468;
}

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// A whole number or a decimal, the whole text; false for anything else
// (spaces, a trailing unit, "inf", "nan").
bool parseNumber(std::string_view text, double& value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && ptr == end && std::isfinite(value);
}

bool isYear(double value) { return value >= 1000 && value <= 9999 && value == std::floor(value); }

}  // namespace

const char* kindText(ValueKind kind) {
  switch (kind) {
    case ValueKind::kNumber:
      return "numbers";
    case ValueKind::kDate:
      return "dates";
    case ValueKind::kText:
      return "text";
    case ValueKind::kEmpty:
      break;
  }
  return "only NULL";
}

bool parseIsoDate(std::string_view text, double& milliseconds) {
  int year = 0, month = 0, day = 1, hour = 0, minute = 0, second = 0;
  if (!digits(text, 0, 4, year) || text.size() < 7 || text[4] != '-' || !digits(text, 5, 2, month)) return false;
  if (month < 1 || month > 12) return false;
  std::size_t pos = 7;
  if (pos < text.size() && text[pos] == '-') {
    if (!digits(text, pos + 1, 2, day) || day < 1 || day > daysInMonth(year, month)) return false;
    pos += 3;
    if (pos < text.size() && (text[pos] == ' ' || text[pos] == 'T')) {
      if (!digits(text, pos + 1, 2, hour) || pos + 3 >= text.size() || text[pos + 3] != ':' ||
          !digits(text, pos + 4, 2, minute) || hour > 23 || minute > 59) {
        return false;
      }
      pos += 6;
      if (pos < text.size() && text[pos] == ':') {
        if (!digits(text, pos + 1, 2, second) || second > 59) return false;
        pos += 3;
      }
    }
  }
  if (pos != text.size()) return false;
  milliseconds =
      (static_cast<double>(daysFromCivil(year, month, day)) * 86400.0 + hour * 3600.0 + minute * 60.0 + second) *
      1000.0;
  return true;
}

void ChartData::beginResult(const std::vector<std::string>& columns) {
  columns_ = columns;
  stats_.assign(columns.size(), Stats{});
  cells_.clear();
  rows_ = 0;
  total_rows_ = 0;
}

void ChartData::clearResult() { beginResult({}); }

void ChartData::addRow(uint64_t, const db::SQLiteColumns& values, const std::vector<std::string>& cells) {
  ++total_rows_;
  if (rows_ >= kChartRowCap || columns_.empty()) return;
  ++rows_;
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    const db::SQLiteColumn& value = values[c];
    Cell cell{c < cells.size() ? cells[c] : std::string(), kNaN, kNaN};
    Stats& stats = stats_[c];
    switch (value.isNull() ? db::kTagNull : value.type()) {
      case db::kTagNull:
        break;
      case db::kTagInt64:
      case db::kTagInt32:
      case db::kTagByte:
      case db::kTagBool:
        cell.number = static_cast<double>(value.int64Value());
        break;
      case db::kTagDouble:
        cell.number = value.doubleValue();
        break;
      case db::kTagText:
        if (!parseNumber(value.text(), cell.number) && !parseIsoDate(value.text(), cell.date)) stats.text = true;
        break;
      default:
        stats.text = true;
        break;
    }
    if (!std::isnan(cell.number)) {
      stats.number = true;
      stats.non_year_number = stats.non_year_number || !isYear(cell.number);
      stats.negative = stats.negative || cell.number < 0;
    }
    if (!std::isnan(cell.date)) stats.date = true;
    cells_.push_back(std::move(cell));
  }
}

ValueKind ChartData::kind(std::size_t column) const {
  const Stats& stats = stats_[column];
  if (stats.text) return ValueKind::kText;
  if (stats.date) return stats.non_year_number ? ValueKind::kText : ValueKind::kDate;
  return stats.number ? ValueKind::kNumber : ValueKind::kEmpty;
}

double ChartData::date(std::size_t row, std::size_t column) const {
  const Cell& cell = cells_[at(row, column)];
  if (!std::isnan(cell.date) || std::isnan(cell.number) || !isYear(cell.number)) return cell.date;
  return static_cast<double>(daysFromCivil(static_cast<int64_t>(cell.number), 1, 1)) * kMsPerDay;
}

}  // namespace console
