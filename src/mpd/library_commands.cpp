// Browsing the music directory and searching the library.
#include <algorithm>
#include <map>
#include <optional>

#include "mpd/browse.h"
#include "mpd/command_table.h"
#include "mpd/filter.h"
#include "player/player.h"

namespace mpd {
namespace {

std::string_view pathArgument(const Call& call) {
  return call.argCount() > 0 ? std::string_view(call.arg(0)) : std::string_view();
}

// The options after a filter: "sort TAG" and "window START:END".
struct Window {
  std::size_t start = 0;
  std::size_t end = static_cast<std::size_t>(-1);
  std::optional<std::size_t> sort;
};

Window readWindow(const std::vector<std::string>& rest, std::string_view command) {
  Window window;
  for (std::size_t i = 0; i < rest.size(); i += 2) {
    if (i + 1 >= rest.size()) throw Ack(AckError::kArg, "Missing argument after \"" + rest[i] + "\"");
    if (rest[i] == "window") {
      std::tie(window.start, window.end) = rangeArgument(rest[i + 1]);
    } else if (rest[i] == "sort") {
      std::string_view tag = rest[i + 1];
      if (tag.starts_with('-')) tag.remove_prefix(1);
      window.sort = findTag(tag);
      if (!window.sort) throw Ack(AckError::kArg, "Unknown sort tag: " + rest[i + 1]);
    } else {
      throw Ack(AckError::kArg, "Unknown argument \"" + rest[i] + "\" of " + std::string(command));
    }
  }
  return window;
}

void findTracks(Call& call, bool ignore_case) {
  std::vector<std::string> rest;
  const Filter filter = Filter::parse(call.request.args, ignore_case, &rest);
  const Window window = readWindow(rest, call.request.command);
  host::TrackList found;
  for (const host::TrackHandle& track : call.player.library()) {
    if (filter.matches(*track)) found.push_back(track);
  }
  if (window.sort) {
    const std::size_t tag = *window.sort;
    std::stable_sort(found.begin(), found.end(), [tag](const host::TrackHandle& a, const host::TrackHandle& b) {
      return tagValue(*a, tag) < tagValue(*b, tag);
    });
  }
  for (std::size_t i = window.start; i < found.size() && i < window.end; ++i) {
    appendSong(call.out, *found[i], call.client.tags);
  }
}

std::size_t tagArgument(const std::string& name) {
  const std::optional<std::size_t> tag = findTag(name);
  if (!tag) throw Ack(AckError::kArg, "Unknown tag type: " + name);
  return *tag;
}

// Reads "group TAG" pairs from `rest`.
std::vector<std::size_t> readGroups(const std::vector<std::string>& rest) {
  std::vector<std::size_t> groups;
  for (std::size_t i = 0; i < rest.size(); i += 2) {
    if (rest[i] != "group") throw Ack(AckError::kArg, "Unknown argument \"" + rest[i] + "\"");
    if (i + 1 >= rest.size()) throw Ack(AckError::kArg, "Missing argument after \"group\"");
    groups.push_back(tagArgument(rest[i + 1]));
  }
  return groups;
}

// The values of `tag` on `track` (one empty value when it has none).
std::vector<std::string_view> tagValues(const host::Track& track, std::size_t tag) {
  const host::FieldPtr field = track.findMeta(host::internField(kTagTypes[tag].field));
  if (field == nullptr) return {std::string_view()};
  return {field->values().begin(), field->values().end()};
}

}  // namespace

void handleLsInfo(Call& call) {
  const std::string_view path = pathArgument(call);
  call.browser.listInfo(path, call.client.tags, call.out);
  if (path.empty() || path == "/") {
    // The top also shows the stored playlists.
    for (std::size_t i = 0; i < call.player.playlistCount(); ++i) {
      if (i == call.player.activePlaylist()) continue;
      appendPair(call.out, "playlist", call.player.playlistName(i));
    }
  }
}

void handleListAll(Call& call) { call.browser.listAll(pathArgument(call), false, call.client.tags, call.out); }

void handleListAllInfo(Call& call) { call.browser.listAll(pathArgument(call), true, call.client.tags, call.out); }

void handleFind(Call& call) { findTracks(call, false); }

void handleSearch(Call& call) { findTracks(call, true); }

void handleList(Call& call) {
  const std::size_t tag = tagArgument(call.arg(0));
  std::vector<std::string> args(call.request.args.begin() + 1, call.request.args.end());
  // The old form "list Album ARTIST" names the artist alone.
  if (args.size() == 1 && tag == 2 && args[0] != "group") args.insert(args.begin(), "Artist");
  if (args.size() == 1) throw Ack(AckError::kArg, "should be \"Album\" for 3 arguments");
  std::vector<std::string> rest;
  const Filter filter = Filter::parse(args, false, &rest);
  const std::vector<std::size_t> groups = readGroups(rest);
  // Group values, then the tag's values, each sorted; a track with several
  // values counts under each.
  std::map<std::vector<std::string_view>, std::map<std::string_view, bool>> seen;
  for (const host::TrackHandle& track : call.player.library()) {
    if (!filter.matches(*track)) continue;
    std::vector<std::vector<std::string_view>> keys{{}};
    for (const std::size_t group : groups) {
      std::vector<std::vector<std::string_view>> next;
      for (const std::string_view value : tagValues(*track, group)) {
        for (std::vector<std::string_view> key : keys) {
          key.push_back(value);
          next.push_back(std::move(key));
        }
      }
      keys = std::move(next);
    }
    for (const std::string_view value : tagValues(*track, tag)) {
      for (const auto& key : keys) seen[key][value] = true;
    }
  }
  std::vector<std::string_view> previous;
  bool first = true;
  for (const auto& [key, values] : seen) {
    // Each group value once, where it changes.
    std::size_t same = 0;
    while (!first && same < key.size() && key[same] == previous[same]) ++same;
    for (std::size_t i = same; i < key.size(); ++i) appendPair(call.out, kTagTypes[groups[i]].name, key[i]);
    previous = key;
    first = false;
    for (const auto& entry : values) {
      // An empty value is left out, as a missing tag.
      if (!entry.first.empty()) appendPair(call.out, kTagTypes[tag].name, entry.first);
    }
  }
}

void handleCount(Call& call) {
  std::vector<std::string> rest;
  const Filter filter = Filter::parse(call.request.args, false, &rest);
  const std::vector<std::size_t> groups = readGroups(rest);
  if (groups.size() > 1) throw Ack(AckError::kArg, "count takes one group");
  struct Totals {
    std::size_t songs = 0;
    double playtime = 0;
  };
  std::map<std::string_view, Totals> totals;
  for (const host::TrackHandle& track : call.player.library()) {
    if (!filter.matches(*track)) continue;
    const std::vector<std::string_view> keys =
        groups.empty() ? std::vector<std::string_view>{{}} : tagValues(*track, groups.front());
    for (const std::string_view key : keys) {
      Totals& total = totals[key];
      ++total.songs;
      total.playtime += track->length();
    }
  }
  if (groups.empty() && totals.empty()) totals[{}];
  for (const auto& [key, total] : totals) {
    if (!groups.empty()) appendPair(call.out, kTagTypes[groups.front()].name, key);
    appendPair(call.out, "songs", std::to_string(total.songs));
    appendPair(call.out, "playtime", std::to_string(static_cast<int64_t>(total.playtime)));
  }
}

}  // namespace mpd
