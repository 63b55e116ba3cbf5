#include "profile/layout.h"

#include <nlohmann/json.hpp>

#include "profile/data_error.h"
#include "profile/file_io.h"
#include "profile/json_reader.h"

namespace profile {
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

// Reads hexadecimal text into `bytes`; false when `value` is not such text.
bool fromHex(const nlohmann::json& value, std::vector<uint8_t>& bytes) {
  if (!value.is_string()) return false;
  const std::string& hex = value.get_ref<const std::string&>();
  if (hex.size() % 2 != 0) return false;
  bytes.clear();
  bytes.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = hexDigit(hex[i]);
    const int low = hexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes.push_back(static_cast<uint8_t>(high * 16 + low));
  }
  return true;
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
    throw DataError("Malformed layout file \"" + name + "\": \"panels\" must be a list");
  }
  const auto malformed = [&name](const std::string& what) {
    return DataError("Malformed layout file \"" + name + "\": " + what);
  };
  for (const auto& panel : document["panels"]) {
    const auto settings = panel.is_object() ? panel.find("settings") : panel.end();
    std::vector<uint8_t> bytes;
    if (settings == panel.end() || !fromHex(*settings, bytes)) {
      throw malformed("a panel's \"settings\" must be hexadecimal text");
    }
    layout.panels.push_back(std::move(bytes));
  }
  if (const auto window = document.find("window"); window != document.end()) {
    if (!window->is_object()) throw malformed("\"window\" must be an object");
    const auto blob = [&](const char* key, std::vector<uint8_t>& out) {
      const auto value = window->find(key);
      if (value != window->end() && !fromHex(*value, out)) {
        throw malformed("the window's \"" + std::string(key) + "\" must be hexadecimal text");
      }
    };
    blob("geometry", layout.geometry);
    blob("state", layout.window_state);
  }
  if (const auto columns = document.find("playlist_columns"); columns != document.end()) {
    if (!columns->is_array()) throw malformed("\"playlist_columns\" must be a list");
    for (const auto& column : *columns) {
      const auto text = [&](const char* key) -> std::string {
        const auto value = column.find(key);
        if (value == column.end()) return {};
        if (!value->is_string()) throw malformed("a playlist column's \"" + std::string(key) + "\" must be text");
        return value->get<std::string>();
      };
      if (!column.is_object()) throw malformed("a playlist column must be an object");
      PlaylistColumnLayout entry;
      entry.id = text("id");
      if (entry.id.empty()) throw malformed("a playlist column needs an \"id\"");
      entry.title = text("title");
      entry.expression = text("expression");
      if (const auto width = column.find("width"); width != column.end()) {
        if (!width->is_number_integer() || width->get<int64_t>() < 0 || width->get<int64_t>() > 100000) {
          throw malformed("a playlist column's \"width\" must be a whole number of pixels");
        }
        entry.width = width->get<int>();
      }
      if (const auto visible = column.find("visible"); visible != column.end()) {
        if (!visible->is_boolean()) throw malformed("a playlist column's \"visible\" must be true or false");
        entry.visible = visible->get<bool>();
      }
      layout.playlist_columns.push_back(std::move(entry));
    }
  }
  return layout;
}

std::string layoutJson(const Layout& layout) {
  nlohmann::ordered_json panels = nlohmann::ordered_json::array();
  for (const auto& settings : layout.panels) panels.push_back({{"settings", toHex(settings)}});
  nlohmann::ordered_json document;
  document["panels"] = std::move(panels);
  if (!layout.geometry.empty() || !layout.window_state.empty()) {
    document["window"] = {{"geometry", toHex(layout.geometry)}, {"state", toHex(layout.window_state)}};
  }
  if (!layout.playlist_columns.empty()) {
    nlohmann::ordered_json columns = nlohmann::ordered_json::array();
    for (const PlaylistColumnLayout& column : layout.playlist_columns) {
      nlohmann::ordered_json entry = {{"id", column.id}};
      if (!column.title.empty()) entry["title"] = column.title;
      if (!column.expression.empty()) entry["expression"] = column.expression;
      entry["width"] = column.width;
      entry["visible"] = column.visible;
      columns.push_back(std::move(entry));
    }
    document["playlist_columns"] = std::move(columns);
  }
  return document.dump(1) + "\n";
}

void saveLayout(const std::filesystem::path& file, const Layout& layout) {
  writeFileAtomically(file, layoutJson(layout));
}

}  // namespace profile
