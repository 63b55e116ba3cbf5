#include "host/priority.h"

#include <sys/resource.h>

#include <cerrno>

namespace host {

PriorityScope::PriorityScope(SqlPriority priority) {
  const std::optional<int> wanted = priorityNiceValue(priority);
  if (!wanted) return;
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, 0);
  if (errno != 0 || current == *wanted) return;
  if (setpriority(PRIO_PROCESS, 0, *wanted) == 0) previous_ = current;
}

PriorityScope::~PriorityScope() {
  // Lowering the nice value back needs privileges; without them the process
  // simply stays at the lower priority, as a refused change is ignored.
  if (previous_) setpriority(PRIO_PROCESS, 0, *previous_);
}

}  // namespace host
