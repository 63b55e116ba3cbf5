#include "tree/log_font.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace tree {
namespace {

constexpr std::size_t kHeightOffset = 0;
constexpr std::size_t kFaceNameOffset = 28;
constexpr int kDpi = 96;
constexpr int kPointsPerInch = 72;

uint16_t unitAt(const LogFontBlock& font, std::size_t index) {
  const std::size_t at = kFaceNameOffset + index * 2;
  return static_cast<uint16_t>(font[at] | (font[at + 1] << 8));
}

void appendUtf8(uint32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The next code point of `text` from `at`, or -1 for a malformed sequence.
int32_t nextCodePoint(std::string_view text, std::size_t& at) {
  const auto byte = [&](std::size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(at);
  std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
  if (length == 0 || at + length > text.size()) return -1;
  uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return -1;
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  at += length;
  static constexpr uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kMinimum[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) return -1;
  return static_cast<int32_t>(code);
}

}  // namespace

std::string fontFamily(const LogFontBlock& font) {
  std::string family;
  for (std::size_t i = 0; i < kFaceNameUnits; ++i) {
    uint32_t unit = unitAt(font, i);
    if (unit == 0) break;
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < kFaceNameUnits) {
      const uint32_t low = unitAt(font, i + 1);
      if (low >= 0xDC00 && low < 0xE000) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    appendUtf8(unit, family);
  }
  return family;
}

bool setFontFamily(LogFontBlock& font, std::string_view family) {
  std::vector<uint16_t> units;
  for (std::size_t at = 0; at < family.size();) {
    const int32_t code = nextCodePoint(family, at);
    if (code < 0) return false;
    if (code >= 0x10000) {
      units.push_back(static_cast<uint16_t>(0xD800 + ((code - 0x10000) >> 10)));
      units.push_back(static_cast<uint16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<uint16_t>(code));
    }
  }
  if (units.size() >= kFaceNameUnits) return false;
  units.resize(kFaceNameUnits, 0);
  for (std::size_t i = 0; i < kFaceNameUnits; ++i) {
    font[kFaceNameOffset + i * 2] = static_cast<uint8_t>(units[i] & 0xFF);
    font[kFaceNameOffset + i * 2 + 1] = static_cast<uint8_t>(units[i] >> 8);
  }
  return true;
}

int fontPointSize(const LogFontBlock& font) {
  const auto height = static_cast<int32_t>(font[kHeightOffset] | (font[kHeightOffset + 1] << 8) |
                                           (font[kHeightOffset + 2] << 16) |
                                           (static_cast<uint32_t>(font[kHeightOffset + 3]) << 24));
  const int pixels = std::abs(height);
  return (pixels * kPointsPerInch + kDpi / 2) / kDpi;
}

void setFontPointSize(LogFontBlock& font, int points) {
  const int32_t height = -((points * kDpi + kPointsPerInch / 2) / kPointsPerInch);
  const auto bits = static_cast<uint32_t>(height);
  for (std::size_t i = 0; i < 4; ++i) font[kHeightOffset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

}  // namespace tree
