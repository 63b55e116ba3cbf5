#include "library/file_uri.h"

#include <cstdint>

#include "profile/profile.h"

namespace library {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void appendEscaped(std::string& out, unsigned char byte) {
  out += '%';
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

// The length of the well-formed UTF-8 sequence at the start of `s` (no
// overlong forms, no surrogates, at most U+10FFFF), or 0.
std::size_t utf8Sequence(std::string_view s) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  std::size_t length = 0;
  uint32_t low = 0x80, high = 0xBF;  // the allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (i == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) return 0;
  }
  return length;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

void appendUriPath(std::string& uri, std::string_view plain) {
  uri.reserve(uri.size() + plain.size());
  for (std::size_t i = 0; i < plain.size();) {
    const auto byte = static_cast<unsigned char>(plain[i]);
    if (byte >= 0x80) {
      const std::size_t length = utf8Sequence(plain.substr(i));
      if (length > 0) {
        uri.append(plain, i, length);
        i += length;
        continue;
      }
      appendEscaped(uri, byte);
    } else if (byte < 0x20 || byte == 0x7F || byte == '%') {
      appendEscaped(uri, byte);
    } else {
      uri += static_cast<char>(byte);
    }
    ++i;
  }
}

std::string fileUri(const std::filesystem::path& path) {
  std::string uri(profile::kHostPathPrefix);
  appendUriPath(uri, path.native());
  return uri;
}

void appendUriDecoded(std::string& plain, std::string_view encoded) {
  plain.reserve(plain.size() + encoded.size());
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '%' && i + 2 < encoded.size() && hexValue(encoded[i + 1]) >= 0 && hexValue(encoded[i + 2]) >= 0) {
      plain += static_cast<char>(hexValue(encoded[i + 1]) * 16 + hexValue(encoded[i + 2]));
      i += 2;
    } else {
      plain += encoded[i];
    }
  }
}

std::filesystem::path uriFilePath(std::string_view location) {
  if (!location.starts_with(profile::kHostPathPrefix)) return std::filesystem::path(std::string(location));
  location.remove_prefix(profile::kHostPathPrefix.size());
  std::string plain;
  appendUriDecoded(plain, location);
  return plain;
}

}  // namespace library
