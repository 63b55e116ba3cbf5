// The columns a playlist table can show: the standard ones, chosen from the
// header's context menu, and custom ones, each a title-formatting expression.
// Their order, widths and visibility are kept in layout.json.
//
// A standard column of a tag field joins the field's values as the tree's
// columns do (host::appendJoined); the others format the track.
#ifndef VOSTREL_DESKTOP_PLAYLIST_COLUMNS_H_
#define VOSTREL_DESKTOP_PLAYLIST_COLUMNS_H_

#include <string>
#include <string_view>
#include <vector>

#include "profile/layout.h"

namespace desktop {

struct PlaylistColumn {
  std::string id;          // a standard column's, or kCustomColumnId
  std::string title;       // the header text
  std::string field;       // a tag field whose values are joined; empty: `expression`
  std::string expression;  // title formatting; empty with no field: the item's number
  bool right_aligned = false;
  int default_width = 100;  // pixels; a view without stored widths fits them to the rows
};

inline constexpr std::string_view kCustomColumnId = "custom";

// The standard columns, in menu order: #, Artist, Album artist, Title,
// Album, Date, Genre, Track, Disc, Length, Codec, Bitrate, File name, Path.
const std::vector<PlaylistColumn>& standardColumns();
// The standard column `id`, or nullptr.
const PlaylistColumn* findStandardColumn(std::string_view id);
// A custom column.
PlaylistColumn customColumn(std::string title, std::string expression);

// The columns of a new profile: Track, Artist, Title, Album, Length.
std::vector<profile::PlaylistColumnLayout> defaultColumnLayout();
// The column a layout entry names (nullopt-like: an empty id for one that
// names no standard column and is not custom).
PlaylistColumn columnOf(const profile::PlaylistColumnLayout& entry);

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_PLAYLIST_COLUMNS_H_
