// The dispatcher's commands, shared by the files that implement them (not
// a public interface).
#ifndef VOSTREL_MPD_COMMAND_TABLE_H_
#define VOSTREL_MPD_COMMAND_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "mpd/dispatcher.h"

namespace player {
class Player;
}

namespace mpd {

class Browser;
class Playback;

// One command being run.
struct Call {
  Dispatcher& dispatcher;
  player::Player& player;
  Playback& playback;
  Browser& browser;
  ClientState& client;
  const Request& request;
  std::string& out;

  const std::string& arg(std::size_t index) const { return request.args[index]; }
  std::size_t argCount() const { return request.args.size(); }
};

using Handler = void (*)(Call& call);

// Argument checks; each throws Ack (kArg) naming what was expected.
int64_t intArgument(std::string_view text);
bool boolArgument(std::string_view text);
// "POS" or "START:END" (END may be left out: to the end); END is exclusive.
std::pair<std::size_t, std::size_t> rangeArgument(std::string_view text);

// The queue, made (an empty playlist named "Default") when the player has
// no active playlist and `create`; host::kNoPlaylist when there is none.
std::size_t queuePlaylist(player::Player& player, bool create);

// Connection, status and playback (dispatcher.cpp, playback_commands.cpp).
void handlePing(Call& call);
void handlePassword(Call& call);
void handleCommands(Call& call);
void handleNotCommands(Call& call);
void handleTagTypes(Call& call);
void handleBinaryLimit(Call& call);
void handleStatus(Call& call);
void handleStats(Call& call);
void handleCurrentSong(Call& call);
void handlePlay(Call& call);
void handlePlayId(Call& call);
void handlePause(Call& call);
void handleStop(Call& call);
void handleNext(Call& call);
void handlePrevious(Call& call);
void handleSeekCur(Call& call);
void handleSetVol(Call& call);
void handleRandom(Call& call);
void handleRepeat(Call& call);
void handleSingle(Call& call);
void handleConsume(Call& call);

// The queue and the stored playlists (queue_commands.cpp).
void handlePlaylistInfo(Call& call);
void handlePlaylistId(Call& call);
void handlePlChanges(Call& call);
void handlePlChangesPosId(Call& call);
void handleAdd(Call& call);
void handleAddId(Call& call);
void handleClear(Call& call);
void handleDelete(Call& call);
void handleDeleteId(Call& call);
void handleMove(Call& call);
void handleMoveId(Call& call);
void handleShuffle(Call& call);
void handleListPlaylists(Call& call);
void handleListPlaylist(Call& call);
void handleListPlaylistInfo(Call& call);
void handleLoad(Call& call);
void handleSave(Call& call);
void handleRm(Call& call);
void handleRename(Call& call);

// Browsing and searching (library_commands.cpp).
void handleLsInfo(Call& call);
void handleListAll(Call& call);
void handleListAllInfo(Call& call);
void handleFind(Call& call);
void handleSearch(Call& call);
void handleList(Call& call);
void handleCount(Call& call);

}  // namespace mpd

#endif  // VOSTREL_MPD_COMMAND_TABLE_H_
