// CommandEnv: where a command writes, what it reads, and the player it works
// on. A command started in a terminal uses the process's streams and opens
// the player from the profile (StandardEnv); a command sent to the running
// desktop program writes into the reply and works on the desktop's live
// player and panels.
#ifndef VOSTREL_APP_COMMAND_ENV_H_
#define VOSTREL_APP_COMMAND_ENV_H_

#include <iosfwd>
#include <memory>
#include <optional>

#include "app/context.h"
#include "app/interrupt_signal.h"

namespace tree {
class Panel;
}

namespace app {

class CommandEnv {
 public:
  virtual ~CommandEnv() = default;

  virtual std::ostream& out() = 0;
  virtual std::ostream& err() = 0;
  virtual std::istream& in() = 0;
  virtual bool outIsTerminal() const = 0;
  // Whether input is a terminal (where a command would wait for typing).
  virtual bool inIsTerminal() const { return false; }
  // Whether err() is a terminal (where a progress line may be redrawn).
  virtual bool errIsTerminal() const { return false; }

  // Whether the command runs against a live desktop program (no lock of its
  // own, and no player or layout of its own).
  virtual bool live() const { return false; }
  // Catches Ctrl+C for the scope of the result (nullptr: the environment
  // passes interrupts on by itself).
  virtual std::unique_ptr<InterruptSignal> catchInterrupts() { return nullptr; }
  // Whether an interrupt was asked for since the last call; clears it.
  virtual bool takeInterrupt() = 0;

  // The live player, or nullptr: the command opens its own.
  virtual player::Player* livePlayer() { return nullptr; }
  // What the live program's library comes from (its music folders, or its
  // library file); nullopt: no live program.
  virtual std::optional<library::LibrarySource> liveLibrarySource() { return std::nullopt; }
  // How many panels the live program's window has; nullopt: no live
  // program (the command makes its own panel from the layout).
  virtual std::optional<std::size_t> livePanelCount() { return std::nullopt; }
  // Panel `number` (from 1, at most one more than livePanelCount(), which
  // adds one) of the live program, or nullptr.
  virtual tree::Panel* livePanel(int /*number*/) { return nullptr; }
};

// The command's own process: standard streams, a player opened from the
// profile, Ctrl+C through InterruptSignal.
class StandardEnv : public CommandEnv {
 public:
  std::ostream& out() override;
  std::ostream& err() override;
  std::istream& in() override;
  bool outIsTerminal() const override;
  bool inIsTerminal() const override;
  bool errIsTerminal() const override;
  std::unique_ptr<InterruptSignal> catchInterrupts() override { return std::make_unique<InterruptSignal>(); }
  bool takeInterrupt() override { return InterruptSignal::take(); }
};

// The player a command works on: the live one, or one opened (and owned)
// here from the options.
class CommandPlayer {
 public:
  // Throws profile::DataError.
  CommandPlayer(CommandEnv& env, const GlobalOptions& options);
  player::Player& operator*() const { return *player_; }
  player::Player* operator->() const { return player_; }

 private:
  std::unique_ptr<player::Player> owned_;
  player::Player* player_;
};

}  // namespace app

#endif  // VOSTREL_APP_COMMAND_ENV_H_
