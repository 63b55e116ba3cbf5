// PanelSession: a command acting as panel N of the layout the player keeps
// in the profile. In the running desktop program that is the live panel N
// of the window, on the live player. Otherwise it opens the player, adds a
// panel with empty settings when asked for the one after the last, makes
// the panel, opens its connection and loads its tree (a new panel gets the
// example tree), and at the end stores the panel's settings (its root id)
// back into the layout.
//
// Ctrl+C interrupts whatever statement runs (a refresh during the load, a
// click's collection, a send to the console); the command goes on without
// its result, and interrupted() tells it to say so and exit 1.
//
// "Send to Vostrel console" runs the SQL as the `sql` command does, on the
// console's own connection, printing the rows on stdout.
#ifndef VOSTREL_APP_PANEL_SESSION_H_
#define VOSTREL_APP_PANEL_SESSION_H_

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/command_env.h"
#include "app/context.h"
#include "app/interrupt_signal.h"
#include "profile/layout.h"

namespace console {
class ConsoleRun;
}
namespace db {
class SQLiteDatabase;
}
namespace tree {
class Panel;
}

namespace app {

inline constexpr int kMaxPanels = 1000;

class PanelSession {
 public:
  // `panel_number` is 1-based, at most one more than the layout (or the
  // window) has, which adds a panel. Throws profile::DataError, also for a
  // number beyond that.
  //
  // With a `filter`, the panel's connection shows only the library tracks
  // matching it from before the tree loads (so nodes refreshed on load run
  // under it). In the running program a command never changes the window's
  // search: when it has a filter, or the window's panel has a search text,
  // it works on a copy of that panel (the same stored tree, loaded afresh)
  // with its own filter or none.
  PanelSession(CommandEnv& env, const GlobalOptions& options, int panel_number,
               const std::optional<std::string>& filter = std::nullopt);
  ~PanelSession();
  PanelSession(const PanelSession&) = delete;
  PanelSession& operator=(const PanelSession&) = delete;

  player::Player& player() { return *player_; }
  tree::Panel& panel() { return *panel_; }
  std::ostream& out() const { return env_.out(); }
  std::ostream& err() const { return env_.err(); }
  // Whether the connection opened and the tree loaded.
  bool loaded() const { return loaded_; }
  // Whether the console run of a "send to console" failed.
  bool consoleFailed() const { return console_failed_; }
  // Whether Ctrl+C stopped a statement.
  bool interrupted() const { return interrupted_; }
  // The command's exit status: `status`, unless Ctrl+C cut the command short;
  // then it says so on err() and has not done all it was asked (kExitFailed
  // in place of kExitOk).
  int finalStatus(int status) const;

  // Stores the panel's settings in the layout (when they changed) and the
  // playlists (when `playlists_changed` or they were seeded).
  void finish(bool playlists_changed);

 private:
  void runConsole(const std::string& sql);
  // The pump hook: passes a Ctrl+C on to the running statements.
  void pump();
  // Writes the layout when the panel's settings (its root id) changed.
  void storeLayout();
  // Makes own_panel_ from `settings`, opens it with the filter and loads
  // its tree; false (reported) when that fails.
  bool loadOwnPanel(std::span<const uint8_t> settings, const std::optional<std::string>& filter,
                    const std::vector<int32_t>& other_roots);

  CommandEnv& env_;
  std::unique_ptr<player::Player> own_player_;
  player::Player* player_;
  std::unique_ptr<InterruptSignal> interrupt_signal_;
  profile::Layout layout_;
  std::size_t index_;
  bool layout_changed_ = false;
  std::unique_ptr<db::SQLiteDatabase> console_db_;
  std::unique_ptr<tree::Panel> own_panel_;
  tree::Panel* panel_ = nullptr;
  bool live_panel_ = false;
  bool loaded_ = false;
  console::ConsoleRun* console_run_ = nullptr;  // while a send to the console runs
  bool console_failed_ = false;
  bool interrupted_ = false;
};

}  // namespace app

#endif  // VOSTREL_APP_PANEL_SESSION_H_
