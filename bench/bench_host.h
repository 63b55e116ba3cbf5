// BenchHost: the host services a benchmark touches, over a library held in
// memory; playlists are empty, messages go to stderr, title formatting is
// the player's own.
#ifndef VOSTREL_BENCH_BENCH_HOST_H_
#define VOSTREL_BENCH_BENCH_HOST_H_

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "host/host.h"
#include "player/titleformat/titleformat.h"

namespace bench {

class BenchHost : public host::Host {
 public:
  // `profile` is a plain folder; the database goes to its configuration/.
  explicit BenchHost(std::filesystem::path profile) : profile_(std::move(profile)) {
    std::filesystem::create_directories(profile_ / "configuration");
  }

  std::string profileFolder() const override { return "file://" + profile_.string(); }
  host::FileStats fileStats(std::string_view path) const override {
    std::string plain(path);
    if (plain.starts_with("file://")) plain.erase(0, 7);
    std::error_code ec;
    const auto size = std::filesystem::file_size(plain, ec);
    if (ec) return {};
    return {true, size, 0};
  }
  void consoleLine(std::string_view text) override {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  }
  void popupMessage(std::string_view, std::string_view) override {}
  void messageBox(std::string_view, std::string_view) override {}
  bool askYesNo(std::string_view, std::string_view) override { return true; }
  void pumpEvents() override {}
  host::AdvancedSettings advancedSettings() const override { return settings; }
  host::TrackListPtr libraryTracks() const override { return library; }
  std::size_t libraryTrackCount() const override { return library->size(); }
  std::size_t playlistCount() const override { return 0; }
  std::string playlistName(std::size_t) const override { return {}; }
  host::TrackList playlistItems(std::size_t) const override { return {}; }
  std::size_t playlistItemCount(std::size_t) const override { return 0; }
  std::size_t activePlaylist() const override { return host::kNoPlaylist; }
  std::size_t playingPlaylist() const override { return host::kNoPlaylist; }
  std::size_t createPlaylist(std::string_view) override { return host::kNoPlaylist; }
  std::size_t insertionPoint(std::size_t) const override { return 0; }
  void removeAllItems(std::size_t) override {}
  std::size_t insertItems(std::size_t, std::size_t, const host::TrackList&, bool) override { return 0; }
  void setActivePlaylist(std::size_t) override {}
  void startPlayback(std::size_t) override {}
  host::TitleFormatScriptPtr compileTitleFormat(std::string_view text, std::string* error) const override {
    return player::titleformat::compile(text, error);
  }
  bool formatTitle(const host::Track& track, const host::TitleFormatScript& script,
                   std::string& out) const override {
    return player::titleformat::format(script, track, out);
  }

  host::TrackListPtr library = std::make_shared<const host::TrackList>();
  host::AdvancedSettings settings;

 private:
  std::filesystem::path profile_;
};

}  // namespace bench

#endif  // VOSTREL_BENCH_BENCH_HOST_H_
