// The advanced settings, kept in the profile's settings.json.
//
//   SettingsStore settings(profile.settingsFile());
//   settings.applyOverride("show_sql_execution_time=1");  // --set, this run only
//   settings.set("console_row_limit", "100");            // `config KEY VALUE`
//   settings.save();
//
// Keys and values are those of the `config` command:
//   show_sql_execution_time  0 or 1                       default 0
//   overall_node_limit       0 to 18446744073709551615     default 1000000
//   console_row_limit        0 to 18446744073709551615     default 5000
//   sql_processing_priority  default, idle, below_normal, normal,
//                            above_normal, high, realtime  default default
//   icon_file_paths          any text                      default empty
// The file also keeps the library last chosen in the desktop program
// ("last_library", a library file), the music folders scanned instead of
// a library file ("music_folders", a list of folder paths), whether the
// user closed the tree panels' hint ("tree_hint_dismissed", true), the
// playback order ("playback_order") and the volume ("volume"), which
// `config` does not show, and any key it does not know, so that a newer
// program's settings survive a save by this one.
#ifndef VOSTREL_PROFILE_SETTINGS_STORE_H_
#define VOSTREL_PROFILE_SETTINGS_STORE_H_

#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "host/settings.h"

namespace profile {

class SettingsStore {
 public:
  // Reads `file` when it exists; a missing file means all defaults. Throws
  // DataError naming the file for malformed JSON (with line and column) or
  // a stored value that is not allowed.
  explicit SettingsStore(std::filesystem::path file);
  // The store of `file` when it holds `text`, for text already in memory.
  SettingsStore(std::filesystem::path file, std::string_view text);
  SettingsStore(const SettingsStore& other);
  SettingsStore& operator=(const SettingsStore& other);
  SettingsStore(SettingsStore&& other) noexcept;
  SettingsStore& operator=(SettingsStore&& other) noexcept;
  ~SettingsStore();

  // The keys in the order `config` lists them.
  static std::span<const std::string_view> keys();

  // The settings in force: the stored ones with this run's overrides.
  const host::AdvancedSettings& settings() const { return effective_; }

  // The value in force of `key` as `config` prints it. Throws DataError
  // for an unknown key.
  std::string get(std::string_view key) const;
  // "key=value\n" for every key, in keys() order.
  std::string list() const;

  // Validates `value` and makes it the stored value of `key` (overrides stay
  // in force over it). Throws DataError naming the key and the allowed
  // values when either is not allowed; nothing changes then.
  void set(std::string_view key, std::string_view value);
  // Applies "KEY=VALUE" for this run only; never saved. Same errors as set.
  void applyOverride(std::string_view assignment);

  // The library last chosen in the desktop program, if any.
  std::optional<std::string> lastLibrary() const { return last_library_; }
  void setLastLibrary(std::string path) { last_library_ = std::move(path); }

  // The music folders the library is scanned from; empty when the library
  // is a file.
  const std::vector<std::string>& musicFolders() const { return music_folders_; }
  void setMusicFolders(std::vector<std::string> folders) { music_folders_ = std::move(folders); }

  // Whether the user closed the tree panels' hint; it stays closed.
  bool treeHintDismissed() const { return tree_hint_dismissed_; }
  void setTreeHintDismissed(bool dismissed) { tree_hint_dismissed_ = dismissed; }

  // The desktop program's playback order (its stored name, empty when never
  // chosen) and volume (0 to 1). Kept as given; the player checks them.
  std::string playbackOrder() const;
  void setPlaybackOrder(std::string_view name);
  std::optional<double> volume() const;
  void setVolume(double volume);

  // Writes the stored values (not the overrides) atomically.
  void save() const;
  // The text save() writes.
  std::string toJson() const;

 private:
  void load(std::string_view text);
  void recompute();

  std::filesystem::path file_;
  host::AdvancedSettings stored_;
  host::AdvancedSettings effective_;
  std::vector<std::pair<std::string, std::string>> overrides_;  // key, value; in order given
  std::optional<std::string> last_library_;
  std::vector<std::string> music_folders_;
  bool tree_hint_dismissed_ = false;
  // Keys of the file this program does not know. Held apart so that the
  // many files that include this header do not compile the JSON library.
  std::unique_ptr<nlohmann::ordered_json> unknown_;
};

}  // namespace profile

#endif  // VOSTREL_PROFILE_SETTINGS_STORE_H_
