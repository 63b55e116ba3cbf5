#include "player/playback_order.h"

#include <algorithm>
#include <map>
#include <random>
#include <string>

#include "host/track.h"

namespace player {
namespace {

struct OrderNames {
  PlaybackOrder order;
  std::string_view name;
  std::string_view label;
};

constexpr std::array<OrderNames, 5> kNames = {{
    {PlaybackOrder::kDefault, "default", "Default"},
    {PlaybackOrder::kRepeatPlaylist, "repeat_playlist", "Repeat playlist"},
    {PlaybackOrder::kRepeatTrack, "repeat_track", "Repeat track"},
    {PlaybackOrder::kShuffleTracks, "shuffle_tracks", "Shuffle tracks"},
    {PlaybackOrder::kShuffleAlbums, "shuffle_albums", "Shuffle albums"},
}};

const OrderNames& namesOf(PlaybackOrder order) {
  for (const OrderNames& names : kNames) {
    if (names.order == order) return names;
  }
  return kNames[0];
}

std::string firstValue(const host::Track& track, host::FieldId field) {
  if (field == host::kNoField) return {};
  host::FieldPtr info = track.findMeta(field);
  return info != nullptr && info->value_count > 0 ? std::string(info->values().front()) : std::string();
}

// The album an item belongs to: album artist (else artist) and album. Items
// without an album each form an album of their own.
std::string albumKey(const host::Track& track, std::size_t item) {
  static const host::FieldId album_field = host::findField("album");
  static const host::FieldId album_artist_field = host::findField("album artist");
  static const host::FieldId artist_field = host::findField("artist");
  const std::string album = firstValue(track, album_field);
  if (album.empty()) return std::string("\x01") + std::to_string(item);
  std::string artist = firstValue(track, album_artist_field);
  if (artist.empty()) artist = firstValue(track, artist_field);
  return artist + '\0' + album;
}

}  // namespace

std::string_view playbackOrderName(PlaybackOrder order) { return namesOf(order).name; }
std::string_view playbackOrderLabel(PlaybackOrder order) { return namesOf(order).label; }

std::optional<PlaybackOrder> parsePlaybackOrder(std::string_view name) {
  for (const OrderNames& names : kNames) {
    if (names.name == name) return names.order;
  }
  return std::nullopt;
}

void PlaybackSequence::reset(PlaybackOrder order, const host::TrackList& items, std::size_t start, uint32_t seed) {
  order_ = order;
  count_ = items.size();
  steps_.clear();
  step_of_.clear();
  if (order != PlaybackOrder::kShuffleTracks && order != PlaybackOrder::kShuffleAlbums) return;
  std::mt19937 random(seed);
  if (start >= count_) start = count_ == 0 ? kNoItem : std::uniform_int_distribution<std::size_t>(0, count_ - 1)(random);

  // Groups of items that play together: one item each, or one album each.
  std::vector<std::vector<std::size_t>> groups;
  if (order == PlaybackOrder::kShuffleTracks) {
    groups.reserve(count_);
    for (std::size_t i = 0; i < count_; ++i) groups.push_back({i});
  } else {
    std::map<std::string, std::size_t> group_of;
    for (std::size_t i = 0; i < count_; ++i) {
      const auto [it, added] = group_of.try_emplace(albumKey(*items[i], i), groups.size());
      if (added) groups.emplace_back();
      groups[it->second].push_back(i);
    }
  }
  std::shuffle(groups.begin(), groups.end(), random);
  // The started item's group plays first, from the started item on; its
  // items before the started one play last.
  std::vector<std::size_t> tail;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const auto found = std::find(groups[g].begin(), groups[g].end(), start);
    if (found == groups[g].end()) continue;
    tail.assign(groups[g].begin(), found);
    groups[g].erase(groups[g].begin(), found);
    std::rotate(groups.begin(), groups.begin() + static_cast<std::ptrdiff_t>(g),
                groups.begin() + static_cast<std::ptrdiff_t>(g) + 1);
    break;
  }
  steps_.reserve(count_);
  for (const std::vector<std::size_t>& group : groups) steps_.insert(steps_.end(), group.begin(), group.end());
  steps_.insert(steps_.end(), tail.begin(), tail.end());
  step_of_.assign(count_, 0);
  for (std::size_t s = 0; s < steps_.size(); ++s) step_of_[steps_[s]] = s;
}

std::size_t PlaybackSequence::next(std::size_t current, Advance advance) const {
  if (current >= count_) return kNoItem;
  switch (order_) {
    case PlaybackOrder::kDefault:
      return current + 1 < count_ ? current + 1 : kNoItem;
    case PlaybackOrder::kRepeatPlaylist:
      return current + 1 < count_ ? current + 1 : 0;
    case PlaybackOrder::kRepeatTrack:
      if (advance == Advance::kTrackEnded) return current;
      return current + 1 < count_ ? current + 1 : 0;
    case PlaybackOrder::kShuffleTracks:
    case PlaybackOrder::kShuffleAlbums: {
      const std::size_t step = step_of_[current];
      return step + 1 < steps_.size() ? steps_[step + 1] : kNoItem;
    }
  }
  return kNoItem;
}

std::size_t PlaybackSequence::previous(std::size_t current, Advance advance) const {
  if (current >= count_) return kNoItem;
  switch (order_) {
    case PlaybackOrder::kDefault:
      return current > 0 ? current - 1 : kNoItem;
    case PlaybackOrder::kRepeatPlaylist:
      return current > 0 ? current - 1 : count_ - 1;
    case PlaybackOrder::kRepeatTrack:
      if (advance == Advance::kTrackEnded) return current;
      return current > 0 ? current - 1 : count_ - 1;
    case PlaybackOrder::kShuffleTracks:
    case PlaybackOrder::kShuffleAlbums: {
      const std::size_t step = step_of_[current];
      return step > 0 ? steps_[step - 1] : kNoItem;
    }
  }
  return kNoItem;
}

}  // namespace player
