#include "desktop/quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace desktop {
namespace {

int g_pipe[2] = {-1, -1};
struct sigaction g_previous_term;
struct sigaction g_previous_int;

void onSignal(int number) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(number);
  // Nothing to do when the pipe is full: a quit is pending already.
  [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {
  if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  struct sigaction action = {};
  action.sa_handler = &onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, &g_previous_term);
  sigaction(SIGINT, &action, &g_previous_int);
  notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &QuitSignals::readSignal);
}

QuitSignals::~QuitSignals() {
  if (g_pipe[0] < 0) return;
  sigaction(SIGTERM, &g_previous_term, nullptr);
  sigaction(SIGINT, &g_previous_int, nullptr);
  delete notifier_;
  close(g_pipe[0]);
  close(g_pipe[1]);
  g_pipe[0] = g_pipe[1] = -1;
}

void QuitSignals::readSignal() {
  unsigned char byte = 0;
  int last = 0;
  while (read(g_pipe[0], &byte, 1) == 1) last = byte;
  if (last != 0) emit quitRequested(last);
}

}  // namespace desktop
