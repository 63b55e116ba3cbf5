#include "library_tables/column_editing.h"

#include "db/database.h"
#include "db/exception.h"
#include "host/text.h"
#include "library_tables/column_store.h"
#include "library_tables/metadb_module.h"
#include "library_tables/vtab_exception.h"

namespace library_tables {
namespace {

constexpr int32_t kFirstPredefinedKind = 4;

// Lower-cases the name; the message when it is empty.
std::string takeName(SQLiteMetaDBVTabColumn& column) {
  if (column.name().empty()) return std::string(kEmptyNameMessage);
  column.setName(host::toLower(column.name()));
  return {};
}

}  // namespace

std::string duplicateNameMessage(std::string_view name) {
  return "A column with the name \"" + std::string(name) + "\" already exists.";
}

std::vector<std::string_view> predefinedEditorNames(TableType type) {
  const int32_t last = type == TableType::kPlaylist ? static_cast<int32_t>(ColumnType::kPlaylistInteger)
                                                    : static_cast<int32_t>(ColumnType::kFileReal);
  std::vector<std::string_view> names;
  for (int32_t kind = kFirstPredefinedKind; kind <= last; ++kind) {
    for (std::string_view name : predefinedColumnNames(static_cast<ColumnType>(kind))) names.push_back(name);
  }
  return names;
}

ColumnType editorKind(EditorType type, std::string_view name) {
  switch (type) {
    case EditorType::kTag: return ColumnType::kTag;
    case EditorType::kTechInfo: return ColumnType::kTechInfo;
    case EditorType::kTFExpression: return ColumnType::kTFExpression;
    case EditorType::kPredefined: break;
  }
  for (int32_t kind = kFirstPredefinedKind; kind < kColumnTypeCount; ++kind) {
    for (std::string_view candidate : predefinedColumnNames(static_cast<ColumnType>(kind))) {
      if (candidate == name) return static_cast<ColumnType>(kind);
    }
  }
  return ColumnType::kTFExpression;
}

EditorType editorTypeOf(ColumnType kind) {
  switch (kind) {
    case ColumnType::kTag: return EditorType::kTag;
    case ColumnType::kTechInfo: return EditorType::kTechInfo;
    case ColumnType::kTFExpression: return EditorType::kTFExpression;
    default: return EditorType::kPredefined;
  }
}

std::string addEditedColumn(VTabColumns& list, SQLiteMetaDBVTabColumn column) {
  if (std::string error = takeName(column); !error.empty()) return error;
  if (findColumn(list, column.name()) >= 0) return duplicateNameMessage(column.name());
  list.emplace(std::move(column));
  return {};
}

std::string replaceEditedColumn(VTabColumns& list, std::size_t index, SQLiteMetaDBVTabColumn column) {
  if (std::string error = takeName(column); !error.empty()) return error;
  const int32_t found = findColumn(list, column.name());
  if (column.name() != list[index].name() && found >= 0) return duplicateNameMessage(column.name());
  list.removeAt(index);
  list.emplace(std::move(column));
  return {};
}

std::size_t addMissingColumns(VTabColumns& list, const VTabColumns& defaults) {
  std::size_t added = 0;
  for (const SQLiteMetaDBVTabColumn& column : defaults) {
    if (findColumn(list, column.name()) >= 0) continue;
    list.emplace(column);
    ++added;
  }
  return added;
}

std::string applyColumnList(TableType type, VTabColumns& list, db::SQLiteDatabase& db) {
  VTabColumnStore& store = VTabColumnStore::instance();
  try {
    store.replaceColumns(type, list, db);
    rebuildVirtualTables(db);
  } catch (const db::Exception& e) {  // the database layer's and the module's
    return "Unable to rebuild the virtual tables.\n\nThe following error occured:\n" + e.message();
  }
  copyColumns(store.columns(type, db, true), list);
  return {};
}

}  // namespace library_tables
