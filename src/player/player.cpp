// The stand-in host program for headless commands; see player.h.
#include "player/player.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <numeric>
#include <random>

#include "player/titleformat/titleformat.h"
#include "profile/data_error.h"
#include "profile/file_io.h"

namespace player {
namespace {

// The stored locations of the playlists, for matching them again.
std::vector<library::PlaylistRef> locations(const PlaylistSet& playlists) {
  std::vector<library::PlaylistRef> result;
  for (std::size_t p = 0; p < playlists.count(); ++p) {
    const Playlist& list = playlists.at(p);
    library::PlaylistRef& stored = result.emplace_back();
    stored.name = list.name;
    stored.items.reserve(list.items.size());
    for (std::size_t i = 0; i < list.items.size(); ++i) {
      stored.items.push_back({std::string(list.items[i]->path()), list.items[i]->subsong(), list.selected[i]});
    }
  }
  return result;
}

// The item playback starts from: the first selected one, else the first.
std::size_t startItem(const PlaylistSet& playlists, std::size_t playlist) {
  if (playlist == host::kNoPlaylist) return Player::kNoItem;
  const Playlist& list = playlists.at(playlist);
  if (list.items.empty()) return Player::kNoItem;
  for (std::size_t i = 0; i < list.selected.size(); ++i) {
    if (list.selected[i]) return i;
  }
  return 0;
}

}  // namespace

std::filesystem::path chooseLibraryPath(std::string_view option, const profile::SettingsStore& settings,
                                        const std::filesystem::path& demo) {
  if (!option.empty()) return std::filesystem::path(option);
  if (const char* library = std::getenv("VOSTREL_LIBRARY"); library != nullptr && library[0] != '\0') {
    return library;
  }
  if (const auto last = settings.lastLibrary(); last && !last->empty()) return *last;
  return demo;
}

Player::Player(profile::Profile profile, profile::SettingsStore settings, library::LibraryFile library)
    : profile_(std::move(profile)),
      settings_(std::move(settings)),
      library_(std::make_shared<const host::TrackList>(std::move(library.tracks))),
      messages_(&std::cerr),
      journal_([this](const EditStep& step) {
        const std::vector<PlayerListener*> listeners = listeners_;
        for (PlayerListener* listener : listeners) listener->editRecorded(step);
      }) {
  const std::filesystem::path file = profile_.playlistsFile();
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) {
    library::PlaylistsFile stored = library::loadPlaylistsFile(file);
    playlists_ = resolvePlaylists(std::move(stored.playlists), stored.active, stored.playing, TrackIndex(*library_));
  } else {
    playlists_ = resolvePlaylists(std::move(library.playlists), library.active_playlist, host::kNoPlaylist,
                                  TrackIndex(*library_));
    seeded_ = true;
  }
  playing_item_ = startItem(playlists_, playlists_.playing());
  shuffle_seed_ = std::random_device{}();
  sequence_.reset(parsePlaybackOrder(settings_.playbackOrder()).value_or(PlaybackOrder::kDefault), {}, 0, 0);
  layOutOrder();
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
  if (ui_ != nullptr) return ui_->consoleLine(text);
  message(text);
}
void Player::popupMessage(std::string_view message_text, std::string_view title) {
  ++error_reports_;
  if (ui_ != nullptr) return ui_->popupMessage(message_text, title);
  message(message_text);
}
void Player::messageBox(std::string_view message_text, std::string_view caption) {
  ++error_reports_;
  if (ui_ != nullptr) return ui_->messageBox(message_text, caption);
  message(message_text);
}
bool Player::askYesNo(std::string_view question, std::string_view caption) {
  return ui_ == nullptr || ui_->askYesNo(question, caption);
}

void Player::pumpEvents() {
  if (pump_hook_) pump_hook_();
  if (ui_ != nullptr) ui_->pumpEvents();
}

