#include "mpd/session.h"

#include "mpd/protocol.h"

namespace mpd {
namespace {

// The command an ACK names: none for a line that named no command known.
std::string_view commandOf(const Ack& ack, const Request& request) {
  return ack.error() == AckError::kUnknown ? std::string_view() : std::string_view(request.command);
}

}  // namespace

std::string Session::greeting() { return "OK MPD " + std::string(kProtocolVersion) + "\n"; }

bool Session::feed(std::string_view bytes, std::string& out) {
  while (!bytes.empty() && !closing_) {
    const std::size_t end = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, end);
    if (partial_.size() + piece.size() > kMaxLineBytes) {
      out += formatAck(AckError::kArg, 0, "", "line too long (more than " + std::to_string(kMaxLineBytes) +
                                                  " bytes)");
      closing_ = true;
      return false;
    }
    if (end == std::string_view::npos) {
      partial_ += piece;
      break;
    }
    bytes.remove_prefix(end + 1);
    std::string text = std::move(partial_);
    partial_.clear();
    text += piece;
    if (!line(text, out)) closing_ = true;
  }
  return !closing_;
}

bool Session::line(std::string_view text, std::string& out) {
  if (idle()) {
    Request request;
    try {
      request = parseRequest(text);
    } catch (const Ack&) {
      return false;
    }
    if (request.command != "noidle") return false;
    idle_mask_ = 0;
    out += "OK\n";
    return true;
  }
  if (!in_list_) return single(text, out);
  std::string_view trimmed = text;
  while (!trimmed.empty() && (trimmed.back() == '\r' || trimmed.back() == ' ' || trimmed.back() == '\t')) {
    trimmed.remove_suffix(1);
  }
  if (trimmed == "command_list_end") {
    runList(out);
    return true;
  }
  list_bytes_ += text.size();
  if (list_.size() == kMaxListCommands || list_bytes_ > kMaxListBytes) {
    out += formatAck(AckError::kArg, list_.size(), "", "command list too long (at most " +
                                                           std::to_string(kMaxListCommands) + " commands, " +
                                                           std::to_string(kMaxListBytes) + " bytes)");
    return false;
  }
  list_.emplace_back(text);
  return true;
}

bool Session::single(std::string_view text, std::string& out) {
  Request request;
  try {
    request = parseRequest(text);
  } catch (const Ack& ack) {
    out += formatAck(ack.error(), 0, "", ack.what());
    return true;
  }
  if (request.command == "command_list_begin" || request.command == "command_list_ok_begin") {
    in_list_ = true;
    list_ok_ = request.command == "command_list_ok_begin";
    list_.clear();
    list_bytes_ = 0;
    return true;
  }
  if (request.command == "close") return false;
  if (request.command == "idle") return startIdle(request, out);
  if (request.command == "noidle") {
    // Not idle: nothing to end.
    out += "OK\n";
    return true;
  }
  std::string reply;
  try {
    dispatcher_.run(state_, request, reply);
  } catch (const Ack& ack) {
    out += formatAck(ack.error(), 0, commandOf(ack, request), ack.what());
    return true;
  }
  out += reply;
  out += "OK\n";
  return true;
}

void Session::runList(std::string& out) {
  in_list_ = false;
  std::vector<std::string> lines;
  lines.swap(list_);
  list_bytes_ = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    Request request;
    std::string reply;
    try {
      request = parseRequest(lines[i]);
      if (request.command == "idle" || request.command == "noidle" || request.command == "close" ||
          request.command == "command_list_begin" || request.command == "command_list_ok_begin") {
        throw Ack(AckError::kArg, "\"" + request.command + "\" is not allowed in a command list");
      }
      dispatcher_.run(state_, request, reply);
    } catch (const Ack& ack) {
      out += reply;
      out += formatAck(ack.error(), i, commandOf(ack, request), ack.what());
      return;
    }
    out += reply;
    if (list_ok_) out += "list_OK\n";
  }
  out += "OK\n";
}

bool Session::startIdle(const Request& request, std::string& out) {
  unsigned mask = 0;
  for (const std::string& name : request.args) {
    const unsigned bit = subsystemBit(name);
    if (bit == 0) {
      out += formatAck(AckError::kArg, 0, "idle", "Unrecognized idle event: " + name);
      return true;
    }
    mask |= bit;
  }
  idle_mask_ = mask == 0 ? kAllSubsystems : mask;
  if ((pending_ & idle_mask_) != 0) reportIdle(out);
  return true;
}

void Session::notify(unsigned subsystems, std::string& out) {
  pending_ |= subsystems;
  if (idle() && (pending_ & idle_mask_) != 0) reportIdle(out);
}

void Session::reportIdle(std::string& out) {
  const unsigned report = pending_ & idle_mask_;
  for (unsigned bit = 1; bit <= kAllSubsystems; bit <<= 1) {
    if ((report & bit) != 0) appendPair(out, "changed", subsystemName(bit));
  }
  out += "OK\n";
  pending_ &= ~report;
  idle_mask_ = 0;
}

}  // namespace mpd
