#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "library/library_source.h"
#include "profile/data_error.h"
#include "support/fake_host.h"

namespace library {
namespace {

namespace fs = std::filesystem;

struct SourceCase {
  const char* name;
  std::vector<std::string> options;  // "@" stands for the test folder
  const char* env;                   // nullptr: unset
  std::vector<std::string> settings_folders;
  const char* last_library;
  std::string want_file;                  // relative to the test folder, or "demo"
  std::vector<std::string> want_folders;  // relative to the test folder
};

class LibrarySourceTest : public ::testing::TestWithParam<SourceCase> {
 protected:
  void SetUp() override {
    fs::create_directories(root() / "music");
    fs::create_directories(root() / "more");
    std::ofstream(root() / "lib.json") << "{}";
  }
  void TearDown() override { unsetenv("VOSTREL_LIBRARY"); }
  fs::path root() const { return dir_.path(); }
  std::string at(const std::string& value) const {
    return value.starts_with("@") ? (root() / value.substr(2)).string() : value;
  }
  testing_support::TempDir dir_;
};

TEST_P(LibrarySourceTest, ChoosesInOrder) {
  const SourceCase& c = GetParam();
  std::vector<std::string> options;
  for (const std::string& option : c.options) options.push_back(at(option));
  if (c.env != nullptr) setenv("VOSTREL_LIBRARY", at(c.env).c_str(), 1);
  profile::SettingsStore settings(root() / "settings.json");
  std::vector<std::string> folders;
  for (const std::string& folder : c.settings_folders) folders.push_back(at(folder));
  settings.setMusicFolders(folders);
  if (c.last_library != nullptr) settings.setLastLibrary(at(c.last_library));
  const LibrarySource source = chooseLibrarySource(options, settings, "/demo.json");
  std::vector<fs::path> want_folders;
  for (const std::string& folder : c.want_folders) want_folders.push_back(root() / folder);
  EXPECT_EQ(source.folders, want_folders);
  EXPECT_EQ(source.isFolders(), !want_folders.empty());
  if (!c.want_file.empty()) {
    EXPECT_EQ(source.file, c.want_file == "demo" ? "/demo.json" : root() / c.want_file);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Choices, LibrarySourceTest,
    ::testing::Values(
        SourceCase{"option_file", {"@/lib.json"}, "@/more", {"@/music"}, nullptr, "lib.json", {}},
        SourceCase{"option_folders", {"@/music/", "@/more"}, nullptr, {}, nullptr, "", {"music", "more"}},
        SourceCase{"option_missing_folder", {"@/gone"}, nullptr, {}, nullptr, "", {"gone"}},
        SourceCase{"option_missing_file", {"@/gone.json"}, nullptr, {}, nullptr, "gone.json", {}},
        SourceCase{"environment_folder", {}, "@/music", {"@/more"}, "@/lib.json", "", {"music"}},
        SourceCase{"settings_folders", {}, nullptr, {"@/more", "@/music"}, "@/lib.json", "", {"more", "music"}},
        SourceCase{"last_library", {}, nullptr, {}, "@/lib.json", "lib.json", {}},
        SourceCase{"demo", {}, nullptr, {}, nullptr, "demo", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LibrarySourceErrorTest, AFileCannotBeCombinedWithFolders) {
  testing_support::TempDir dir;
  std::ofstream(dir.path() / "lib.json") << "{}";
  const profile::SettingsStore settings(dir.path() / "settings.json");
  EXPECT_THROW(chooseLibrarySource({dir.path().string(), (dir.path() / "lib.json").string()}, settings, "/d.json"),
               profile::DataError);
}

}  // namespace
}  // namespace library
