// DataError: a failure of the data the player keeps or reads: the profile
// folder and its files, the library file, the cache, setting values; its
// message is ready to show to the user.
//
// Commands catch it at their edge and print what(); the message names the
// file or setting concerned, so nothing needs to be added to it there.
#ifndef VOSTREL_PROFILE_DATA_ERROR_H_
#define VOSTREL_PROFILE_DATA_ERROR_H_

#include <stdexcept>
#include <string>

namespace profile {

class DataError : public std::runtime_error {
 public:
  explicit DataError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace profile

#endif  // VOSTREL_PROFILE_DATA_ERROR_H_
