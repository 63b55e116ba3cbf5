// The advanced settings: listing, validation, overrides and the stored file.
#include "profile/settings_store.h"

#include <fstream>
#include <optional>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "profile/data_error.h"
#include "profile/file_io.h"
#include "support/fake_host.h"

namespace profile {
namespace {

using testing_support::TempDir;

// The message `action` throws, or "" when it does not.
template <typename Action>
std::string errorOf(Action action) {
  try {
    action();
  } catch (const DataError& error) {
    return error.what();
  }
  return "";
}

TEST(SettingsStoreTest, DefaultsWhenTheFileIsMissing) {
  TempDir dir;
  const SettingsStore store(dir.path() / "settings.json");
  EXPECT_EQ(store.list(),
            "show_sql_execution_time=0\n"
            "overall_node_limit=1000000\n"
            "console_row_limit=5000\n"
            "sql_processing_priority=default\n"
            "icon_file_paths=\n"
            "mpd_port=0\n"
            "mpd_password=\n");
  EXPECT_FALSE(store.lastLibrary().has_value());
}

TEST(SettingsStoreTest, SetValidatesEachKey) {
  struct Case {
    std::string key, value;
    bool valid;
  };
  const Case cases[] = {
      {"show_sql_execution_time", "1", true},
      {"show_sql_execution_time", "0", true},
      {"show_sql_execution_time", "2", false},
      {"show_sql_execution_time", "yes", false},
      {"overall_node_limit", "0", true},
      {"overall_node_limit", "18446744073709551615", true},
      {"overall_node_limit", "18446744073709551616", false},
      {"overall_node_limit", "-1", false},
      {"overall_node_limit", "+5", false},
      {"overall_node_limit", "", false},
      {"console_row_limit", "12 ", false},
      {"console_row_limit", "0x10", false},
      {"sql_processing_priority", "below_normal", true},
      {"sql_processing_priority", "Below_Normal", false},
      {"icon_file_paths", "/a.png|/b.png", true},
      {"icon_file_paths", "", true},
      {"mpd_port", "6600", true},
      {"mpd_port", "65535", true},
      {"mpd_port", "65536", false},
      {"mpd_port", "-1", false},
      {"mpd_password", "s3cret word", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key + "=" + c.value);
    TempDir dir;
    SettingsStore store(dir.path() / "settings.json");
    const std::string before = store.list();
    const std::string message = errorOf([&] { store.set(c.key, c.value); });
    if (c.valid) {
      EXPECT_EQ(message, "");
      EXPECT_EQ(store.get(c.key), c.value);
    } else {
      EXPECT_NE(message.find(c.key), std::string::npos) << message;
      EXPECT_NE(message.find("allowed values are"), std::string::npos) << message;
      EXPECT_EQ(store.list(), before);
    }
  }
}

TEST(SettingsStoreTest, UnknownKeyNamesTheKeyAndTheKnownOnes) {
  TempDir dir;
  SettingsStore store(dir.path() / "settings.json");
  for (const std::string& message : {errorOf([&] { store.set("node_limit", "1"); }),
                                     errorOf([&] { store.get("last_library"); }),
                                     errorOf([&] { store.applyOverride("nope=1"); })}) {
    EXPECT_NE(message.find("Unknown setting"), std::string::npos) << message;
    EXPECT_NE(message.find("sql_processing_priority"), std::string::npos) << message;
  }
  EXPECT_NE(errorOf([&] { store.applyOverride("console_row_limit"); }).find("KEY=VALUE"), std::string::npos);
}

TEST(SettingsStoreTest, SavedValuesRoundTripAndOverridesAreNotSaved) {
  TempDir dir;
  const auto file = dir.path() / "settings.json";
  {
    SettingsStore store(file);
    store.set("console_row_limit", "18446744073709551615");
    store.set("sql_processing_priority", "idle");
    store.set("icon_file_paths", "/ü.png|/b.png");
    store.set("mpd_port", "6601");
    store.setLastLibrary("/music/lib.json");
    store.applyOverride("show_sql_execution_time=1");
    store.applyOverride("console_row_limit=7");
    EXPECT_TRUE(store.settings().show_sql_execution_time);
    EXPECT_EQ(store.settings().console_row_limit, 7u);
    EXPECT_EQ(store.get("console_row_limit"), "7");
    store.set("console_row_limit", "9");  // the override stays in force for this run
    EXPECT_EQ(store.settings().console_row_limit, 7u);
    store.save();
  }
  const SettingsStore again(file);
  EXPECT_EQ(again.list(),
            "show_sql_execution_time=0\n"
            "overall_node_limit=1000000\n"
            "console_row_limit=9\n"
            "sql_processing_priority=idle\n"
            "icon_file_paths=/ü.png|/b.png\n"
            "mpd_port=6601\n"
            "mpd_password=\n");
  EXPECT_EQ(again.settings().sql_processing_priority, host::SqlPriority::kIdle);
  EXPECT_EQ(again.lastLibrary(), "/music/lib.json");
}

TEST(SettingsStoreTest, MusicFoldersRoundTripInOrder) {
  TempDir dir;
  const auto file = dir.path() / "settings.json";
  {
    SettingsStore store(file);
    EXPECT_TRUE(store.musicFolders().empty());
    store.setMusicFolders({"/srv/müsic", "/home/a/Music"});
    store.save();
  }
  const SettingsStore again(file);
  EXPECT_EQ(again.musicFolders(), (std::vector<std::string>{"/srv/müsic", "/home/a/Music"}));
}

// The tree panels' hint stays closed once closed; an untouched file does not
// mention it.
TEST(SettingsStoreTest, ClosedTreeHintRoundTrips) {
  TempDir dir;
  const auto file = dir.path() / "settings.json";
  {
    SettingsStore store(file);
    EXPECT_FALSE(store.treeHintDismissed());
    EXPECT_EQ(store.toJson().find("tree_hint_dismissed"), std::string::npos);
    store.setTreeHintDismissed(true);
    store.save();
  }
  EXPECT_TRUE(SettingsStore(file).treeHintDismissed());
}

TEST(SettingsStoreTest, KeepsKeysItDoesNotKnow) {
  TempDir dir;
  const auto file = dir.path() / "settings.json";
  std::ofstream(file) << R"({"future_setting": {"a": [1, 2]}, "overall_node_limit": 5})";
  // Copies keep them too, and outlive the store they were made from.
  for (const bool assigned : {false, true}) {
    std::optional<SettingsStore> copy;
    {
      SettingsStore store(file);
      EXPECT_EQ(store.settings().overall_node_limit, 5u);
      if (assigned) {
        copy.emplace(file, "{}");
        *copy = store;
      } else {
        copy.emplace(store);
      }
    }
    copy->save();
    const auto saved = nlohmann::json::parse(readWholeFile(file));
    EXPECT_EQ(saved["future_setting"]["a"][1], 2) << assigned;
    EXPECT_EQ(saved["overall_node_limit"], 5) << assigned;
  }
}

TEST(SettingsStoreTest, BadFilesNameTheFile) {
  struct Case {
    std::string text, expected;
  };
  const Case cases[] = {
      {"{\n \"console_row_limit\": }", "line 2, column 23"},
      {"[]", "is not a JSON object"},
      {R"({"console_row_limit": -3})", "console_row_limit"},
      {R"({"sql_processing_priority": 3})", "sql_processing_priority"},
      {R"({"last_library": 3})", "last_library"},
      {R"({"music_folders": "/music"})", "music_folders"},
      {R"({"music_folders": ["/music", 4]})", "music_folders"},
      {R"({"tree_hint_dismissed": "yes"})", "tree_hint_dismissed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TempDir dir;
    const auto file = dir.path() / "settings.json";
    std::ofstream(file) << c.text;
    const std::string message = errorOf([&] { SettingsStore store(file); });
    EXPECT_NE(message.find(file.string()), std::string::npos) << message;
    EXPECT_NE(message.find(c.expected), std::string::npos) << message;
  }
}

}  // namespace
}  // namespace profile
