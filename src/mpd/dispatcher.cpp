#include "mpd/dispatcher.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <unordered_map>

#include "mpd/browse.h"
#include "mpd/command_table.h"
#include "player/player.h"

namespace mpd {
namespace {

struct CommandEntry {
  std::string_view name;
  uint8_t min_args;
  uint8_t max_args;
  Handler handler;
  bool open = false;  // allowed before the password is given
};

constexpr uint8_t kMany = 255;

// Sorted by name, for the lookup and for `commands`. The session's own
// commands are listed with no handler.
constexpr CommandEntry kCommands[] = {
    {"add", 1, 2, handleAdd},
    {"addid", 1, 2, handleAddId},
    {"binarylimit", 1, 1, handleBinaryLimit, true},
    {"clear", 0, 0, handleClear},
    {"close", 0, 0, nullptr, true},
    {"command_list_begin", 0, 0, nullptr, true},
    {"command_list_end", 0, 0, nullptr, true},
    {"command_list_ok_begin", 0, 0, nullptr, true},
    {"commands", 0, 0, handleCommands, true},
    {"consume", 1, 1, handleConsume},
    {"count", 1, kMany, handleCount},
    {"currentsong", 0, 0, handleCurrentSong},
    {"delete", 1, 1, handleDelete},
    {"deleteid", 1, 1, handleDeleteId},
    {"find", 1, kMany, handleFind},
    {"idle", 0, kMany, nullptr},
    {"list", 1, kMany, handleList},
    {"listall", 0, 1, handleListAll},
    {"listallinfo", 0, 1, handleListAllInfo},
    {"listplaylist", 1, 2, handleListPlaylist},
    {"listplaylistinfo", 1, 2, handleListPlaylistInfo},
    {"listplaylists", 0, 0, handleListPlaylists},
    {"load", 1, 3, handleLoad},
    {"lsinfo", 0, 1, handleLsInfo},
    {"move", 2, 2, handleMove},
    {"moveid", 2, 2, handleMoveId},
    {"next", 0, 0, handleNext},
    {"noidle", 0, 0, nullptr},
    {"notcommands", 0, 0, handleNotCommands, true},
    {"password", 1, 1, handlePassword, true},
    {"pause", 0, 1, handlePause},
    {"ping", 0, 0, handlePing, true},
    {"play", 0, 1, handlePlay},
    {"playid", 0, 1, handlePlayId},
    {"playlistid", 0, 1, handlePlaylistId},
    {"playlistinfo", 0, 1, handlePlaylistInfo},
    {"plchanges", 1, 2, handlePlChanges},
    {"plchangesposid", 1, 2, handlePlChangesPosId},
    {"previous", 0, 0, handlePrevious},
    {"random", 1, 1, handleRandom},
    {"rename", 2, 2, handleRename},
    {"repeat", 1, 1, handleRepeat},
    {"rm", 1, 1, handleRm},
    {"save", 1, 2, handleSave},
    {"search", 1, kMany, handleSearch},
    {"seekcur", 1, 1, handleSeekCur},
    {"setvol", 1, 1, handleSetVol},
    {"shuffle", 0, 1, handleShuffle},
    {"single", 1, 1, handleSingle},
    {"stats", 0, 0, handleStats},
    {"status", 0, 0, handleStatus},
    {"stop", 0, 0, handleStop},
    {"tagtypes", 0, kMany, handleTagTypes, true},
};

constexpr std::size_t kCommandCount = std::size(kCommands);

constexpr std::array<std::string_view, kCommandCount> kCommandNames = [] {
  std::array<std::string_view, kCommandCount> names{};
  for (std::size_t i = 0; i < kCommandCount; ++i) names[i] = kCommands[i].name;
  return names;
}();

const CommandEntry* findCommand(std::string_view name) {
  const auto it = std::lower_bound(std::begin(kCommands), std::end(kCommands), name,
                                   [](const CommandEntry& entry, std::string_view key) { return entry.name < key; });
  return it != std::end(kCommands) && it->name == name ? &*it : nullptr;
}

constexpr std::array<std::string_view, 6> kSubsystemNames = {"database", "stored_playlist", "playlist",
                                                             "player",   "mixer",           "options"};

}  // namespace

unsigned subsystemBit(std::string_view name) {
  for (std::size_t i = 0; i < kSubsystemNames.size(); ++i) {
    if (kSubsystemNames[i] == name) return 1u << i;
  }
  return 0;
}

std::string_view subsystemName(unsigned bit) {
  for (std::size_t i = 0; i < kSubsystemNames.size(); ++i) {
    if (bit == (1u << i)) return kSubsystemNames[i];
  }
  return {};
}

std::span<const std::string_view> Dispatcher::commandNames() { return kCommandNames; }

Dispatcher::Dispatcher(player::Player& player, Playback& playback, Browser& browser, std::string password)
    : player_(player),
      playback_(playback),
      browser_(browser),
      password_(std::move(password)),
      started_(std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
                   .count()) {
  player_.addListener(this);
}

Dispatcher::~Dispatcher() { player_.removeListener(this); }

void Dispatcher::run(ClientState& client, const Request& request, std::string& out) {
  const CommandEntry* entry = findCommand(request.command);
  if (entry == nullptr || entry->handler == nullptr) {
    throw Ack(AckError::kUnknown, "unknown command \"" + request.command + "\"");
  }
  if (!password_.empty() && !client.authorized && !entry->open) {
    throw Ack(AckError::kPermission, "you don't have permission for \"" + request.command + "\"");
  }
  const std::size_t count = request.args.size();
  if (count < entry->min_args || (entry->max_args != kMany && count > entry->max_args)) {
    throw Ack(AckError::kArg, "wrong number of arguments for \"" + request.command + "\"");
  }
  Call call{*this, player_, playback_, browser_, client, request, out};
  entry->handler(call);
}

int64_t Dispatcher::uptime() const {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch())
             .count() -
         started_;
}

