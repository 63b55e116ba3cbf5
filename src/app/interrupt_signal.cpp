#include "app/interrupt_signal.h"

#include <atomic>

namespace app {
namespace {

std::atomic<bool> g_interrupt_requested{false};

extern "C" void onInterruptSignal(int) { g_interrupt_requested = true; }

}  // namespace

InterruptSignal::InterruptSignal() {
  g_interrupt_requested = false;
  struct sigaction action {};
  action.sa_handler = &onInterruptSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previous_);
}

InterruptSignal::~InterruptSignal() { sigaction(SIGINT, &previous_, nullptr); }

bool InterruptSignal::take() { return g_interrupt_requested.exchange(false); }

}  // namespace app
