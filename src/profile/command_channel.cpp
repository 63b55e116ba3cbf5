#include "profile/command_channel.h"

#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace profile {
namespace {

// Arguments and strings in a request stay far below the frame's bound; the
// count is checked before anything is reserved.
constexpr uint32_t kMaxArgs = 100000;

bool knownType(uint8_t type) {
  switch (static_cast<FrameType>(type)) {
    case FrameType::kRequest:
    case FrameType::kAbort:
    case FrameType::kRaise:
    case FrameType::kStarted:
    case FrameType::kStdout:
    case FrameType::kStderr:
    case FrameType::kExit: return true;
  }
  return false;
}

void putU32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t getU32(std::string_view bytes) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << (8 * i);
  return value;
}

void putString(std::string& out, std::string_view text) {
  putU32(out, static_cast<uint32_t>(text.size()));
  out.append(text);
}

// Reads a request's fields in order; every read is checked against the end.
class PayloadReader {
 public:
  explicit PayloadReader(std::string_view payload) : rest_(payload) {}
  uint32_t u32() {
    need(4);
    const uint32_t value = getU32(rest_);
    rest_.remove_prefix(4);
    return value;
  }
  uint8_t byte() {
    need(1);
    const auto value = static_cast<uint8_t>(rest_[0]);
    rest_.remove_prefix(1);
    return value;
  }
  std::string string() {
    const uint32_t size = u32();
    need(size);
    std::string value(rest_.substr(0, size));
    rest_.remove_prefix(size);
    return value;
  }
  bool done() const { return rest_.empty(); }

 private:
  void need(std::size_t size) const {
    if (rest_.size() < size) throw ChannelError("the command request is cut short");
  }
  std::string_view rest_;
};

