// The channel between a command and a desktop program that runs on the same
// profile: the command sends what it was asked to do, the desktop program
// runs it against its live player and sends back the output and the exit
// status.
//
// Every message is a frame: one type byte, the payload's length (4 bytes,
// little-endian), then the payload. A frame of an unknown type, or longer
// than its type allows (maxPayload), is malformed; whoever reads one says so
// and ends the connection. The bounds keep what a reader holds for one
// connection small: a request, the largest frame, is at most
// kMaxRequestPayload.
//
//   command  -> desktop   kRequest (once), then kAbort on Ctrl+C
//                         or kRaise alone (a second desktop start)
//   desktop  -> command   kStarted when the command begins to run, kStdout
//                         and kStderr chunks as they come, kExit last
//
// A connection that ends before kStarted ran nothing: the command may still
// run on its own once the profile is free.
#ifndef VOSTREL_PROFILE_COMMAND_CHANNEL_H_
#define VOSTREL_PROFILE_COMMAND_CHANNEL_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace profile {

enum class FrameType : uint8_t {
  kRequest = 'Q',
  kAbort = 'A',
  kRaise = 'R',
  kStarted = 'S',
  kStdout = 'O',
  kStderr = 'E',
  kExit = 'X',
};

inline constexpr std::size_t kFrameHeaderSize = 5;
// A request's arguments stay under the system's 2 MiB for a command line,
// and the scripts of the manual under 1 KB; a script read from a file or
// standard input is what can be large (100,000 INSERTs of a hundred bytes
// are 10 MB). A larger script runs when the desktop program does not.
inline constexpr uint32_t kMaxRequestPayload = 16u << 20;
// Output is sent in chunks of at most this many bytes.
inline constexpr std::size_t kOutputChunkSize = 64u << 10;

// The longest payload a frame of `type` may carry: kMaxRequestPayload for a
// request, kOutputChunkSize for output, 4 for an exit status, none for the
// others.
uint32_t maxPayload(FrameType type);

struct Frame {
  FrameType type;
  std::string payload;
};

// A malformed frame or payload.
class ChannelError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string encodeFrame(FrameType type, std::string_view payload = {});

// Collects bytes as they arrive and cuts them into frames.
class FrameReader {
 public:
  void feed(std::string_view bytes) { buffer_.append(bytes); }
  // The next whole frame; nullopt until one has arrived. Throws
  // ChannelError for a malformed one (and keeps throwing).
  std::optional<Frame> next();
  // Bytes received that do not make a whole frame yet.
  std::size_t pending() const { return buffer_.size() - start_; }

 private:
  std::string buffer_;
  std::size_t start_ = 0;
};

// What the command sends: its arguments (without the program name), the
// profile folder it found them to name (absolute), its working folder,
// whether its standard output is a terminal, and standard input's text when
// the command read it.
struct CommandRequest {
  std::vector<std::string> args;
  std::string profile;
  std::string cwd;
  bool stdout_is_terminal = false;
  std::optional<std::string> input;
};

std::string encodeRequest(const CommandRequest& request);
// Throws ChannelError.
CommandRequest decodeRequest(std::string_view payload);

std::string encodeExitStatus(int status);
// Throws ChannelError.
int decodeExitStatus(std::string_view payload);

// Where the desktop program on `profile_dir` listens: desktop.sock in the
// profile when that path fits a socket address, else a file named by a hash
// of the profile's path in this user's private folder for sockets,
// vostrel-UID in $XDG_RUNTIME_DIR (or in /tmp). `profile_dir` is made
// absolute first, so that every caller derives the same path. Makes
// nothing.
std::filesystem::path commandSocketPath(const std::filesystem::path& profile_dir);

// For the program that is to listen: commandSocketPath(profile_dir), with
// the private folder it lies in made ready when it lies outside the
// profile. The folder is made (mode 0700) when missing; it must be a folder,
// not a link, and this user's own, which nobody else can then enter or
// change (a mode that lets others in is set back to 0700). Throws
// std::runtime_error, naming the folder and what is wrong with it.
std::filesystem::path prepareCommandSocket(const std::filesystem::path& profile_dir);

}  // namespace profile

#endif  // VOSTREL_PROFILE_COMMAND_CHANNEL_H_
