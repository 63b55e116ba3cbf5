// The text protocol that MPD clients speak: one request per line, a reply of
// "key: value" lines ended by "OK", or one "ACK" line on failure.
//
//   play 3
//   lsinfo "Tree/<Examples>/Library"
//   add "[Files]/music/a b.flac"
//
// A request is a command name (lower-case letters, digits and "_") followed
// by arguments separated by blanks (space or tab). An argument in double
// quotes may hold blanks; inside it a backslash takes the next byte as it is
// (\" and \\). An unquoted argument is a run of bytes other than blanks,
// quotes and control characters.
//
// Failure replies are one line: ACK [ERROR@INDEX] {COMMAND} MESSAGE, where
// INDEX is the command's place in a command list (0 outside one).
#ifndef VOSTREL_MPD_PROTOCOL_H_
#define VOSTREL_MPD_PROTOCOL_H_

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace mpd {

// The protocol's error numbers, as clients know them.
enum class AckError {
  kNotList = 1,
  kArg = 2,
  kPassword = 3,
  kPermission = 4,
  kUnknown = 5,
  kNoExist = 50,
  kPlaylistMax = 51,
  kSystem = 52,
  kPlaylistLoad = 53,
  kUpdateAlready = 54,
  kPlayerSync = 55,
  kExist = 56,
};

// A refused request: what the ACK line says.
class Ack : public std::runtime_error {
 public:
  Ack(AckError error, const std::string& message) : std::runtime_error(message), error_(error) {}
  AckError error() const { return error_; }

 private:
  AckError error_;
};

// The version a connection is greeted with ("OK MPD 0.23.0").
inline constexpr std::string_view kProtocolVersion = "0.23.0";

// The longest request line taken, line feed excluded; a longer one ends the
// connection. Long enough for any path a client sends.
inline constexpr std::size_t kMaxLineBytes = 8192;
// Arguments one request may carry.
inline constexpr std::size_t kMaxArguments = 64;

struct Request {
  std::string command;
  std::vector<std::string> args;
};

// Splits one request line (without its line feed; a trailing carriage
// return is dropped). Throws Ack (kUnknown) for an empty line, a bad command
// name, an unclosed quote, a control character or too many arguments.
Request parseRequest(std::string_view line);

// "ACK [2@0] {play} message\n".
std::string formatAck(AckError error, std::size_t list_index, std::string_view command, std::string_view message);

// Appends "key: value\n"; line breaks in `value` become spaces, since a
// reply line cannot hold them.
void appendPair(std::string& out, std::string_view key, std::string_view value);

}  // namespace mpd

#endif  // VOSTREL_MPD_PROTOCOL_H_
