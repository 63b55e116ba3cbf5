// Reading library files and the playlists file; the reader itself is in
// library_reader.cpp.
#include "library/library_file.h"

#include <utility>

#include "library/library_reader.h"
#include "profile/file_io.h"

namespace library {

LibraryFile parseLibraryFile(std::string_view text, const std::string& file, StatFileFunction stat_file) {
  Document document = LibraryReader(file, text, LibraryReader::Mode::kLibrary, stat_file).read();
  return {std::move(document.tracks), std::move(document.playlists), document.active};
}

LibraryFile parseLibraryFile(std::string_view text, const std::string& file) {
  // No function: the reader's own statFile, which remembers missing folders.
  Document document = LibraryReader(file, text, LibraryReader::Mode::kLibrary).read();
  return {std::move(document.tracks), std::move(document.playlists), document.active};
}

LibraryFile loadLibraryFile(const std::filesystem::path& path) {
  profile::FileContent content(path, kLibraryFileLimit);
  Document document =
      LibraryReader(path.string(), content.text(), LibraryReader::Mode::kLibrary, nullptr, &content).read();
  return {std::move(document.tracks), std::move(document.playlists), document.active};
}

PlaylistsFile parsePlaylistsFile(std::string_view text, const std::string& file) {
  Document document = LibraryReader(file, text, LibraryReader::Mode::kPlaylists).read();
  return {std::move(document.playlists), document.active, document.playing};
}

PlaylistsFile loadPlaylistsFile(const std::filesystem::path& path) {
  const profile::FileContent content(path, kPlaylistsFileLimit);
  return parsePlaylistsFile(content.text(), path.string());
}

}  // namespace library
