// The advanced settings store; see settings_store.h.
#include "profile/settings_store.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <system_error>

#include <nlohmann/json.hpp>

#include "profile/data_error.h"
#include "profile/file_io.h"
#include "profile/json_reader.h"

namespace profile {
namespace {

using host::AdvancedSettings;

bool parseUnsigned(std::string_view text, uint64_t& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value);
  return !text.empty() && error == std::errc() && ptr == end;
}

// One setting: its key, the allowed values as messages name them, and how
// its value reads from text, prints and is stored.
struct Setting {
  std::string_view key;
  std::string_view allowed;
  bool (*parse)(std::string_view text, AdvancedSettings& settings);
  std::string (*print)(const AdvancedSettings& settings);
  nlohmann::ordered_json (*store)(const AdvancedSettings& settings);
};

constexpr std::array<Setting, 5> kSettings{{
    {"show_sql_execution_time", "0 and 1",
     [](std::string_view text, AdvancedSettings& s) {
       if (text != "0" && text != "1") return false;
       s.show_sql_execution_time = text == "1";
       return true;
     },
     [](const AdvancedSettings& s) { return std::string(s.show_sql_execution_time ? "1" : "0"); },
     [](const AdvancedSettings& s) { return nlohmann::ordered_json(s.show_sql_execution_time ? 1 : 0); }},
    {"overall_node_limit", "0 to 18446744073709551615",
     [](std::string_view text, AdvancedSettings& s) { return parseUnsigned(text, s.overall_node_limit); },
     [](const AdvancedSettings& s) { return std::to_string(s.overall_node_limit); },
     [](const AdvancedSettings& s) { return nlohmann::ordered_json(s.overall_node_limit); }},
    {"console_row_limit", "0 to 18446744073709551615",
     [](std::string_view text, AdvancedSettings& s) { return parseUnsigned(text, s.console_row_limit); },
     [](const AdvancedSettings& s) { return std::to_string(s.console_row_limit); },
     [](const AdvancedSettings& s) { return nlohmann::ordered_json(s.console_row_limit); }},
    {"sql_processing_priority", "default, idle, below_normal, normal, above_normal, high and realtime",
     [](std::string_view text, AdvancedSettings& s) {
       const auto priority = host::parsePriority(text);
       if (priority) s.sql_processing_priority = *priority;
       return priority.has_value();
     },
     [](const AdvancedSettings& s) { return std::string(host::priorityName(s.sql_processing_priority)); },
     [](const AdvancedSettings& s) {
       return nlohmann::ordered_json(std::string(host::priorityName(s.sql_processing_priority)));
     }},
    {"icon_file_paths", "any text",
     [](std::string_view text, AdvancedSettings& s) {
       s.icon_file_paths = text;
       return true;
     },
     [](const AdvancedSettings& s) { return s.icon_file_paths; },
     [](const AdvancedSettings& s) { return nlohmann::ordered_json(s.icon_file_paths); }},
}};

// The player's own settings: not the component's, so kept beside them (with
// the keys the store does not check) and read as text with get().
struct PlayerSetting {
  std::string_view key;
  std::string_view allowed;
  std::string_view default_value;
  bool numeric;  // stored as a JSON number
  bool (*valid)(std::string_view text);
};

constexpr std::array<PlayerSetting, 2> kPlayerSettings{{
    {"mpd_port", "0 to 65535", "0", true,
     [](std::string_view text) {
       uint64_t port = 0;
       return parseUnsigned(text, port) && port <= 65535;
     }},
    {"mpd_password", "any text", "", false, [](std::string_view) { return true; }},
}};

constexpr std::array<std::string_view, kSettings.size() + kPlayerSettings.size()> kKeys = [] {
  std::array<std::string_view, kSettings.size() + kPlayerSettings.size()> keys{};
  for (std::size_t i = 0; i < kSettings.size(); ++i) keys[i] = kSettings[i].key;
  for (std::size_t i = 0; i < kPlayerSettings.size(); ++i) keys[kSettings.size() + i] = kPlayerSettings[i].key;
  return keys;
}();

const PlayerSetting* findPlayerSetting(std::string_view key) {
  for (const PlayerSetting& setting : kPlayerSettings) {
    if (setting.key == key) return &setting;
  }
  return nullptr;
}

// Checks a value of a player setting; throws as applyValue does.
void checkPlayerValue(const PlayerSetting& setting, std::string_view value) {
  if (!setting.valid(value)) {
    throw DataError("Invalid value \"" + std::string(value) + "\" for " + std::string(setting.key) +
                    ": allowed values are " + std::string(setting.allowed));
  }
}

nlohmann::ordered_json playerJson(const PlayerSetting& setting, std::string_view value) {
  if (!setting.numeric) return std::string(value);
  uint64_t number = 0;
  parseUnsigned(value, number);
  return number;
}

constexpr std::string_view kLastLibraryKey = "last_library";
constexpr std::string_view kMusicFoldersKey = "music_folders";
constexpr std::string_view kTreeHintDismissedKey = "tree_hint_dismissed";
// Kept with the keys the store does not check, as written.
constexpr const char* kPlaybackOrderKey = "playback_order";
constexpr const char* kVolumeKey = "volume";

const Setting& findSetting(std::string_view key) {
  for (const Setting& setting : kSettings) {
    if (setting.key == key) return setting;
  }
  std::string known;
  for (const std::string_view name : kKeys) known += (known.empty() ? "" : ", ") + std::string(name);
  throw DataError("Unknown setting \"" + std::string(key) + "\": the settings are " + known);
}

// Applies `value` to `settings`, or throws naming the key and what it allows.
void applyValue(std::string_view key, std::string_view value, AdvancedSettings& settings) {
  const Setting& setting = findSetting(key);
  AdvancedSettings changed = settings;
  if (!setting.parse(value, changed)) {
    throw DataError("Invalid value \"" + std::string(value) + "\" for " + std::string(key) + ": allowed values are " +
                    std::string(setting.allowed));
  }
  settings = std::move(changed);
}

// The text form of a stored JSON value, as `config KEY VALUE` would take it.
std::string storedText(const nlohmann::ordered_json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_boolean()) return value.get<bool>() ? "1" : "0";
  return value.dump();
}

}  // namespace

