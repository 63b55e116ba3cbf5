// The player's error: a failure of the stand-in host program (profile folder,
// profile files, library file), with a message ready to show to the user.
//
// Commands catch it at their edge and print what(); the message names the
// file or setting concerned, so nothing needs to be added to it there.
#ifndef VOSTREL_PLAYER_PLAYER_ERROR_H_
#define VOSTREL_PLAYER_PLAYER_ERROR_H_

#include <stdexcept>
#include <string>

namespace player {

class PlayerError : public std::runtime_error {
 public:
  explicit PlayerError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace player

#endif  // VOSTREL_PLAYER_PLAYER_ERROR_H_
