// Playlists in memory, their stored form and their listings; see playlists.h.
#include "player/playlists.h"

#include <algorithm>
#include <memory>

#include "host/track_builder.h"
#include "profile/data_error.h"
#include "profile/json_reader.h"
#include "profile/profile.h"

namespace player {
namespace {

[[noreturn]] void noPlaylist(std::size_t playlist, std::size_t count) {
  throw profile::DataError("No playlist " + std::to_string(playlist) + " (there are " + std::to_string(count) + ")");
}

// The index a playlist at `index` has after the one at `removed` is removed.
std::size_t afterRemoval(std::size_t index, std::size_t removed) {
  if (index == host::kNoPlaylist || index < removed) return index;
  return index == removed ? host::kNoPlaylist : index - 1;
}

}  // namespace

const Playlist& PlaylistSet::at(std::size_t playlist) const {
  if (playlist >= playlists_.size()) noPlaylist(playlist, playlists_.size());
  return playlists_[playlist];
}

Playlist& PlaylistSet::mutableAt(std::size_t playlist) {
  if (playlist >= playlists_.size()) noPlaylist(playlist, playlists_.size());
  return playlists_[playlist];
}

void PlaylistSet::setActive(std::size_t playlist) {
  if (playlist != host::kNoPlaylist) at(playlist);
  active_ = playlist;
}

void PlaylistSet::setPlaying(std::size_t playlist) {
  if (playlist != host::kNoPlaylist) at(playlist);
  playing_ = playlist;
}

std::size_t PlaylistSet::create(std::string_view name) {
  playlists_.push_back({std::string(name), {}, {}});
  return playlists_.size() - 1;
}

void PlaylistSet::insert(std::size_t index, Playlist playlist) {
  if (index > playlists_.size()) noPlaylist(index, playlists_.size());
  if (playlist.selected.size() != playlist.items.size()) playlist.selected.assign(playlist.items.size(), false);
  playlists_.insert(playlists_.begin() + static_cast<std::ptrdiff_t>(index), std::move(playlist));
  auto follow = [index](std::size_t i) { return i != host::kNoPlaylist && i >= index ? i + 1 : i; };
  active_ = follow(active_);
  playing_ = follow(playing_);
}

void PlaylistSet::remove(std::size_t playlist) {
  at(playlist);
  playlists_.erase(playlists_.begin() + static_cast<std::ptrdiff_t>(playlist));
  active_ = afterRemoval(active_, playlist);
  playing_ = afterRemoval(playing_, playlist);
}

void PlaylistSet::rename(std::size_t playlist, std::string_view name) { mutableAt(playlist).name = name; }

void PlaylistSet::move(std::size_t from, std::size_t to) {
  at(from);
  at(to);
  if (from == to) return;
  auto follow = [from, to](std::size_t index) {
    if (index == host::kNoPlaylist) return index;
    if (index == from) return to;
    if (from < to && index > from && index <= to) return index - 1;
    if (to < from && index >= to && index < from) return index + 1;
    return index;
  };
  Playlist moved = std::move(playlists_[from]);
  playlists_.erase(playlists_.begin() + static_cast<std::ptrdiff_t>(from));
  playlists_.insert(playlists_.begin() + static_cast<std::ptrdiff_t>(to), std::move(moved));
  active_ = follow(active_);
  playing_ = follow(playing_);
}

std::size_t PlaylistSet::insertionPoint(std::size_t playlist) const {
  const Playlist& list = at(playlist);
  for (std::size_t i = list.selected.size(); i > 0; --i) {
    if (list.selected[i - 1]) return i;
  }
  return list.items.size();
}

void PlaylistSet::removeAllItems(std::size_t playlist) {
  Playlist& list = mutableAt(playlist);
  list.items.clear();
  list.selected.clear();
}

std::size_t PlaylistSet::insertItems(std::size_t playlist, std::size_t position, const host::TrackList& tracks,
                                     bool select) {
  Playlist& list = mutableAt(playlist);
  position = std::min(position, list.items.size());
  const auto offset = static_cast<std::ptrdiff_t>(position);
  list.items.insert(list.items.begin() + offset, tracks.begin(), tracks.end());
  list.selected.insert(list.selected.begin() + offset, tracks.size(), select);
  return position;
}

void PlaylistSet::setSelected(std::size_t playlist, std::size_t item, bool selected) {
  Playlist& list = mutableAt(playlist);
  if (item >= list.items.size()) {
    throw profile::DataError("No item " + std::to_string(item) + " in playlist \"" + list.name + "\"");
  }
  list.selected[item] = selected;
}

void PlaylistSet::setSelection(std::size_t playlist, std::vector<bool> selected) {
  Playlist& list = mutableAt(playlist);
  if (selected.size() != list.items.size()) {
    throw profile::DataError("A selection of " + std::to_string(selected.size()) + " flags for playlist \"" +
                             list.name + "\" of " + std::to_string(list.items.size()) + " items");
  }
  list.selected = std::move(selected);
}

namespace {

// Sorted, unique, and every index below `count`; throws otherwise.
void normaliseItems(std::vector<std::size_t>& items, const Playlist& list) {
  std::sort(items.begin(), items.end());
  items.erase(std::unique(items.begin(), items.end()), items.end());
  if (!items.empty() && items.back() >= list.items.size()) {
    throw profile::DataError("No item " + std::to_string(items.back()) + " in playlist \"" + list.name + "\"");
  }
}

}  // namespace

std::vector<std::size_t> PlaylistSet::removeItems(std::size_t playlist, std::vector<std::size_t> items,
                                                  Playlist* removed) {
  Playlist& list = mutableAt(playlist);
  normaliseItems(items, list);
  if (removed != nullptr) {
    removed->items.clear();
    removed->selected.clear();
    removed->items.reserve(items.size());
    for (std::size_t i : items) {
      removed->items.push_back(list.items[i]);
      removed->selected.push_back(list.selected[i]);
    }
  }
  std::size_t kept = 0;
  std::size_t next = 0;  // index into `items`
  for (std::size_t i = 0; i < list.items.size(); ++i) {
    if (next < items.size() && items[next] == i) {
      ++next;
      continue;
    }
    list.items[kept] = std::move(list.items[i]);
    list.selected[kept] = list.selected[i];
    ++kept;
  }
  list.items.resize(kept);
  list.selected.resize(kept);
  return items;
}

void PlaylistSet::restoreItems(std::size_t playlist, const std::vector<std::size_t>& indexes,
                               const host::TrackList& tracks_back, const std::vector<bool>& selected_back) {
  Playlist& list = mutableAt(playlist);
  const std::size_t total = list.items.size() + indexes.size();
  const bool valid = indexes.size() == tracks_back.size() && selected_back.size() == tracks_back.size() &&
                     std::is_sorted(indexes.begin(), indexes.end()) &&
                     std::adjacent_find(indexes.begin(), indexes.end()) == indexes.end() &&
                     (indexes.empty() || indexes.back() < total);
  if (!valid) throw profile::DataError("Items cannot be put back into playlist \"" + list.name + "\"");
  host::TrackList tracks;
  std::vector<bool> selected;
  tracks.reserve(total);
  selected.reserve(total);
  std::size_t next = 0;  // into `indexes`
  std::size_t kept = 0;  // into the list as it is
  for (std::size_t i = 0; i < total; ++i) {
    if (next < indexes.size() && indexes[next] == i) {
      tracks.push_back(tracks_back[next]);
      selected.push_back(selected_back[next]);
      ++next;
    } else {
      tracks.push_back(std::move(list.items[kept]));
      selected.push_back(list.selected[kept]);
      ++kept;
    }
  }
  list.items = std::move(tracks);
  list.selected = std::move(selected);
}

void PlaylistSet::permuteItems(std::size_t playlist, std::size_t first, const std::vector<uint32_t>& order) {
  Playlist& list = mutableAt(playlist);
  std::vector<bool> seen(order.size(), false);
  bool valid = first <= list.items.size() && order.size() <= list.items.size() - first;
  for (std::size_t i = 0; valid && i < order.size(); ++i) {
    valid = order[i] < order.size() && !seen[order[i]];
    if (valid) seen[order[i]] = true;
  }
  if (!valid) throw profile::DataError("Not an order of the items of playlist \"" + list.name + "\"");
  host::TrackList tracks(order.size());
  std::vector<bool> selected(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    tracks[i] = std::move(list.items[first + order[i]]);
    selected[i] = list.selected[first + order[i]];
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    list.items[first + i] = std::move(tracks[i]);
    list.selected[first + i] = selected[i];
  }
}

std::vector<std::size_t> PlaylistSet::moveItems(std::size_t playlist, std::vector<std::size_t> items,
                                                std::size_t before) {
  Playlist& list = mutableAt(playlist);
  normaliseItems(items, list);
  before = std::min(before, list.items.size());
  std::vector<bool> moving(list.items.size(), false);
  for (std::size_t i : items) moving[i] = true;
  std::vector<std::size_t> order;
  order.reserve(list.items.size());
  for (std::size_t i = 0; i < before; ++i) {
    if (!moving[i]) order.push_back(i);
  }
  order.insert(order.end(), items.begin(), items.end());
  for (std::size_t i = before; i < list.items.size(); ++i) {
    if (!moving[i]) order.push_back(i);
  }
  host::TrackList tracks;
  std::vector<bool> selected;
  tracks.reserve(order.size());
  selected.reserve(order.size());
  for (std::size_t i : order) {
    tracks.push_back(std::move(list.items[i]));
    selected.push_back(list.selected[i]);
  }
  list.items = std::move(tracks);
  list.selected = std::move(selected);
  return order;
}

std::size_t TrackIndex::KeyHash::operator()(const Key& key) const {
  return std::hash<std::string_view>()(key.path) ^ (static_cast<std::size_t>(key.subsong) * 0x9E3779B97F4A7C15ull);
}

void TrackIndex::prepare(const std::vector<library::PlaylistRef>& playlists) const {
  // A cheap first test per library track: a bit per (path length, last
  // byte) among the wanted locations, so that most tracks are passed over
  // without hashing their path.
  constexpr std::size_t kBits = 4096;
  auto signature = [](std::string_view path) {
    return (path.size() * 257 + static_cast<unsigned char>(path.empty() ? 0 : path.back())) % kBits;
  };
  std::vector<bool> maybe(kBits);
  std::size_t added = 0;
  for (const library::PlaylistRef& playlist : playlists) {
    for (const library::ItemRef& item : playlist.items) {
      if (wanted_.contains(Key{item.path, item.subsong})) continue;
      wanted_.emplace(Key{wanted_paths_.emplace_back(item.path), item.subsong}, nullptr);
      maybe[signature(item.path)] = true;
      ++added;
    }
  }
  if (added == 0) return;
  for (const host::TrackHandle& track : library_) {
    const std::string_view path = track->path();
    if (!maybe[signature(path)]) continue;
    const auto it = wanted_.find(Key{path, track->subsong()});
    if (it != wanted_.end() && it->second == nullptr) it->second = &track;
  }
}

host::TrackHandle TrackIndex::find(std::string_view path, uint32_t subsong) const {
  if (const auto it = wanted_.find(Key{path, subsong}); it != wanted_.end()) {
    return it->second == nullptr ? nullptr : *it->second;
  }
  if (!built_) {
    tracks_.reserve(library_.size());
    for (const host::TrackHandle& track : library_) tracks_.try_emplace(Key{track->path(), track->subsong()}, &track);
    built_ = true;
  }
  const auto it = tracks_.find(Key{path, subsong});
  return it == tracks_.end() ? nullptr : *it->second;
}

PlaylistSet resolvePlaylists(std::vector<library::PlaylistRef> playlists, std::size_t active, std::size_t playing,
                             const TrackIndex& library) {
  PlaylistSet result;
  library.prepare(playlists);
  // Items that are not in the library get records of their own.
  host::TrackBuilder builder;
  for (library::PlaylistRef& stored : playlists) {
    const std::size_t index = result.create(stored.name);
    host::TrackList items;
    items.reserve(stored.items.size());
    for (library::ItemRef& item : stored.items) {
      host::TrackHandle track = library.find(item.path, item.subsong);
      if (track == nullptr) {
        const host::FileStats stats = profile::statFile(item.path);
        builder.setPath(item.path);
        builder.setSubsong(item.subsong);
        builder.setSize(stats.size);
        builder.setMtime(stats.mtime);
        track = builder.build();
      }
      items.push_back(std::move(track));
    }
    result.insertItems(index, 0, items, false);
    for (std::size_t i = 0; i < stored.items.size(); ++i) {
      if (stored.items[i].selected) result.setSelected(index, i, true);
    }
  }
  result.setActive(active);
  result.setPlaying(playing);
  return result;
}

std::string playlistsToJson(const PlaylistSet& playlists) {
  auto index = [](std::size_t i) { return i == host::kNoPlaylist ? std::string("-1") : std::to_string(i); };
  std::string out = "{\"active\":" + index(playlists.active()) + ",\"playing\":" + index(playlists.playing()) +
                    ",\"playlists\":[";
  for (std::size_t p = 0; p < playlists.count(); ++p) {
    const Playlist& list = playlists.at(p);
    if (p > 0) out += ',';
    out += "{\"name\":";
    profile::appendJsonString(out, list.name);
    out += ",\"items\":[";
    for (std::size_t i = 0; i < list.items.size(); ++i) {
      if (i > 0) out += ',';
      out += "{\"path\":";
      profile::appendJsonString(out, list.items[i]->path());
      out += ",\"subsong\":";
      out += std::to_string(list.items[i]->subsong());
      out += list.selected[i] ? ",\"selected\":true}" : ",\"selected\":false}";
    }
    out += "]}";
  }
  out += "]}";
  return out;
}

std::string playlistsToText(const PlaylistSet& playlists) {
  std::string out;
  for (std::size_t p = 0; p < playlists.count(); ++p) {
    const Playlist& list = playlists.at(p);
    out += list.name;
    if (p == playlists.active()) out += " (active)";
    if (p == playlists.playing()) out += " (playing)";
    out += '\n';
    for (std::size_t i = 0; i < list.items.size(); ++i) {
      out += "  ";
      out += list.items[i]->path();
      if (list.items[i]->subsong() != 0) out += " #" + std::to_string(list.items[i]->subsong());
      if (list.selected[i]) out += " *";
      out += '\n';
    }
  }
  return out;
}

}  // namespace player
