#include "mpd/browse.h"

#include <algorithm>

#include "library/file_uri.h"
#include "mpd/protocol.h"
#include "mpd/tags.h"
#include "player/player.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "tree/query_result_node.h"
#include "tree/tree_item.h"
#include "tree/tree_node.h"

namespace mpd {
namespace {

constexpr std::string_view kSlashSign = "\xE2\x88\x95";  // U+2215

[[noreturn]] void noSuch(std::string_view path) {
  throw Ack(AckError::kNoExist, "No such directory or file: \"" + std::string(path) + "\"");
}

std::string_view trimSlashes(std::string_view path) {
  while (!path.empty() && path.front() == '/') path.remove_prefix(1);
  while (!path.empty() && path.back() == '/') path.remove_suffix(1);
  return path;
}

std::string childPath(const std::string& parent, std::string_view name) {
  return parent.empty() ? std::string(name) : parent + "/" + std::string(name);
}

}  // namespace

std::string escapeLabel(std::string_view label) {
  std::string out;
  out.reserve(label.size());
  for (const char c : label) {
    if (c == '/') {
      out += kSlashSign;
    } else if (c == '\n' || c == '\r') {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

// The library's files sorted by their path (without the leading "/").
struct Browser::FileIndex {
  struct Entry {
    std::string path;
    host::TrackHandle track;
  };
  std::vector<Entry> entries;

  // The entries whose path is `relative` or lies below it.
  std::pair<std::size_t, std::size_t> range(std::string_view relative) const {
    if (relative.empty()) return {0, entries.size()};
    const auto less = [](const Entry& entry, std::string_view key) { return entry.path < key; };
    const auto first = std::lower_bound(entries.begin(), entries.end(), relative, less);
    auto last = first;
    if (last != entries.end() && last->path == relative) return {first - entries.begin(), first - entries.begin() + 1};
    const std::string prefix = std::string(relative) + "/";
    while (last != entries.end() && last->path.compare(0, prefix.size(), prefix) == 0) ++last;
    return {first - entries.begin(), last - entries.begin()};
  }
};

Browser::Browser(tree::Panel& panel, const player::Player& player) : panel_(panel), player_(player) {}
Browser::~Browser() = default;

void Browser::libraryChanged() { files_.reset(); }

const Browser::FileIndex& Browser::files() {
  if (files_) return *files_;
  files_ = std::make_unique<FileIndex>();
  const host::TrackList& library = player_.library();
  files_->entries.reserve(library.size());
  for (const host::TrackHandle& track : library) {
    std::string path = trackUri(*track).substr(kFilesDirectory.size() + 1);
    files_->entries.push_back({std::move(path), track});
  }
  std::stable_sort(files_->entries.begin(), files_->entries.end(),
                   [](const FileIndex::Entry& a, const FileIndex::Entry& b) { return a.path < b.path; });
  return *files_;
}

void Browser::checkIdle() const {
  if (panel_.database().IsBusy() || panel_.queryActive()) {
    throw Ack(AckError::kSystem, "a query of the tree is running; try again when it has ended");
  }
}

void Browser::prepare(tree::TreeNode& node) {
  if (node.type() != tree::NodeType::kQuery) return;
  auto& query = static_cast<tree::QueryNode&>(node);
  if (!query.hasRun() || (query.stale() && query.definition().refresh_on_use)) {
    if (!query.refresh(false)) throw Ack(AckError::kSystem, "the query of \"" + node.label() + "\" failed");
  }
}

tree::TreeItem* Browser::findItem(std::string_view path) {
  const std::string_view rest_all = trimSlashes(path);
  tree::TreeItem* item = nullptr;
  std::string_view rest = rest_all;
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string_view name = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    tree::TreeItem* parent = item == nullptr ? panel_.control().top() : item;
    if (item != nullptr && item->node() != nullptr) prepare(*item->node());
    tree::TreeItem* found = nullptr;
    for (std::size_t i = 0; i < parent->childCount() && found == nullptr; ++i) {
      tree::TreeItem* child = parent->child(i);
      if (child->node() != nullptr && escapeLabel(child->node()->label()) == name) found = child;
    }
    if (found == nullptr) noSuch(path);
    item = found;
  }
  return item;
}

void Browser::listInfo(std::string_view path, uint32_t tags, std::string& out) {
  const std::string_view trimmed = trimSlashes(path);
  if (trimmed == kFilesDirectory || trimmed.starts_with(std::string(kFilesDirectory) + "/")) {
    listFiles(trimmed.substr(std::min(trimmed.size(), kFilesDirectory.size() + 1)), false, true, tags, out);
    return;
  }
  checkIdle();
  tree::TreeItem* item = findItem(trimmed);
  if (item == nullptr) appendPair(out, "directory", kFilesDirectory);
  listItem(item, std::string(trimmed), false, true, tags, out);
}

void Browser::listAll(std::string_view path, bool info, uint32_t tags, std::string& out) {
  const std::string_view trimmed = trimSlashes(path);
  if (trimmed == kFilesDirectory || trimmed.starts_with(std::string(kFilesDirectory) + "/")) {
    listFiles(trimmed.substr(std::min(trimmed.size(), kFilesDirectory.size() + 1)), true, info, tags, out);
    return;
  }
  checkIdle();
  tree::TreeItem* item = findItem(trimmed);
  if (item == nullptr) {
    appendPair(out, "directory", kFilesDirectory);
    listFiles("", true, info, tags, out);
  } else if (item->node() != nullptr) {
    prepare(*item->node());
  }
  listItem(item, std::string(trimmed), true, info, tags, out);
}

void Browser::listItem(tree::TreeItem* item, const std::string& path, bool recursive, bool info, uint32_t tags,
                       std::string& out) {
  tree::TreeItem* parent = item == nullptr ? panel_.control().top() : item;
  // A listing below the node asked for shows what has run: running every
  // query of a tree (its batches among them) is more than a listing asks.
  if (item != nullptr && item->node() != nullptr && !recursive) prepare(*item->node());
  const tree::TreeNode* node = item == nullptr ? nullptr : item->node();
  const bool has_tracks =
      node != nullptr && (node->type() == tree::NodeType::kQueryResult ||
                          (node->type() == tree::NodeType::kQuery &&
                           (!recursive || static_cast<const tree::QueryNode*>(node)->hasRun())));
  if (parent->childCount() == 0 && has_tracks) {
    host::TrackList tracks;
    nodeTracks(*item->node(), tracks);
    for (const host::TrackHandle& track : tracks) {
      if (info) {
        appendSong(out, *track, tags);
      } else {
        appendPair(out, "file", trackUri(*track));
      }
    }
    return;
  }
  for (std::size_t i = 0; i < parent->childCount(); ++i) {
    tree::TreeItem* child = parent->child(i);
    if (child->node() == nullptr) continue;
    const std::string child_path = childPath(path, escapeLabel(child->node()->label()));
    appendPair(out, "directory", child_path);
    if (recursive) listItem(child, child_path, true, info, tags, out);
  }
}

void Browser::nodeTracks(tree::TreeNode& node, host::TrackList& tracks) {
  prepare(node);
  bool complete = true;
  if (node.type() == tree::NodeType::kQuery) {
    complete = static_cast<tree::QueryNode&>(node).collectTracks({}, tracks);
  } else if (node.type() == tree::NodeType::kQueryResult) {
    std::vector<std::string> path;
    tree::QueryNode* query = tree::resultPath(static_cast<tree::QueryResultNode&>(node), path);
    if (query != nullptr) complete = query->collectTracks(path, tracks);
  } else if (node.item() != nullptr) {
    // A folder: the tracks of every query node below it, in the tree's order.
    for (std::size_t i = 0; i < node.item()->childCount(); ++i) {
      tree::TreeNode* child = node.item()->child(i)->node();
      if (child != nullptr) nodeTracks(*child, tracks);
    }
  }
  if (!complete) throw Ack(AckError::kSystem, "the tracks of \"" + node.label() + "\" could not be collected");
}

void Browser::listFiles(std::string_view relative, bool recursive, bool info, uint32_t tags, std::string& out) {
  const FileIndex& index = files();
  const auto [first, last] = index.range(relative);
  if (first == last && !relative.empty()) noSuch(std::string(kFilesDirectory) + "/" + std::string(relative));
  const std::size_t skip = relative.empty() ? 0 : relative.size() + 1;
  const std::string base = std::string(kFilesDirectory) + (relative.empty() ? "" : "/" + std::string(relative));
  std::string last_directory;
  for (std::size_t i = first; i < last; ++i) {
    const FileIndex::Entry& entry = index.entries[i];
    if (entry.path.size() <= skip) {
      // The path names a file, not a folder.
      if (info) {
        appendSong(out, *entry.track, tags);
      } else {
        appendPair(out, "file", trackUri(*entry.track));
      }
      continue;
    }
    const std::string_view below = std::string_view(entry.path).substr(skip);
    const std::size_t slash = below.find('/');
    if (slash == std::string_view::npos) {
      if (info) {
        appendSong(out, *entry.track, tags);
      } else {
        appendPair(out, "file", trackUri(*entry.track));
      }
      continue;
    }
    if (recursive) {
      // Each folder on the way once, before its files.
      const std::string_view directory = below.substr(0, below.rfind('/'));
      std::size_t at = 0;
      while (at != std::string_view::npos) {
        at = directory.find('/', at + (at == 0 ? 0 : 1));
        const std::string_view prefix = directory.substr(0, at);
        const bool seen = last_directory == prefix ||
                          (last_directory.size() > prefix.size() && last_directory.starts_with(prefix) &&
                           last_directory[prefix.size()] == '/');
        if (!seen) appendPair(out, "directory", base + "/" + std::string(prefix));
      }
      last_directory = std::string(directory);
      if (info) {
        appendSong(out, *entry.track, tags);
      } else {
        appendPair(out, "file", trackUri(*entry.track));
      }
      continue;
    }
    const std::string_view directory = below.substr(0, slash);
    if (directory != last_directory) {
      last_directory = std::string(directory);
      appendPair(out, "directory", base + "/" + last_directory);
    }
  }
}

host::TrackList Browser::tracks(std::string_view path) {
  std::string_view relative;
  std::string decoded;
  if (path.starts_with("file://") || path.starts_with("/")) {
    decoded = library::uriFilePath(path).string();
    relative = trimSlashes(decoded);
  } else {
    const std::string_view trimmed = trimSlashes(path);
    if (trimmed == kFilesDirectory || trimmed.starts_with(std::string(kFilesDirectory) + "/")) {
      relative = trimmed.substr(std::min(trimmed.size(), kFilesDirectory.size() + 1));
    } else {
      checkIdle();
      tree::TreeItem* item = findItem(trimmed);
      host::TrackList tracks;
      if (item == nullptr) {
        for (std::size_t i = 0; i < panel_.control().top()->childCount(); ++i) {
          tree::TreeNode* node = panel_.control().top()->child(i)->node();
          if (node != nullptr) nodeTracks(*node, tracks);
        }
      } else if (item->node() != nullptr) {
        nodeTracks(*item->node(), tracks);
      }
      return tracks;
    }
  }
  const FileIndex& index = files();
  const auto [first, last] = index.range(relative);
  if (first == last) noSuch(path);
  host::TrackList tracks;
  for (std::size_t i = first; i < last; ++i) tracks.push_back(index.entries[i].track);
  return tracks;
}

}  // namespace mpd
