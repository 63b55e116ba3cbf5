#include "mpd/tags.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "host/text.h"
#include "library/file_uri.h"
#include "mpd/protocol.h"

namespace mpd {
namespace {

// Field ids of kTagTypes, interned once.
const std::array<host::FieldId, kTagTypes.size()>& tagFields() {
  static const std::array<host::FieldId, kTagTypes.size()> fields = [] {
    std::array<host::FieldId, kTagTypes.size()> ids{};
    for (std::size_t i = 0; i < kTagTypes.size(); ++i) ids[i] = host::internField(kTagTypes[i].field);
    return ids;
  }();
  return fields;
}

}  // namespace

std::optional<std::size_t> findTag(std::string_view name) {
  for (std::size_t i = 0; i < kTagTypes.size(); ++i) {
    if (host::equalsNoCase(kTagTypes[i].name, name)) return i;
  }
  return std::nullopt;
}

std::string_view tagValue(const host::Track& track, std::size_t tag) {
  const host::FieldPtr field = track.findMeta(tagFields()[tag]);
  if (field == nullptr || field->value_count == 0) return {};
  return field->values().front();
}

std::string trackUri(const host::Track& track) {
  std::string uri(kFilesDirectory);
  const std::string path = library::uriFilePath(track.path()).string();
  if (path.empty() || path.front() != '/') uri += '/';
  uri += path;
  if (track.subsong() != 0) uri += "#" + std::to_string(track.subsong());
  return uri;
}

std::string isoTime(int64_t seconds) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm tm{};
  gmtime_r(&time, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return text;
}

void appendSong(std::string& out, const host::Track& track, uint32_t tags) {
  appendPair(out, "file", trackUri(track));
  if (track.mtime() > 0) appendPair(out, "Last-Modified", isoTime(track.mtime()));
  for (std::size_t i = 0; i < kTagTypes.size(); ++i) {
    if ((tags & (uint32_t{1} << i)) == 0) continue;
    const host::FieldPtr field = track.findMeta(tagFields()[i]);
    if (field == nullptr) continue;
    for (const std::string_view value : field->values()) appendPair(out, kTagTypes[i].name, value);
  }
  if (track.length() > 0) {
    appendPair(out, "Time", std::to_string(static_cast<int64_t>(std::lround(track.length()))));
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.3f", track.length());
    appendPair(out, "duration", duration);
  }
}

}  // namespace mpd
