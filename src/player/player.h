// Player: the stand-in host program as the component sees it, for the
// headless commands (and as the model under the desktop program's windows).
//
//   Profile profile = Profile::open(profile_option);
//   SettingsStore settings(profile.settingsFile());
//   LibraryFile library = loadLibraryFile(chooseLibraryPath(library_option, settings, demo));
//   Player player(std::move(profile), std::move(settings), std::move(library));
//   ... component work through the host::Host interface ...
//   player.save();   // playlists.json, when the command changed playlists
//
// Console lines, popup messages and message boxes go to the message stream
// (stderr unless told otherwise), one entry each, as written plus a line
// feed. Questions are answered yes. pumpEvents only runs the pump hook, which
// a command uses to interrupt a statement on Ctrl+C.
#ifndef VOSTREL_PLAYER_PLAYER_H_
#define VOSTREL_PLAYER_PLAYER_H_

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "host/host.h"
#include "player/library_file.h"
#include "player/playlists.h"
#include "player/profile.h"
#include "player/settings_store.h"

namespace player {

// The library file of a run: `option` (--library) when given, else
// $VOSTREL_LIBRARY, else the library last chosen in the desktop program,
// else `demo`.
std::filesystem::path chooseLibraryPath(std::string_view option, const SettingsStore& settings,
                                        const std::filesystem::path& demo);

class Player final : public host::Host {
 public:
  // Takes the library and reads the profile's playlists, matching their
  // items against the library. A profile without playlists.json gets the
  // library file's playlists instead (see playlistsSeeded). Throws
  // PlayerError for an unreadable or malformed playlists.json.
  Player(Profile profile, SettingsStore settings, LibraryFile library);
  ~Player() override;

  // The library's memory is left to the system when this player goes: a
  // command's process ends right after, and freeing a million tracks one
  // handle at a time would only delay that. Builds with the address
  // sanitizer free it anyway, so that leak checks see everything freed.
  void keepLibraryAtExit() { keep_library_ = true; }

  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // host::Host
  std::string profileFolder() const override { return profile_.hostFolder(); }
  host::FileStats fileStats(std::string_view path) const override { return statFile(path); }
  void consoleLine(std::string_view text) override;
  void popupMessage(std::string_view message, std::string_view title) override;
  void messageBox(std::string_view message, std::string_view caption) override;
  bool askYesNo(std::string_view question, std::string_view caption) override;
  void pumpEvents() override;
  host::AdvancedSettings advancedSettings() const override { return settings_.settings(); }
  host::TrackListPtr libraryTracks() const override { return library_; }
  std::size_t libraryTrackCount() const override { return library_->size(); }
  std::size_t playlistCount() const override { return playlists_.count(); }
  std::string playlistName(std::size_t playlist) const override { return playlists_.at(playlist).name; }
  host::TrackList playlistItems(std::size_t playlist) const override { return playlists_.at(playlist).items; }
  std::size_t playlistItemCount(std::size_t playlist) const override {
    return playlists_.at(playlist).items.size();
  }
  std::size_t activePlaylist() const override { return playlists_.active(); }
  std::size_t playingPlaylist() const override { return playlists_.playing(); }
  std::size_t createPlaylist(std::string_view name) override { return playlists_.create(name); }
  std::size_t insertionPoint(std::size_t playlist) const override { return playlists_.insertionPoint(playlist); }
  void removeAllItems(std::size_t playlist) override { playlists_.removeAllItems(playlist); }
  std::size_t insertItems(std::size_t playlist, std::size_t position, const host::TrackList& tracks,
                          bool select) override {
    return playlists_.insertItems(playlist, position, tracks, select);
  }
  void setActivePlaylist(std::size_t playlist) override { playlists_.setActive(playlist); }
  // Plays `playlist` (there is no audio: it becomes the playing one);
  // kNoPlaylist stops playback.
  void startPlayback(std::size_t playlist) override { playlists_.setPlaying(playlist); }
  host::TitleFormatScriptPtr compileTitleFormat(std::string_view text, std::string* error) const override;
  bool formatTitle(const host::Track& track, const host::TitleFormatScript& script,
                   std::string& out) const override;


  const Profile& profile() const { return profile_; }
  SettingsStore& settings() { return settings_; }
  const SettingsStore& settings() const { return settings_; }
  PlaylistSet& playlists() { return playlists_; }
  const PlaylistSet& playlists() const { return playlists_; }
  const host::TrackList& library() const { return *library_; }

  // Replaces the library; playlist items are matched against the new one
  // (items it lacks keep their location and lose their info).
  void replaceLibrary(LibraryFile library);

  // True when the playlists came from the library file because the profile
  // had none yet; they are stored with the next save().
  bool playlistsSeeded() const { return seeded_; }

  // Writes playlists.json atomically.
  void save() const;

  // Runs `hook` from every pumpEvents() call (empty: nothing).
  void setPumpHook(std::function<void()> hook) { pump_hook_ = std::move(hook); }
  // How many errors were reported so far: popups, message boxes and framed
  // console entries. A command compares it before and after its work.
  std::size_t errorReports() const { return error_reports_; }
  // Where console lines and messages go; `stream` must outlive the player.
  void setMessageStream(std::ostream& stream) { messages_ = &stream; }

 private:
  void message(std::string_view text);

  Profile profile_;
  SettingsStore settings_;
  host::TrackListPtr library_;
  bool keep_library_ = false;
  PlaylistSet playlists_;
  bool seeded_ = false;
  std::size_t error_reports_ = 0;
  std::function<void()> pump_hook_;
  std::ostream* messages_;
};

// The `playlists` command's listings of the player's playlists; the JSON
// one is also the content of playlists.json (see playlists.h).
std::string renderPlaylistsText(const Player& player);
std::string renderPlaylistsJson(const Player& player);

}  // namespace player

#endif  // VOSTREL_PLAYER_PLAYER_H_