// FNV-1a, 64 bits: a stable name for a profile's socket outside it.
uint64_t pathHash(std::string_view text) {
  uint64_t hash = 14695981039346656037ull;
  for (const char c : text) {
    hash ^= static_cast<uint8_t>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

}  // namespace

std::string encodeFrame(FrameType type, std::string_view payload) {
  std::string frame;
  frame.reserve(kFrameHeaderSize + payload.size());
  frame.push_back(static_cast<char>(type));
  putU32(frame, static_cast<uint32_t>(payload.size()));
  frame.append(payload);
  return frame;
}

uint32_t maxPayload(FrameType type) {
  switch (type) {
    case FrameType::kRequest: return kMaxRequestPayload;
    case FrameType::kStdout:
    case FrameType::kStderr: return static_cast<uint32_t>(kOutputChunkSize);
    case FrameType::kExit: return 4;
    case FrameType::kAbort:
    case FrameType::kRaise:
    case FrameType::kStarted: return 0;
  }
  return 0;
}

std::optional<Frame> FrameReader::next() {
  if (pending() < kFrameHeaderSize) return std::nullopt;
  const std::string_view header = std::string_view(buffer_).substr(start_, kFrameHeaderSize);
  const auto type = static_cast<uint8_t>(header[0]);
  if (!knownType(type)) throw ChannelError("unknown frame type " + std::to_string(type));
  const uint32_t size = getU32(header.substr(1));
  if (size > maxPayload(static_cast<FrameType>(type))) {
    throw ChannelError("frame of type " + std::to_string(type) + " and " + std::to_string(size) + " bytes is too long");
  }
  if (pending() - kFrameHeaderSize < size) return std::nullopt;
  Frame frame{static_cast<FrameType>(type), buffer_.substr(start_ + kFrameHeaderSize, size)};
  start_ += kFrameHeaderSize + size;
  if (start_ == buffer_.size()) {
    // Nothing is pending: a buffer that grew for a large request is given
    // back rather than kept for the life of the connection.
    if (buffer_.capacity() > kOutputChunkSize * 2) {
      std::string().swap(buffer_);
    } else {
      buffer_.clear();
    }
    start_ = 0;
  } else if (start_ > buffer_.size() / 2) {
    // Drop what was read once it is most of the buffer, so that a long
    // connection does not keep every byte it ever received.
    buffer_.erase(0, start_);
    start_ = 0;
  }
  return frame;
}

std::string encodeRequest(const CommandRequest& request) {
  std::string out;
  putU32(out, static_cast<uint32_t>(request.args.size()));
  for (const std::string& arg : request.args) putString(out, arg);
  putString(out, request.profile);
  putString(out, request.cwd);
  out.push_back(request.stdout_is_terminal ? 1 : 0);
  out.push_back(request.input ? 1 : 0);
  if (request.input) putString(out, *request.input);
  return out;
}

CommandRequest decodeRequest(std::string_view payload) {
  PayloadReader reader(payload);
  CommandRequest request;
  const uint32_t count = reader.u32();
  if (count > kMaxArgs) throw ChannelError("the command request has too many arguments");
  for (uint32_t i = 0; i < count; ++i) request.args.push_back(reader.string());
  request.profile = reader.string();
  request.cwd = reader.string();
  const uint8_t terminal = reader.byte();
  const uint8_t has_input = reader.byte();
  if (terminal > 1 || has_input > 1) throw ChannelError("the command request has a bad flag");
  request.stdout_is_terminal = terminal == 1;
  if (has_input == 1) request.input = reader.string();
  if (!reader.done()) throw ChannelError("the command request has bytes after its end");
  return request;
}

std::string encodeExitStatus(int status) {
  std::string out;
  putU32(out, static_cast<uint32_t>(status));
  return out;
}

int decodeExitStatus(std::string_view payload) {
  if (payload.size() != 4) throw ChannelError("the exit status is not 4 bytes");
  const uint32_t value = getU32(payload);
  if (value > 255) throw ChannelError("exit status " + std::to_string(value) + " is out of range");
  return static_cast<int>(value);
}

namespace {

// The profile's folder as every caller names it: absolute, without "." or
// "..", links resolved where it exists, and without a trailing slash.
std::filesystem::path normalProfileDir(const std::filesystem::path& profile_dir) {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::weakly_canonical(std::filesystem::absolute(profile_dir), ec);
  if (ec) dir = std::filesystem::absolute(profile_dir).lexically_normal();
  // "DIR/" names the same profile as "DIR".
  if (!dir.has_filename() && dir.has_relative_path()) dir = dir.parent_path();
  return dir;
}

bool fitsAddress(const std::filesystem::path& path) { return path.native().size() < sizeof(sockaddr_un{}.sun_path); }

std::string errnoText() { return std::strerror(errno); }

// Makes `folder` this user's private folder, or says why it cannot be.
void makePrivateFolder(const std::filesystem::path& folder) {
  const std::string name = folder.string();
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    throw std::runtime_error("the folder " + name + " cannot be made: " + errnoText());
  }
  // lstat, not stat: a link there could lead anywhere, another user's
  // folder among them.
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) throw std::runtime_error("the folder " + name + ": " + errnoText());
  if (!S_ISDIR(info.st_mode)) throw std::runtime_error(name + " is not a folder");
  if (info.st_uid != ::getuid()) {
    throw std::runtime_error("the folder " + name + " belongs to another user (uid " + std::to_string(info.st_uid) +
                             ")");
  }
  // Ours, so nobody else can change it once it is closed to them.
  if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
    throw std::runtime_error("the folder " + name + " is open to other users and cannot be closed: " + errnoText());
  }
}

// The folder for the sockets of this user's profiles whose own path is too
// long for one, and the socket's name in it.
std::filesystem::path outsideSocketPath(const std::filesystem::path& dir) {
  char folder[32];
  std::snprintf(folder, sizeof folder, "vostrel-%u", static_cast<unsigned>(::getuid()));
  char name[32];
  std::snprintf(name, sizeof name, "%016llx.sock", static_cast<unsigned long long>(pathHash(dir.native())));
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') {
    std::filesystem::path in_runtime = std::filesystem::path(runtime) / folder / name;
    if (fitsAddress(in_runtime)) return in_runtime;
  }
  return std::filesystem::path("/tmp") / folder / name;
}

}  // namespace

std::filesystem::path commandSocketPath(const std::filesystem::path& profile_dir) {
  const std::filesystem::path dir = normalProfileDir(profile_dir);
  std::filesystem::path in_profile = dir / "desktop.sock";
  if (fitsAddress(in_profile)) return in_profile;
  return outsideSocketPath(dir);
}

std::filesystem::path prepareCommandSocket(const std::filesystem::path& profile_dir) {
  const std::filesystem::path dir = normalProfileDir(profile_dir);
  std::filesystem::path path = commandSocketPath(dir);
  if (path.parent_path() != dir) makePrivateFolder(path.parent_path());
  return path;
}

}  // namespace profile
