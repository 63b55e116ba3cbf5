// libFuzzer target for the readers of the player's JSON files: library
// files, playlists.json, settings.json and layout.json.
//
// Input: one selector byte ('0' library, '1' playlists, '2' settings,
// '3' layout; any byte works, taken modulo 4) followed by the file's text.
// Everything is read from memory: no file is opened, and the statistics a
// track does not state come from a stub rather than the file system.
//
// A reader may refuse its input only with DataError; any other exception
// escapes and is reported. What a reader accepts must hold its invariants,
// and the playlists, settings and layout that come back must survive being
// written and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/track.h"
#include "host/track_builder.h"
#include "library/library_file.h"
#include "player/playlists.h"
#include "profile/data_error.h"
#include "profile/layout.h"
#include "profile/settings_store.h"

namespace {

host::FileStats noFile(std::string_view) { return {}; }

void require(bool condition) {
  if (!condition) std::abort();
}

// What this program wrote must read back: a refusal here is a fault.
template <typename Read>
auto readBack(Read read) {
  try {
    return read();
  } catch (const profile::DataError&) {
    std::abort();
  }
}

bool usableFieldName(std::string_view name) {
  if (name.empty() || name.size() > 1024) return false;
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return false;
  }
  return true;
}

void checkFields(host::FieldList fields) {
  for (const host::InfoField& field : fields) {
    require(usableFieldName(field.name()));
    require(!field.values().empty());
  }
}

void readLibrary(std::string_view text) {
  const library::LibraryFile library = library::parseLibraryFile(text, "fuzz.json", &noFile);
  for (const host::TrackHandle& track : library.tracks) {
    require(track != nullptr && !track->path().empty());
    checkFields(track->meta());
    checkFields(track->tech());
  }
  require(library.active_playlist == host::kNoPlaylist || library.active_playlist < library.playlists.size());
}

// The set a profile would hold, built without matching items to a library.
player::PlaylistSet toSet(const library::PlaylistsFile& file) {
  player::PlaylistSet set;
  for (const library::PlaylistRef& stored : file.playlists) {
    const std::size_t index = set.create(stored.name);
    host::TrackList items;
    host::TrackBuilder builder;
    for (const library::ItemRef& item : stored.items) {
      builder.setPath(item.path);
      builder.setSubsong(item.subsong);
      items.push_back(builder.build());
    }
    set.insertItems(index, 0, items, false);
    for (std::size_t i = 0; i < stored.items.size(); ++i) set.setSelected(index, i, stored.items[i].selected);
  }
  set.setActive(file.active);
  set.setPlaying(file.playing);
  return set;
}

bool samePlaylists(const library::PlaylistsFile& a, const library::PlaylistsFile& b) {
  if (a.active != b.active || a.playing != b.playing || a.playlists.size() != b.playlists.size()) return false;
  for (std::size_t p = 0; p < a.playlists.size(); ++p) {
    const library::PlaylistRef& x = a.playlists[p];
    const library::PlaylistRef& y = b.playlists[p];
    if (x.name != y.name || x.items.size() != y.items.size()) return false;
    for (std::size_t i = 0; i < x.items.size(); ++i) {
      if (x.items[i].path != y.items[i].path || x.items[i].subsong != y.items[i].subsong ||
          x.items[i].selected != y.items[i].selected) {
        return false;
      }
    }
  }
  return true;
}

void readPlaylists(std::string_view text) {
  const library::PlaylistsFile file = library::parsePlaylistsFile(text, "playlists.json");
  const std::string written = player::playlistsToJson(toSet(file));
  require(samePlaylists(file, readBack([&] { return library::parsePlaylistsFile(written, "again.json"); })));
}

void readSettings(std::string_view text) {
  const profile::SettingsStore store("settings.json", text);
  const std::string written = store.toJson();
  const profile::SettingsStore again = readBack([&] { return profile::SettingsStore("again.json", written); });
  require(again.list() == store.list() && again.lastLibrary() == store.lastLibrary());
  require(again.toJson() == written);
}

void readLayout(std::string_view text) {
  const profile::Layout layout = profile::parseLayout(text, "layout.json");
  const std::string written = profile::layoutJson(layout);
  require(readBack([&] { return profile::parseLayout(written, "again.json"); }).panels == layout.panels);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    switch (data[0] % 4) {
      case 0: readLibrary(text); break;
      case 1: readPlaylists(text); break;
      case 2: readSettings(text); break;
      default: readLayout(text); break;
    }
  } catch (const profile::DataError&) {
    // A refusal with a message is the expected answer to bad input.
  }
  return 0;
}
