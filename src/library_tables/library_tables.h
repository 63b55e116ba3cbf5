// The library tables as one unit: the set-up step the database open runs on
// every connection, and the reset of all process-wide state.
//
//   db::installOpenSteps({&tree::BuildTreeSchema, &library_tables::setUpLibraryTables});
#ifndef VOSTREL_LIBRARY_TABLES_LIBRARY_TABLES_H_
#define VOSTREL_LIBRARY_TABLES_LIBRARY_TABLES_H_

namespace db {
class SQLiteDatabase;
}

namespace library_tables {

// Registers tf(), MetaDB_Module and the followed-track functions on `db`. On the first open in the process
// it also creates or migrates mdb_VTableColumn and rebuilds MediaLibrary and
// Playlist, in a transaction nested in the open sequence's. Raises
// SQLiteException.
void setUpLibraryTables(db::SQLiteDatabase& db, bool first_time);

// Forgets the column lists, cached declarations, open-cursor callbacks,
// title-format scripts and HandleTable entries. For tests, and for a host
// that opens another profile.
void resetProcessState();

}  // namespace library_tables

#endif  // VOSTREL_LIBRARY_TABLES_LIBRARY_TABLES_H_
