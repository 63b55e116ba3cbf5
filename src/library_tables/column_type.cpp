#include "library_tables/column_type.h"

namespace library_tables {

std::string_view tableTypeName(TableType type) {
  return type == TableType::kPlaylist ? "Playlist" : "MediaLibrary";
}

std::string_view columnTypeText(ColumnType type) {
  switch (type) {
    case ColumnType::kTag: return "Tag (Text)";
    case ColumnType::kTechInfo: return "TechInfo (Text)";
    case ColumnType::kTFExpression: return "TFExpression (Text)";
    case ColumnType::kHandle: return "Handle (Integer)";
    case ColumnType::kInfoText: return "Predefined (Text)";
    case ColumnType::kInfoInteger: return "Predefined (Integer)";
    case ColumnType::kInfoReal: return "Predefined (Real)";
    case ColumnType::kFileText: return "Predefined (Text)";
    case ColumnType::kFileInteger: return "Predefined (Integer)";
    case ColumnType::kFileReal: return "Predefined (Real)";
    case ColumnType::kPlaylistText: return "Predefined (Text)";
    case ColumnType::kPlaylistInteger: return "Predefined (Integer)";
  }
  return "Tag (Text)";
}

}  // namespace library_tables
