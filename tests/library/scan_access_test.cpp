// What a scan cannot read: files it may not open, which it tries again
// until it can. The permissions bind root as well while a test looks
// (support/file_access.h).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "library/file_uri.h"
#include "library/library_scan.h"
#include "support/fake_host.h"
#include "support/file_access.h"

namespace library {
namespace {

namespace fs = std::filesystem;
using testing_support::RestoreMode;
using testing_support::WithoutAccessOverride;

std::vector<std::string> names(const host::TrackList& tracks, const fs::path& below) {
  std::vector<std::string> result;
  for (const auto& track : tracks) result.push_back(uriFilePath(track->path()).lexically_relative(below).string());
  return result;
}

class ScanAccessTest : public ::testing::Test {
 protected:
  fs::path music() const { return dir_.path() / "music"; }

  void copy(const char* name, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy_file(fs::path(VOSTREL_TEST_DATA_DIR) / "tag-corpus" / name, to);
  }

  // A scan as a user would run it, with one cache kept from scan to scan
  // as the desktop program keeps it.
  ScanResult scan() {
    const WithoutAccessOverride as_user;
    if (!cache_) cache_.emplace(dir_.path() / "profile");
    ScanOptions options;
    options.threads = 3;
    return scanMusicFolders(*cache_, {music()}, options);
  }

  // The cache's count of changes: a scan that finds nothing new writes
  // nothing, and leaves the snapshot of the tracks current.
  int64_t generation() const {
    sqlite3* db = nullptr;
    sqlite3_open_v2((dir_.path() / "profile" / "library.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT generation FROM state", -1, &stmt, nullptr);
    const int64_t value = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return value;
  }

  testing_support::TempDir dir_;
  std::optional<LibraryCache> cache_;
};

TEST_F(ScanAccessTest, AFileThatCannotBeOpenedIsTriedAgainUntilItCanBe) {
  copy("test.ogg", music() / "a.ogg");
  copy("multiple-vc.flac", music() / "locked.flac");
  const RestoreMode restore(music() / "locked.flac");
  fs::permissions(music() / "locked.flac", fs::perms::none);
  const ScanResult first = scan();
  EXPECT_EQ(names(first.library.tracks, music()), std::vector<std::string>{"a.ogg"});
  EXPECT_EQ(first.counts.unreadable, 1u);

  // Tried again, and without a write.
  const int64_t before = generation();
  const ScanResult again = scan();
  EXPECT_EQ(again.counts.unchanged, 1u);
  EXPECT_EQ(again.counts.unreadable, 1u);
  EXPECT_EQ(generation(), before);

  // Its permissions change, its size and time do not.
  fs::permissions(music() / "locked.flac", fs::perms::owner_read | fs::perms::owner_write);
  const ScanResult readable = scan();
  EXPECT_EQ(readable.counts.added, 1u);
  EXPECT_EQ(readable.counts.unreadable, 0u);
  EXPECT_EQ(names(readable.library.tracks, music()), (std::vector<std::string>{"a.ogg", "locked.flac"}));

  // A track that changed while it cannot be opened leaves the library
  // until it can be read again.
  fs::permissions(music() / "locked.flac", fs::perms::none);
  fs::last_write_time(music() / "locked.flac", fs::last_write_time(music() / "locked.flac") + std::chrono::hours(1));
  const ScanResult changed = scan();
  EXPECT_EQ(names(changed.library.tracks, music()), std::vector<std::string>{"a.ogg"});
  EXPECT_EQ(changed.counts.unreadable, 1u);
  EXPECT_EQ(names(scan().library.tracks, music()), std::vector<std::string>{"a.ogg"});
  fs::permissions(music() / "locked.flac", fs::perms::owner_read);
  EXPECT_EQ(scan().counts.added, 1u);
}

}  // namespace
}  // namespace library
