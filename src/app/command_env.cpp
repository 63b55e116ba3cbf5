#include "app/command_env.h"

#include <unistd.h>

#include <iostream>

namespace app {

std::ostream& StandardEnv::out() { return std::cout; }
std::ostream& StandardEnv::err() { return std::cerr; }
std::istream& StandardEnv::in() { return std::cin; }
bool StandardEnv::outIsTerminal() const { return isatty(STDOUT_FILENO) != 0; }
bool StandardEnv::inIsTerminal() const { return isatty(STDIN_FILENO) != 0; }
bool StandardEnv::errIsTerminal() const { return isatty(STDERR_FILENO) != 0; }

CommandPlayer::CommandPlayer(CommandEnv& env, const GlobalOptions& options) : player_(env.livePlayer()) {
  if (player_ != nullptr) return;
  owned_ = openPlayer(options);
  player_ = owned_.get();
}

}  // namespace app
