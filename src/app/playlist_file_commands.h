// `playlists import` and `playlists export`: playlist files in and out of
// the player's playlists.
//
//   vostrel playlists import "Road Trip.m3u8" [--name NAME]
//   Added playlist "Road Trip" with 12 items from Road Trip.m3u8 (2 not in the library)
//   vostrel playlists export "Road Trip" mix.xspf
//   Wrote 12 items of "Road Trip" to mix.xspf
//
// The format follows the file's extension (.m3u, .m3u8, .pls, .xspf). A
// malformed file, an unknown extension or playlist name is bad input (exit
// 2) and changes nothing. In the desktop program the commands work on its
// live playlists, which it saves itself; on their own they save
// playlists.json.
#ifndef VOSTREL_APP_PLAYLIST_FILE_COMMANDS_H_
#define VOSTREL_APP_PLAYLIST_FILE_COMMANDS_H_

#include <optional>
#include <string>

#include "app/command_env.h"
#include "app/context.h"

namespace CLI {
class App;
}

namespace app {

struct PlaylistFileCommand {
  std::string file;
  std::optional<std::string> name;  // import: --name; export: the playlist
};

struct PlaylistFileCommands {
  CLI::App* import = nullptr;
  CLI::App* export_ = nullptr;
};

// Adds `import` and `export` under the `playlists` command.
PlaylistFileCommands addPlaylistFileCommands(CLI::App& playlists, PlaylistFileCommand& command);
int runPlaylistImport(CommandEnv& env, const GlobalOptions& global, const PlaylistFileCommand& command);
int runPlaylistExport(CommandEnv& env, const GlobalOptions& global, const PlaylistFileCommand& command);

}  // namespace app

#endif  // VOSTREL_APP_PLAYLIST_FILE_COMMANDS_H_
