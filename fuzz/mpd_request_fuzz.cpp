// libFuzzer target for the request parser of the music server for MPD
// clients: what a client sends, line by line.
//
// Each line either parses or is refused with Ack, never anything else. A
// parsed request has a command of lower-case letters, digits and "_" and at
// most kMaxArguments arguments, and written back with every argument quoted
// it parses to the same request.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "mpd/protocol.h"

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

std::string quoted(const mpd::Request& request) {
  std::string line = request.command;
  for (const std::string& arg : request.args) {
    line += " \"";
    for (const char c : arg) {
      if (c == '"' || c == '\\') line += '\\';
      line += c;
    }
    line += '"';
  }
  return line;
}

void checkLine(std::string_view line) {
  mpd::Request request;
  try {
    request = mpd::parseRequest(line);
  } catch (const mpd::Ack& ack) {
    require(ack.error() == mpd::AckError::kUnknown);
    return;
  }
  require(!request.command.empty());
  for (const char c : request.command) require((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_');
  require(request.args.size() <= mpd::kMaxArguments);
  const mpd::Request again = mpd::parseRequest(quoted(request));
  require(again.command == request.command && again.args == request.args);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  while (!input.empty()) {
    const std::size_t end = input.find('\n');
    checkLine(input.substr(0, end));
    if (end == std::string_view::npos) break;
    input.remove_prefix(end + 1);
  }
  return 0;
}
