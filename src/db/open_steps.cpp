#include "db/open_steps.h"

namespace db {
namespace {

struct ProcessState {
  OpenSteps steps;
  bool schema_ready = false;
};

ProcessState& state() {
  static ProcessState instance;
  return instance;
}

}  // namespace

void installOpenSteps(const OpenSteps& steps) { state().steps = steps; }
const OpenSteps& openSteps() { return state().steps; }
bool schemaReady() { return state().schema_ready; }
void setSchemaReady(bool ready) { state().schema_ready = ready; }

}  // namespace db
