// The queue (the active playlist) and the stored playlists (the others).
#include <algorithm>
#include <numeric>
#include <ctime>
#include <random>

#include "mpd/browse.h"
#include "mpd/command_table.h"
#include "player/player.h"

namespace mpd {
namespace {

// The undo history names a client's change by its command.
std::string editLabel(const Call& call) { return "MPD client: " + call.request.command; }

const host::TrackList& queueItems(const Call& call) {
  static const host::TrackList kNone;
  const std::size_t queue = call.player.activePlaylist();
  return queue == host::kNoPlaylist ? kNone : call.player.playlists().at(queue).items;
}

// The range in the queue an argument names, checked against its length.
std::pair<std::size_t, std::size_t> queueRange(const Call& call, std::string_view text) {
  auto [start, end] = rangeArgument(text);
  const std::size_t size = queueItems(call).size();
  if (end == static_cast<std::size_t>(-1)) end = size;
  if (start > size || end > size || (start == size && end != start)) throw Ack(AckError::kArg, "Bad song index");
  return {start, end};
}

std::size_t idPosition(Call& call, std::string_view text) {
  const int64_t id = intArgument(text);
  const std::vector<uint32_t>& ids = call.dispatcher.queueIds();
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (ids[i] == id) return i;
  }
  throw Ack(AckError::kNoExist, "No such song");
}

void appendQueueItems(Call& call, std::size_t start, std::size_t end) {
  const host::TrackList& items = queueItems(call);
  const std::vector<uint32_t>& ids = call.dispatcher.queueIds();
  for (std::size_t i = start; i < end && i < items.size(); ++i) {
    appendSong(call.out, *items[i], call.client.tags);
    appendPair(call.out, "Pos", std::to_string(i));
    appendPair(call.out, "Id", std::to_string(ids[i]));
  }
}

// The stored playlist named `name`: a playlist other than the active one.
std::size_t storedPlaylist(const Call& call, std::string_view name) {
  for (std::size_t i = 0; i < call.player.playlistCount(); ++i) {
    if (i != call.player.activePlaylist() && call.player.playlistName(i) == name) return i;
  }
  throw Ack(AckError::kNoExist, "No such playlist");
}

bool playlistNamed(const Call& call, std::string_view name) {
  for (std::size_t i = 0; i < call.player.playlistCount(); ++i) {
    if (call.player.playlistName(i) == name) return true;
  }
  return false;
}

// Inserts into the queue at the position argument `index` (when given);
// returns the first inserted item's position.
std::size_t addTracks(Call& call, const host::TrackList& tracks, std::size_t index) {
  const std::size_t size = queueItems(call).size();
  std::size_t position = size;
  if (call.argCount() > index) {
    const std::string& text = call.arg(index);
    const int64_t value = intArgument(text);
    // "+N" and "-N" are relative to the playing item.
    if (text.front() == '+' || text.front() == '-') {
      const std::size_t playing = call.player.playingPlaylist() == call.player.activePlaylist()
                                      ? call.player.playingItem()
                                      : player::Player::kNoItem;
      if (playing == player::Player::kNoItem) throw Ack(AckError::kArg, "No current song");
      position = static_cast<std::size_t>(std::max<int64_t>(0, static_cast<int64_t>(playing) + value + 1));
    } else {
      position = static_cast<std::size_t>(value);
    }
    if (value < 0 && text.front() != '-') throw Ack(AckError::kArg, "Bad song index");
    if (position > size) throw Ack(AckError::kArg, "Bad song index");
  }
  if (tracks.empty()) return position;
  const player::EditScope scope(call.player, editLabel(call));
  const std::size_t queue = queuePlaylist(call.player, true);
  return call.player.insertItems(queue, position, tracks, false);
}

}  // namespace

void handlePlaylistInfo(Call& call) {
  std::size_t start = 0;
  std::size_t end = queueItems(call).size();
  if (call.argCount() == 1) {
    std::tie(start, end) = queueRange(call, call.arg(0));
  }
  appendQueueItems(call, start, end);
}

void handlePlaylistId(Call& call) {
  if (call.argCount() == 0) {
    appendQueueItems(call, 0, queueItems(call).size());
    return;
  }
  const std::size_t position = idPosition(call, call.arg(0));
  appendQueueItems(call, position, position + 1);
}

// The queue does not keep a version per item: every item counts as changed
// since any older version, which clients take as a reload.
void handlePlChanges(Call& call) {
  const int64_t version = intArgument(call.arg(0));
  if (version == call.dispatcher.queueVersion()) return;
  std::size_t start = 0;
  std::size_t end = queueItems(call).size();
  if (call.argCount() == 2) std::tie(start, end) = queueRange(call, call.arg(1));
  appendQueueItems(call, start, end);
}

void handlePlChangesPosId(Call& call) {
  const int64_t version = intArgument(call.arg(0));
  if (version == call.dispatcher.queueVersion()) return;
  const std::vector<uint32_t>& ids = call.dispatcher.queueIds();
  for (std::size_t i = 0; i < ids.size(); ++i) {
    appendPair(call.out, "cpos", std::to_string(i));
    appendPair(call.out, "Id", std::to_string(ids[i]));
  }
}

void handleAdd(Call& call) { addTracks(call, call.browser.tracks(call.arg(0)), 1); }

void handleAddId(Call& call) {
  const host::TrackList tracks = call.browser.tracks(call.arg(0));
  if (tracks.size() != 1) throw Ack(AckError::kNoExist, "addid takes one song, not a directory");
  const std::size_t position = addTracks(call, tracks, 1);
  appendPair(call.out, "Id", std::to_string(call.dispatcher.queueIds().at(position)));
}

