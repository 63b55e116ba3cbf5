#include "desktop/playlist_columns.h"

#include <utility>

namespace desktop {

const std::vector<PlaylistColumn>& standardColumns() {
  static const std::vector<PlaylistColumn> columns = {
      {"index", "#", "", "", true, 44},
      {"artist", "Artist", "artist", "", false, 170},
      {"album_artist", "Album artist", "album artist", "", false, 170},
      {"title", "Title", "title", "", false, 220},
      {"album", "Album", "album", "", false, 200},
      {"date", "Date", "date", "", false, 80},
      {"genre", "Genre", "genre", "", false, 120},
      {"track", "Track", "", "%tracknumber%", true, 52},
      {"disc", "Disc", "", "%discnumber%", true, 44},
      {"length", "Length", "", "%length%", true, 64},
      {"codec", "Codec", "codec", "", false, 70},
      {"bitrate", "Bitrate", "", "[%bitrate% kbps]", true, 80},
      {"filename", "File name", "", "%filename_ext%", false, 200},
      {"path", "Path", "", "%path%", false, 320},
  };
  return columns;
}

const PlaylistColumn* findStandardColumn(std::string_view id) {
  for (const PlaylistColumn& column : standardColumns()) {
    if (column.id == id) return &column;
  }
  return nullptr;
}

PlaylistColumn customColumn(std::string title, std::string expression) {
  PlaylistColumn column;
  column.id = std::string(kCustomColumnId);
  column.title = std::move(title);
  column.expression = std::move(expression);
  column.default_width = 120;
  return column;
}

std::vector<profile::PlaylistColumnLayout> defaultColumnLayout() {
  std::vector<profile::PlaylistColumnLayout> layout;
  for (const char* id : {"track", "artist", "title", "album", "length"}) layout.push_back({id, "", "", 0, true});
  return layout;
}

PlaylistColumn columnOf(const profile::PlaylistColumnLayout& entry) {
  if (entry.id == kCustomColumnId) return customColumn(entry.title, entry.expression);
  if (const PlaylistColumn* column = findStandardColumn(entry.id)) return *column;
  return {"", "", "", "", false, 0};
}

}  // namespace desktop
