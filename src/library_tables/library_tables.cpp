#include "library_tables/library_tables.h"

#include "db/database.h"
#include "library_tables/column_store.h"
#include "library_tables/followed_track.h"
#include "library_tables/handle_table.h"
#include "library_tables/metadb_module.h"
#include "library_tables/title_format_cache.h"
#include "library_tables/track_search.h"

namespace library_tables {

void setUpLibraryTables(db::SQLiteDatabase& db, bool first_time) {
  registerModule(db);
  registerFollowedTrackFunctions(db);
  if (!first_time) return;
  db::TransactionGuard guard(db);
  guard.begin();
  ensureColumnTable(db);
  rebuildVirtualTables(db);
  guard.commit();
}

void resetProcessState() {
  VTabColumnStore::instance().reset();
  resetModuleState();
  TitleFormatCache::instance().clear();
  HandleTable::instance().clear();
  SearchIndex::instance().clear();
}

}  // namespace library_tables