void Player::raise(host::PlaylistEvent event, std::size_t playlist, std::size_t first, std::size_t count) {
  switch (event) {
    case host::PlaylistEvent::kItemsAdded:
    case host::PlaylistEvent::kItemsRemoved:
    case host::PlaylistEvent::kItemsReordered:
    case host::PlaylistEvent::kItemsReplaced:
      if (playlist == playlists_.playing()) layOutOrder();
      break;
    default:
      break;
  }
  const PlaylistChange change{event, playlist, first, count};
  const std::vector<PlayerListener*> listeners = listeners_;
  for (PlayerListener* listener : listeners) listener->playlistChanged(change);
}

void Player::raisePlayback() {
  const std::vector<PlayerListener*> listeners = listeners_;
  for (PlayerListener* listener : listeners) listener->playbackChanged();
}

void Player::removeListener(PlayerListener* listener) { std::erase(listeners_, listener); }

std::size_t Player::createPlaylist(std::string_view name) {
  const std::size_t index = playlists_.create(name);
  journal_.record(edit(EditOp::kCreate, index));
  raise(host::PlaylistEvent::kPlaylistCreated, index);
  return index;
}

void Player::removeAllItems(std::size_t playlist) {
  const std::size_t count = playlists_.at(playlist).items.size();
  // Recorded even when empty, so that a clear and an insert read as a send.
  Edit cleared = edit(EditOp::kClear, playlist);
  if (!journal_.replaying()) {
    cleared.tracks = playlists_.at(playlist).items;
    cleared.selected = playlists_.at(playlist).selected;
    cleared.indexes.resize(count);
    std::iota(cleared.indexes.begin(), cleared.indexes.end(), std::size_t{0});
  }
  journal_.record(std::move(cleared));
  if (count == 0) return;
  raise(host::PlaylistEvent::kItemsRemoving, playlist, 0, count);
  playlists_.removeAllItems(playlist);
  if (playlist == playlists_.playing()) playing_item_ = kNoItem;
  raise(host::PlaylistEvent::kItemsRemoved, playlist, 0, count);
}

std::size_t Player::insertItems(std::size_t playlist, std::size_t position, const host::TrackList& tracks,
                                bool select) {
  const std::size_t count = playlists_.at(playlist).items.size();
  return insertTracks(playlist, position, tracks, select, position >= count ? EditOp::kAdd : EditOp::kInsert);
}

std::size_t Player::insertTracks(std::size_t playlist, std::size_t position, const host::TrackList& tracks,
                                 bool select, EditOp op) {
  const std::size_t first = playlists_.insertItems(playlist, position, tracks, select);
  if (tracks.empty()) return first;
  if (!journal_.replaying()) {
    Edit added = edit(op, playlist);
    added.first = first;
    added.tracks = tracks;
    added.selected.assign(tracks.size(), select);
    journal_.record(std::move(added));
  }
  if (playlist == playlists_.playing() && playing_item_ != kNoItem && playing_item_ >= first) {
    playing_item_ += tracks.size();
  }
  raise(host::PlaylistEvent::kItemsAdded, playlist, first, tracks.size());
  return first;
}

void Player::setActivePlaylist(std::size_t playlist) {
  if (playlist == playlists_.active()) return;
  playlists_.setActive(playlist);
  raise(host::PlaylistEvent::kPlaylistActivated, playlist);
}

void Player::startPlayback(std::size_t playlist) {
  playlists_.setPlaying(playlist);
  playing_item_ = startItem(playlists_, playlist);
  layOutOrder();
  raisePlayback();
}

void Player::playItem(std::size_t playlist, std::size_t item) {
  if (item >= playlists_.at(playlist).items.size()) {
    throw profile::DataError("No item " + std::to_string(item) + " in playlist \"" + playlists_.at(playlist).name +
                             "\"");
  }
  playlists_.setPlaying(playlist);
  playing_item_ = item;
  layOutOrder();
  raisePlayback();
}

void Player::playAt(std::size_t playlist, std::size_t item) {
  if (item == kNoItem) return stopPlayback();
  playing_item_ = item;
  playlists_.setPlaying(playlist);
  raisePlayback();
}

