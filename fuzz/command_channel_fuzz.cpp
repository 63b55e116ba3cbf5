// libFuzzer target for the command channel's frame reader and the payloads
// it hands on: what the desktop program reads from a command's connection,
// and what a command reads back.
//
// Input: one byte that sets the size of the pieces the rest arrives in (1 to
// 256 bytes, as a socket may cut it), then the bytes of the connection.
//
// The reader may refuse its input only with ChannelError, and then keeps
// refusing it. Every frame it returns is within its type's bound, and what
// it holds while a frame is incomplete never goes past the largest frame.
// A request or exit status that decodes encodes back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "profile/command_channel.h"

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

void checkPayload(const profile::Frame& frame) {
  require(frame.payload.size() <= profile::maxPayload(frame.type));
  try {
    switch (frame.type) {
      case profile::FrameType::kRequest:
        require(profile::encodeRequest(profile::decodeRequest(frame.payload)) == frame.payload);
        break;
      case profile::FrameType::kExit: {
        const int status = profile::decodeExitStatus(frame.payload);
        require(status >= 0 && status <= 255 && profile::encodeExitStatus(status) == frame.payload);
        break;
      }
      default: break;
    }
  } catch (const profile::ChannelError&) {
    // A payload that does not decode is refused; that is all.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0];
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  profile::FrameReader reader;
  while (!rest.empty()) {
    const std::string_view bytes = rest.substr(0, piece);
    rest.remove_prefix(bytes.size());
    reader.feed(bytes);
    try {
      while (std::optional<profile::Frame> frame = reader.next()) checkPayload(*frame);
    } catch (const profile::ChannelError&) {
      try {
        reader.next();
      } catch (const profile::ChannelError&) {
        return 0;
      }
      std::abort();  // a refused connection was taken up again
    }
    require(reader.pending() <= profile::kFrameHeaderSize + profile::kMaxRequestPayload + piece);
  }
  return 0;
}
