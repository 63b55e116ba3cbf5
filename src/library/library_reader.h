// LibraryReader: the reader of library files and of the profile's
// playlists file, for library_file.cpp. It is a state machine over the JSON
// events: one state per kind of container it is inside (the top object, the
// tracks array, one track, its meta or info object, a list of tag values,
// ...). In an object, the key just read says what the next value is; keys it
// does not know are skipped. A record is built in place and moved into the
// result when its container ends, so nothing per track outlives the track
// itself.
#ifndef VOSTREL_LIBRARY_LIBRARY_READER_H_
#define VOSTREL_LIBRARY_LIBRARY_READER_H_

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/track.h"
#include "host/track_builder.h"
#include "library/field_names.h"
#include "library/library_file.h"
#include "profile/file_io.h"
#include "profile/json_reader.h"
#include "profile/profile.h"

namespace library {

// What a reader collects; a playlists file has no tracks.
struct Document {
  host::TrackList tracks;
  std::vector<PlaylistRef> playlists;
  std::size_t active = host::kNoPlaylist;
  std::size_t playing = host::kNoPlaylist;
};

class LibraryReader final : public profile::JsonReader {
 public:
  // Which file the text is: the two share the playlist layout and differ in
  // the top-level keys.
  enum class Mode { kLibrary, kPlaylists };

  LibraryReader(const std::string& file, std::string_view text, Mode mode, StatFileFunction stat_file = nullptr,
                profile::FileContent* content = nullptr)
      : profile::JsonReader(file, text, content), mode_(mode), stat_file_(stat_file) {}

  Document read() {
    try {
      run();
    } catch (const std::length_error&) {
      fail("is too long");
    }
    finish();
    return std::move(result_);
  }

 private:
  enum class State {
    kDocument, kTop, kTracks, kTrack, kFields, kFieldValues, kReplayGain,
    kPlaylists, kPlaylist, kItems, kItem, kDone,
  };
  // The keys the reader knows, whatever object they appear in.
  enum class Key {
    kOther, kTracks, kPlaylists, kActivePlaylist, kActive, kPlaying, kSelected, kPath, kSubsong, kSize, kMtime, kLength,
    kMeta, kInfo, kReplayGain, kTrackGain, kAlbumGain, kTrackPeak, kAlbumPeak, kName, kItems,
  };

  // The key `key` names in an object of state `state`; kOther for keys the
  // reader does not know there.
  Key classify(State state, std::string_view key) const;

  void onScalar(const profile::JsonScalar& value) override;
  void onBegin(bool object) override;
  void onKey(std::string_view key) override;
  void onEnd(bool object) override;

  void trackScalar(const profile::JsonScalar& value);
  void trackBegin(bool object);
  void gainScalar(const profile::JsonScalar& value);
  void playlistScalar(const profile::JsonScalar& value);
  void itemScalar(const profile::JsonScalar& value);
  void startTrack();
  void finishTrack();
  void startField(std::string_view value, bool list);
  host::NameId fieldNameId();
  void finish();
  std::size_t checkIndex(bool given, int64_t index, Key key, std::size_t absent);
  int64_t readIndex(const profile::JsonScalar& value) const;

  // Where the reader is, for messages: "tracks[3].meta.artist".
  std::string where() const;
  [[noreturn]] void fail(const std::string& problem) const;
  [[noreturn]] void wrongKind(std::string_view expected, std::string_view found) const;

  uint32_t readSubsong(const profile::JsonScalar& value) const;

  const Mode mode_;
  const StatFileFunction stat_file_;  // nullptr: file_stats_
  State state_ = State::kDocument;
  Key key_ = Key::kOther;  // the key of the value expected next
  Document result_;
  NameIdCache names_;

  // The track being read, and the store of the file's tracks.
  host::TrackBuilder builder_;
  host::ReplayGain gain_;
  profile::FileStatCache file_stats_;
  bool has_path_ = false, has_size_ = false, has_mtime_ = false, has_gain_ = false;
  bool tech_fields_ = false;  // in "info" rather than "meta"
  std::string field_name_;
  host::NameId field_name_id_ = 0;

  bool has_item_path_ = false;
  bool has_name_ = false;
  bool has_active_ = false, has_playing_ = false;
  int64_t active_ = -1, playing_ = -1;
};

}  // namespace library

#endif  // VOSTREL_LIBRARY_LIBRARY_READER_H_
