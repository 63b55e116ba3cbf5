// The "now playing" examples and their SQL. Lines end in CR LF, as in the
// example tree.
#include "tree/now_playing_examples.h"

#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "tree/example_nodes.h"
#include "tree/folder_node.h"
#include "tree/node_editing.h"
#include "tree/node_store.h"
#include "tree/panel.h"
#include "tree/query_node.h"

namespace tree {
namespace {

constexpr const char* kMoreByArtistQuery =
    "SELECT album,\r\n"
    "       title\r\n"
    "FROM MediaLibrary\r\n"
    "WHERE artist = playing('artist')\r\n"
    "ORDER BY album COLLATE NaturalNoCase,discnumber,tracknumber";

// The album of the playing track, by album artist where there is one, so
// that another artist's album of the same name stays out.
constexpr const char* kSameAlbumQuery =
    "SELECT title\r\n"
    "FROM MediaLibrary\r\n"
    "WHERE album = playing('album')\r\n"
    "  AND ifnull([album artist],artist) = ifnull(playing('album artist'),playing('artist'))\r\n"
    "ORDER BY discnumber,tracknumber";

// Dates may be full days ("2001-05-17"): the year is their first four
// characters.
constexpr const char* kSameYearQuery =
    "SELECT ifnull([album artist],artist) album_artist,\r\n"
    "       album\r\n"
    "FROM MediaLibrary\r\n"
    "WHERE substr(date,1,4) = substr(playing('date'),1,4)\r\n"
    "GROUP BY 1,album\r\n"
    "ORDER BY ifnull([album artist],artist) COLLATE NaturalNoCase,album COLLATE NaturalNoCase";

// "Other" also leaves out the tracks on which the playing artist appears
// with a guest ("A · B" contains "A").
constexpr const char* kSameGenreQuery =
    "SELECT artist,\r\n"
    "       album\r\n"
    "FROM MediaLibrary\r\n"
    "WHERE genre = playing('genre')\r\n"
    "  AND strpos(ifnull(artist,''),playing('artist')) = 0\r\n"
    "GROUP BY artist,album\r\n"
    "ORDER BY artist COLLATE NaturalNoCase,album COLLATE NaturalNoCase";

struct Example {
  const char* label;
  const char* query;
};

constexpr Example kExamples[] = {
    {"More by this artist", kMoreByArtistQuery},
    {"Same album", kSameAlbumQuery},
    {"Same year", kSameYearQuery},
    {"Same genre, other artists", kSameGenreQuery},
};

QueryDefinition followingDefinition(const char* query) {
  QueryDefinition definition;
  definition.click.action = kSendToTarget;
  definition.click.target_playlist = kExampleTargetPlaylist;
  definition.refresh_on_use = true;
  definition.omit_null_nodes = true;
  definition.remove_duplicates = false;
  definition.sql_query = query;
  return definition;
}

}  // namespace

void createNowPlayingExamples(Panel& panel) {
  TreeNode* root = panel.nodeForItem(nullptr);
  if (root == nullptr) return;
  db::SQLiteDatabase& database = panel.database();
  try {
    FolderNode* folder = exampleFolder(panel, kNowPlayingFolder, *root);
    if (folder == nullptr) return;
    for (const Example& example : kExamples) {
      if (panel.findQuery(folder, example.label) != nullptr) continue;
      QueryDefinition definition = followingDefinition(example.query);
      QueryNode* query = exampleQuery(panel, example.label, *folder, definition);
      if (query == nullptr) return;
      QueryDefinition& own = query->definition();
      own.level_options =
          rebuildLevelOptions(own.level_options, resultColumns(database, own.sql_query), query->level());
      propagateLevelAttributes(*query, 0);
      saveLevelOptions(database, *query);
    }
  } catch (const db::SQLiteException& e) {
    database.LogToConsole(e.message(), true);
  }
}

}  // namespace tree
