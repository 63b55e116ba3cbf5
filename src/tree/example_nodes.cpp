// The example tree and its SQL. The example texts are user-facing and kept
// verbatim, typing slips included; their lines end in CR LF.
#include "tree/example_nodes.h"

#include <algorithm>
#include <array>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "db/database.h"
#include "tree/folder_node.h"
#include "tree/node_editing.h"
#include "tree/node_store.h"
#include "tree/panel.h"
#include "tree/query_node.h"

namespace tree {
namespace {

// An album without a date shows as its name alone: '['||date||'] ' is NULL
// then, and "omit null nodes" would hide the album with all its tracks.
constexpr const char* kAlbumQuery =
    "SELECT ifnull([album artist],artist) album_artist,\r\n"
    "       ifnull('['||date||'] ','')||album album_col,\r\n"
    "        (CASE WHEN discnumber THEN 'Disc '||discnumber ELSE NULL END) disc_number\r\n"
    "FROM MediaLibrary\r\n"
    "GROUP BY 1,album,discnumber\r\n"
    "ORDER BY ifnull([album artist],artist) COLLATE NaturalNoCase,ifnull('['||date||'] ','')||album desc,discnumber";

constexpr const char* kAlbumBatch =
    "/* Some hints and explanations:\r\n"
    "   - due to a limitation to properly execute the queries of the created nodes,\r\n"
    "     e.g. determning the tracks to be sent to a playlist, column aliases cannot be\r\n"
    "     in the order-by clause for the query\r\n"
    "   - fields containing a space or a special character like '%' needs to be enclosed in square brackets or double quotes:\r\n"
    "     e.g., [album artist], [%album artist%], \"album artist\", \"%album artist%\"\r\n"
    "   - The CASE-WHEN expression for the discnumber needs to be enclosed in parentheses because of a limitation.\r\n"
    "     while parsing the query\r\n"
    "   - albums with different values in the date field will not be handled correctly. This can be solved\r\n"
    "     by using a field like 'album date' containing the same value throughout for an album\r\n"
    "   - although as default collation NaturalNoCase is assigned to the columns of the table MediaLibraryalbums\r\n"
    "     it has to be explicitly declared for the compound expression 'ifnull([album artist],artist)' in the\r\n"
    "     order-by clause\r\n"
    "*/\r\n"
    "\r\n";

constexpr const char* kGenreQuery =
    "SELECT \"all\",\r\n"
    "        genre,\r\n"
    "        first_letter,\r\n"
    "        album_artist,\r\n"
    "        album,\r\n"
    "        disc_number\r\n"
    "FROM genre_query";

constexpr const char* kGenreBatch =
    "/* Some hints and explanations:\r\n"
    "   - create a view as workaround for the limitation, that in the order-by clause\r\n"
    "     for the actual query no column aliases can be used.\r\n"
    "   - the expressions \"ifnull([album artist],artist)\" in the select clause and \"[%album artist%]\"\r\n"
    "     in the order-by clause are identical, if the artist field is not empty\r\n"
    "   - fields containing a space or a special character like '%' needs to be enclosed in square brackets or double quotes:\r\n"
    "     e.g., [album artist], [%album artist%], \"album artist\", \"%album artist%\"\r\n"
    "   - the first column 'All' is used to show the number of albums in the tree\r\n"
    "   - When the tf() function is used, no group-by clause can be used, due to a limitation of SQLite\r\n"
    "   - The column MetaDb_Handle is required for properly executing the queries of the created nodes,\r\n"
    "     e.g. determning the tracks to be sent to a playlist\r\n"
    "*/\r\n"
    "\r\n"
    "DROP VIEW IF EXISTS genre_query;\r\n"
    "CREATE VIEW genre_query AS\r\n"
    "SELECT 'All' \"all\",\r\n"
    "       genre,\r\n"
    "       upper(substr(tf(metadb_handle,'$stripprefix(%album artist%)'),1,1)) first_letter,\r\n"
    "       ifnull([album artist],artist) album_artist,\r\n"
    "       album,\r\n"
    "       (CASE WHEN discnumber THEN 'Disc '||discnumber ELSE NULL END) disc_number,\r\n"
    "       MetaDb_Handle\r\n"
    "FROM MediaLibrary\r\n"
    "ORDER BY genre,first_letter,[%album artist%],album,disc_number,tracknumber";

constexpr const char* kRebuildMediaLibraryBatch =
    "BEGIN TRANSACTION;\r\n"
    "DROP TABLE IF EXISTS MediaLibrary;\r\n"
    "CREATE VIRTUAL TABLE MediaLibrary USING MetaDB_Module(add_defaults);\r\n"
    "COMMIT;";

constexpr const char* kRebuildPlaylistBatch =
    "BEGIN TRANSACTION;\r\n"
    "DROP TABLE IF EXISTS Playlist;\r\n"
    "CREATE VIRTUAL TABLE Playlist USING MetaDB_Module(add_defaults);\r\n"
    "COMMIT;";

constexpr const char* kIncompleteAlbumsBatch =
    "/* Some hints and explanations:\r\n"
    "   - to get the expected result for the having clause, the column total_tracks needs to be \r\n"
    "     casted to an integer as the default affinity for all columns from MediaLibrary is TEXT.\r\n"
    "   - fields containing a space or a special character like '%' needs to be enclosed in square brackets or double quotes:\r\n"
    "     e.g., [album artist], [%album artist%], \"album artist\", \"%album artist%\"\r\n"
    "*/\r\n"
    "\r\n"
    "SELECT \"%album artist%\"||' - '||album \"Artist - Album\",\r\n"
    "       count(*) count,\r\n"
    "       max(totaltracks) total_tracks\r\n"
    "FROM MediaLibrary\r\n"
    "GROUP BY 1\r\n"
    "HAVING count(*)<>CAST(max(totaltracks) AS INTEGER)\r\n"
    "ORDER BY (total_tracks-count) desc";

constexpr const char* kTracksPerPlaylistBatch =
    "/* Some hints and explanations:\r\n"
    "   - grouping is done by playlist_index instead of playlist_name as the performance for evaluating\r\n"
    "     playlist_index is slightly better than for playlist_name\r\n"
    "*/\r\n"
    "\r\n"
    "SELECT playlist_name,count(*) count\r\n"
    "FROM Playlist\r\n"
    "GROUP BY playlist_index\r\n"
    "ORDER BY count DESC";

// Item counts of the "Genre" levels from the first on: leaves for "all" and
// "genre", subitems for "first_letter" and "album_artist".
constexpr std::array<uint8_t, 4> kGenreItemCounts = {kShowLeaves, kShowLeaves, kShowSubitems, kShowSubitems};

// A library query: sends its tracks to the example playlist.
QueryDefinition playlistDefinition(const char* query, const char* batch) {
  QueryDefinition definition;
  definition.click.action = kSendToTarget;
  definition.click.target_playlist = kExampleTargetPlaylist;
  definition.sql_query = query;
  definition.sql_batch = batch;
  definition.omit_null_nodes = true;
  definition.remove_duplicates = false;
  return definition;
}

// A node made of a batch and a click action only.
QueryDefinition batchDefinition(uint8_t action, const char* batch) {
  QueryDefinition definition;
  definition.click.action = action;
  definition.sql_batch = batch;
  return definition;
}

// Gets or makes a library query node and gives it one level per column,
// with `item_counts` on the first levels, saved at once. A node whose query
// the user has changed keeps its levels: they belong to its own query.
// False when the node cannot be had; raises SQLiteException.
bool addLibraryQuery(Panel& panel, FolderNode& library, std::string_view label, const QueryDefinition& definition,
                     const std::vector<std::string>& columns, std::span<const uint8_t> item_counts) {
  QueryNode* query = exampleQuery(panel, label, library, definition);
  if (query == nullptr) return false;
  QueryDefinition& own = query->definition();
  if (own.sql_query != definition.sql_query) return true;
  own.level_options = rebuildLevelOptions(own.level_options, columns, query->level());
  propagateLevelAttributes(*query, 0);
  const std::size_t counted = std::min(item_counts.size(), own.level_options.size());
  for (std::size_t i = 0; i < counted; ++i) own.level_options[i].show_item_count = item_counts[i];
  saveLevelOptions(panel.database(), *query);
  return true;
}

// Gets or makes a folder below `parent` with two batch nodes in it.
bool addBatchFolder(Panel& panel, TreeNode& parent, std::string_view label, uint8_t action,
                    std::string_view first_label, const char* first_batch, std::string_view second_label,
                    const char* second_batch) {
  FolderNode* folder = exampleFolder(panel, label, parent);
  return folder != nullptr && exampleQuery(panel, first_label, *folder, batchDefinition(action, first_batch)) &&
         exampleQuery(panel, second_label, *folder, batchDefinition(action, second_batch));
}

}  // namespace

// The result column names of the last statement of `sql`, which is prepared
// but not run. Raises SQLiteException.
std::vector<std::string> resultColumns(db::SQLiteDatabase& database, std::string_view sql) {
  db::SQLiteColumns row;
  std::vector<std::string> statements;
  database.SplitScript(sql, &row, statements);
  std::vector<std::string> names;
  names.reserve(row.size());
  for (const db::SQLiteColumn& column : row) names.push_back(column.name());
  return names;
}

FolderNode* exampleFolder(Panel& panel, std::string_view label, TreeNode& parent) {
  if (FolderNode* existing = panel.findFolder(&parent, label)) return existing;
  auto folder = std::make_unique<FolderNode>(&panel, &parent);
  folder->setLabel(std::string(label));
  return static_cast<FolderNode*>(panel.attach(std::move(folder), true));
}

QueryNode* exampleQuery(Panel& panel, std::string_view label, TreeNode& parent, const QueryDefinition& definition) {
  if (QueryNode* existing = panel.findQuery(&parent, label)) return existing;
  auto query = std::make_unique<QueryNode>(&panel, &parent);
  query->setLabel(std::string(label));
  query->definition() = definition;
  return static_cast<QueryNode*>(panel.attach(std::move(query), true));
}

void createExampleNodes(Panel& panel) {
  TreeNode* root = panel.nodeForItem(nullptr);
  if (root == nullptr) return;
  db::SQLiteDatabase& database = panel.database();
  try {
    FolderNode* examples = exampleFolder(panel, "<Examples>", *root);
    if (examples == nullptr) return;
    FolderNode* library = exampleFolder(panel, "Library", *examples);
    if (library == nullptr) return;

    const QueryDefinition album = playlistDefinition(kAlbumQuery, kAlbumBatch);
    std::vector<std::string> columns = resultColumns(database, album.sql_query);
    if (!addLibraryQuery(panel, *library, "Album", album, columns, {})) return;

    // The "Genre" query reads the view that its batch makes.
    const QueryDefinition genre = playlistDefinition(kGenreQuery, kGenreBatch);
    database.Execute(genre.sql_batch);
    columns = resultColumns(database, genre.sql_query);
    if (!addLibraryQuery(panel, *library, "Genre", genre, columns, kGenreItemCounts)) return;

    if (!addBatchFolder(panel, *examples, "Maintenance", kExecuteSql, "Rebuild MediaLibrary table",
                        kRebuildMediaLibraryBatch, "Rebuild Playlist table", kRebuildPlaylistBatch)) {
      return;
    }
    addBatchFolder(panel, *examples, "Statistics", kSendToConsole, "Incomplete albums", kIncompleteAlbumsBatch,
                   "Tracks per playlist", kTracksPerPlaylistBatch);
  } catch (const db::SQLiteException& e) {
    database.LogToConsole(e.message(), true);
  }
}

}  // namespace tree