void Dispatcher::notify(unsigned subsystems) {
  if (changed_ && subsystems != 0) changed_(subsystems);
}

void Dispatcher::playlistChanged(const player::PlaylistChange& change) {
  using host::PlaylistEvent;
  switch (change.event) {
    case PlaylistEvent::kItemsAdded:
    case PlaylistEvent::kItemsReordered:
    case PlaylistEvent::kItemsRemoved:
    case PlaylistEvent::kItemsReplaced:
    case PlaylistEvent::kItemsModified:
      if (change.playlist == player_.activePlaylist()) {
        ++queue_version_;
        ids_dirty_ = true;
        notify(kPlaylist);
      } else {
        notify(kStoredPlaylist);
      }
      break;
    case PlaylistEvent::kPlaylistActivated:
      ++queue_version_;
      ids_dirty_ = true;
      notify(kPlaylist | kStoredPlaylist);
      break;
    case PlaylistEvent::kPlaylistCreated:
    case PlaylistEvent::kPlaylistsReordered:
    case PlaylistEvent::kPlaylistsRemoved:
    case PlaylistEvent::kPlaylistRenamed:
      // The active playlist's index may have moved with the others.
      ids_dirty_ = true;
      notify(kStoredPlaylist);
      break;
    default:
      break;
  }
}

void Dispatcher::libraryChanged(host::LibraryEvent) {
  browser_.libraryChanged();
  notify(kDatabase);
}

void Dispatcher::trackInfoChanged() {
  browser_.libraryChanged();
  notify(kDatabase);
}

void Dispatcher::playbackChanged() { notify(kPlayer); }

const std::vector<uint32_t>& Dispatcher::queueIds() {
  const std::size_t playlist = player_.activePlaylist();
  if (playlist != ids_playlist_) {
    ids_playlist_ = playlist;
    id_tracks_.clear();
    ids_.clear();
    ids_dirty_ = true;
  }
  if (!ids_dirty_) return ids_;
  ids_dirty_ = false;
  if (playlist == host::kNoPlaylist) {
    id_tracks_.clear();
    ids_.clear();
    return ids_;
  }
  // Each item keeps an id its track had before (the first unused one, so
  // that repeated tracks keep their order); new items get new ids.
  std::unordered_map<const host::Track*, std::vector<uint32_t>> old;
  for (std::size_t i = 0; i < id_tracks_.size(); ++i) old[id_tracks_[i]].push_back(ids_[i]);
  std::unordered_map<const host::Track*, std::size_t> used;
  const host::TrackList& items = player_.playlists().at(playlist).items;
  std::vector<const host::Track*> tracks;
  std::vector<uint32_t> ids;
  tracks.reserve(items.size());
  ids.reserve(items.size());
  for (const host::TrackHandle& item : items) {
    const host::Track* track = item.get();
    tracks.push_back(track);
    const auto found = old.find(track);
    std::size_t& next = used[track];
    if (found != old.end() && next < found->second.size()) {
      ids.push_back(found->second[next++]);
    } else {
      ids.push_back(next_id_++);
    }
  }
  id_tracks_ = std::move(tracks);
  ids_ = std::move(ids);
  return ids_;
}

