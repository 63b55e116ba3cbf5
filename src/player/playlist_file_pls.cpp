// PLS: an INI file of one section.
//
//   [playlist]
//   File1=Highway Rain/01 Hollow Golden, Pt. 2.flac
//   Title1=The Paper Lanterns - Hollow Golden, Pt. 2
//   Length1=443
//   File2=http://radio.example/stream
//   Length2=-1
//   NumberOfEntries=2
//   Version=2
//
// Entries follow their numbers, which may have gaps; NumberOfEntries is
// often wrong in files found in the wild, so the File keys decide what is
// there. Keys are read in any letter case; keys this program has no use for
// are passed over, as are lines starting with ';' or '#'.
#include <charconv>
#include <cmath>
#include <map>
#include <string>

#include "player/playlist_file_formats.h"

namespace player::playlist_files {
namespace {

struct Numbered {
  std::string file;
  std::string title;
  double length = -1;
  std::size_t file_line = 0;  // 0: no File key yet
  std::size_t title_line = 0;
  std::size_t length_line = 0;
};

// The entry number after a key's name ("File12" -> 12), or 0 when the rest
// is not a number from 1.
uint64_t entryNumber(std::string_view digits) {
  uint64_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) return 0;
  return number;
}

}  // namespace

PlaylistFileContents parsePls(std::string_view text, const ReadContext& context) {
  std::map<uint64_t, Numbered> numbered;
  LineReader lines(text);
  std::string_view line;
  bool in_section = false;
  while (lines.next(line)) {
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    const std::size_t number = lines.number();
    if (hasControlCharacter(line)) context.fail(number, "a control character in the line: this is not a PLS file");
    if (line.front() == '[') {
      if (in_section) context.fail(number, "a second section: a PLS file has only [playlist]");
      if (!startsWithNoCase(line, "[playlist]") || line.size() != 10) {
        context.fail(number, "a PLS file starts with [playlist], not \"" + std::string(line.substr(0, 40)) + "\"");
      }
      in_section = true;
      continue;
    }
    if (!in_section) context.fail(number, "a PLS file starts with [playlist]");
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) context.fail(number, "expected KEY=VALUE, as in File1=song.mp3");
    const std::string_view key = trimmed(line.substr(0, equals));
    const std::string_view value = trimmed(line.substr(equals + 1));
    std::string_view name;
    for (const std::string_view known : {"file", "title", "length"}) {
      if (startsWithNoCase(key, known)) name = known;
    }
    if (name.empty()) continue;  // NumberOfEntries, Version and others' keys
    const uint64_t index = entryNumber(key.substr(name.size()));
    if (index == 0) {
      // "FileName=" and such belong to no entry.
      if (!key.substr(name.size()).empty() && std::isdigit(static_cast<unsigned char>(key[name.size()]))) {
        context.fail(number, "\"" + std::string(key) + "\" needs an entry number from 1");
      }
      continue;
    }
    Numbered& entry = numbered[index];
    std::size_t& seen = name == "file" ? entry.file_line : name == "title" ? entry.title_line : entry.length_line;
    if (seen != 0) {
      context.fail(number, "\"" + std::string(key) + "\" again (first on line " + std::to_string(seen) + ")");
    }
    seen = number;
    if (name == "file") {
      if (value.empty()) context.fail(number, "\"" + std::string(key) + "\" names no file");
      entry.file = std::string(value);
    } else if (name == "title") {
      entry.title = std::string(value);
    } else {
      double seconds = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
      if (error != std::errc() || end != value.data() + value.size() || !std::isfinite(seconds) || seconds > 1e9) {
        context.fail(number, "\"" + std::string(key) + "\" needs a number of seconds");
      }
      entry.length = seconds > 0 ? seconds : -1;
    }
  }
  if (!in_section) context.fail(std::max<std::size_t>(lines.number(), 1), "a PLS file starts with [playlist]");
  PlaylistFileContents contents;
  for (auto& [index, entry] : numbered) {
    if (entry.file_line == 0) continue;  // a title or length of no file: nothing to add
    std::optional<std::string> location = locationOfPath(entry.file, context.folder);
    if (!location) context.fail(entry.file_line, "\"" + entry.file + "\" names no file");
    contents.entries.push_back({std::move(*location), std::move(entry.title), {}, entry.length});
  }
  return contents;
}

std::string formatPls(const std::vector<PlaylistEntry>& entries, const std::filesystem::path& folder) {
  std::string out = "[playlist]\n";
  std::size_t number = 0;
  for (const PlaylistEntry& entry : entries) {
    const std::string n = std::to_string(++number);
    out += "File" + n + "=" + pathForWrite(entry.location, folder) + "\n";
    const std::string title = lineTitle(entry);
    if (!title.empty()) out += "Title" + n + "=" + title + "\n";
    out += "Length" + n + "=" + std::to_string(wholeSeconds(entry.length)) + "\n";
  }
  out += "NumberOfEntries=" + std::to_string(number) + "\nVersion=2\n";
  return out;
}

}  // namespace player::playlist_files
