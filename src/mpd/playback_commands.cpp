// Status and playback commands.
#include <cstdio>
#include <set>

#include "mpd/command_table.h"
#include "mpd/playback.h"
#include "player/player.h"

namespace mpd {
namespace {

using player::PlaybackOrder;

// The queue's playing item, or kNoItem when what plays (if anything) is not
// in the queue.
std::size_t currentItem(const player::Player& player) {
  if (player.playingPlaylist() == host::kNoPlaylist || player.playingPlaylist() != player.activePlaylist()) {
    return player::Player::kNoItem;
  }
  return player.playingItem();
}

std::string seconds(int64_t milliseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(milliseconds) / 1000.0);
  return text;
}

void requirePlayback(const Call& call) {
  if (!call.playback.available()) {
    throw Ack(AckError::kSystem, "playback is not available: " + call.playback.unavailableReason());
  }
}

std::size_t queueItem(const Call& call, int64_t position) {
  const std::size_t queue = call.player.activePlaylist();
  if (queue == host::kNoPlaylist || position < 0 ||
      static_cast<std::size_t>(position) >= call.player.playlistItemCount(queue)) {
    throw Ack(AckError::kArg, "Bad song index");
  }
  return static_cast<std::size_t>(position);
}

void appendOptions(const Call& call) {
  const PlaybackOrder order = call.playback.order();
  const bool random = order == PlaybackOrder::kShuffleTracks || order == PlaybackOrder::kShuffleAlbums;
  const bool repeat = order == PlaybackOrder::kRepeatPlaylist || order == PlaybackOrder::kRepeatTrack;
  appendPair(call.out, "repeat", repeat ? "1" : "0");
  appendPair(call.out, "random", random ? "1" : "0");
  appendPair(call.out, "single", order == PlaybackOrder::kRepeatTrack ? "1" : "0");
  appendPair(call.out, "consume", "0");
}

}  // namespace

void handleStatus(Call& call) {
  appendPair(call.out, "volume", std::to_string(call.playback.volume()));
  appendOptions(call);
  const std::size_t queue = call.player.activePlaylist();
  appendPair(call.out, "playlist", std::to_string(call.dispatcher.queueVersion()));
  appendPair(call.out, "playlistlength",
             std::to_string(queue == host::kNoPlaylist ? 0 : call.player.playlistItemCount(queue)));
  const Playback::State state = call.playback.state();
  appendPair(call.out, "state",
             state == Playback::State::kPlaying ? "play" : (state == Playback::State::kPaused ? "pause" : "stop"));
  const std::size_t item = currentItem(call.player);
  const std::vector<uint32_t>& ids = call.dispatcher.queueIds();
  if (item != player::Player::kNoItem && item < ids.size()) {
    appendPair(call.out, "song", std::to_string(item));
    appendPair(call.out, "songid", std::to_string(ids[item]));
    const std::size_t next = call.player.nextItem();
    if (next != player::Player::kNoItem && next < ids.size()) {
      appendPair(call.out, "nextsong", std::to_string(next));
      appendPair(call.out, "nextsongid", std::to_string(ids[next]));
    }
  }
  if (state != Playback::State::kStopped) {
    const int64_t position = call.playback.position();
    const int64_t duration = call.playback.duration();
    appendPair(call.out, "time", std::to_string(position / 1000) + ":" + std::to_string(duration / 1000));
    appendPair(call.out, "elapsed", seconds(position));
    appendPair(call.out, "duration", seconds(duration));
  }
  if (!call.playback.available()) appendPair(call.out, "error", "no audio: " + call.playback.unavailableReason());
}

void handleStats(Call& call) {
  const host::TrackList& library = call.player.library();
  std::set<std::string_view> artists;
  std::set<std::pair<std::string_view, std::string_view>> albums;
  double playtime = 0;
  for (const host::TrackHandle& track : library) {
    const std::string_view artist = tagValue(*track, 0);
    if (!artist.empty()) artists.insert(artist);
    const std::string_view album = tagValue(*track, 2);
    if (!album.empty()) albums.emplace(tagValue(*track, 1).empty() ? artist : tagValue(*track, 1), album);
    playtime += track->length();
  }
  appendPair(call.out, "artists", std::to_string(artists.size()));
  appendPair(call.out, "albums", std::to_string(albums.size()));
  appendPair(call.out, "songs", std::to_string(library.size()));
  appendPair(call.out, "uptime", std::to_string(call.dispatcher.uptime()));
  appendPair(call.out, "db_playtime", std::to_string(static_cast<int64_t>(playtime)));
  appendPair(call.out, "playtime", "0");
}

