// The player's compound playlist operations (crop, copy, move between
// playlists, send, sort) and the replay of undo steps; see player.h.
#include <algorithm>
#include <limits>
#include <numeric>

#include "host/natural_compare.h"
#include "player/player.h"
#include "profile/data_error.h"

namespace player {
namespace {

std::string inQuotes(std::string_view name) { return "\"" + std::string(name) + "\""; }

// The part of a new order (for each new position, the old index) that
// moved: items before `first` and after the returned window kept their
// places. The window's entries are relative to `first`.
std::vector<uint32_t> changedWindow(const std::vector<std::size_t>& order, std::size_t& first) {
  std::size_t begin = 0;
  std::size_t end = order.size();
  while (begin < end && order[begin] == begin) ++begin;
  while (end > begin && order[end - 1] == end - 1) --end;
  first = begin;
  std::vector<uint32_t> window(end - begin);
  for (std::size_t i = begin; i < end; ++i) window[i - begin] = static_cast<uint32_t>(order[i] - begin);
  return window;
}

std::vector<uint32_t> inverse(const std::vector<uint32_t>& order) {
  std::vector<uint32_t> result(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) result[order[i]] = static_cast<uint32_t>(i);
  return result;
}

}  // namespace

Edit Player::edit(EditOp op, std::size_t playlist) const {
  Edit result;
  result.op = op;
  result.playlist = playlist;
  result.list_name = playlists_.at(playlist).name;
  return result;
}

void Player::cropItems(std::size_t playlist, std::vector<std::size_t> keep) {
  const std::size_t count = playlists_.at(playlist).items.size();
  if (keep.empty()) return;
  std::vector<bool> kept(count, false);
  for (std::size_t i : keep) {
    if (i >= count)
      throw profile::DataError("No item " + std::to_string(i) + " in playlist " +
                               inQuotes(playlists_.at(playlist).name));
    kept[i] = true;
  }
  std::vector<std::size_t> gone;
  for (std::size_t i = 0; i < count; ++i) {
    if (!kept[i]) gone.push_back(i);
  }
  removeItems(playlist, std::move(gone), EditOp::kCrop);
}

void Player::moveItems(std::size_t playlist, std::vector<std::size_t> items, std::size_t before) {
  const std::vector<std::size_t> order = playlists_.moveItems(playlist, std::move(items), before);
  if (playlist == playlists_.playing() && playing_item_ != kNoItem) {
    playing_item_ = static_cast<std::size_t>(std::find(order.begin(), order.end(), playing_item_) - order.begin());
  }
  Edit moved = edit(EditOp::kMove, playlist);
  moved.order = changedWindow(order, moved.first);
  if (!moved.order.empty()) journal_.record(std::move(moved));
  raise(host::PlaylistEvent::kItemsReordered, playlist, 0, order.size());
}

std::size_t Player::copyItems(std::size_t source, std::vector<std::size_t> items, std::size_t target,
                              std::size_t before, bool select) {
  const Playlist& from = playlists_.at(source);
  playlists_.at(target);
  std::sort(items.begin(), items.end());
  items.erase(std::unique(items.begin(), items.end()), items.end());
  host::TrackList tracks;
  tracks.reserve(items.size());
  for (std::size_t i : items) {
    if (i >= from.items.size())
      throw profile::DataError("No item " + std::to_string(i) + " in playlist " + inQuotes(from.name));
    tracks.push_back(from.items[i]);
  }
  return insertTracks(target, before, tracks, select, EditOp::kCopy);
}

void Player::moveItemsTo(std::size_t source, std::vector<std::size_t> items, std::size_t target, std::size_t before) {
  if (source == target) return moveItems(source, std::move(items), before);
  EditScope scope(*this, "Move to " + inQuotes(playlists_.at(target).name));
  copyItems(source, items, target, before, false);
  removeItems(source, std::move(items));
}

void Player::replaceItems(std::size_t playlist, const host::TrackList& tracks, bool select) {
  EditScope scope(*this);
  removeAllItems(playlist);
  insertItems(playlist, 0, tracks, select);
}

void Player::sortItems(std::size_t playlist, const std::vector<std::string>& keys, bool descending,
                       std::string_view by) {
  const Playlist& list = playlists_.at(playlist);
  if (keys.size() != list.items.size()) {
    throw profile::DataError("Sorting playlist " + inQuotes(list.name) + " of " + std::to_string(list.items.size()) +
                             " items by " + std::to_string(keys.size()) + " keys");
  }
  if (keys.size() > std::numeric_limits<uint32_t>::max()) {
    throw profile::DataError("Playlist " + inQuotes(list.name) + " is too long to sort");
  }
  // The keys sit beside their indexes, so that comparisons do not chase
  // them through the caller's vector. Stable both ways: equal keys keep
  // their order, also when descending.
  std::vector<std::pair<std::string_view, std::size_t>> entries(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) entries[i] = {keys[i], i};
  std::stable_sort(entries.begin(), entries.end(), [descending](const auto& a, const auto& b) {
    const int c = host::naturalCompare(a.first, b.first);
    return descending ? c > 0 : c < 0;
  });
  std::vector<std::size_t> order(keys.size());
  for (std::size_t i = 0; i < entries.size(); ++i) order[i] = entries[i].second;
  Edit sorted = edit(EditOp::kSort, playlist);
  sorted.order = changedWindow(order, sorted.first);
  sorted.name = by;
  sorted.descending = descending;
  if (sorted.order.empty()) return;
  permuteItems(playlist, sorted.first, sorted.order);
  journal_.record(std::move(sorted));
}

void Player::permuteItems(std::size_t playlist, std::size_t first, const std::vector<uint32_t>& order) {
  playlists_.permuteItems(playlist, first, order);
  if (playlist == playlists_.playing() && playing_item_ != kNoItem && playing_item_ >= first &&
      playing_item_ - first < order.size()) {
    const auto old = static_cast<uint32_t>(playing_item_ - first);
    playing_item_ = first + static_cast<std::size_t>(std::find(order.begin(), order.end(), old) - order.begin());
  }
  raise(host::PlaylistEvent::kItemsReordered, playlist, 0, playlists_.at(playlist).items.size());
}

void Player::restoreItems(const Edit& edit) {
  playlists_.restoreItems(edit.playlist, edit.indexes, edit.tracks, edit.selected);
  if (edit.playlist == playlists_.playing() && playing_item_ != kNoItem) {
    for (std::size_t index : edit.indexes) {
      if (index <= playing_item_) ++playing_item_;
    }
  }
  // Contiguous ranges, lowest first, so that every range is valid when it
  // arrives.
  std::size_t begin = 0;
  while (begin < edit.indexes.size()) {
    std::size_t end = begin + 1;
    while (end < edit.indexes.size() && edit.indexes[end] == edit.indexes[end - 1] + 1) ++end;
    raise(host::PlaylistEvent::kItemsAdded, edit.playlist, edit.indexes[begin], end - begin);
    begin = end;
  }
}

void Player::restorePlaylist(std::size_t index, Playlist playlist) {
  playlists_.insert(index, std::move(playlist));
  raise(host::PlaylistEvent::kPlaylistCreated, index);
}

bool Player::undo() { return replay(true); }
bool Player::redo() { return replay(false); }

bool Player::replay(bool undo) {
  if (journal_.inScope()) return false;
  journal_.closeOpenStep();
  if (undo ? !journal_.canUndo() : !journal_.canRedo()) return false;
  const EditStep& step = undo ? journal_.undoStep() : journal_.redoStep();
  journal_.setReplaying(true);
  try {
    if (undo) {
      for (auto edit = step.edits.rbegin(); edit != step.edits.rend(); ++edit) apply(*edit, true);
    } else {
      for (const Edit& edit : step.edits) apply(edit, false);
    }
  } catch (const std::exception& e) {
    journal_.setReplaying(false);
    const std::string label = step.label;
    journal_.clear();
    consoleLine(std::string("[vostrel] ") + (undo ? "Undo " : "Redo ") + label + " failed (" + e.what() +
                "); the undo history was cleared.");
    return false;
  }
  journal_.setReplaying(false);
  if (undo) {
    journal_.markUndone();
  } else {
    journal_.markRedone();
  }
  return true;
}

void Player::apply(const Edit& edit, bool undo) {
  const std::size_t p = edit.playlist;
  switch (edit.op) {
    case EditOp::kAdd:
    case EditOp::kInsert:
    case EditOp::kCopy:
      if (undo) {
        std::vector<std::size_t> items(edit.tracks.size());
        std::iota(items.begin(), items.end(), edit.first);
        removeItems(p, std::move(items));
      } else {
        insertItems(p, edit.first, edit.tracks, !edit.selected.empty() && edit.selected.front());
      }
      break;
    case EditOp::kClear:
    case EditOp::kRemove:
    case EditOp::kCrop:
      if (undo) {
        restoreItems(edit);
      } else {
        removeItems(p, edit.indexes);
      }
      break;
    case EditOp::kMove:
    case EditOp::kSort:
      permuteItems(p, edit.first, undo ? inverse(edit.order) : edit.order);
      break;
    case EditOp::kSelect:
      setSelection(p, undo ? edit.selected : edit.selected_after);
      break;
    case EditOp::kCreate:
      if (undo) {
        removePlaylist(p);
      } else {
        restorePlaylist(p, Playlist{edit.list_name, {}, {}});
      }
      break;
    case EditOp::kRename:
      renamePlaylist(p, undo ? edit.list_name : edit.name);
      break;
    case EditOp::kClose:
      if (undo) {
        restorePlaylist(p, Playlist{edit.list_name, edit.tracks, edit.selected});
        if (edit.was_active) setActivePlaylist(p);
      } else {
        removePlaylist(p);
      }
      break;
    case EditOp::kMovePlaylist:
      if (undo) {
        movePlaylist(edit.first, p);
      } else {
        movePlaylist(p, edit.first);
      }
      break;
  }
}

}  // namespace player
