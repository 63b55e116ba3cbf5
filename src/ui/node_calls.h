// Calls from a tree panel's window into node code. The window counts them
// (CallScope), so that a panel closed in the middle of one outlives its
// window until the call has unwound, and stops whatever they still throw at
// its edge (guarded), so that no exception crosses the event loop.
#ifndef VOSTREL_UI_NODE_CALLS_H_
#define VOSTREL_UI_NODE_CALLS_H_

#include <memory>
#include <utility>

#include "db/database.h"
#include "db/exception.h"
#include "host/host.h"

namespace ui {

// Counts a call into node code for as long as it lasts.
class CallScope {
 public:
  explicit CallScope(std::shared_ptr<int> calls) : calls_(std::move(calls)) { ++*calls_; }
  ~CallScope() { --*calls_; }
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

 private:
  std::shared_ptr<int> calls_;
};

// Node code reports its own failures; whatever still escapes stops at the
// panel's edge instead of crossing the event loop.
template <typename Call>
void guarded(host::Host& host, Call&& call) {
  try {
    call();
  } catch (const db::Exception& e) {
    db::LogToConsole(host, e.message(), true);
  }
}

}  // namespace ui

#endif  // VOSTREL_UI_NODE_CALLS_H_
