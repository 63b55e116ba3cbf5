// M3U and M3U8: one location per line, with optional "#EXTINF" lines
// before them.
//
//   #EXTM3U
//   #PLAYLIST:Road Trip
//   #EXTINF:443,The Paper Lanterns - Hollow Golden, Pt. 2
//   Highway Rain/01 Hollow Golden, Pt. 2.flac
//   http://radio.example/stream
//
// "#EXTINF:LENGTH [attributes],TITLE" describes the entry on the next
// location line: LENGTH in seconds (-1 when unknown), attributes such as
// tvg-id="x" are passed over, and the title is the text after the first
// comma outside quotes. Every other line starting with '#' is a comment or
// a directive this program has no use for.
#include <charconv>
#include <cmath>
#include <string>

#include "player/playlist_file_formats.h"

namespace player::playlist_files {
namespace {

// Longer lengths than this are no track's: a broken number.
constexpr double kMaxLength = 1e9;

struct ExtInf {
  double length = -1;
  std::string title;
  std::size_t line = 0;
};

// The position of the first comma outside double quotes, or npos.
std::size_t titleComma(std::string_view text) {
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (text[i] == ',' && !quoted) return i;
  }
  return std::string_view::npos;
}

// `text`: what follows "#EXTINF:".
ExtInf parseExtInf(std::string_view text, std::size_t line, const ReadContext& context) {
  ExtInf info;
  info.line = line;
  const std::size_t comma = titleComma(text);
  if (comma == std::string_view::npos) context.fail(line, "#EXTINF needs a comma before the title");
  info.title = std::string(trimmed(text.substr(comma + 1)));
  const std::string_view head = trimmed(text.substr(0, comma));
  if (head.empty()) return info;  // "#EXTINF:,Title": no length given
  double seconds = 0;
  const auto [end, error] = std::from_chars(head.data(), head.data() + head.size(), seconds);
  const std::size_t used = static_cast<std::size_t>(end - head.data());
  const bool number_ends = used == head.size() || head[used] == ' ' || head[used] == '\t';
  if (error != std::errc() || !number_ends || !std::isfinite(seconds) || seconds > kMaxLength) {
    context.fail(line, "#EXTINF needs a length in seconds before the comma, not \"" +
                           std::string(head.substr(0, std::min<std::size_t>(head.size(), 40))) + "\"");
  }
  info.length = seconds > 0 ? seconds : -1;
  return info;
}

}  // namespace

PlaylistFileContents parseM3u(std::string_view text, const ReadContext& context) {
  PlaylistFileContents contents;
  LineReader lines(text);
  std::string_view line;
  std::optional<ExtInf> pending;
  while (lines.next(line)) {
    if (line.empty()) continue;
    if (hasControlCharacter(line)) {
      context.fail(lines.number(), "a control character in the line: this is not a playlist's text");
    }
    if (line.front() == '#') {
      if (startsWithNoCase(line, "#extinf:")) {
        if (pending) context.fail(pending->line, "#EXTINF is not followed by the entry it describes");
        pending = parseExtInf(line.substr(8), lines.number(), context);
      } else if (startsWithNoCase(line, "#playlist:")) {
        contents.name = std::string(trimmed(line.substr(10)));
      }
      continue;
    }
    std::optional<std::string> location = locationOfPath(line, context.folder);
    if (!location) context.fail(lines.number(), "\"" + std::string(line) + "\" names no file");
    PlaylistEntry& entry = contents.entries.emplace_back();
    entry.location = std::move(*location);
    if (pending) {
      entry.title = std::move(pending->title);
      entry.length = pending->length;
      pending.reset();
    }
  }
  if (pending) context.fail(pending->line, "#EXTINF is not followed by the entry it describes");
  return contents;
}

std::string formatM3u(const std::vector<PlaylistEntry>& entries, const std::filesystem::path& folder,
                      std::string_view name) {
  std::string out = "#EXTM3U\n";
  if (!name.empty()) out += "#PLAYLIST:" + oneLineText(name) + "\n";
  for (const PlaylistEntry& entry : entries) {
    const std::string title = lineTitle(entry);
    const long long seconds = wholeSeconds(entry.length);
    if (!title.empty() || seconds > 0) out += "#EXTINF:" + std::to_string(seconds) + "," + title + "\n";
    out += pathForWrite(entry.location, folder);
    out += '\n';
  }
  return out;
}

}  // namespace player::playlist_files
