// Click and middle-click dispatch of query and result nodes, and the actions.
#include "tree/node_actions.h"

#include <array>
#include <chrono>

#include "db/database.h"
#include "host/host.h"
#include "host/priority.h"
#include "host/text.h"
#include "query/level_query.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "tree/query_result_node.h"
#include "tree/timing_line.h"

namespace tree {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::array<std::string_view, 12> kActionTexts = {
    "- No action -",
    "Add to active playlist",
    "Add to playing playlist",
    "Add to target playlist",
    "Insert into active playlist",
    "Insert into playing playlist",
    "Insert into target playlist",
    "Send to active playlist",
    "Send to playing playlist",
    "Send to target playlist",
    "Execute SQL",
    "Send to Vostrel console",
};

// The "Query active" label for the life of the object.
class QueryActiveScope {
 public:
  explicit QueryActiveScope(Panel& panel) : panel_(panel) { panel_.showQueryActive(); }
  ~QueryActiveScope() { panel_.hideQueryActive(); }
  QueryActiveScope(const QueryActiveScope&) = delete;
  QueryActiveScope& operator=(const QueryActiveScope&) = delete;

 private:
  Panel& panel_;
};

// The playlist an active-playlist action fills when no playlist is active
// (the user closed them all): found or made as a target playlist is.
constexpr std::string_view kNewPlaylistName = "New playlist";

// The first playlist named `name` (ignoring case), made at the end when
// there is none.
std::size_t findOrCreatePlaylist(host::Host& host, std::string_view name) {
  for (std::size_t i = 0; i < host.playlistCount(); ++i) {
    if (host::equalsNoCase(host.playlistName(i), name)) return i;
  }
  return host.createPlaylist(name);
}

// The playlist an action code works on, or kNoPlaylist (nothing plays).
// With no active playlist, the tracks go to "New playlist", which becomes
// the active one: the user asked for them to be added somewhere they can
// see, and a click that did nothing would look like one that worked.
std::size_t targetPlaylist(host::Host& host, uint8_t code, const std::string& target) {
  switch (code) {
    case kAddToActive:
    case kInsertIntoActive:
    case kSendToActive: {
      if (host.activePlaylist() != host::kNoPlaylist) return host.activePlaylist();
      const std::size_t made = findOrCreatePlaylist(host, kNewPlaylistName);
      host.setActivePlaylist(made);
      return made;
    }
    case kAddToPlaying:
    case kInsertIntoPlaying:
    case kSendToPlaying: return host.playingPlaylist();
    default:
      return findOrCreatePlaylist(host, target);
  }
}

bool isPlaylistAction(uint8_t code) { return code >= kAddToActive && code <= kSendToTarget; }

}  // namespace

std::span<const std::string_view> actionTexts() { return kActionTexts; }

std::string actionName(const NodeAction& action) {
  const uint8_t code = action.action;
  if (code == kNoAction || code > kSendToConsole) return {};
  std::string name(kActionTexts[code]);
  const bool target = code == kAddToTarget || code == kInsertIntoTarget || code == kSendToTarget;
  if (target) name += " \u201C" + action.target_playlist + "\u201D";
  return name;
}

void dispatchAction(QueryNode& query, std::span<const std::string> path, const NodeAction& action) {
  const uint8_t code = action.action;
  if (code == kNoAction || code > kSendToConsole) return;
  if (code == kExecuteSql) {
    executeSql(query, {});
  } else if (code == kSendToConsole) {
    sendToConsole(query, path);
  } else {
    playlistAction(query, path, action);
  }
}

void playlistAction(QueryNode& query, std::span<const std::string> path, const NodeAction& action) {
  Panel& panel = *query.panel();
  if (panel.queryActive()) return;
  host::Host& host = panel.host();
  QueryActiveScope active(panel);
  host::PriorityScope priority(host.advancedSettings().sql_processing_priority);
  const auto start = Clock::now();

  host::TrackList tracks;
  const bool complete = query.collectTracks(path, tracks);

  const uint8_t code = action.action;
  const bool send = code >= kSendToActive && code <= kSendToTarget;
  // Add and Insert use what was collected; a Send would replace the user's
  // playlist with a part of the tracks, or with none, so it keeps the
  // playlist as it was.
  if (send && !complete) return;
  const std::size_t playlist = targetPlaylist(host, code, action.target_playlist);
  if (playlist == host::kNoPlaylist || playlist >= host.playlistCount()) return;
  if (send) host.removeAllItems(playlist);
  const bool insert = code >= kInsertIntoActive && code <= kInsertIntoTarget;
  const std::size_t position = insert ? host.insertionPoint(playlist) : host.playlistItemCount(playlist);
  host.insertItems(playlist, position, tracks, action.select_items);
  if (action.activate_playlist) host.setActivePlaylist(playlist);
  logTiming(panel.database(), "Playlist fill time: ", start);
  if (action.start_playback) host.startPlayback(playlist);
}

void executeSql(QueryNode& query, std::string_view text) {
  Panel& panel = *query.panel();
  const std::string sql(text.empty() ? std::string_view(query.definition().sql_batch) : text);
  if (sql.empty() || panel.queryActive()) return;
  host::Host& host = panel.host();
  QueryActiveScope active(panel);
  host::PriorityScope priority(host.advancedSettings().sql_processing_priority);
  const auto start = Clock::now();
  db::SQLiteDatabase& database = panel.database();
  try {
    if (!database.Open()) throw db::SQLiteException(1, "Unable to open the database");
    database.Execute(sql);
  } catch (const db::SQLiteException& e) {
    database.RollbackTransaction(true);
    host.popupMessage("Execution error:\n" + e.message(), host::kComponentFileName);
  }
  if (panel.hooks().reload_table_pages) panel.hooks().reload_table_pages();
  logTiming(database, "SQL execution time: ", start);
}

void sendToConsole(QueryNode& query, std::span<const std::string> path) {
  const QueryDefinition& definition = query.definition();
  const std::string statement = query::nodeStatement(definition.sql_batch, definition.sql_query, path);
  Panel& panel = *query.panel();
  if (panel.hooks().send_to_console) panel.hooks().send_to_console(statement);
}

// A query node's own click: a stale node with refresh on use runs first.
void QueryNode::click() {
  const NodeAction& action = definition_.click;
  if (isPlaylistAction(action.action) && definition_.refresh_on_use && stale_ && !refresh(true)) return;
  dispatchAction(*this, {}, action);
}

void QueryNode::middleClick() {
  const NodeAction& action = definition_.middle_click;
  if (isPlaylistAction(action.action) && definition_.refresh_on_use && stale_ && !refresh(true)) return;
  dispatchAction(*this, {}, action);
}

// A result node applies its query node's action to its own path; it exists
// only after a run, so there is nothing to refresh first.
void QueryResultNode::click() {
  std::vector<std::string> path;
  QueryNode* query = resultPath(*this, path);
  if (query != nullptr) dispatchAction(*query, path, query->definition().click);
}

void QueryResultNode::middleClick() {
  std::vector<std::string> path;
  QueryNode* query = resultPath(*this, path);
  if (query != nullptr) dispatchAction(*query, path, query->definition().middle_click);
}

}  // namespace tree
