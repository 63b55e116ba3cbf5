#include "library_tables/handle_table.h"

namespace library_tables {

HandleTable& HandleTable::instance() {
  static HandleTable table;
  return table;
}

}  // namespace library_tables