SettingsStore::SettingsStore(std::filesystem::path file)
    : file_(std::move(file)), unknown_(std::make_unique<nlohmann::ordered_json>()) {
  std::error_code ec;
  if (std::filesystem::exists(file_, ec)) load(readWholeFile(file_, kProfileFileLimit));
  recompute();
}

SettingsStore::SettingsStore(std::filesystem::path file, std::string_view text)
    : file_(std::move(file)), unknown_(std::make_unique<nlohmann::ordered_json>()) {
  load(text);
  recompute();
}

SettingsStore::SettingsStore(const SettingsStore& other)
    : file_(other.file_),
      stored_(other.stored_),
      effective_(other.effective_),
      overrides_(other.overrides_),
      last_library_(other.last_library_),
      music_folders_(other.music_folders_),
      tree_hint_dismissed_(other.tree_hint_dismissed_),
      unknown_(std::make_unique<nlohmann::ordered_json>(other.unknown_ ? *other.unknown_ : nlohmann::ordered_json())) {}

SettingsStore& SettingsStore::operator=(const SettingsStore& other) {
  if (this != &other) *this = SettingsStore(other);
  return *this;
}

SettingsStore::SettingsStore(SettingsStore&& other) noexcept = default;
SettingsStore& SettingsStore::operator=(SettingsStore&& other) noexcept = default;
SettingsStore::~SettingsStore() = default;

