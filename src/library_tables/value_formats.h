// The text forms of the predefined columns, free of SQLite so that they can
// be checked on their own:
//
//   formatLength(3725.2)            "1:02:05"
//   formatFileSize(1536)            "1.5KB"
//   directoryName("C:\\a.flac")     "C:\"
//   fileName("file:///m/a.b.flac")  "a.b"
//
// The formatters write into a caller's buffer (cleared first), which a scan
// reuses from row to row; the path functions return views into their input.
#ifndef VOSTREL_LIBRARY_TABLES_VALUE_FORMATS_H_
#define VOSTREL_LIBRARY_TABLES_VALUE_FORMATS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace library_tables {

inline constexpr std::string_view kInvalidTimestamp = "<invalid timestamp>";

// Seconds rounded half up to whole seconds: "0:00", "1:01", "1:02:05",
// "1d 1:01:01", "1wk 1d 1:01:01". Negative or undefined lengths read as 0.
void formatLength(double seconds, std::string& out);

// Bytes in the largest unit of B, KB, MB, GB, TB (factor 1024) that is at
// least 1, with up to three significant digits truncated: "1023B", "1KB",
// "1.5KB", "976KB", "117MB".
void formatFileSize(uint64_t bytes, std::string& out);

// Seconds since 1970 (UTC) as local "YYYY-MM-DD hh:mm:ss"; false when the
// time cannot be converted (`out` is then unspecified).
bool formatLocalTime(int64_t seconds, std::string& out);

// The location without a leading "file://" (other schemes are kept).
std::string_view locationPath(std::string_view location);

// The part of `path` before its last separator (/ : \ |), keeping that
// separator when it is the first character or follows another separator;
// empty without a separator.
std::string_view directoryName(std::string_view path);

// The part of `location` after its last separator, without the extension:
// cut before the last "." that precedes any "?", unless that "." starts the
// part.
std::string_view fileName(std::string_view location);

// The part of `location` after its last separator, up to the first "?".
std::string_view fileNameExt(std::string_view location);

}  // namespace library_tables

#endif  // VOSTREL_LIBRARY_TABLES_VALUE_FORMATS_H_
