// PriorityScope: runs SQL work under the process priority that the advanced
// setting "SQL processing priority" selects, and restores the previous one
// when the scope ends. A refused change is ignored.
#ifndef VOSTREL_HOST_PRIORITY_H_
#define VOSTREL_HOST_PRIORITY_H_

#include <optional>

#include "host/settings.h"

namespace host {

class PriorityScope {
 public:
  explicit PriorityScope(SqlPriority priority);
  ~PriorityScope();
  PriorityScope(const PriorityScope&) = delete;
  PriorityScope& operator=(const PriorityScope&) = delete;

 private:
  std::optional<int> previous_;  // the nice value to restore, when changed
};

}  // namespace host

#endif  // VOSTREL_HOST_PRIORITY_H_
