// The stand-in host program for headless commands; see player.h.
#include "player/player.h"

#include <cstdlib>
#include <iostream>

#include "player/file_io.h"
#include "player/titleformat/titleformat.h"

namespace player {
namespace {

// The stored locations of the playlists, for matching them again.
std::vector<PlaylistRef> locations(const PlaylistSet& playlists) {
  std::vector<PlaylistRef> result;
  for (std::size_t p = 0; p < playlists.count(); ++p) {
    const Playlist& list = playlists.at(p);
    PlaylistRef& stored = result.emplace_back();
    stored.name = list.name;
    stored.items.reserve(list.items.size());
    for (std::size_t i = 0; i < list.items.size(); ++i) {
      stored.items.push_back({std::string(list.items[i]->path()), list.items[i]->subsong(), list.selected[i]});
    }
  }
  return result;
}

}  // namespace

std::filesystem::path chooseLibraryPath(std::string_view option, const SettingsStore& settings,
                                        const std::filesystem::path& demo) {
  if (!option.empty()) return std::filesystem::path(option);
  if (const char* library = std::getenv("VOSTREL_LIBRARY"); library != nullptr && library[0] != '\0') {
    return library;
  }
  if (const auto last = settings.lastLibrary(); last && !last->empty()) return *last;
  return demo;
}

Player::Player(Profile profile, SettingsStore settings, LibraryFile library)
    : profile_(std::move(profile)),
      settings_(std::move(settings)),
      library_(std::make_shared<const host::TrackList>(std::move(library.tracks))),
      messages_(&std::cerr) {
  const std::filesystem::path file = profile_.playlistsFile();
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) {
    PlaylistsFile stored = loadPlaylistsFile(file);
    playlists_ = resolvePlaylists(std::move(stored.playlists), stored.active, stored.playing, TrackIndex(*library_));
  } else {
    playlists_ = resolvePlaylists(std::move(library.playlists), library.active_playlist, host::kNoPlaylist,
                                  TrackIndex(*library_));
    seeded_ = true;
  }
}

// Builds checked for leaks free everything.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLeakChecked = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kLeakChecked = true;
#else
constexpr bool kLeakChecked = false;
#endif
#else
constexpr bool kLeakChecked = false;
#endif

Player::~Player() {
  if (keep_library_ && !kLeakChecked) {
    // Never deleted, on purpose (see keepLibraryAtExit).
    new host::TrackListPtr(std::move(library_));
  }
}

void Player::message(std::string_view text) {
  *messages_ << text << '\n';
  messages_->flush();
}

void Player::consoleLine(std::string_view text) {
  // The framed form reports an error; plain lines are notices and timings.
  if (text.find("]\n>>>>") != std::string_view::npos) ++error_reports_;
  message(text);
}
void Player::popupMessage(std::string_view message_text, std::string_view) {
  ++error_reports_;
  message(message_text);
}
void Player::messageBox(std::string_view message_text, std::string_view) {
  ++error_reports_;
  message(message_text);
}
bool Player::askYesNo(std::string_view, std::string_view) { return true; }

void Player::pumpEvents() {
  if (pump_hook_) pump_hook_();
}

host::TitleFormatScriptPtr Player::compileTitleFormat(std::string_view text, std::string* error) const {
  return titleformat::compile(text, error);
}

bool Player::formatTitle(const host::Track& track, const host::TitleFormatScript& script, std::string& out) const {
  return titleformat::format(static_cast<const titleformat::Script&>(script), track, out);
}

void Player::replaceLibrary(LibraryFile library) {
  host::TrackList tracks = std::move(library.tracks);
  PlaylistSet matched =
      resolvePlaylists(locations(playlists_), playlists_.active(), playlists_.playing(), TrackIndex(tracks));
  library_ = std::make_shared<const host::TrackList>(std::move(tracks));
  playlists_ = std::move(matched);
}

void Player::save() const { writeFileAtomically(profile_.playlistsFile(), playlistsToJson(playlists_) + "\n"); }

std::string renderPlaylistsText(const Player& player) { return playlistsToText(player.playlists()); }
std::string renderPlaylistsJson(const Player& player) { return playlistsToJson(player.playlists()); }

}  // namespace player
