#include "app/option_values.h"

#include <charconv>

#include <CLI/CLI.hpp>

namespace app {
namespace {

constexpr std::array<std::string_view, 3> kItemCountNames = {"none", "subitems", "leaves"};

bool allDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

std::optional<uint8_t> parseActionCode(std::string_view option, std::string_view text, std::string* error) {
  for (std::size_t code = 0; code < kActionNames.size(); ++code) {
    if (text == kActionNames[code]) return static_cast<uint8_t>(code);
  }
  if (const auto code = parseNumber(option, text, 0, kActionNames.size() - 1, nullptr)) {
    return static_cast<uint8_t>(*code);
  }
  *error = std::string(option) + ": unknown action " + quoted(text) + "; use one of " + actionNameList();
  return std::nullopt;
}

std::string actionNameList() {
  std::string list;
  for (std::size_t code = 0; code < kActionNames.size(); ++code) {
    if (code > 0) list += ", ";
    list += std::string(kActionNames[code]) + " (" + std::to_string(code) + ")";
  }
  return list;
}

std::optional<uint64_t> parseNumber(std::string_view option, std::string_view text, uint64_t min, uint64_t max,
                                    std::string* error) {
  uint64_t value = 0;
  bool ok = allDigits(text);
  if (ok) {
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    ok = failure == std::errc() && end == text.data() + text.size() && value >= min && value <= max;
  }
  if (ok) return value;
  if (error != nullptr) {
    *error = std::string(option) + ": " + quoted(text) + " is not a number from " + std::to_string(min) + " to " +
             std::to_string(max);
  }
  return std::nullopt;
}

CLI::Validator numberCheck(std::string option, uint64_t min, uint64_t max) {
  return CLI::Validator(
      [option, min, max](std::string& text) {
        std::string error;
        // The parser names the option itself.
        return parseNumber(option, text, min, max, &error) ? std::string() : error.substr(option.size() + 2);
      },
      "N");
}

std::optional<uint32_t> parseNodeLimitOption(std::string_view text, std::string* error) {
  if (text == "none") return kNoNodeLimit;
  const auto value = parseNumber("--node-limit", text, 0, kNoNodeLimit, error);
  if (!value) {
    *error += " (or none for no limit)";
    return std::nullopt;
  }
  return *value == 0 ? kNoNodeLimit : static_cast<uint32_t>(*value);
}

std::optional<tree::Colour> parseColour(std::string_view option, std::string_view text, std::string* error) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '#') digits.remove_prefix(1);
  uint32_t rgb = 0;
  bool ok = digits.size() == 6;
  for (const char c : digits) {
    ok = ok && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
  }
  if (ok) std::from_chars(digits.data(), digits.data() + digits.size(), rgb, 16);
  if (!ok) {
    *error = std::string(option) + ": " + quoted(text) + " is not a colour; write it as #rrggbb";
    return std::nullopt;
  }
  // Stored with red in the lowest byte.
  return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

std::string colourText(tree::Colour colour) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text = "#";
  for (const unsigned byte : {colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF}) {
    text += kHex[byte >> 4];
    text += kHex[byte & 0xF];
  }
  return text;
}

std::optional<uint8_t> parseItemCount(std::string_view text, std::string* error) {
  for (std::size_t mode = 0; mode < kItemCountNames.size(); ++mode) {
    if (text == kItemCountNames[mode] || text == std::to_string(mode)) return static_cast<uint8_t>(mode);
  }
  *error = "Invalid item count " + quoted(text) + ": use none (0), subitems (1) or leaves (2) per level";
  return std::nullopt;
}

std::string_view itemCountName(uint8_t mode) { return mode < kItemCountNames.size() ? kItemCountNames[mode] : "none"; }

}  // namespace app
