#include "app/playlist_file_commands.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "app/cli.h"
#include "player/playlist_file.h"
#include "profile/data_error.h"

namespace app {
namespace {

std::string items(std::size_t count) { return std::to_string(count) + (count == 1 ? " item" : " items"); }

}  // namespace

PlaylistFileCommands addPlaylistFileCommands(CLI::App& playlists, PlaylistFileCommand& command) {
  PlaylistFileCommands commands;
  commands.import = playlists.add_subcommand("import", "Add a playlist file (.m3u, .m3u8, .pls, .xspf) as a playlist");
  commands.import->add_option("file", command.file, "The playlist file")->required()->type_name("FILE");
  commands.import->add_option("--name", command.name, "Name of the new playlist (default: the file's own)")
      ->type_name("NAME");
  commands.export_ = playlists.add_subcommand("export", "Write a playlist to a playlist file (format by extension)");
  commands.export_->add_option("name", command.name, "The playlist's name")->required()->type_name("NAME");
  commands.export_->add_option("file", command.file, "The file to write")->required()->type_name("FILE");
  playlists.require_subcommand(0, 1);
  return commands;
}

int runPlaylistImport(CommandEnv& env, const GlobalOptions& global, const PlaylistFileCommand& command) {
  // Read before the player opens: a bad file changes nothing.
  const player::PlaylistFileContents contents = player::readPlaylistFile(command.file);
  if (command.name && command.name->empty()) {
    env.err() << "A playlist needs a name: --name cannot be empty\n";
    return kExitBadInput;
  }
  const CommandPlayer player(env, global);
  // A name of the file's own does not take the place of a playlist's.
  const std::string name = command.name.value_or(player::unusedPlaylistName(*player, contents.name));
  const player::ImportedPlaylist imported = player::importPlaylist(*player, contents, name);
  const std::size_t count = player->playlistItemCount(imported.playlist);
  if (!env.live()) player->save();
  env.out() << "Added playlist \"" << name << "\" with " << items(count) << " from "
            << std::filesystem::path(command.file).filename().string();
  if (imported.outside_library > 0) env.out() << " (" << imported.outside_library << " not in the library)";
  env.out() << '\n';
  return kExitOk;
}

int runPlaylistExport(CommandEnv& env, const GlobalOptions& global, const PlaylistFileCommand& command) {
  if (!player::playlistFormatOf(command.file)) {
    env.err() << "\"" << command.file
              << "\" is not named as a playlist file: its name must end in .m3u, .m3u8, .pls or .xspf\n";
    return kExitBadInput;
  }
  const CommandPlayer player(env, global);
  const std::string& name = *command.name;
  std::size_t playlist = host::kNoPlaylist;
  for (std::size_t p = 0; p < player->playlistCount() && playlist == host::kNoPlaylist; ++p) {
    if (player->playlistName(p) == name) playlist = p;
  }
  if (playlist == host::kNoPlaylist) {
    env.err() << "No playlist is named \"" << name << "\" (see vostrel playlists)\n";
    return kExitBadInput;
  }
  const host::TrackList tracks = player->playlistItems(playlist);
  try {
    player::writePlaylistFile(command.file, tracks, name);
  } catch (const profile::DataError& e) {
    // The playlist was there: the write itself failed (a full disk, a
    // folder that is missing or read-only).
    env.err() << e.what() << '\n';
    return kExitFailed;
  }
  if (player->playlistsSeeded()) player->save();
  env.out() << "Wrote " << items(tracks.size()) << " of \"" << name << "\" to " << command.file << '\n';
  return kExitOk;
}

}  // namespace app
