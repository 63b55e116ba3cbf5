#include "desktop/dropped_files.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "host/track_builder.h"
#include "library/file_uri.h"
#include "library/tag_reader.h"
#include "profile/profile.h"

namespace desktop {
namespace {

namespace fs = std::filesystem;

std::string lowerExtension(const fs::path& file) {
  std::string extension = file.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

class Reader {
 public:
  Reader(DroppedFiles& out, const PlaylistFileReader& read_playlist) : out_(out), read_playlist_(read_playlist) {}

  // `named`: dropped by itself rather than found in a folder, so that a
  // file that is not a track is worth a word.
  void read(const fs::path& path, bool named) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::is_directory(status)) return readFolder(path);
    if (!fs::is_regular_file(status)) {
      if (named) out_.failed.push_back(path.string() + ": not found");
      return;
    }
    if (isPlaylistFile(path)) return readPlaylist(path);
    const host::FileStats stats = profile::statFile(path.string());
    const library::FileFacts facts{stats.size, stats.mtime};
    const library::MusicFileRead read = library::readMusicFile(path, library::fileUri(path), facts, builder_);
    if (read.track != nullptr) {
      out_.tracks.push_back(read.track);
    } else if (named) {
      out_.failed.push_back(path.string() + (read.opened ? ": not a music file" : ": cannot be opened"));
    }
  }

 private:
  void readFolder(const fs::path& folder) {
    // In location order: entries sorted by their URIs, folders entered
    // where they fall.
    std::vector<std::pair<std::string, fs::path>> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      entries.emplace_back(library::fileUri(it->path()), it->path());
    }
    if (ec) out_.failed.push_back(folder.string() + ": " + ec.message());
    std::sort(entries.begin(), entries.end());
    for (const auto& [uri, path] : entries) {
      std::error_code link_ec;
      // Links to folders may loop; links to files count as the files.
      if (fs::is_symlink(fs::symlink_status(path, link_ec)) && fs::is_directory(path, link_ec)) continue;
      read(path, false);
    }
  }

  void readPlaylist(const fs::path& file) {
    if (!read_playlist_) {
      out_.failed.push_back(file.string() + ": playlist files cannot be read here");
      return;
    }
    try {
      const host::TrackList entries = read_playlist_(file);
      out_.tracks.insert(out_.tracks.end(), entries.begin(), entries.end());
    } catch (const std::exception& error) {
      out_.failed.push_back(error.what());
    }
  }

  DroppedFiles& out_;
  const PlaylistFileReader& read_playlist_;
  host::TrackBuilder builder_;
};

}  // namespace

bool isPlaylistFile(const std::filesystem::path& file) {
  const std::string extension = lowerExtension(file);
  return extension == ".m3u" || extension == ".m3u8" || extension == ".pls" || extension == ".xspf";
}

DroppedFiles readDroppedFiles(const std::vector<std::filesystem::path>& paths, const PlaylistFileReader& read_playlist) {
  DroppedFiles out;
  Reader reader(out, read_playlist);
  for (const fs::path& path : paths) reader.read(path.lexically_normal(), true);
  return out;
}

}  // namespace desktop
