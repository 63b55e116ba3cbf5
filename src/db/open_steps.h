// The two set-up steps that the open sequence runs inside its transaction:
// the tree schema (while the process-wide schema-ready flag is clear) and the
// library tables (on every open, told whether it is the first one).
//
// The layers above the database (tree/, library_tables/) install them once
// at start-up with installOpenSteps(); until then both steps do nothing.
#ifndef VOSTREL_DB_OPEN_STEPS_H_
#define VOSTREL_DB_OPEN_STEPS_H_

namespace db {

class SQLiteDatabase;

struct OpenSteps {
  // Builds the tree schema; reports its own errors and sets the flag below
  // on success.
  void (*build_tree_schema)(SQLiteDatabase& db) = nullptr;
  // Registers the library tables; may raise SQLiteException.
  void (*set_up_library_tables)(SQLiteDatabase& db, bool first_time) = nullptr;
};

void installOpenSteps(const OpenSteps& steps);
const OpenSteps& openSteps();

// The process-wide schema-ready flag.
bool schemaReady();
void setSchemaReady(bool ready);

}  // namespace db

#endif  // VOSTREL_DB_OPEN_STEPS_H_