void SettingsStore::load(std::string_view text) {
  auto document = parseJsonDocument<nlohmann::ordered_json>(text, file_.string());
  if (!document.is_object()) throw DataError("Settings file \"" + file_.string() + "\" is not a JSON object");
  for (auto& [key, value] : document.items()) {
    try {
      if (key == kLastLibraryKey) {
        if (!value.is_string()) throw DataError("last_library must be a string");
        last_library_ = value.get<std::string>();
      } else if (key == kMusicFoldersKey) {
        if (!value.is_array()) throw DataError("music_folders must be a list of folder paths");
        std::vector<std::string> folders;
        for (const auto& folder : value) {
          if (!folder.is_string()) throw DataError("music_folders must be a list of folder paths");
          folders.push_back(folder.get<std::string>());
        }
        music_folders_ = std::move(folders);
      } else if (key == kTreeHintDismissedKey) {
        if (!value.is_boolean()) throw DataError("tree_hint_dismissed must be true or false");
        tree_hint_dismissed_ = value.get<bool>();
      } else if (const PlayerSetting* player = findPlayerSetting(key)) {
        checkPlayerValue(*player, storedText(value));
        (*unknown_)[key] = value;
      } else if (std::find(kKeys.begin(), kKeys.end(), key) != kKeys.end()) {
        applyValue(key, storedText(value), stored_);
      } else {
        (*unknown_)[key] = value;
      }
    } catch (const DataError& error) {
      throw DataError("Settings file \"" + file_.string() + "\": " + error.what());
    }
  }
}

std::span<const std::string_view> SettingsStore::keys() { return kKeys; }

std::string SettingsStore::get(std::string_view key) const {
  if (const PlayerSetting* player = findPlayerSetting(key)) {
    for (auto it = overrides_.rbegin(); it != overrides_.rend(); ++it) {
      if (it->first == key) return it->second;
    }
    const auto found = unknown_->find(std::string(key));
    return found != unknown_->end() ? storedText(*found) : std::string(player->default_value);
  }
  return findSetting(key).print(effective_);
}

std::string SettingsStore::list() const {
  std::string out;
  for (const std::string_view key : kKeys) {
    out += key;
    out += '=';
    out += get(key);
    out += '\n';
  }
  return out;
}

void SettingsStore::set(std::string_view key, std::string_view value) {
  if (const PlayerSetting* player = findPlayerSetting(key)) {
    checkPlayerValue(*player, value);
    (*unknown_)[std::string(key)] = playerJson(*player, value);
    return;
  }
  applyValue(key, value, stored_);
  recompute();
}

void SettingsStore::applyOverride(std::string_view assignment) {
  const std::size_t equals = assignment.find('=');
  if (equals == std::string_view::npos) {
    throw DataError("Invalid setting \"" + std::string(assignment) + "\": expected KEY=VALUE");
  }
  const std::string_view key = assignment.substr(0, equals);
  const std::string_view value = assignment.substr(equals + 1);
  if (const PlayerSetting* player = findPlayerSetting(key)) {
    checkPlayerValue(*player, value);
    overrides_.emplace_back(key, value);
    return;
  }
  AdvancedSettings check = effective_;
  applyValue(key, value, check);
  overrides_.emplace_back(key, value);
  effective_ = std::move(check);
}

void SettingsStore::recompute() {
  effective_ = stored_;
  for (const auto& [key, value] : overrides_) {
    if (findPlayerSetting(key) == nullptr) applyValue(key, value, effective_);
  }
}

std::string SettingsStore::playbackOrder() const {
  const auto found = unknown_->find(kPlaybackOrderKey);
  return found != unknown_->end() && found->is_string() ? found->get<std::string>() : std::string();
}

void SettingsStore::setPlaybackOrder(std::string_view name) { (*unknown_)[std::string(kPlaybackOrderKey)] = name; }

std::optional<double> SettingsStore::volume() const {
  const auto found = unknown_->find(kVolumeKey);
  if (found == unknown_->end() || !found->is_number()) return std::nullopt;
  return std::clamp(found->get<double>(), 0.0, 1.0);
}

void SettingsStore::setVolume(double volume) { (*unknown_)[std::string(kVolumeKey)] = std::clamp(volume, 0.0, 1.0); }

void SettingsStore::save() const { writeFileAtomically(file_, toJson()); }

std::string SettingsStore::toJson() const {
  nlohmann::ordered_json document = nlohmann::ordered_json::object();
  for (const Setting& setting : kSettings) document[std::string(setting.key)] = setting.store(stored_);
  if (last_library_) document[std::string(kLastLibraryKey)] = *last_library_;
  if (!music_folders_.empty()) document[std::string(kMusicFoldersKey)] = music_folders_;
  if (tree_hint_dismissed_) document[std::string(kTreeHintDismissedKey)] = true;
  for (const auto& [key, value] : unknown_->items()) document[key] = value;
  return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace profile