void Player::layOutOrder() {
  const std::size_t playlist = playlists_.playing();
  const host::TrackList empty;
  const host::TrackList& items = playlist == host::kNoPlaylist ? empty : playlists_.at(playlist).items;
  // A new draw each time, so that starting the same item again shuffles anew.
  sequence_.reset(sequence_.order(), items, playing_item_, shuffle_seed_++);
}

void Player::setPlaybackOrder(PlaybackOrder order) {
  settings_.setPlaybackOrder(playbackOrderName(order));
  if (order == sequence_.order()) return;
  sequence_.reset(order, {}, 0, 0);
  layOutOrder();
}

std::size_t Player::nextItem(Advance advance) const {
  if (playlists_.playing() == host::kNoPlaylist || playing_item_ == kNoItem) return kNoItem;
  return sequence_.next(playing_item_, advance);
}

std::size_t Player::previousItem() const {
  if (playlists_.playing() == host::kNoPlaylist || playing_item_ == kNoItem) return kNoItem;
  return sequence_.previous(playing_item_, Advance::kUser);
}

host::TrackHandle Player::playingTrack() const {
  if (run_track_ != nullptr) return run_track_;
  const std::size_t playlist = playlists_.playing();
  if (playlist == host::kNoPlaylist || playlist >= playlists_.count() || playing_item_ == kNoItem) return nullptr;
  const host::TrackList& items = playlists_.at(playlist).items;
  return playing_item_ < items.size() ? items[playing_item_] : nullptr;
}

host::TrackHandle Player::focusedTrack() const {
  return focus_playlist_ != host::kNoPlaylist && focus_playlist_ == playlists_.active() ? focus_track_ : nullptr;
}

void Player::setFocus(std::size_t playlist, std::size_t item) {
  host::TrackHandle track;
  if (playlist < playlists_.count() && item < playlists_.at(playlist).items.size()) {
    track = playlists_.at(playlist).items[item];
  }
  const std::size_t focus_playlist = track != nullptr ? playlist : host::kNoPlaylist;
  if (focus_playlist == focus_playlist_ && track == focus_track_) return;
  focus_playlist_ = focus_playlist;
  focus_track_ = std::move(track);
  raise(host::PlaylistEvent::kItemFocusChanged, playlist, item, 1);
}

void Player::playNext(Advance advance) {
  const std::size_t playlist = playlists_.playing();
  if (playlist == host::kNoPlaylist || playing_item_ == kNoItem) return;
  playAt(playlist, nextItem(advance));
}

void Player::playPrevious() {
  const std::size_t playlist = playlists_.playing();
  if (playlist == host::kNoPlaylist || playing_item_ == kNoItem) return;
  playAt(playlist, previousItem());
}

void Player::renamePlaylist(std::size_t playlist, std::string_view name) {
  Edit renamed = edit(EditOp::kRename, playlist);
  if (renamed.list_name == name) return;
  renamed.name = name;
  playlists_.rename(playlist, name);
  journal_.record(std::move(renamed));
  raise(host::PlaylistEvent::kPlaylistRenamed, playlist);
}

void Player::removePlaylist(std::size_t playlist) {
  playlists_.at(playlist);
  const bool was_playing = playlist == playlists_.playing();
  if (!journal_.replaying()) {
    Edit closed = edit(EditOp::kClose, playlist);
    closed.tracks = playlists_.at(playlist).items;
    closed.selected = playlists_.at(playlist).selected;
    closed.was_active = playlist == playlists_.active();
    journal_.record(std::move(closed));
  }
  raise(host::PlaylistEvent::kPlaylistsRemoving, playlist);
  playlists_.remove(playlist);
  raise(host::PlaylistEvent::kPlaylistsRemoved, playlist);
  if (was_playing) {
    playing_item_ = kNoItem;
    raisePlayback();
  }
}

void Player::movePlaylist(std::size_t from, std::size_t to) {
  playlists_.move(from, to);
  if (from == to) return;
  Edit moved = edit(EditOp::kMovePlaylist, to);
  moved.playlist = from;
  moved.first = to;
  journal_.record(std::move(moved));
  raise(host::PlaylistEvent::kPlaylistsReordered, to, from, 1);
}

