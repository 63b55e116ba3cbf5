// FakeHost: an in-memory host for core tests. It records console lines,
// popups and message boxes, keeps a library and playlists in memory, and
// answers questions with a preset answer.
#ifndef VOSTREL_TESTS_SUPPORT_FAKE_HOST_H_
#define VOSTREL_TESTS_SUPPORT_FAKE_HOST_H_

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "host/host.h"

namespace testing_support {

struct FakePlaylist {
  std::string name;
  std::vector<host::TrackHandle> items;
  std::vector<bool> selected;
};

class FakeHost : public host::Host {
 public:
  // Uses `profile` (a plain folder path) as the profile folder.
  explicit FakeHost(std::filesystem::path profile);

  std::string profileFolder() const override;
  host::FileStats fileStats(std::string_view path) const override;
  void consoleLine(std::string_view text) override { console.emplace_back(text); }
  void popupMessage(std::string_view message, std::string_view) override { popups.emplace_back(message); }
  void messageBox(std::string_view message, std::string_view) override { boxes.emplace_back(message); }
  bool askYesNo(std::string_view question, std::string_view) override {
    questions.emplace_back(question);
    return answer_yes;
  }
  void pumpEvents() override {
    ++pump_count;
    if (on_pump) on_pump();
  }
  host::AdvancedSettings advancedSettings() const override { return settings; }

  host::TrackListPtr libraryTracks() const override { return std::make_shared<const host::TrackList>(library); }
  std::size_t libraryTrackCount() const override { return library.size(); }

  std::size_t playlistCount() const override { return playlists.size(); }
  std::string playlistName(std::size_t i) const override { return playlists.at(i).name; }
  host::TrackList playlistItems(std::size_t i) const override { return playlists.at(i).items; }
  std::size_t playlistItemCount(std::size_t i) const override { return playlists.at(i).items.size(); }
  std::size_t activePlaylist() const override { return active; }
  std::size_t playingPlaylist() const override { return playing; }
  std::size_t createPlaylist(std::string_view name) override;
  std::size_t insertionPoint(std::size_t playlist) const override;
  void removeAllItems(std::size_t playlist) override;
  std::size_t insertItems(std::size_t playlist, std::size_t position, const host::TrackList& tracks,
                          bool select) override;
  void setActivePlaylist(std::size_t playlist) override { active = playlist; }
  void startPlayback(std::size_t playlist) override {
    ++playback_starts;
    playing = playlist;
  }
  host::TrackHandle playingTrack() const override { return playing_track; }
  host::TrackHandle focusedTrack() const override { return focused_track; }

  // Title formatting is faked: a script is its text, and formatting a track
  // replaces "%title%" / "%artist%" ... by the first value of the tag.
  // Text containing "!bad" does not compile. While `format_failure` is set,
  // formatting raises it as a std::runtime_error.
  host::TitleFormatScriptPtr compileTitleFormat(std::string_view text, std::string* error) const override;
  bool formatTitle(const host::Track& track, const host::TitleFormatScript& script,
                   std::string& out) const override;

  // Recorded output and knobs.
  std::vector<std::string> console;
  std::vector<std::string> popups;
  std::vector<std::string> boxes;
  std::vector<std::string> questions;
  bool answer_yes = true;
  std::string format_failure;
  int pump_count = 0;
  std::function<void()> on_pump;
  host::AdvancedSettings settings;
  host::TrackList library;
  std::vector<FakePlaylist> playlists;
  std::size_t active = host::kNoPlaylist;
  std::size_t playing = host::kNoPlaylist;
  int playback_starts = 0;
  host::TrackHandle playing_track;  // what playing() reads
  host::TrackHandle focused_track;  // what selected() reads

 private:
  std::filesystem::path profile_;
};

// A track with the given path and tags (name, values...).
host::TrackHandle makeTrack(std::string path,
                            std::vector<std::pair<std::string, std::vector<std::string>>> meta = {},
                            double length = 0.0);

// A fresh temporary folder, removed when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace testing_support

#endif  // VOSTREL_TESTS_SUPPORT_FAKE_HOST_H_
