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
#include <vector>

#include "host/host.h"
#include "library/library_file.h"
#include "player/edit_journal.h"
#include "player/playback_order.h"
#include "player/player_events.h"
#include "player/playlists.h"
#include "profile/profile.h"
#include "profile/settings_store.h"

namespace player {

// The library file of a run: `option` (--library) when given, else
// $VOSTREL_LIBRARY, else the library last chosen in the desktop program,
// else `demo`.
std::filesystem::path chooseLibraryPath(std::string_view option, const profile::SettingsStore& settings,
                                        const std::filesystem::path& demo);

class Player final : public host::Host {
 public:
  // Takes the library and reads the profile's playlists, matching their
  // items against the library. A profile without playlists.json gets the
  // library file's playlists instead (see playlistsSeeded). Throws
  // DataError for an unreadable or malformed playlists.json.
  Player(profile::Profile profile, profile::SettingsStore settings, library::LibraryFile library);
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
  host::FileStats fileStats(std::string_view path) const override { return profile::statFile(path); }
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
  // The changing calls raise the matching playlist events.
  std::size_t createPlaylist(std::string_view name) override;
  std::size_t insertionPoint(std::size_t playlist) const override { return playlists_.insertionPoint(playlist); }
  void removeAllItems(std::size_t playlist) override;
  std::size_t insertItems(std::size_t playlist, std::size_t position, const host::TrackList& tracks,
                          bool select) override;
  void setActivePlaylist(std::size_t playlist) override;
  // Plays `playlist` from its first selected item, else its first item
  // (there is no audio: it becomes the playing one); kNoPlaylist stops.
  void startPlayback(std::size_t playlist) override;
  // The run's track when one was given, else the playing item.
  host::TrackHandle playingTrack() const override;
  // The item setFocus() last named, while its playlist is the active one.
  host::TrackHandle focusedTrack() const override;
  host::TitleFormatScriptPtr compileTitleFormat(std::string_view text, std::string* error) const override;
  bool formatTitle(const host::Track& track, const host::TitleFormatScript& script,
                   std::string& out) const override;


  const profile::Profile& profile() const { return profile_; }
  profile::SettingsStore& settings() { return settings_; }
  const profile::SettingsStore& settings() const { return settings_; }
  // Changing the set directly raises no events and is not recorded for
  // undo; the desktop uses the calls below.
  PlaylistSet& playlists() { return playlists_; }
  const PlaylistSet& playlists() const { return playlists_; }
  const host::TrackList& library() const { return *library_; }

  // Replaces the library; playlist items are matched against the new one
  // (items it lacks keep their location and lose their info). Raises the
  // library's removed and added events and kItemsReplaced for every
  // playlist with items.
  void replaceLibrary(library::LibraryFile library);

  // Tells the listeners that tracks' information was read anew (a rescan
  // reread changed files).
  void notifyTrackInfoChanged();

  // Playlist editing as the user does it; each raises its playlist events
  // and is recorded in the undo history, as are the host's changing calls.
  void renamePlaylist(std::size_t playlist, std::string_view name);
  void removePlaylist(std::size_t playlist);
  void movePlaylist(std::size_t from, std::size_t to);
  void removeItems(std::size_t playlist, std::vector<std::size_t> items);
  // Removes every item but those at `keep` (each valid); nothing when
  // `keep` is empty.
  void cropItems(std::size_t playlist, std::vector<std::size_t> keep);
  // See PlaylistSet::moveItems. Within one playlist.
  void moveItems(std::size_t playlist, std::vector<std::size_t> items, std::size_t before);
  // Copies the items at `items` of `source` (in their order) before item
  // `before` of `target` (clamped to its end); returns the first copy's index.
  std::size_t copyItems(std::size_t source, std::vector<std::size_t> items, std::size_t target, std::size_t before,
                        bool select);
  // Moves them to another playlist: a copy, then a removal, as one step.
  void moveItemsTo(std::size_t source, std::vector<std::size_t> items, std::size_t target, std::size_t before);
  // Replaces the items with `tracks` (a send), as one step.
  void replaceItems(std::size_t playlist, const host::TrackList& tracks, bool select);
  // Sorts the items stably by `keys` (one per item, what the caller shows
  // for them) in the natural, case-insensitive order of text; descending
  // reverses it, keeping equal keys in their order. `by` names the sort
  // ("Title") in the undo history. Raises kItemsReordered when the order
  // changed. Throws DataError when the keys do not match the items.
  void sortItems(std::size_t playlist, const std::vector<std::string>& keys, bool descending, std::string_view by);
  // Recorded in the undo history only as part of a step other changes make.
  void setSelection(std::size_t playlist, std::vector<bool> selected);

  // The undo history (see edit_journal.h). beginEdit/endEdit (or an
  // EditScope) make the changes between them one step.
  void beginEdit(std::string_view label = {}) { journal_.begin(label); }
  void endEdit() { journal_.end(); }
  EditJournal& journal() { return journal_; }
  const EditJournal& journal() const { return journal_; }
  // Undoes the last step, or redoes the last undone one, through the calls
  // above (raising their events, not recording them). False when there is
  // none, or while a scope is open. A step that no longer fits the
  // playlists clears the history, says so in the console and returns false.
  bool undo();
  bool redo();

