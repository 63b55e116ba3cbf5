// The player's playlists: named lists of tracks with a selection, the active
// playlist (the one the user looks at) and the playing one.
//
// PlaylistSet holds them in memory and performs the operations the component
// asks of the host. Saved, they live in the profile's playlists.json, whose
// text is exactly what the `playlists --format json` command prints:
//
//   {"active":0,"playing":-1,"playlists":[{"name":"Default","items":
//     [{"path":"file:///music/a.flac","subsong":0,"selected":false}]}]}
//
// Items are stored by location only; loading matches them against the
// library (TrackIndex) so that they share the library's track records.
#ifndef VOSTREL_PLAYER_PLAYLISTS_H_
#define VOSTREL_PLAYER_PLAYLISTS_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/host.h"
#include "library/library_file.h"

namespace player {

struct Playlist {
  std::string name;
  host::TrackList items;
  std::vector<bool> selected;  // one flag per item
};

class PlaylistSet {
 public:
  std::size_t count() const { return playlists_.size(); }
  // REQUIRES for all indexed calls: the index names a playlist (and item);
  // otherwise they throw DataError.
  const Playlist& at(std::size_t playlist) const;

  std::size_t active() const { return active_; }    // host::kNoPlaylist for none
  std::size_t playing() const { return playing_; }  // host::kNoPlaylist for none
  // Accept host::kNoPlaylist for none.
  void setActive(std::size_t playlist);
  void setPlaying(std::size_t playlist);

  // Appends an empty playlist; returns its index.
  std::size_t create(std::string_view name);
  // Puts `playlist` at `index` (at most count()); the active and playing
  // indexes follow their playlists.
  void insert(std::size_t index, Playlist playlist);
  // Removes a playlist; the active and playing indexes follow their
  // playlists (none when it was the one removed).
  void remove(std::size_t playlist);
  void rename(std::size_t playlist, std::string_view name);
  // Moves the playlist at `from` to index `to` (both valid); the active and
  // playing indexes follow their playlists.
  void move(std::size_t from, std::size_t to);

  // The index after the last selected item, or the item count when nothing
  // is selected.
  std::size_t insertionPoint(std::size_t playlist) const;
  void removeAllItems(std::size_t playlist);
  // Inserts `tracks` at `position` (clamped to the item count) with the
  // given selection state; returns the index of the first inserted item.
  std::size_t insertItems(std::size_t playlist, std::size_t position, const host::TrackList& tracks, bool select);
  void setSelected(std::size_t playlist, std::size_t item, bool selected);
  // Replaces the whole selection; `selected` has one flag per item.
  void setSelection(std::size_t playlist, std::vector<bool> selected);
  // Removes the items at `items` (any order, duplicates ignored, each valid);
  // returns the removed indexes, ascending. `removed` (when given) receives
  // their tracks and selection flags, in that order.
  std::vector<std::size_t> removeItems(std::size_t playlist, std::vector<std::size_t> items,
                                       Playlist* removed = nullptr);
  // Puts items back where removeItems took them from: `indexes` (ascending)
  // are their positions afterwards, one per track, with its flag.
  void restoreItems(std::size_t playlist, const std::vector<std::size_t>& indexes, const host::TrackList& tracks,
                    const std::vector<bool>& selected);
  // Reorders the items [first, first + order.size()): the item at new
  // position first + i is the one that was at first + order[i]. REQUIRES:
  // `order` is a permutation of 0..order.size()-1 (checked).
  void permuteItems(std::size_t playlist, std::size_t first, const std::vector<uint32_t>& order);
  // Moves the items at `items` (each valid) so that, in their old order,
  // they stand before the item that was at `before` (the item count: at the
  // end). Returns, for every new position, the old index of its item.
  std::vector<std::size_t> moveItems(std::size_t playlist, std::vector<std::size_t> items, std::size_t before);

 private:
  Playlist& mutableAt(std::size_t playlist);

  std::vector<Playlist> playlists_;
  std::size_t active_ = host::kNoPlaylist;
  std::size_t playing_ = host::kNoPlaylist;
};

// Library tracks by location (path, subsong), for matching playlist items.
// The first track wins when a location repeats. A library may hold a
// million tracks and the playlists a handful of items, so the index is made
// of the locations asked for (prepare), found in one pass over the library;
// a location not prepared makes it index the whole library once.
class TrackIndex {
 public:
  // REQUIRES: `tracks` outlives the index (keys point into its records).
  explicit TrackIndex(const host::TrackList& tracks) : library_(tracks) {}
  // Looks up these locations.
  void prepare(const std::vector<library::PlaylistRef>& playlists) const;
  // The library's track at this location, or nullptr.
  host::TrackHandle find(std::string_view path, uint32_t subsong) const;

 private:
  struct Key {
    std::string_view path;
    uint32_t subsong;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const;
  };
  using Table = std::unordered_map<Key, const host::TrackHandle*, KeyHash>;
  const host::TrackList& library_;
  mutable std::deque<std::string> wanted_paths_;  // the keys of wanted_ view these
  mutable Table wanted_;  // prepared locations; nullptr: not in the library
  mutable bool built_ = false;
  mutable Table tracks_;  // the whole library
};

// Playlists from their stored form: each item is the library's track at its
// location, else a track of its own with the file's statistics and no info.
// `active` and `playing` must be valid for `playlists` or kNoPlaylist.
PlaylistSet resolvePlaylists(std::vector<library::PlaylistRef> playlists, std::size_t active, std::size_t playing,
                             const TrackIndex& library);

// The JSON text of the playlists (the layout above), without a line end.
std::string playlistsToJson(const PlaylistSet& playlists);

// The text listing: per playlist its name, " (active)" and/or " (playing)",
// then its items indented two spaces, each its path, " #n" for a subsong n
// other than 0, and " *" when selected.
// Every line ends with a line feed.
std::string playlistsToText(const PlaylistSet& playlists);

}  // namespace player

#endif  // VOSTREL_PLAYER_PLAYLISTS_H_