void Player::removeItems(std::size_t playlist, std::vector<std::size_t> items) {
  removeItems(playlist, std::move(items), EditOp::kRemove);
}

void Player::removeItems(std::size_t playlist, std::vector<std::size_t> items, EditOp op) {
  // PlaylistSet checks every index before it changes anything.
  Edit removed = edit(op, playlist);
  Playlist taken;
  std::vector<std::size_t> gone =
      playlists_.removeItems(playlist, std::move(items), journal_.replaying() ? nullptr : &taken);
  if (gone.empty()) return;
  if (!journal_.replaying()) {
    removed.indexes = gone;
    removed.tracks = std::move(taken.items);
    removed.selected = std::move(taken.selected);
    journal_.record(std::move(removed));
  }
  if (playlist == playlists_.playing() && playing_item_ != kNoItem) {
    const auto before = std::lower_bound(gone.begin(), gone.end(), playing_item_);
    if (before != gone.end() && *before == playing_item_) {
      playing_item_ = kNoItem;
      playlists_.setPlaying(host::kNoPlaylist);
      raisePlayback();
    } else {
      playing_item_ -= static_cast<std::size_t>(before - gone.begin());
    }
  }
  // Contiguous ranges, highest first.
  std::size_t end = gone.size();
  while (end > 0) {
    std::size_t begin = end - 1;
    while (begin > 0 && gone[begin - 1] + 1 == gone[begin]) --begin;
    raise(host::PlaylistEvent::kItemsRemoved, playlist, gone[begin], end - begin);
    end = begin;
  }
}

void Player::setSelection(std::size_t playlist, std::vector<bool> selected) {
  const std::size_t count = selected.size();
  if (journal_.stepOpen() && !journal_.replaying() && count == playlists_.at(playlist).items.size()) {
    Edit changed = edit(EditOp::kSelect, playlist);
    changed.selected = playlists_.at(playlist).selected;
    changed.selected_after = selected;
    if (changed.selected != changed.selected_after) journal_.record(std::move(changed));
  }
  playlists_.setSelection(playlist, std::move(selected));
  raise(host::PlaylistEvent::kItemsSelectionChanged, playlist, 0, count);
}

host::TitleFormatScriptPtr Player::compileTitleFormat(std::string_view text, std::string* error) const {
  return titleformat::compile(text, error);
}

bool Player::formatTitle(const host::Track& track, const host::TitleFormatScript& script, std::string& out) const {
  return titleformat::format(static_cast<const titleformat::Script&>(script), track, out);
}

void Player::replaceLibrary(library::LibraryFile library) {
  host::TrackList tracks = std::move(library.tracks);
  PlaylistSet matched =
      resolvePlaylists(locations(playlists_), playlists_.active(), playlists_.playing(), TrackIndex(tracks));
  library_ = std::make_shared<const host::TrackList>(std::move(tracks));
  playlists_ = std::move(matched);
  const std::vector<PlayerListener*> listeners = listeners_;
  for (PlayerListener* listener : listeners) listener->libraryChanged(host::LibraryEvent::kItemsRemoved);
  for (PlayerListener* listener : listeners) listener->libraryChanged(host::LibraryEvent::kItemsAdded);
  for (std::size_t p = 0; p < playlists_.count(); ++p) {
    const std::size_t count = playlists_.at(p).items.size();
    if (count > 0) raise(host::PlaylistEvent::kItemsReplaced, p, 0, count);
  }
}

void Player::notifyTrackInfoChanged() {
  const std::vector<PlayerListener*> listeners = listeners_;
  for (PlayerListener* listener : listeners) listener->trackInfoChanged();
}

void Player::save() const {
  profile::writeFileAtomically(profile_.playlistsFile(), playlistsToJson(playlists_) + "\n");
}

std::string renderPlaylistsText(const Player& player) { return playlistsToText(player.playlists()); }
std::string renderPlaylistsJson(const Player& player) { return playlistsToJson(player.playlists()); }

}  // namespace player
