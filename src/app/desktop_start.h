// Starting the desktop program: `vostrel` without a command.
#ifndef VOSTREL_APP_DESKTOP_START_H_
#define VOSTREL_APP_DESKTOP_START_H_

#include "app/context.h"

namespace app {

// Whether a display to show windows on is configured: DISPLAY or
// WAYLAND_DISPLAY set, or QT_QPA_PLATFORM naming another platform.
bool displayAvailable();

// Runs the desktop program on the profile and library the options name,
// holding the profile's lock (kind "desktop") until it ends. Returns the
// exit status. Without a display it says so in one line and returns
// kExitFailed.
int runDesktop(const GlobalOptions& global, int argc, char** argv);

}  // namespace app

#endif  // VOSTREL_APP_DESKTOP_START_H_