void handleClear(Call& call) {
  const std::size_t queue = call.player.activePlaylist();
  if (queue == host::kNoPlaylist || call.player.playlistItemCount(queue) == 0) return;
  const player::EditScope scope(call.player, editLabel(call));
  call.player.removeAllItems(queue);
}

void handleDelete(Call& call) {
  const auto [start, end] = queueRange(call, call.arg(0));
  if (start == end) return;
  std::vector<std::size_t> items(end - start);
  std::iota(items.begin(), items.end(), start);
  const player::EditScope scope(call.player, editLabel(call));
  call.player.removeItems(call.player.activePlaylist(), std::move(items));
}

void handleDeleteId(Call& call) {
  const std::size_t position = idPosition(call, call.arg(0));
  const player::EditScope scope(call.player, editLabel(call));
  call.player.removeItems(call.player.activePlaylist(), {position});
}

namespace {

// Moves the items [start, end) so that the first of them ends at `to`.
void moveRange(Call& call, std::size_t start, std::size_t end, int64_t to) {
  const std::size_t size = queueItems(call).size();
  const std::size_t count = end - start;
  if (to < 0 || static_cast<std::size_t>(to) + count > size) throw Ack(AckError::kArg, "Bad song index");
  if (count == 0 || static_cast<std::size_t>(to) == start) return;
  std::vector<std::size_t> items(count);
  std::iota(items.begin(), items.end(), start);
  // moveItems puts them before the item that was at `before`: past the
  // range when moving down.
  const std::size_t target = static_cast<std::size_t>(to);
  const std::size_t before = target > start ? target + count : target;
  const player::EditScope scope(call.player, editLabel(call));
  call.player.moveItems(call.player.activePlaylist(), std::move(items), before);
}

}  // namespace

void handleMove(Call& call) {
  const auto [start, end] = queueRange(call, call.arg(0));
  moveRange(call, start, end, intArgument(call.arg(1)));
}

void handleMoveId(Call& call) {
  const std::size_t position = idPosition(call, call.arg(0));
  moveRange(call, position, position + 1, intArgument(call.arg(1)));
}

void handleShuffle(Call& call) {
  std::size_t start = 0;
  std::size_t end = queueItems(call).size();
  if (call.argCount() == 1) std::tie(start, end) = queueRange(call, call.arg(0));
  if (end - start < 2) return;
  // A sort by random keys: one undoable step, as the window's sorts are.
  const std::size_t size = queueItems(call).size();
  std::vector<std::size_t> order(end - start);
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), std::mt19937(std::random_device{}()));
  std::vector<std::string> keys(size);
  const std::size_t width = std::to_string(size).size();
  const auto key = [width](std::size_t rank) {
    std::string text = std::to_string(rank);
    return std::string(width - text.size(), '0') + text;
  };
  for (std::size_t i = 0; i < size; ++i) keys[i] = key(i);
  for (std::size_t i = start; i < end; ++i) keys[i] = key(start + order[i - start]);
  const player::EditScope scope(call.player, editLabel(call));
  call.player.sortItems(call.player.activePlaylist(), keys, false, "random order");
}

void handleListPlaylists(Call& call) {
  for (std::size_t i = 0; i < call.player.playlistCount(); ++i) {
    if (i == call.player.activePlaylist()) continue;
    appendPair(call.out, "playlist", call.player.playlistName(i));
    appendPair(call.out, "Last-Modified", isoTime(std::time(nullptr)));
  }
}

void handleListPlaylist(Call& call) {
  for (const host::TrackHandle& track : call.player.playlists().at(storedPlaylist(call, call.arg(0))).items) {
    appendPair(call.out, "file", trackUri(*track));
  }
}

void handleListPlaylistInfo(Call& call) {
  for (const host::TrackHandle& track : call.player.playlists().at(storedPlaylist(call, call.arg(0))).items) {
    appendSong(call.out, *track, call.client.tags);
  }
}

void handleLoad(Call& call) {
  const host::TrackList& items = call.player.playlists().at(storedPlaylist(call, call.arg(0))).items;
  std::size_t start = 0;
  std::size_t end = items.size();
  if (call.argCount() >= 2) {
    std::tie(start, end) = rangeArgument(call.arg(1));
    end = std::min(end, items.size());
    if (start > end) throw Ack(AckError::kArg, "Bad song index");
  }
  const host::TrackList tracks(items.begin() + static_cast<std::ptrdiff_t>(start),
                               items.begin() + static_cast<std::ptrdiff_t>(end));
  addTracks(call, tracks, 2);
}

void handleSave(Call& call) {
  const std::string& name = call.arg(0);
  if (call.argCount() == 2 && call.arg(1) != "create") {
    throw Ack(AckError::kArg, "only the mode \"create\" is supported");
  }
  if (name.empty()) throw Ack(AckError::kArg, "Invalid playlist name");
  if (playlistNamed(call, name)) throw Ack(AckError::kExist, "Playlist already exists");
  const host::TrackList tracks = queueItems(call);
  const player::EditScope scope(call.player, editLabel(call));
  const std::size_t playlist = call.player.createPlaylist(name);
  if (!tracks.empty()) call.player.insertItems(playlist, 0, tracks, false);
}

void handleRm(Call& call) {
  const std::size_t playlist = storedPlaylist(call, call.arg(0));
  const player::EditScope scope(call.player, editLabel(call));
  call.player.removePlaylist(playlist);
}

void handleRename(Call& call) {
  const std::size_t playlist = storedPlaylist(call, call.arg(0));
  if (call.arg(1).empty()) throw Ack(AckError::kArg, "Invalid playlist name");
  if (playlistNamed(call, call.arg(1))) throw Ack(AckError::kExist, "Playlist already exists");
  const player::EditScope scope(call.player, editLabel(call));
  call.player.renamePlaylist(playlist, call.arg(1));
}

}  // namespace mpd