void handleCurrentSong(Call& call) {
  const std::size_t item = currentItem(call.player);
  if (item == player::Player::kNoItem) return;
  const std::vector<uint32_t>& ids = call.dispatcher.queueIds();
  const host::TrackList& items = call.player.playlists().at(call.player.activePlaylist()).items;
  if (item >= items.size() || item >= ids.size()) return;
  appendSong(call.out, *items[item], call.client.tags);
  appendPair(call.out, "Pos", std::to_string(item));
  appendPair(call.out, "Id", std::to_string(ids[item]));
}

void handlePlay(Call& call) {
  requirePlayback(call);
  const std::size_t queue = call.player.activePlaylist();
  if (call.argCount() == 1 && intArgument(call.arg(0)) >= 0) {
    call.player.playItem(queue, queueItem(call, intArgument(call.arg(0))));
    return;
  }
  if (call.playback.state() == Playback::State::kPaused) {
    call.playback.play();
  } else if (call.playback.state() == Playback::State::kStopped) {
    if (queue == host::kNoPlaylist || call.player.playlistItemCount(queue) == 0) return;
    call.player.startPlayback(queue);
  }
}

void handlePlayId(Call& call) {
  if (call.argCount() == 0 || intArgument(call.arg(0)) < 0) {
    handlePlay(call);
    return;
  }
  requirePlayback(call);
  const int64_t id = intArgument(call.arg(0));
  const std::vector<uint32_t>& ids = call.dispatcher.queueIds();
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (ids[i] == id) {
      call.player.playItem(call.player.activePlaylist(), i);
      return;
    }
  }
  throw Ack(AckError::kNoExist, "No such song");
}

void handlePause(Call& call) {
  const Playback::State state = call.playback.state();
  const bool pause = call.argCount() == 1 ? boolArgument(call.arg(0)) : state == Playback::State::kPlaying;
  if (pause && state == Playback::State::kPlaying) call.playback.pause();
  if (!pause && state == Playback::State::kPaused) call.playback.play();
}

void handleStop(Call& call) { call.player.stopPlayback(); }

void handleNext(Call& call) { call.player.playNext(); }

void handlePrevious(Call& call) { call.player.playPrevious(); }

void handleSeekCur(Call& call) {
  const std::string& text = call.arg(0);
  double value = 0;
  try {
    std::size_t used = 0;
    value = std::stod(text, &used);
    if (used != text.size()) throw std::invalid_argument(text);
  } catch (const std::exception&) {
    throw Ack(AckError::kArg, "Number expected: " + text);
  }
  if (call.playback.state() == Playback::State::kStopped) throw Ack(AckError::kPlayerSync, "Not playing");
  int64_t target = static_cast<int64_t>(value * 1000);
  if (text.front() == '+' || text.front() == '-') target += call.playback.position();
  call.playback.seek(std::max<int64_t>(target, 0));
}

void handleSetVol(Call& call) {
  const int64_t volume = intArgument(call.arg(0));
  if (volume < 0 || volume > 100) throw Ack(AckError::kArg, "Invalid volume value");
  call.playback.setVolume(static_cast<int>(volume));
  call.dispatcher.notify(kMixer);
}

// The protocol's three switches map onto the player's one playback order:
// random is Shuffle tracks (Shuffle albums counts as random too), repeat is
// Repeat playlist, single with repeat is Repeat track. Random and repeat
// do not combine: switching one on switches the other off.
void handleRandom(Call& call) {
  const bool on = boolArgument(call.arg(0));
  const PlaybackOrder order = call.playback.order();
  const bool random = order == PlaybackOrder::kShuffleTracks || order == PlaybackOrder::kShuffleAlbums;
  if (on != random) call.playback.setOrder(on ? PlaybackOrder::kShuffleTracks : PlaybackOrder::kDefault);
  call.dispatcher.notify(kOptions);
}

void handleRepeat(Call& call) {
  const bool on = boolArgument(call.arg(0));
  const PlaybackOrder order = call.playback.order();
  const bool repeat = order == PlaybackOrder::kRepeatPlaylist || order == PlaybackOrder::kRepeatTrack;
  if (on != repeat) call.playback.setOrder(on ? PlaybackOrder::kRepeatPlaylist : PlaybackOrder::kDefault);
  call.dispatcher.notify(kOptions);
}

void handleSingle(Call& call) {
  if (call.arg(0) == "oneshot") throw Ack(AckError::kArg, "single oneshot is not supported");
  const bool on = boolArgument(call.arg(0));
  const PlaybackOrder order = call.playback.order();
  if (on && order != PlaybackOrder::kRepeatTrack) call.playback.setOrder(PlaybackOrder::kRepeatTrack);
  if (!on && order == PlaybackOrder::kRepeatTrack) call.playback.setOrder(PlaybackOrder::kRepeatPlaylist);
  call.dispatcher.notify(kOptions);
}

void handleConsume(Call& call) {
  if (boolArgument(call.arg(0))) throw Ack(AckError::kArg, "consume is not supported: the queue keeps what played");
}

}  // namespace mpd
