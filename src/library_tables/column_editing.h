// The editing rules of the table preferences pages, without a window: how
// the column editor's type and name map to a column kind, what its OK
// accepts, and what the page's Add, Edit, Remove, Add defaults and Apply do
// to a private copy of a table's column list.
//
//   VTabColumns list;
//   copyColumns(VTabColumnStore::instance().columns(type, db, true), list);
//   if (auto error = addEditedColumn(list, column); !error.empty()) ...
//   applyColumnList(type, list, db);   // stores, rebuilds, reloads
#ifndef VOSTREL_LIBRARY_TABLES_COLUMN_EDITING_H_
#define VOSTREL_LIBRARY_TABLES_COLUMN_EDITING_H_

#include <string>
#include <string_view>
#include <vector>

#include "library_tables/column_type.h"
#include "library_tables/vtab_column.h"

namespace db {
class SQLiteDatabase;
}

namespace library_tables {

// The editor's "Type:" list.
enum class EditorType : int { kTag = 0, kTechInfo = 1, kPredefined = 2, kTFExpression = 3 };

inline constexpr std::string_view kEmptyNameMessage = "The name cannot be empty.";
inline constexpr std::string_view kCollations[] = {"Binary", "NaturalNoCase", "NoCase", "RTrim"};

// "A column with the name "x" already exists."
std::string duplicateNameMessage(std::string_view name);

// The names the editor offers for "Predefined": kinds 4 to 9, and on the
// Playlist page also the playlist names.
std::vector<std::string_view> predefinedEditorNames(TableType type);

// The stored kind for an editor type and name: Tag 0, TechInfo 1,
// TFExpression 2; for Predefined the first kind from 4 up whose names hold
// `name` exactly, else 2.
ColumnType editorKind(EditorType type, std::string_view name);
// The editor type a kind is shown with: 0, 1 and 2 as themselves, any other
// kind as Predefined.
EditorType editorTypeOf(ColumnType kind);

// The editor's OK for a new column (`column` holds what was typed; its name
// is lower-cased here): appends it unless the name is empty or taken.
// Returns the message of a refusal, or an empty string.
std::string addEditedColumn(VTabColumns& list, SQLiteMetaDBVTabColumn column);
// The editor's OK for the column at `index`: a new name that another column
// has is refused; otherwise the old column goes and the edited one is
// appended at the end.
std::string replaceEditedColumn(VTabColumns& list, std::size_t index, SQLiteMetaDBVTabColumn column);
// "Add defaults": appends each of `defaults` whose name is not in the list.
// Returns how many were added.
std::size_t addMissingColumns(VTabColumns& list, const VTabColumns& defaults);

// Apply: stores the list, rebuilds the virtual tables on `db` and reloads
// the list from the store. Returns the message to show when the rebuild
// fails ("Unable to rebuild the virtual tables.\n\nThe following error
// occured:" and the error), or an empty string.
std::string applyColumnList(TableType type, VTabColumns& list, db::SQLiteDatabase& db);

}  // namespace library_tables

#endif  // VOSTREL_LIBRARY_TABLES_COLUMN_EDITING_H_
