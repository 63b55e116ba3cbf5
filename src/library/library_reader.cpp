// The library file reader; see library_reader.h.
#include "library/library_reader.h"

#include <cmath>

#include "profile/data_error.h"

namespace library {

using profile::describeKind;
using profile::JsonScalar;

LibraryReader::Key LibraryReader::classify(State state, std::string_view key) const {
  struct Entry {
    State state;
    std::string_view name;
    Key key;
  };
  if (state == State::kTop) {
    if (key == "playlists") return Key::kPlaylists;
    if (mode_ == Mode::kLibrary) {
      if (key == "tracks") return Key::kTracks;
      if (key == "active_playlist") return Key::kActivePlaylist;
    } else {
      if (key == "active") return Key::kActive;
      if (key == "playing") return Key::kPlaying;
    }
    return Key::kOther;
  }
  static constexpr Entry kKeys[] = {
      {State::kTrack, "path", Key::kPath},
      {State::kTrack, "subsong", Key::kSubsong},
      {State::kTrack, "size", Key::kSize},
      {State::kTrack, "mtime", Key::kMtime},
      {State::kTrack, "length", Key::kLength},
      {State::kTrack, "meta", Key::kMeta},
      {State::kTrack, "info", Key::kInfo},
      {State::kTrack, "replaygain", Key::kReplayGain},
      {State::kReplayGain, "track_gain", Key::kTrackGain},
      {State::kReplayGain, "album_gain", Key::kAlbumGain},
      {State::kReplayGain, "track_peak", Key::kTrackPeak},
      {State::kReplayGain, "album_peak", Key::kAlbumPeak},
      {State::kPlaylist, "name", Key::kName},
      {State::kPlaylist, "items", Key::kItems},
      {State::kItem, "path", Key::kPath},
      {State::kItem, "subsong", Key::kSubsong},
      {State::kItem, "selected", Key::kSelected},
  };
  for (const Entry& entry : kKeys) {
    if (entry.state == state && entry.name == key) return entry.key;
  }
  return Key::kOther;
}

std::string LibraryReader::where() const {
  const std::string track = "tracks[" + std::to_string(result_.tracks.size()) + "]";
  const std::string playlist = "playlists[" + std::to_string(result_.playlists.size() - 1) + "]";
  // ".key" of the value expected next, or nothing when it is the container
  // itself that is at fault.
  auto keyName = [this]() -> std::string {
    switch (key_) {
      case Key::kPath: return "path";
      case Key::kSubsong: return "subsong";
      case Key::kSize: return "size";
      case Key::kMtime: return "mtime";
      case Key::kLength: return "length";
      case Key::kMeta: return "meta";
      case Key::kInfo: return "info";
      case Key::kReplayGain: return "replaygain";
      case Key::kTrackGain: return "track_gain";
      case Key::kAlbumGain: return "album_gain";
      case Key::kTrackPeak: return "track_peak";
      case Key::kAlbumPeak: return "album_peak";
      case Key::kName: return "name";
      case Key::kItems: return "items";
      case Key::kTracks: return "tracks";
      case Key::kPlaylists: return "playlists";
      case Key::kActivePlaylist: return "active_playlist";
      case Key::kActive: return "active";
      case Key::kPlaying: return "playing";
      case Key::kSelected: return "selected";
      case Key::kOther: break;
    }
    return "";
  };
  auto member = [&](const std::string& container) {
    const std::string key = keyName();
    return key.empty() ? container : container + "." + key;
  };
  switch (state_) {
    case State::kDocument: return "the top level";
    case State::kTop: return key_ == Key::kOther ? "the top level" : keyName();
    case State::kTracks: return track;
    case State::kTrack: return member(track);
    case State::kFields:
    case State::kFieldValues: return track + (tech_fields_ ? ".info" : ".meta") + memberPath(field_name_);
    case State::kReplayGain: return member(track + ".replaygain");
    case State::kPlaylists: return "playlists[" + std::to_string(result_.playlists.size()) + "]";
    case State::kPlaylist: return member(playlist);
    case State::kItems:
    case State::kItem: {
      const std::size_t items = result_.playlists.back().items.size();
      const std::size_t index = state_ == State::kItem ? items - 1 : items;
      const std::string item = playlist + ".items[" + std::to_string(index) + "]";
      return state_ == State::kItem ? member(item) : item;
    }
    case State::kDone: break;
  }
  return "the end";
}

void LibraryReader::fail(const std::string& problem) const {
  const char* kind = mode_ == Mode::kLibrary ? "Library file \"" : "Playlists file \"";
  throw profile::DataError(kind + file() + "\": " + where() + " " + problem);
}

void LibraryReader::wrongKind(std::string_view expected, std::string_view found) const {
  fail("must be " + std::string(expected) + ", not " + std::string(found));
}

uint32_t LibraryReader::readSubsong(const JsonScalar& value) const {
  if (value.kind == JsonScalar::Kind::kUnsigned && value.unsigned_integer <= UINT32_MAX) {
    return static_cast<uint32_t>(value.unsigned_integer);
  }
  if (value.kind == JsonScalar::Kind::kInteger && value.integer >= 0 && value.integer <= UINT32_MAX) {
    return static_cast<uint32_t>(value.integer);
  }
  fail("must be a whole number from 0 to 4294967295");
}

void LibraryReader::onKey(std::string_view key) {
  switch (state_) {
    case State::kFields:
      field_name_.assign(key);
      return;
    case State::kTop:
    case State::kTrack:
    case State::kReplayGain:
    case State::kPlaylist:
    case State::kItem:
      key_ = classify(state_, key);
      if (key_ == Key::kOther) skipNextValue();
      return;
    default:
      return;  // keys only occur in the objects above
  }
}

void LibraryReader::onScalar(const JsonScalar& value) {
  const std::string_view kind = describeKind(value.kind);
  switch (state_) {
    case State::kDocument: wrongKind("an object", kind);
    case State::kTop:
      if (key_ == Key::kTracks || key_ == Key::kPlaylists) wrongKind("an array", kind);
      if (key_ == Key::kPlaying) {
        playing_ = readIndex(value);
        has_playing_ = true;
      } else {
        active_ = readIndex(value);
        has_active_ = true;
      }
      return;
    case State::kTracks: wrongKind("an object", kind);
    case State::kTrack: return trackScalar(value);
    case State::kFields:
      if (value.kind != JsonScalar::Kind::kString) wrongKind("a string or a list of strings", kind);
      startField(value.text, false);
      return;
    case State::kFieldValues:
      if (value.kind != JsonScalar::Kind::kString) wrongKind("a string or a list of strings", kind);
      builder_.addValue(tech_fields_, field_name_id_, value.text);
      return;
    case State::kReplayGain: return gainScalar(value);
    case State::kPlaylists: wrongKind("an object", kind);
    case State::kPlaylist: return playlistScalar(value);
    case State::kItems:
      if (value.kind != JsonScalar::Kind::kString) wrongKind("a path or an object", kind);
      result_.playlists.back().items.push_back({std::string(value.text), 0, false});
      return;
    case State::kItem: return itemScalar(value);
    case State::kDone: return;
  }
}

void LibraryReader::trackScalar(const JsonScalar& value) {
  const std::string_view kind = describeKind(value.kind);
  switch (key_) {
    case Key::kPath:
      if (value.kind != JsonScalar::Kind::kString) wrongKind("a string", kind);
      if (value.text.empty()) fail("must not be empty");
      builder_.setPath(value.text);
      has_path_ = true;
      return;
    case Key::kSubsong: builder_.setSubsong(readSubsong(value)); return;
    case Key::kSize:
      if (value.kind == JsonScalar::Kind::kUnsigned) {
        builder_.setSize(value.unsigned_integer);
      } else if (value.kind == JsonScalar::Kind::kInteger && value.integer >= 0) {
        builder_.setSize(static_cast<uint64_t>(value.integer));
      } else {
        fail("must be a whole number of bytes");
      }
      has_size_ = true;
      return;
    case Key::kMtime:
      if (value.kind == JsonScalar::Kind::kInteger) {
        builder_.setMtime(value.integer);
      } else if (value.kind == JsonScalar::Kind::kUnsigned && value.unsigned_integer <= INT64_MAX) {
        builder_.setMtime(static_cast<int64_t>(value.unsigned_integer));
      } else {
        fail("must be a whole number of seconds");
      }
      has_mtime_ = true;
      return;
    case Key::kLength:
      if (!value.isNumber() || !std::isfinite(value.asDouble()) || value.asDouble() < 0) {
        fail("must be a number of seconds, 0 or more");
      }
      builder_.setLength(value.asDouble());
      return;
    case Key::kMeta:
    case Key::kInfo:
    case Key::kReplayGain: wrongKind("an object", kind);
    default: return;
  }
}

void LibraryReader::gainScalar(const JsonScalar& value) {
  if (value.kind == JsonScalar::Kind::kNull) return;  // absent
  if (!value.isNumber()) wrongKind("a number", describeKind(value.kind));
  const auto number = static_cast<float>(value.asDouble());
  host::ReplayGain& gain = gain_;
  has_gain_ = true;
  switch (key_) {
    case Key::kTrackGain: gain.track_gain = number; return;
    case Key::kAlbumGain: gain.album_gain = number; return;
    case Key::kTrackPeak: gain.track_peak = number; return;
    case Key::kAlbumPeak: gain.album_peak = number; return;
    default: return;
  }
}

void LibraryReader::playlistScalar(const JsonScalar& value) {
  if (key_ == Key::kItems) wrongKind("an array", describeKind(value.kind));
  if (key_ != Key::kName) return;
  if (value.kind != JsonScalar::Kind::kString) wrongKind("a string", describeKind(value.kind));
  result_.playlists.back().name = value.text;
  has_name_ = true;
}

void LibraryReader::itemScalar(const JsonScalar& value) {
  ItemRef& item = result_.playlists.back().items.back();
  if (key_ == Key::kSubsong) {
    item.subsong = readSubsong(value);
  } else if (key_ == Key::kSelected) {
    if (value.kind != JsonScalar::Kind::kBool) wrongKind("true or false", describeKind(value.kind));
    item.selected = value.boolean;
  } else if (key_ == Key::kPath) {
    if (value.kind != JsonScalar::Kind::kString) wrongKind("a string", describeKind(value.kind));
    item.path = value.text;
    has_item_path_ = true;
  }
}

void LibraryReader::onBegin(bool object) {
  const std::string_view kind = object ? "an object" : "an array";
  switch (state_) {
    case State::kDocument:
      if (!object) wrongKind("an object", kind);
      state_ = State::kTop;
      return;
    case State::kTop:
      if (key_ != Key::kTracks && key_ != Key::kPlaylists) wrongKind("a whole number", kind);
      if (object) wrongKind("an array", kind);
      state_ = key_ == Key::kTracks ? State::kTracks : State::kPlaylists;
      return;
    case State::kTracks:
      if (!object) wrongKind("an object", kind);
      startTrack();
      return;
    case State::kTrack: return trackBegin(object);
    case State::kFields:
      if (object) wrongKind("a string or a list of strings", kind);
      startField(std::string(), true);
      return;
    case State::kFieldValues: wrongKind("a string or a list of strings", kind);
    case State::kReplayGain: wrongKind("a number", kind);
    case State::kPlaylists:
      if (!object) wrongKind("an object", kind);
      result_.playlists.emplace_back();
      has_name_ = false;
      state_ = State::kPlaylist;
      return;
    case State::kPlaylist:
      if (key_ != Key::kItems) wrongKind("a string", kind);
      if (object) wrongKind("an array", kind);
      state_ = State::kItems;
      return;
    case State::kItems:
      if (!object) wrongKind("a path or an object", kind);
      result_.playlists.back().items.emplace_back();
      has_item_path_ = false;
      state_ = State::kItem;
      return;
    case State::kItem:
      if (key_ == Key::kSelected) wrongKind("true or false", kind);
      wrongKind(key_ == Key::kPath ? "a string" : "a whole number", kind);
    case State::kDone: return;
  }
}

void LibraryReader::trackBegin(bool object) {
  const std::string_view kind = object ? "an object" : "an array";
  switch (key_) {
    case Key::kMeta:
    case Key::kInfo:
      if (!object) wrongKind("an object", kind);
      tech_fields_ = key_ == Key::kInfo;
      builder_.setHasInfo();
      state_ = State::kFields;
      return;
    case Key::kReplayGain:
      if (!object) wrongKind("an object", kind);
      builder_.setHasInfo();
      state_ = State::kReplayGain;
      return;
    case Key::kPath: wrongKind("a string", kind);
    case Key::kLength: wrongKind("a number", kind);
    default: wrongKind("a whole number", kind);
  }
}

void LibraryReader::onEnd(bool) {
  switch (state_) {
    case State::kTop: state_ = State::kDone; return;
    case State::kTracks:
    case State::kPlaylists: state_ = State::kTop; return;
    case State::kTrack:
      finishTrack();
      state_ = State::kTracks;
      return;
    case State::kFields:
    case State::kReplayGain: state_ = State::kTrack; return;
    case State::kFieldValues:
      // An empty list leaves the tag absent: the builder makes a field with
      // its first value.
      state_ = State::kFields;
      return;
    case State::kPlaylist:
      key_ = Key::kOther;
      if (!has_name_) fail("has no \"name\"");
      state_ = State::kPlaylists;
      return;
    case State::kItems: state_ = State::kPlaylist; return;
    case State::kItem:
      key_ = Key::kOther;
      if (!has_item_path_) fail("has no \"path\"");
      state_ = State::kItems;
      return;
    case State::kDocument:
    case State::kDone: return;
  }
}

void LibraryReader::startTrack() {
  builder_.clear();
  gain_ = host::ReplayGain();
  has_path_ = has_size_ = has_mtime_ = has_gain_ = false;
  state_ = State::kTrack;
}

// Starts the field named field_name_ (or continues one of the same name)
// with `value`, or with the values of the list that follows when `list`.
void LibraryReader::startField(std::string_view value, bool list) {
  field_name_id_ = fieldNameId();
  if (list) {
    state_ = State::kFieldValues;
  } else {
    builder_.addValue(tech_fields_, field_name_id_, value);
  }
}

host::NameId LibraryReader::fieldNameId() {
  if (const host::NameId* known = names_.find(field_name_)) return *known;
  if (const char* problem = fieldNameProblem(field_name_)) {
    fail(std::string("is not a usable field name: it ") + problem);
  }
  return names_.add(field_name_);
}

void LibraryReader::finishTrack() {
  if (!has_path_) {
    key_ = Key::kOther;
    fail("has no \"path\"");
  }
  if (!has_size_ || !has_mtime_) {
    const host::FileStats stats =
        stat_file_ != nullptr ? stat_file_(builder_.path()) : file_stats_.stat(builder_.path());
    if (!has_size_) builder_.setSize(stats.found ? stats.size : 0);
    if (!has_mtime_) builder_.setMtime(stats.found ? stats.mtime : 0);
  }
  if (has_gain_) builder_.setReplayGain(gain_);
  result_.tracks.push_back(builder_.build());
  releasePassedText();
}

int64_t LibraryReader::readIndex(const JsonScalar& value) const {
  if (value.kind == JsonScalar::Kind::kInteger) return value.integer;
  if (value.kind == JsonScalar::Kind::kUnsigned && value.unsigned_integer <= INT64_MAX) {
    return static_cast<int64_t>(value.unsigned_integer);
  }
  wrongKind("a whole number", describeKind(value.kind));
}

// The playlist index `index` names (when `given`), checked against the
// playlists read; `absent` when not given.
std::size_t LibraryReader::checkIndex(bool given, int64_t index, Key key, std::size_t absent) {
  const auto count = static_cast<int64_t>(result_.playlists.size());
  if (!given) return absent;
  if (index < -1 || index >= count) {
    state_ = State::kTop;
    key_ = key;
    fail("must be -1 (none) or a playlist index below " + std::to_string(count));
  }
  return index < 0 ? host::kNoPlaylist : static_cast<std::size_t>(index);
}

void LibraryReader::finish() {
  // A player always has an active playlist when it has any.
  const std::size_t first = result_.playlists.empty() ? host::kNoPlaylist : 0;
  result_.active = checkIndex(has_active_, active_, mode_ == Mode::kLibrary ? Key::kActivePlaylist : Key::kActive,
                              first);
  result_.playing = checkIndex(has_playing_, playing_, Key::kPlaying, host::kNoPlaylist);
}

}  // namespace library
