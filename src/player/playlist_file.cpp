// Playlist files: choosing the format, reading and writing whole files, and
// turning entries into tracks and back. See playlist_file.h; the formats
// themselves are in playlist_file_{m3u,pls,xspf}.cpp.
#include "player/playlist_file.h"

#include "host/track_builder.h"
#include "library/file_uri.h"
#include "player/playlist_file_formats.h"
#include "player/playlists.h"
#include "profile/file_io.h"
#include "profile/profile.h"

namespace player {
namespace {

using playlist_files::ReadContext;

PlaylistFormat formatOrThrow(const std::filesystem::path& file) {
  if (const std::optional<PlaylistFormat> format = playlistFormatOf(file)) return *format;
  throw profile::DataError("\"" + file.string() +
                           "\" is not named as a playlist file: its name must end in .m3u, .m3u8, .pls or .xspf");
}

// The folder of `file` as an absolute, normal path.
std::filesystem::path folderOf(const std::filesystem::path& file) {
  return std::filesystem::absolute(file).lexically_normal().parent_path();
}

// The values of a tag, joined as the playlist's columns join them.
std::string metaText(const host::Track& track, host::FieldId field) {
  host::FieldPtr info = track.findMeta(field);
  if (info == nullptr) return {};
  std::string text;
  for (const std::string_view value : info->values()) {
    if (!text.empty()) text += ", ";
    text += value;
  }
  return text;
}

}  // namespace

PlaylistFileError::PlaylistFileError(std::string_view file, std::size_t line, std::string_view problem)
    : profile::DataError("Playlist file \"" + std::string(file) + "\", line " + std::to_string(line) + ": " +
                         std::string(problem)),
      line_(line) {}

std::optional<PlaylistFormat> playlistFormatOf(const std::filesystem::path& file) {
  std::string extension = file.extension().string();
  if (extension.empty()) return std::nullopt;
  extension.erase(0, 1);
  for (std::size_t i = 0; i < std::size(kPlaylistExtensions); ++i) {
    if (extension.size() == std::string_view(kPlaylistExtensions[i]).size() &&
        playlist_files::startsWithNoCase(extension, kPlaylistExtensions[i])) {
      return static_cast<PlaylistFormat>(i);
    }
  }
  return std::nullopt;
}

PlaylistFileContents parsePlaylist(std::string_view bytes, PlaylistFormat format, const std::filesystem::path& folder,
                                   std::string_view file) {
  const ReadContext context{folder, file};
  switch (format) {
    case PlaylistFormat::kM3u:
      return playlist_files::parseM3u(
          playlist_files::decodePlaylistText(bytes, false, playlist_files::localeCodeset(), context), context);
    case PlaylistFormat::kM3u8:
      return playlist_files::parseM3u(playlist_files::decodePlaylistText(bytes, true, {}, context), context);
    case PlaylistFormat::kPls:
      return playlist_files::parsePls(
          playlist_files::decodePlaylistText(bytes, false, playlist_files::localeCodeset(), context), context);
    case PlaylistFormat::kXspf:
      return playlist_files::parseXspf(bytes, context);
  }
  return {};
}

PlaylistFileContents readPlaylistFile(const std::filesystem::path& file) {
  const PlaylistFormat format = formatOrThrow(file);
  const std::string bytes = profile::readWholeFile(file, kPlaylistFileLimit);
  PlaylistFileContents contents = parsePlaylist(bytes, format, folderOf(file), file.string());
  if (contents.name.empty()) contents.name = file.stem().string();
  return contents;
}

std::string formatPlaylist(const std::vector<PlaylistEntry>& entries, PlaylistFormat format,
                           const std::filesystem::path& folder, std::string_view name) {
  switch (format) {
    case PlaylistFormat::kM3u:
      return playlist_files::encodeForCodeset(playlist_files::formatM3u(entries, folder, name),
                                              playlist_files::localeCodeset());
    case PlaylistFormat::kM3u8:
      return playlist_files::formatM3u(entries, folder, name);
    case PlaylistFormat::kPls:
      return playlist_files::formatPls(entries, folder);
    case PlaylistFormat::kXspf:
      return playlist_files::formatXspf(entries, folder, name);
  }
  return {};
}

std::vector<PlaylistEntry> playlistEntries(const host::TrackList& tracks) {
  const host::FieldId title = host::internField("title");
  const host::FieldId artist = host::internField("artist");
  std::vector<PlaylistEntry> entries;
  entries.reserve(tracks.size());
  for (const host::TrackHandle& track : tracks) {
    PlaylistEntry& entry = entries.emplace_back();
    entry.location = track->path();
    entry.title = metaText(*track, title);
    entry.creator = metaText(*track, artist);
    if (track->hasInfo() && track->length() > 0) entry.length = track->length();
  }
  return entries;
}

void writePlaylistFile(const std::filesystem::path& file, const host::TrackList& tracks, std::string_view name) {
  const PlaylistFormat format = formatOrThrow(file);
  profile::writeFileAtomically(file, formatPlaylist(playlistEntries(tracks), format, folderOf(file), name));
}

host::TrackList playlistEntryTracks(const std::vector<PlaylistEntry>& entries, const TrackIndex& library) {
  // A library file may give its tracks plain paths rather than URIs.
  auto plainPath = [](const std::string& location) {
    return location.starts_with(profile::kHostPathPrefix) ? library::uriFilePath(location).string() : std::string();
  };
  std::vector<library::PlaylistRef> wanted(1);
  for (const PlaylistEntry& entry : entries) {
    wanted[0].items.push_back({entry.location});
    if (std::string path = plainPath(entry.location); !path.empty()) wanted[0].items.push_back({std::move(path)});
  }
  library.prepare(wanted);
  host::TrackBuilder builder;
  host::TrackList tracks;
  tracks.reserve(entries.size());
  for (const PlaylistEntry& entry : entries) {
    host::TrackHandle track = library.find(entry.location, 0);
    const std::string path = plainPath(entry.location);
    if (track == nullptr && !path.empty()) track = library.find(path, 0);
    if (track == nullptr) {
      builder.setPath(entry.location);
      if (!path.empty()) {
        const host::FileStats stats = profile::statFile(entry.location);
        builder.setSize(stats.size);
        builder.setMtime(stats.mtime);
      }
      if (!entry.title.empty()) builder.addMeta("title", entry.title);
      if (!entry.creator.empty()) builder.addMeta("artist", entry.creator);
      if (entry.length > 0) builder.setLength(entry.length);
      track = builder.build();
    }
    tracks.push_back(std::move(track));
  }
  return tracks;
}

std::string unusedPlaylistName(const host::Host& host, std::string_view name) {
  auto taken = [&host](std::string_view candidate) {
    for (std::size_t p = 0; p < host.playlistCount(); ++p) {
      if (host.playlistName(p) == candidate) return true;
    }
    return false;
  };
  std::string candidate(name);
  for (std::size_t n = 2; taken(candidate); ++n) candidate = std::string(name) + " (" + std::to_string(n) + ")";
  return candidate;
}

ImportedPlaylist importPlaylist(host::Host& host, const PlaylistFileContents& contents, std::string_view name) {
  const host::TrackListPtr library = host.libraryTracks();
  const TrackIndex index(*library);
  const host::TrackList tracks = playlistEntryTracks(contents.entries, index);
  std::size_t outside = 0;
  for (const host::TrackHandle& track : tracks) outside += index.find(track->path(), track->subsong()) ? 0 : 1;
  const std::size_t playlist = host.createPlaylist(name);
  if (!tracks.empty()) host.insertItems(playlist, 0, tracks, false);
  return {playlist, outside};
}

host::TrackList readPlaylistFileTracks(const host::Host& host, const std::filesystem::path& file) {
  const PlaylistFileContents contents = readPlaylistFile(file);
  const host::TrackListPtr library = host.libraryTracks();
  return playlistEntryTracks(contents.entries, TrackIndex(*library));
}

}  // namespace player
