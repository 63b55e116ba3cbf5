#include "player/layout.h"

#include <nlohmann/json.hpp>

#include "player/file_io.h"
#include "player/json_reader.h"
#include "player/player_error.h"

namespace player {
namespace {

constexpr char kHex[] = "0123456789abcdef";

std::string toHex(const std::vector<uint8_t>& bytes) {
  std::string text;
  text.reserve(bytes.size() * 2);
  for (uint8_t byte : bytes) {
    text.push_back(kHex[byte >> 4]);
    text.push_back(kHex[byte & 15]);
  }
  return text;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

Layout loadLayout(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return {};
  return parseLayout(readWholeFile(file, kProfileFileLimit), file.string());
}

Layout parseLayout(std::string_view text, const std::string& name) {
  Layout layout;
  const auto document = parseJsonDocument<nlohmann::json>(text, name);
  if (!document.is_object() || !document.contains("panels") || !document["panels"].is_array()) {
    throw PlayerError("Malformed layout file \"" + name + "\": \"panels\" must be a list");
  }
  for (const auto& panel : document["panels"]) {
    const auto settings = panel.is_object() ? panel.find("settings") : panel.end();
    if (settings == panel.end() || !settings->is_string() || settings->get_ref<const std::string&>().size() % 2 != 0) {
      throw PlayerError("Malformed layout file \"" + name + "\": a panel's \"settings\" must be hexadecimal text");
    }
    const std::string& hex = settings->get_ref<const std::string&>();
    std::vector<uint8_t> bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
      const int high = hexDigit(hex[i]);
      const int low = hexDigit(hex[i + 1]);
      if (high < 0 || low < 0) {
        throw PlayerError("Malformed layout file \"" + name + "\": a panel's \"settings\" must be hexadecimal text");
      }
      bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    layout.panels.push_back(std::move(bytes));
  }
  return layout;
}

std::string layoutJson(const Layout& layout) {
  nlohmann::json panels = nlohmann::json::array();
  for (const auto& settings : layout.panels) panels.push_back({{"settings", toHex(settings)}});
  return nlohmann::json{{"panels", panels}}.dump(1) + "\n";
}

void saveLayout(const std::filesystem::path& file, const Layout& layout) {
  writeFileAtomically(file, layoutJson(layout));
}

}  // namespace player