int64_t intArgument(std::string_view text) {
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    throw Ack(AckError::kArg, "Integer expected: " + std::string(text));
  }
  return value;
}

bool boolArgument(std::string_view text) {
  if (text == "0") return false;
  if (text == "1") return true;
  throw Ack(AckError::kArg, "Boolean (0/1) expected: " + std::string(text));
}

std::pair<std::size_t, std::size_t> rangeArgument(std::string_view text) {
  const std::size_t colon = text.find(':');
  const int64_t start = intArgument(text.substr(0, colon));
  if (start < 0) throw Ack(AckError::kArg, "Number is negative: " + std::string(text));
  if (colon == std::string_view::npos) return {start, start + 1};
  const std::string_view end_text = text.substr(colon + 1);
  if (end_text.empty()) return {start, static_cast<std::size_t>(-1)};
  const int64_t end = intArgument(end_text);
  if (end < start) throw Ack(AckError::kArg, "Bad range: " + std::string(text));
  return {start, end};
}

std::size_t queuePlaylist(player::Player& player, bool create) {
  std::size_t playlist = player.activePlaylist();
  if (playlist != host::kNoPlaylist || !create) return playlist;
  playlist = player.createPlaylist("Default");
  player.setActivePlaylist(playlist);
  return playlist;
}

void handlePing(Call&) {}

void handlePassword(Call& call) {
  const std::string& expected = call.dispatcher.password();
  if (expected.empty() || call.arg(0) == expected) {
    call.client.authorized = true;
    return;
  }
  throw Ack(AckError::kPassword, "incorrect password");
}

void handleCommands(Call& call) {
  for (const CommandEntry& entry : kCommands) {
    if (call.dispatcher.allowed(call.client) || entry.open) appendPair(call.out, "command", entry.name);
  }
}

void handleNotCommands(Call& call) {
  if (call.dispatcher.allowed(call.client)) return;
  for (const CommandEntry& entry : kCommands) {
    if (!entry.open) appendPair(call.out, "command", entry.name);
  }
}

void handleTagTypes(Call& call) {
  if (call.argCount() == 0) {
    for (std::size_t i = 0; i < kTagTypes.size(); ++i) {
      if ((call.client.tags & (uint32_t{1} << i)) != 0) appendPair(call.out, "tagtype", kTagTypes[i].name);
    }
    return;
  }
  const std::string& verb = call.arg(0);
  if (verb == "clear" || verb == "all") {
    if (call.argCount() != 1) throw Ack(AckError::kArg, "wrong number of arguments for \"tagtypes " + verb + "\"");
    call.client.tags = verb == "all" ? kAllTags : 0;
    return;
  }
  if (verb != "enable" && verb != "disable") throw Ack(AckError::kArg, "Unknown sub command \"" + verb + "\"");
  if (call.argCount() < 2) throw Ack(AckError::kArg, "Not enough arguments");
  uint32_t mask = 0;
  for (std::size_t i = 1; i < call.argCount(); ++i) {
    // Tags this program does not keep (Name, Performer, ...) are taken and
    // never shown.
    if (const std::optional<std::size_t> tag = findTag(call.arg(i))) mask |= uint32_t{1} << *tag;
  }
  call.client.tags = verb == "enable" ? (call.client.tags | mask) : (call.client.tags & ~mask);
}

void handleBinaryLimit(Call& call) {
  const int64_t limit = intArgument(call.arg(0));
  if (limit < 64) throw Ack(AckError::kArg, "Value too small");
  call.client.binary_limit = static_cast<std::size_t>(std::min<int64_t>(limit, 1 << 20));
}

}  // namespace mpd
