// libFuzzer target for the playlist file readers: M3U, M3U8, PLS and XSPF.
//
// Input: one selector byte ('0' M3U, '1' M3U8, '2' PLS, '3' XSPF; any byte
// works, taken modulo 4) followed by the file's bytes. Nothing touches the
// file system: relative locations are taken against a fixed folder.
//
// A reader may refuse its input only with PlaylistFileError, naming a line
// of the input; any other exception escapes and is reported. What it
// accepts must be entries with usable locations, and writing them in the
// same format must give a file that reads back to entries that are written
// identically (one pass of normalising, then a fixed point).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "player/playlist_file.h"

namespace {

const std::filesystem::path kFolder = "/fuzz/lists";

void require(bool condition) {
  if (!condition) std::abort();
}

std::size_t lineCount(std::string_view text) {
  std::size_t lines = 1;
  for (char c : text) lines += c == '\n' || c == '\r' ? 1 : 0;
  return lines;
}

void checkEntries(const player::PlaylistFileContents& contents) {
  for (const player::PlaylistEntry& entry : contents.entries) {
    require(!entry.location.empty());
    if (entry.location.starts_with("file:///")) {
      require(entry.location.find("/../") == std::string::npos && entry.location.find("/./") == std::string::npos);
    }
    require(entry.length == -1 || entry.length > 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const auto format = static_cast<player::PlaylistFormat>(data[0] % 4);
  player::PlaylistFileContents read;
  try {
    read = player::parsePlaylist(bytes, format, kFolder, "fuzz");
  } catch (const player::PlaylistFileError& e) {
    // A refusal names a line of the input.
    require(e.line() >= 1 && e.line() <= lineCount(bytes) + 1);
    return 0;
  }
  checkEntries(read);
  const std::string written = player::formatPlaylist(read.entries, format, kFolder, read.name);
  player::PlaylistFileContents again;
  try {
    again = player::parsePlaylist(written, format, kFolder, "again");
  } catch (const player::PlaylistFileError&) {
    std::abort();  // this program's own output refused
  }
  require(again.entries.size() == read.entries.size());
  for (std::size_t i = 0; i < read.entries.size(); ++i) require(again.entries[i].location == read.entries[i].location);
  require(player::formatPlaylist(again.entries, format, kFolder, again.name) == written);
  return 0;
}
