// What a scan cannot read: files it may not open, which it tries again
// until it can, and folders it cannot list, which keep their tracks and
// are named at every scan (their notices said once). The permissions bind
// root as well while a test looks (support/file_access.h).
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
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

const std::string kDenied = std::strerror(EACCES);

std::vector<std::string> names(const host::TrackList& tracks, const fs::path& below) {
  std::vector<std::string> result;
  for (const auto& track : tracks) result.push_back(uriFilePath(track->path()).lexically_relative(below).string());
  return result;
}

std::size_t countOf(const std::vector<std::string>& lines, const std::string& part) {
  std::size_t found = 0;
  for (const std::string& line : lines) found += line.find(part) != std::string::npos ? 1 : 0;
  return found;
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
    options.recent = recent_;
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
  std::chrono::nanoseconds recent_ = ScanOptions().recent;
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

// The folder of a file that cannot be opened is listed at every scan,
// though its own times stay as they were: the file has no row to be
// stated by.
TEST_F(ScanAccessTest, AFolderHoldingAFileThatCannotBeOpenedIsListedUntilItCanBe) {
  recent_ = std::chrono::nanoseconds(0);
  copy("test.ogg", music() / "a.ogg");
  copy("multiple-vc.flac", music() / "locked.flac");
  const RestoreMode restore(music() / "locked.flac");
  fs::permissions(music() / "locked.flac", fs::perms::none);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(scan().counts.unreadable, 1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(scan().counts.folders_listed, 1u);
  fs::permissions(music() / "locked.flac", fs::perms::owner_read | fs::perms::owner_write);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const ScanResult readable = scan();
  EXPECT_EQ(readable.counts.added, 1u);
  EXPECT_EQ(names(readable.library.tracks, music()), (std::vector<std::string>{"a.ogg", "locked.flac"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(scan().counts.folders_listed, 0u);
}

// A folder that cannot be listed: no read permission, no search
// permission (its entries cannot be reached), or neither.
class UnlistedFolderTest : public ScanAccessTest, public ::testing::WithParamInterface<fs::perms> {};

TEST_P(UnlistedFolderTest, AMusicFolderKeepsItsTracksAndIsNamed) {
  copy("test.ogg", music() / "a.ogg");
  copy("multiple-vc.flac", music() / "sub" / "b.flac");
  const ScanResult first = scan();
  ASSERT_EQ(first.counts.added, 2u);

  const RestoreMode restore(music());
  fs::permissions(music(), GetParam());
  const ScanResult cut = scan();
  EXPECT_EQ(names(cut.library.tracks, music()), names(first.library.tracks, music()));
  EXPECT_EQ(cut.counts.unchanged, 2u);
  EXPECT_EQ(cut.counts.removed, 0u);
  EXPECT_EQ(cut.unreadable_folders, (std::vector<UnreadableFolder>{{music().string(), kDenied}}));
  EXPECT_TRUE(cut.unavailable_folders.empty());
  ASSERT_EQ(cut.notices.size(), 1u);
  EXPECT_NE(cut.notices[0].find("The music folder " + music().string() + " cannot be read (" + kDenied + ")"),
            std::string::npos)
      << cut.notices[0];
  // Named at every scan, said once.
  const ScanResult again = scan();
  EXPECT_EQ(again.unreadable_folders, cut.unreadable_folders);
  EXPECT_TRUE(again.notices.empty());

  fs::permissions(music(), fs::perms::owner_all);
  const ScanResult back = scan();
  EXPECT_TRUE(back.unreadable_folders.empty());
  EXPECT_EQ(back.counts.unchanged, 2u);
  EXPECT_EQ(countOf(back.notices, "is available again"), 1u);
}

// The folders that stay as they were are stated, not listed: the scans
// take no time as too recent, and the changes come a little after them.
TEST_P(UnlistedFolderTest, AFolderBelowKeepsItsTracksAndIsNamedAndTheRestIsScanned) {
  recent_ = std::chrono::nanoseconds(0);
  auto settle = [] { std::this_thread::sleep_for(std::chrono::milliseconds(30)); };
  copy("test.ogg", music() / "a.ogg");
  copy("test.ogg", music() / "gone.ogg");
  copy("multiple-vc.flac", music() / "private" / "b.flac");
  copy("test.ogg", music() / "private" / "deeper" / "c.ogg");
  settle();
  const ScanResult first = scan();
  ASSERT_EQ(first.counts.added, 4u);
  settle();

  const RestoreMode restore(music() / "private");
  fs::permissions(music() / "private", GetParam());
  fs::remove(music() / "gone.ogg");
  copy("test.ogg", music() / "new.ogg");
  const ScanResult cut = scan();
  EXPECT_EQ(names(cut.library.tracks, music()),
            (std::vector<std::string>{"a.ogg", "new.ogg", "private/b.flac", "private/deeper/c.ogg"}));
  EXPECT_EQ(cut.counts.added, 1u);
  EXPECT_EQ(cut.counts.removed, 1u);
  EXPECT_EQ(cut.counts.unchanged, 3u);
  const fs::path folder = music() / "private";
  EXPECT_EQ(cut.unreadable_folders, (std::vector<UnreadableFolder>{{folder.string(), kDenied}}));
  EXPECT_EQ(cut.notices, std::vector<std::string>{"The folder " + folder.string() + " cannot be read (" + kDenied +
                                                  "): its files are not scanned, and the tracks found in it before "
                                                  "stay in the library."});
  settle();
  for (int i = 0; i < 2; ++i) {
    const ScanResult again = scan();
    EXPECT_EQ(again.unreadable_folders, cut.unreadable_folders);
    EXPECT_TRUE(again.notices.empty());
    EXPECT_EQ(again.counts.unchanged, 4u);
  }

  fs::permissions(folder, fs::perms::owner_all);
  fs::remove(folder / "b.flac");
  const ScanResult back = scan();
  EXPECT_TRUE(back.unreadable_folders.empty());
  EXPECT_EQ(back.notices, std::vector<std::string>{"The folder " + folder.string() + " can be read again."});
  EXPECT_EQ(back.counts.removed, 1u);
  EXPECT_EQ(back.counts.unchanged, 3u);
  EXPECT_TRUE(scan().notices.empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, UnlistedFolderTest,
                         ::testing::Values(fs::perms::none, fs::perms::owner_exec, fs::perms::owner_read),
                         [](const auto& info) {
                           return info.param == fs::perms::none         ? std::string("none")
                                  : info.param == fs::perms::owner_exec ? std::string("search_only")
                                                                        : std::string("read_only");
                         });

// Every subfolder of a music folder, however many, with few descriptors
// to spare.
TEST_F(ScanAccessTest, AMusicFolderOfManyFoldersIsListedWithFewDescriptors) {
  constexpr int kFolders = 300;
  for (int i = 0; i < kFolders; ++i) copy("test.ogg", music() / ("artist " + std::to_string(i)) / "a.ogg");
  std::optional<ScanResult> result;
  {
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    int open = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) open += entry.is_symlink() ? 1 : 0;
    rlimit few = saved;
    few.rlim_cur = static_cast<rlim_t>(open + 64);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &few), 0);
    result = scan();
    setrlimit(RLIMIT_NOFILE, &saved);
  }
  EXPECT_EQ(result->counts.added, static_cast<std::size_t>(kFolders));
  EXPECT_TRUE(result->unreadable_folders.empty());
}

}  // namespace
}  // namespace library
