// Dispatcher: runs the protocol's commands on the program's player.
//
// The queue is the player's active playlist; the stored playlists are the
// other playlists, by name. Every change a command makes goes through the
// player as one step of its undo history, so the window shows it, Undo
// takes it back and it is saved with the playlists. The music directory is
// the Browser's (the tree and the library's files); find, search, list and
// count read the library's tag fields (see tags.h).
//
// It also watches the player and reports what changed as the subsystems of
// `idle` (through the `changed` callback), and keeps the queue's song ids,
// which follow their items through moves.
#ifndef VOSTREL_MPD_DISPATCHER_H_
#define VOSTREL_MPD_DISPATCHER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "mpd/protocol.h"
#include "mpd/tags.h"
#include "player/player_events.h"

namespace player {
class Player;
}

namespace mpd {

class Browser;
class Playback;

// The subsystems of `idle`, as bits.
enum Subsystem : unsigned {
  kDatabase = 1,
  kStoredPlaylist = 2,
  kPlaylist = 4,
  kPlayer = 8,
  kMixer = 16,
  kOptions = 32,
};
inline constexpr unsigned kAllSubsystems = 63;
// 0 for a name that is none of them.
unsigned subsystemBit(std::string_view name);
std::string_view subsystemName(unsigned bit);

// What one connection has chosen.
struct ClientState {
  bool authorized = false;  // gave the password (or none is needed)
  uint32_t tags = kAllTags;
  std::size_t binary_limit = 8192;
};

class Dispatcher : public player::PlayerListener {
 public:
  // All must outlive the dispatcher. An empty `password` lets every client
  // in without one.
  Dispatcher(player::Player& player, Playback& playback, Browser& browser, std::string password);
  ~Dispatcher() override;
  Dispatcher(const Dispatcher&) = delete;
  Dispatcher& operator=(const Dispatcher&) = delete;

  // Runs one command (not the session's own: command lists, idle, close),
  // appending its reply lines without the final OK. Throws Ack.
  void run(ClientState& client, const Request& request, std::string& out);

  // Called with the subsystems that changed, from inside player events.
  void setChangedCallback(std::function<void(unsigned)> changed) { changed_ = std::move(changed); }
  // Reports a change that the player raises no event for (volume, order
  // made in the window).
  void notify(unsigned subsystems);

  // The command names, sorted.
  static std::span<const std::string_view> commandNames();

  const std::string& password() const { return password_; }
  // Whether the client may run every command.
  bool allowed(const ClientState& client) const { return password_.empty() || client.authorized; }

  // The song ids of the queue's items, in order.
  const std::vector<uint32_t>& queueIds();
  uint32_t queueVersion() const { return queue_version_; }
  // Seconds since the dispatcher was made.
  int64_t uptime() const;

  // player::PlayerListener
  void playlistChanged(const player::PlaylistChange& change) override;
  void libraryChanged(host::LibraryEvent event) override;
  void trackInfoChanged() override;
  void playbackChanged() override;

 private:
  player::Player& player_;
  Playback& playback_;
  Browser& browser_;
  std::string password_;
  std::function<void(unsigned)> changed_;
  uint32_t queue_version_ = 1;
  // Song ids: the item tracks they were given for, to follow moves.
  std::vector<const host::Track*> id_tracks_;
  std::vector<uint32_t> ids_;
  uint32_t next_id_ = 1;
  bool ids_dirty_ = true;
  std::size_t ids_playlist_ = static_cast<std::size_t>(-1);
  int64_t started_ = 0;  // when the dispatcher was made, for stats' uptime
};

}  // namespace mpd

#endif  // VOSTREL_MPD_DISPATCHER_H_
