// Commands while the desktop program runs: a command that needs the profile
// finds the desktop program holding it, sends itself there over the
// profile's command socket and relays what comes back; a second desktop
// start asks the running one to show its window.
#ifndef VOSTREL_APP_FORWARD_CLIENT_H_
#define VOSTREL_APP_FORWARD_CLIENT_H_

#include <sys/types.h>

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

#include "app/command_env.h"
#include "app/context.h"
#include "profile/command_channel.h"
#include "profile/profile_lock.h"

namespace app {

// How a command gets the profile: a lock of its own, or a status when the
// desktop program ran it (or it was refused).
struct ProfileClaim {
  std::optional<profile::ProfileLock> lock;
  std::optional<int> status;
};

// For a command that reads or writes the profile. In the desktop program
// (env.live()) there is nothing to take; a command there that names
// another profile, or --library or --set, is refused (exit 2). Otherwise
// takes the lock; while the desktop program holds it, sends the command
// (argv without the program name, the profile, standard input's text when
// the command read it) there and returns its status; while another command
// holds it, or the desktop program cannot be reached, waits as
// lockProfile() does. Throws profile::ProfileBusy when the wait runs out
// and profile::DataError when the profile cannot be used.
ProfileClaim claimProfile(CommandEnv& env, const GlobalOptions& options, int argc, char** argv,
                          const std::optional<std::string>& input);

// Sends `request` to the desktop program listening on `socket` and copies
// its output to `out` and `err`. `holder_pid` is the lock holder's process
// (0: unknown); a listener that is another process or another user's is
// not trusted. The program starts the command when it is not busy; the
// command waits for that up to `wait_seconds` (--wait; a second at least,
// negative: no limit), then gives up with a message and kExitFailed. Ctrl+C
// asks the desktop program to interrupt the command, or to take it off its
// queue. A request too large to send gets a message and kExitBadInput.
// Returns the command's exit status, or nullopt when the desktop program
// could not be reached or ended before it started the command.
std::optional<int> forwardCommand(const std::filesystem::path& socket, pid_t holder_pid,
                                  const profile::CommandRequest& request, std::ostream& out, std::ostream& err,
                                  double wait_seconds = -1);

// `vostrel` without a command: when a desktop program already runs on the
// profile, asks it to raise its window and returns the exit status, after
// saying so in one line; nullopt when none runs (or it cannot be reached).
std::optional<int> raiseRunningDesktop(const GlobalOptions& options);

}  // namespace app

#endif  // VOSTREL_APP_FORWARD_CLIENT_H_
