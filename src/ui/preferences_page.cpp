#include "ui/preferences_page.h"

#include "component/guids.h"
#include "ui/table_preferences_page.h"

namespace ui {

PreferencesPage* makeComponentPage(std::string_view guid, host::Host& host, QWidget* parent) {
  if (guid == component::guids::kLibraryTablePage) {
    return new PreferencesPageInstanceTable(library_tables::TableType::kMediaLibrary, host, parent);
  }
  if (guid == component::guids::kPlaylistTablePage) {
    return new PreferencesPageInstanceTable(library_tables::TableType::kPlaylist, host, parent);
  }
  return nullptr;
}

}  // namespace ui
