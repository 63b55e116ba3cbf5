// `vostrel serve`: the player without a window, for MPD clients. It runs on
// the desktop program's Qt event loop (for playback, folder watching and
// command forwarding) but makes no window and needs no display.
#ifndef VOSTREL_APP_DESKTOP_SERVE_H_
#define VOSTREL_APP_DESKTOP_SERVE_H_

#include <cstdint>
#include <optional>
#include <string>

#include "app/context.h"

namespace CLI {
class App;
}

namespace app {

class CommandEnv;

inline constexpr uint16_t kDefaultMpdPort = 6600;
inline constexpr const char* kDefaultMpdAddress = "127.0.0.1";

struct ServeOptions {
  std::optional<uint16_t> port;  // --mpd-port; else the setting, else kDefaultMpdPort
  std::string address = kDefaultMpdAddress;
};

CLI::App* addServeCommand(CLI::App& cli, ServeOptions& options);

// Serves until SIGTERM or SIGINT; returns the exit status: 2 for a
// non-loopback address without the mpd_password setting, 1 when the port
// cannot be listened on or the profile is busy.
int runServeCommand(CommandEnv& env, const GlobalOptions& global, const ServeOptions& options, int argc,
                    char** argv);

}  // namespace app

#endif  // VOSTREL_APP_DESKTOP_SERVE_H_
