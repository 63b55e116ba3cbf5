// Ctrl+C during a command: the handler only records the request; whoever
// runs statements takes it from the player's pump hook, which the database
// layer calls at its progress checks, and interrupts the running statement.
//
//   InterruptSignal signal;   // installs the handler for this scope
//   player.setPumpHook([&] { if (InterruptSignal::take()) db.Interrupt(); });
#ifndef VOSTREL_APP_INTERRUPT_SIGNAL_H_
#define VOSTREL_APP_INTERRUPT_SIGNAL_H_

#include <signal.h>

namespace app {

// What a command says at its end when Ctrl+C stopped one of its statements.
inline constexpr const char* kInterruptedMessage =
    "Interrupted (Ctrl+C): the statement that was running was stopped.";

class InterruptSignal {
 public:
  // Installs the handler and forgets any earlier request.
  InterruptSignal();
  // Restores the previous handler.
  ~InterruptSignal();
  InterruptSignal(const InterruptSignal&) = delete;
  InterruptSignal& operator=(const InterruptSignal&) = delete;

  // Whether Ctrl+C was pressed since the last call; clears the request.
  static bool take();

 private:
  struct sigaction previous_ {};
};

}  // namespace app

#endif  // VOSTREL_APP_INTERRUPT_SIGNAL_H_
