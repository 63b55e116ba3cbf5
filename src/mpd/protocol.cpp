#include "mpd/protocol.h"

namespace mpd {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }
bool isNameChar(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'; }

[[noreturn]] void refuse(const std::string& message) { throw Ack(AckError::kUnknown, message); }

}  // namespace

Request parseRequest(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::size_t at = 0;
  while (at < line.size() && isBlank(line[at])) ++at;
  Request request;
  const std::size_t name_start = at;
  while (at < line.size() && !isBlank(line[at])) ++at;
  request.command.assign(line.substr(name_start, at - name_start));
  if (request.command.empty()) refuse("No command given");
  for (const char c : request.command) {
    if (!isNameChar(c)) refuse("Malformed command \"" + request.command + "\"");
  }
  while (true) {
    while (at < line.size() && isBlank(line[at])) ++at;
    if (at == line.size()) break;
    if (request.args.size() == kMaxArguments) refuse("Too many arguments");
    std::string arg;
    if (line[at] == '"') {
      ++at;
      bool closed = false;
      while (at < line.size()) {
        char c = line[at++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\') {
          if (at == line.size()) break;
          c = line[at++];
        }
        arg.push_back(c);
      }
      if (!closed) refuse("Missing closing '\"'");
      if (at < line.size() && !isBlank(line[at])) refuse("Space expected after closing '\"'");
    } else {
      while (at < line.size() && !isBlank(line[at])) {
        const char c = line[at++];
        if (c == '"' || isControl(c)) refuse("Invalid unquoted character");
        arg.push_back(c);
      }
    }
    request.args.push_back(std::move(arg));
  }
  return request;
}

std::string formatAck(AckError error, std::size_t list_index, std::string_view command, std::string_view message) {
  std::string out = "ACK [" + std::to_string(static_cast<int>(error)) + "@" + std::to_string(list_index) + "] {";
  out += command;
  out += "} ";
  for (const char c : message) out.push_back(c == '\n' || c == '\r' ? ' ' : c);
  out += '\n';
  return out;
}

void appendPair(std::string& out, std::string_view key, std::string_view value) {
  out += key;
  out += ": ";
  for (const char c : value) out.push_back(c == '\n' || c == '\r' ? ' ' : c);
  out += '\n';
}

}  // namespace mpd