  // Playback: the playing item of the playing playlist (kNoItem when
  // stopped). Kept in memory only.
  static constexpr std::size_t kNoItem = static_cast<std::size_t>(-1);
  std::size_t playingItem() const { return playing_item_; }
  // REQUIRES: `item` names an item of `playlist`.
  void playItem(std::size_t playlist, std::size_t item);
  void stopPlayback() { startPlayback(host::kNoPlaylist); }
  // The next or previous item of the playing playlist in the playback
  // order; stops where the order ends. Does nothing while stopped.
  void playNext(Advance advance = Advance::kUser);
  void playPrevious();
  // Where playNext and playPrevious would go; kNoItem where they stop.
  std::size_t nextItem(Advance advance = Advance::kUser) const;
  std::size_t previousItem() const;

  // The playback order, read from the settings at first. Changing it lays
  // the order out anew from the playing item and stores it in the settings
  // (saved with them); what plays goes on playing. A shuffle is laid out
  // anew, from the playing item, whenever the playing playlist's items
  // change and whenever the user starts an item.
  PlaybackOrder playbackOrder() const { return sequence_.order(); }
  void setPlaybackOrder(PlaybackOrder order);
  // Fixes the shuffles' random draws (tests); otherwise they are seeded from
  // the system's random source.
  void setShuffleSeed(uint32_t seed) { shuffle_seed_ = seed; }

  // The track a command run treats as playing (`--playing`), in place of
  // the playing item; nullptr gives the playing item back.
  void setRunTrack(host::TrackHandle track) { run_track_ = std::move(track); }

  // The focused item of `playlist` (the row the keyboard stands on in its
  // view; kNoItem for none). Kept in memory only; raises kItemFocusChanged
  // when the focused track changes.
  void setFocus(std::size_t playlist, std::size_t item);

  // Listeners are told about changes in the order they were added; they
  // must be removed before they are destroyed.
  void addListener(PlayerListener* listener) { listeners_.push_back(listener); }
  void removeListener(PlayerListener* listener);
  // Where messages go in a program with windows (nullptr: the stream).
  void setUi(PlayerUi* ui) { ui_ = ui; }

  // True when the playlists came from the library file because the profile
  // had none yet; they are stored with the next save().
  bool playlistsSeeded() const { return seeded_; }

  // Writes playlists.json atomically.
  void save() const;

  // Runs `hook` from every pumpEvents() call (empty: nothing).
  void setPumpHook(std::function<void()> hook) { pump_hook_ = std::move(hook); }
  const std::function<void()>& pumpHook() const { return pump_hook_; }
  // How many errors were reported so far: popups, message boxes and framed
  // console entries. A command compares it before and after its work.
  std::size_t errorReports() const { return error_reports_; }
  // Where console lines and messages go; `stream` must outlive the player.
  void setMessageStream(std::ostream& stream) { messages_ = &stream; }

 private:
  void message(std::string_view text);
  void removeItems(std::size_t playlist, std::vector<std::size_t> items, EditOp op);
  bool replay(bool undo);
  void apply(const Edit& edit, bool undo);
  void restorePlaylist(std::size_t index, Playlist playlist);
  void restoreItems(const Edit& edit);
  std::size_t insertTracks(std::size_t playlist, std::size_t position, const host::TrackList& tracks, bool select,
                           EditOp op);
  void permuteItems(std::size_t playlist, std::size_t first, const std::vector<uint32_t>& order);
  Edit edit(EditOp op, std::size_t playlist) const;
  void raise(host::PlaylistEvent event, std::size_t playlist, std::size_t first = 0, std::size_t count = 0);
  void raisePlayback();
  // Lays the playback order out over the playing playlist, starting at the
  // playing item.
  void layOutOrder();
  void playAt(std::size_t playlist, std::size_t item);

  profile::Profile profile_;
  profile::SettingsStore settings_;
  host::TrackListPtr library_;
  bool keep_library_ = false;
  PlaylistSet playlists_;
  bool seeded_ = false;
  std::size_t error_reports_ = 0;
  std::size_t playing_item_ = kNoItem;
  PlaybackSequence sequence_;
  uint32_t shuffle_seed_;
  host::TrackHandle run_track_;
  std::size_t focus_playlist_ = host::kNoPlaylist;
  host::TrackHandle focus_track_;
  std::function<void()> pump_hook_;
  std::ostream* messages_;
  PlayerUi* ui_ = nullptr;
  std::vector<PlayerListener*> listeners_;
  EditJournal journal_;
};

// Makes the player's changes while it lives one step of the undo history.
class EditScope {
 public:
  explicit EditScope(Player& player, std::string_view label = {}) : player_(player) { player_.beginEdit(label); }
  ~EditScope() { player_.endEdit(); }
  EditScope(const EditScope&) = delete;
  EditScope& operator=(const EditScope&) = delete;

 private:
  Player& player_;
};

// The `playlists` command's listings of the player's playlists; the JSON
// one is also the content of playlists.json (see playlists.h).
std::string renderPlaylistsText(const Player& player);
std::string renderPlaylistsJson(const Player& player);

}  // namespace player

#endif  // VOSTREL_PLAYER_PLAYER_H_
