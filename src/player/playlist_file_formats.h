// The parts that the playlist file formats share (text decoding, lines,
// locations) and each format's reader and writer. Used by playlist_file.cpp
// and the tests; callers elsewhere use playlist_file.h.
#ifndef VOSTREL_PLAYER_PLAYLIST_FILE_FORMATS_H_
#define VOSTREL_PLAYER_PLAYLIST_FILE_FORMATS_H_

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "player/playlist_file.h"

namespace player::playlist_files {

// What a reader needs besides the text: the folder relative locations are
// taken against (absolute) and the file's name for messages.
struct ReadContext {
  std::filesystem::path folder;
  std::string_view file;
  [[noreturn]] void fail(std::size_t line, std::string_view problem) const;
};

// ---- Text ----

// Whether `text` starts with `prefix` (lower case, ASCII) in any letter case.
bool startsWithNoCase(std::string_view text, std::string_view prefix);

// The character encoding of the user's locale (LC_CTYPE from the
// environment, whatever the process's own locale is), e.g. "UTF-8",
// "ISO-8859-1"; "ANSI_X3.4-1968" where none is set.
std::string localeCodeset();
// Whether `codeset` gives bytes above 127 no meaning of its own here:
// UTF-8, or ASCII.
bool isUtf8OrAscii(std::string_view codeset);

// The UTF-8 text of a playlist file's bytes, without a BOM. Text with a
// UTF-16 BOM is converted; other text that is valid UTF-8 is taken as it
// is. Otherwise `utf8_only` makes it an error (at the line of the first bad
// byte), else it is read in `codeset` when that is an 8-bit encoding, else
// (a UTF-8 or ASCII locale) as Windows-1252, the encoding such files
// usually come in, whose every byte means a character.
std::string decodePlaylistText(std::string_view bytes, bool utf8_only, std::string_view codeset,
                               const ReadContext& context);
// `utf8` in `codeset` when every character has a place in it; else `utf8`
// unchanged, which decodePlaylistText reads back as UTF-8.
std::string encodeForCodeset(std::string_view utf8, std::string_view codeset);
// The byte offset of the first byte that is not part of well-formed UTF-8,
// or npos.
std::size_t firstInvalidUtf8(std::string_view text);
// `text` with invalid UTF-8 bytes as U+FFFD and control characters (other
// than tab) as spaces: a title fit for one line of a playlist file.
std::string oneLineText(std::string_view text);

// `text` without the spaces, tabs and line ends around it.
std::string_view trimmed(std::string_view text);
// "Artist - Title", or whichever of the two the entry has.
std::string displayTitle(const PlaylistEntry& entry);
// displayTitle as one line of a playlist file: see oneLineText, trimmed.
std::string lineTitle(const PlaylistEntry& entry);
// A length in whole seconds as the text formats write it; -1 for unknown
// and for what rounds to 0, which they read as unknown.
long long wholeSeconds(double length);

// Lines ended by "\n", "\r\n" or "\r", numbered from 1.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  // The next line without its end and without surrounding spaces and tabs;
  // false at the end of the text.
  bool next(std::string_view& line);
  std::size_t number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t number_ = 0;
};

// Whether the line holds a control character other than a tab (a binary
// file, or a text that is not a playlist).
bool hasControlCharacter(std::string_view line);

// ---- Locations ----

// The location an M3U or PLS line names: a path (relative to `folder`,
// absolute, with '\' or '/' between folders, or with a drive letter), a
// "file:" URI or a URL; nullopt when it names nothing (an empty path, or a
// "file:" URI of one).
std::optional<std::string> locationOfPath(std::string_view text, const std::filesystem::path& folder);
// The location an XSPF <location> names: a URI, or a reference relative to
// `folder`, percent-encoded; nullopt as above, and for text that holds
// control characters, which no URI does.
std::optional<std::string> locationOfUri(std::string_view text, const std::filesystem::path& folder);
// How M3U and PLS write `location`: relative to `folder` where it lies in
// it, else absolute; as a "file://" URI where a path could not be read back
// as it is (a line end or a backslash in it, spaces around it). URLs stay.
std::string pathForWrite(std::string_view location, const std::filesystem::path& folder);
// How XSPF writes `location`: a relative reference where it lies in
// `folder`, else a "file://" URI, both percent-encoded. URLs stay.
std::string uriForWrite(std::string_view location, const std::filesystem::path& folder);

// ---- Formats ----

// Readers of UTF-8 text (XSPF: of the bytes, which declare their encoding).
PlaylistFileContents parseM3u(std::string_view text, const ReadContext& context);
PlaylistFileContents parsePls(std::string_view text, const ReadContext& context);
PlaylistFileContents parseXspf(std::string_view bytes, const ReadContext& context);

// Writers; the text is UTF-8.
std::string formatM3u(const std::vector<PlaylistEntry>& entries, const std::filesystem::path& folder,
                      std::string_view name);
std::string formatPls(const std::vector<PlaylistEntry>& entries, const std::filesystem::path& folder);
std::string formatXspf(const std::vector<PlaylistEntry>& entries, const std::filesystem::path& folder,
                       std::string_view name);

}  // namespace player::playlist_files

#endif  // VOSTREL_PLAYER_PLAYLIST_FILE_FORMATS_H_
