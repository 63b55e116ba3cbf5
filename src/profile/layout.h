// The player's window layout, kept in the profile's layout.json: the list of
// tree panels, each with the settings record it wrote (135 bytes, stored as
// hexadecimal text), and the desktop program's window geometry and dock
// state (opaque blobs the window toolkit made, also hexadecimal), and the
// playlists' columns in display order.
//
//   {"panels": [{"settings": "01000000020000002a000000..."}],
//    "window": {"geometry": "01d9d0cb...", "state": "000000ff..."},
//    "playlist_columns": [{"id": "artist", "width": 190, "visible": true},
//                         {"id": "custom", "title": "Year", "expression": "$year(%date%)",
//                          "width": 60, "visible": true}]}
//
// A panel with empty settings has not written any yet (a new panel). A file
// without "window" (written by commands or an older program) is read with
// empty blobs, and a save keeps whatever blobs were read.
#ifndef VOSTREL_PROFILE_LAYOUT_H_
#define VOSTREL_PROFILE_LAYOUT_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace profile {

// One column of the playlists: a standard column by its id, or "custom"
// with its own title and title-formatting expression. Width 0: the
// column's default.
struct PlaylistColumnLayout {
  std::string id;
  std::string title;       // custom columns
  std::string expression;  // custom columns
  int width = 0;
  bool visible = true;
  bool operator==(const PlaylistColumnLayout&) const = default;
};

struct Layout {
  std::vector<std::vector<uint8_t>> panels;  // settings records, in panel order
  std::vector<uint8_t> geometry;              // the main window's geometry
  std::vector<uint8_t> window_state;          // toolbars and docks
  std::vector<PlaylistColumnLayout> playlist_columns;  // empty: the default columns
};

// Reads `file`; a missing file is an empty layout. Throws DataError naming
// the file for malformed content.
Layout loadLayout(const std::filesystem::path& file);
// Writes `layout` atomically.
void saveLayout(const std::filesystem::path& file, const Layout& layout);

// The same for text in memory; `file` names it in messages.
Layout parseLayout(std::string_view text, const std::string& file);
// The text saveLayout writes.
std::string layoutJson(const Layout& layout);

}  // namespace profile

#endif  // VOSTREL_PROFILE_LAYOUT_H_
