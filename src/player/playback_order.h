// The order in which the player moves through the playing playlist.
//
//   PlaybackSequence sequence;
//   sequence.reset(PlaybackOrder::kShuffleAlbums, playlist.items, /*start=*/4, /*seed=*/7);
//   std::size_t item = sequence.next(4, Advance::kTrackEnded);   // kNoItem: stop
//
// Default plays the playlist once from top to bottom. Repeat playlist starts
// again at the top after the last item. Repeat track plays the same item
// again when it ends; Next and Previous still move through the playlist, round
// its ends. Shuffle tracks plays every item once in a random order, starting
// with the one started; shuffle albums does the same with albums (items with
// the same album artist, or artist, and album), each album's items in
// playlist order. Both shuffles stop after their last step, as Default does.
#ifndef VOSTREL_PLAYER_PLAYBACK_ORDER_H_
#define VOSTREL_PLAYER_PLAYBACK_ORDER_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "host/host.h"

namespace player {

enum class PlaybackOrder { kDefault, kRepeatPlaylist, kRepeatTrack, kShuffleTracks, kShuffleAlbums };

// Every order, in menu order.
inline constexpr std::array<PlaybackOrder, 5> kPlaybackOrders = {
    PlaybackOrder::kDefault, PlaybackOrder::kRepeatPlaylist, PlaybackOrder::kRepeatTrack,
    PlaybackOrder::kShuffleTracks, PlaybackOrder::kShuffleAlbums};

// The stored names: "default", "repeat_playlist", "repeat_track",
// "shuffle_tracks", "shuffle_albums".
std::string_view playbackOrderName(PlaybackOrder order);
// The order of a stored name; nullopt for any other text.
std::optional<PlaybackOrder> parsePlaybackOrder(std::string_view name);
// "Default", "Repeat playlist", ... as the menu shows them.
std::string_view playbackOrderLabel(PlaybackOrder order);

// Why playback moves on: the user asked (Next, Previous), or the track ended.
enum class Advance { kUser, kTrackEnded };

class PlaybackSequence {
 public:
  static constexpr std::size_t kNoItem = static_cast<std::size_t>(-1);

  // Lays out the order over `items` (the playing playlist). A shuffle starts
  // at `start` (an item index, or kNoItem for a random start) and draws its
  // steps from `seed`, so that the same seed gives the same sequence.
  void reset(PlaybackOrder order, const host::TrackList& items, std::size_t start, uint32_t seed);

  PlaybackOrder order() const { return order_; }
  std::size_t size() const { return count_; }

  // The item after, or before, `current` (an item index); kNoItem where the
  // order stops there.
  std::size_t next(std::size_t current, Advance advance) const;
  std::size_t previous(std::size_t current, Advance advance) const;

  // The shuffled items in playing order (empty for the orders that follow the
  // playlist).
  const std::vector<std::size_t>& steps() const { return steps_; }

 private:
  PlaybackOrder order_ = PlaybackOrder::kDefault;
  std::size_t count_ = 0;
  std::vector<std::size_t> steps_;  // shuffles: the items in playing order
  std::vector<std::size_t> step_of_;  // shuffles: each item's place in steps_
};

}  // namespace player

#endif  // VOSTREL_PLAYER_PLAYBACK_ORDER_H_
