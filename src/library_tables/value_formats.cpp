#include "library_tables/value_formats.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace library_tables {
namespace {

constexpr std::string_view kSeparators = "/:\\|";

void appendDecimal(uint64_t value, std::string& out) {
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) out.push_back(digits[--n]);
}

void appendTwoDigits(uint64_t value, std::string& out) {
  out.push_back(static_cast<char>('0' + value / 10 % 10));
  out.push_back(static_cast<char>('0' + value % 10));
}

std::string_view afterLastSeparator(std::string_view location) {
  const std::size_t pos = location.find_last_of(kSeparators);
  return pos == std::string_view::npos ? location : location.substr(pos + 1);
}

}  // namespace

void formatLength(double seconds, std::string& out) {
  out.clear();
  // Lengths beyond this many seconds (billions of years) are clamped so that
  // the conversion to an integer stays defined.
  constexpr double kLargest = 9.0e15;
  const double rounded = std::trunc(seconds + 0.5);
  const uint64_t t = !(rounded > 0) ? 0 : rounded > kLargest ? static_cast<uint64_t>(kLargest)
                                                             : static_cast<uint64_t>(rounded);
  const uint64_t w = t / 604800;
  const uint64_t d = t / 86400 % 7;
  const uint64_t h = t / 3600 % 24;
  const uint64_t m = t / 60 % 60;
  const uint64_t s = t % 60;
  if (w > 0) {
    appendDecimal(w, out);
    out += "wk ";
  }
  if (d > 0 || w > 0) {
    appendDecimal(d, out);
    out += "d ";
  }
  if (h != 0 || d != 0 || w != 0) {
    appendDecimal(h, out);
    out.push_back(':');
    appendTwoDigits(m, out);
  } else {
    appendDecimal(m, out);
  }
  out.push_back(':');
  appendTwoDigits(s, out);
}

void formatFileSize(uint64_t bytes, std::string& out) {
  static constexpr std::string_view kUnits[] = {"B", "KB", "MB", "GB", "TB"};
  out.clear();
  std::size_t unit = 0;
  uint64_t scale = 1;
  while (unit + 1 < std::size(kUnits) && bytes / (scale * 1024) >= 1) {
    scale *= 1024;
    ++unit;
  }
  const uint64_t whole = bytes / scale;
  appendDecimal(whole, out);
  if (unit > 0 && whole < 100) {
    const int places = whole < 10 ? 2 : 1;
    const uint64_t factor = places == 2 ? 100 : 10;
    // remainder < 2^40, so the product stays far below 2^64.
    uint64_t fraction = bytes % scale * factor / scale;
    char digits[2];
    for (int i = places - 1; i >= 0; --i) {
      digits[i] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    int kept = places;
    while (kept > 0 && digits[kept - 1] == '0') --kept;
    if (kept > 0) {
      out.push_back('.');
      out.append(digits, static_cast<std::size_t>(kept));
    }
  }
  out += kUnits[unit];
}

bool formatLocalTime(int64_t seconds, std::string& out) {
  const auto when = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (static_cast<int64_t>(when) != seconds || localtime_r(&when, &local) == nullptr) return false;
  char text[64];
  const int n = std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02d:%02d:%02d",
                              static_cast<long long>(local.tm_year) + 1900, local.tm_mon + 1, local.tm_mday,
                              local.tm_hour, local.tm_min, local.tm_sec);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof text) return false;
  out.assign(text, static_cast<std::size_t>(n));
  return true;
}

std::string_view locationPath(std::string_view location) {
  constexpr std::string_view kFileScheme = "file://";
  return location.starts_with(kFileScheme) ? location.substr(kFileScheme.size()) : location;
}

std::string_view directoryName(std::string_view path) {
  const std::size_t pos = path.find_last_of(kSeparators);
  if (pos == std::string_view::npos) return {};
  if (pos == 0 || kSeparators.find(path[pos - 1]) != std::string_view::npos) return path.substr(0, pos + 1);
  return path.substr(0, pos);
}

std::string_view fileName(std::string_view location) {
  const std::string_view rest = afterLastSeparator(location);
  const std::string_view head = rest.substr(0, rest.find('?'));
  const std::size_t dot = head.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return rest;
  return rest.substr(0, dot);
}

std::string_view fileNameExt(std::string_view location) {
  const std::string_view rest = afterLastSeparator(location);
  return rest.substr(0, rest.find('?'));
}

}  // namespace library_tables
