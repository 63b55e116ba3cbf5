// The command line: global options, the commands and their exit statuses.
#ifndef VOSTREL_APP_CLI_H_
#define VOSTREL_APP_CLI_H_

namespace app {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;    // the work ran and failed
inline constexpr int kExitBadInput = 2;  // bad usage or bad input

class CommandEnv;

int runCommandLine(int argc, char** argv);
// The same, writing and reading through `env`.
int runCommandLine(int argc, char** argv, CommandEnv& env);

}  // namespace app

#endif  // VOSTREL_APP_CLI_H_
