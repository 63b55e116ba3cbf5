// Session: one client's side of the protocol, without the socket. The
// server feeds it what the client sent and sends what it appends.
//
//   Session session(dispatcher);
//   std::string out = session.greeting();
//   bool open = session.feed("status\n", out);   // out gains the reply
//   session.notify(kPlayer, out);                  // wakes an idle client
//
// It splits lines (at most kMaxLineBytes each), collects command lists
// (command_list_begin / command_list_ok_begin ... command_list_end, at most
// kMaxListCommands lines and kMaxListBytes together), runs each command
// through the dispatcher and frames its reply with OK, list_OK or ACK. A
// list stops at its first failure. While idle it waits for the subsystems
// the client named; anything but noidle then ends the connection.
#ifndef VOSTREL_MPD_SESSION_H_
#define VOSTREL_MPD_SESSION_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "mpd/dispatcher.h"

namespace mpd {

inline constexpr std::size_t kMaxListCommands = 4096;
inline constexpr std::size_t kMaxListBytes = 1 << 20;

class Session {
 public:
  explicit Session(Dispatcher& dispatcher) : dispatcher_(dispatcher) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The line a new connection is greeted with.
  static std::string greeting();

  // Takes bytes the client sent and appends the replies to `out`. Returns
  // false when the connection is to end once `out` is sent: the client
  // closed it, broke a limit, or sent a command while idle.
  bool feed(std::string_view bytes, std::string& out);

  // Subsystems changed: remembered, and reported at once to a client that
  // waits for one of them.
  void notify(unsigned subsystems, std::string& out);

  bool idle() const { return idle_mask_ != 0; }
  const ClientState& state() const { return state_; }

 private:
  // One complete line; false ends the connection.
  bool line(std::string_view text, std::string& out);
  // Runs one parsed command outside a list; false ends the connection.
  bool single(std::string_view text, std::string& out);
  void runList(std::string& out);
  bool startIdle(const Request& request, std::string& out);
  void reportIdle(std::string& out);

  Dispatcher& dispatcher_;
  ClientState state_;
  std::string partial_;           // bytes of a line not yet ended
  bool in_list_ = false;
  bool list_ok_ = false;          // command_list_ok_begin: list_OK after each
  std::vector<std::string> list_;
  std::size_t list_bytes_ = 0;
  unsigned pending_ = 0;          // changes not yet reported to this client
  unsigned idle_mask_ = 0;        // what an idle client waits for; 0: not idle
  bool closing_ = false;
};

}  // namespace mpd

#endif  // VOSTREL_MPD_SESSION_H_
