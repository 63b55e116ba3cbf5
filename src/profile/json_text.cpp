// JSON text helpers of json_reader.h that are not the streaming reader:
// scalar values as numbers, the words and positions of messages, and JSON
// string literals.
#include "profile/json_reader.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "host/text.h"

namespace profile {

double JsonScalar::asDouble() const {
  switch (kind) {
    case Kind::kInteger: return static_cast<double>(integer);
    case Kind::kUnsigned: return static_cast<double>(unsigned_integer);
    case Kind::kFloat: return real;
    default: return 0.0;
  }
}

std::string_view describeKind(JsonScalar::Kind kind) {
  switch (kind) {
    case JsonScalar::Kind::kNull: return "null";
    case JsonScalar::Kind::kBool: return "true or false";
    case JsonScalar::Kind::kInteger:
    case JsonScalar::Kind::kUnsigned:
    case JsonScalar::Kind::kFloat: return "a number";
    case JsonScalar::Kind::kString: return "a string";
  }
  return "a value";
}

std::string describePosition(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  const std::string_view before = text.substr(0, offset);
  const std::size_t line = 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
  std::size_t line_start = before.rfind('\n') == std::string_view::npos ? 0 : before.rfind('\n') + 1;
  // A byte order mark is not part of the first line as an editor shows it.
  if (line_start == 0 && before.starts_with("\xEF\xBB\xBF")) line_start = 3;
  const std::size_t column = 1 + host::utf8Length(before.substr(line_start));
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::string describeSyntaxError(std::string_view text, std::size_t position, std::string_view what) {
  const std::size_t offset = position == 0 ? 0 : position - 1;
  return "at " + describePosition(text, offset) + ": " + std::string(jsonErrorDetail(what));
}

std::string_view jsonErrorDetail(std::string_view what) {
  // nlohmann's own text names the exception and counts lines and bytes
  // itself; keep only its reason.
  std::string_view detail = what;
  if (detail.starts_with("[json.exception.")) {
    if (const std::size_t end = detail.find("] "); end != std::string_view::npos) detail.remove_prefix(end + 2);
  }
  if (const std::size_t column = detail.find(", column "); column != std::string_view::npos) {
    if (const std::size_t colon = detail.find(": ", column); colon != std::string_view::npos) {
      detail.remove_prefix(colon + 2);
    }
  }
  return detail;
}

std::string tooDeepMessage(const std::string& file) {
  return "Malformed JSON in \"" + file + "\": containers are nested more than " + std::to_string(kMaxJsonDepth) +
         " levels deep";
}

void appendJsonString(std::string& out, std::string_view value) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  std::size_t pos = 0;
  while (pos < value.size()) {
    const auto byte = static_cast<unsigned char>(value[pos]);
    if (byte >= 0x80) {
      host::appendUtf8(out, host::decodeUtf8(value, pos));
      continue;
    }
    ++pos;
    switch (byte) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (byte < 0x20) {
          out += "\\u00";
          out.push_back(kHex[byte >> 4]);
          out.push_back(kHex[byte & 0xF]);
        } else {
          out.push_back(static_cast<char>(byte));
        }
    }
  }
  out.push_back('"');
}

}  // namespace profile
