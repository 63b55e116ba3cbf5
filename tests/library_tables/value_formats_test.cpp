#include "library_tables/value_formats.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>

namespace {

using library_tables::directoryName;
using library_tables::fileName;
using library_tables::fileNameExt;
using library_tables::formatFileSize;
using library_tables::formatLength;
using library_tables::formatLocalTime;
using library_tables::locationPath;

TEST(ValueFormatsTest, LengthRoundsHalfUpAndPicksItsFields) {
  struct Case {
    double seconds;
    const char* expected;
  };
  const Case cases[] = {
      {0, "0:00"},         {0.4, "0:00"},       {0.5, "0:01"},       {59.5, "1:00"},
      {61, "1:01"},        {600, "10:00"},      {3599.4, "59:59"},   {3600, "1:00:00"},
      {3725, "1:02:05"},   {86400, "1d 0:00:00"}, {90061, "1d 1:01:01"}, {604800, "1wk 0d 0:00:00"},
      {694861, "1wk 1d 1:01:01"}, {-5, "0:00"},
  };
  std::string out = "stale";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    formatLength(c.seconds, out);
    EXPECT_EQ(out, c.expected);
  }
}

TEST(ValueFormatsTest, FileSizeUsesLargestUnitAndThreeDigits) {
  struct Case {
    uint64_t bytes;
    const char* expected;
  };
  const Case cases[] = {
      {0, "0B"},
      {512, "512B"},
      {1023, "1023B"},
      {1024, "1KB"},
      {1536, "1.5KB"},
      {1100, "1.07KB"},
      {10 * 1024 + 103, "10.1KB"},
      {1000000, "976KB"},
      {10485760, "10MB"},
      {123456789, "117MB"},
      {uint64_t{5} << 30, "5GB"},
      {(uint64_t{1} << 40) + (uint64_t{1} << 38), "1.25TB"},
      {uint64_t{2048} << 40, "2048TB"},
  };
  std::string out;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    formatFileSize(c.bytes, out);
    EXPECT_EQ(out, c.expected);
  }
}

TEST(ValueFormatsTest, PathParts) {
  struct Case {
    const char* location;
    const char* path;
    const char* directory;
    const char* name;
    const char* name_ext;
  };
  const Case cases[] = {
      {"file:///music/a.flac", "/music/a.flac", "/music", "a", "a.flac"},
      {"file:///a.flac", "/a.flac", "/", "a", "a.flac"},
      {"C:\\Music\\a.flac", "C:\\Music\\a.flac", "C:\\Music", "a", "a.flac"},
      {"C:\\a.flac", "C:\\a.flac", "C:\\", "a", "a.flac"},
      {"http://host/x.b.mp3?id=1.2", "http://host/x.b.mp3?id=1.2", "http://host", "x.b", "x.b.mp3"},
      {"file:///music/.hidden", "/music/.hidden", "/music", ".hidden", ".hidden"},
      {"file:///music/noext", "/music/noext", "/music", "noext", "noext"},
      {"plain", "plain", "", "plain", "plain"},
      {"FILE:///x/y.ogg", "FILE:///x/y.ogg", "FILE:///x", "y", "y.ogg"},
      {"cdda://track|3", "cdda://track|3", "cdda://track", "3", "3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.location);
    EXPECT_EQ(locationPath(c.location), c.path);
    EXPECT_EQ(directoryName(locationPath(c.location)), c.directory);
    EXPECT_EQ(fileName(c.location), c.name);
    EXPECT_EQ(fileNameExt(c.location), c.name_ext);
  }
}

class LocalTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    had_tz_ = tz != nullptr;
    if (had_tz_) old_tz_ = tz;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (had_tz_) {
      setenv("TZ", old_tz_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  bool had_tz_ = false;
  std::string old_tz_;
};

TEST_F(LocalTimeTest, FormatsWithTwoDigitFields) {
  std::string out;
  ASSERT_TRUE(formatLocalTime(0, out));
  EXPECT_EQ(out, "1970-01-01 00:00:00");
  ASSERT_TRUE(formatLocalTime(1700000000, out));
  EXPECT_EQ(out, "2023-11-14 22:13:20");
}

TEST_F(LocalTimeTest, UnconvertibleTimeFails) {
  std::string out;
  EXPECT_FALSE(formatLocalTime(std::numeric_limits<int64_t>::max(), out));
}

}  // namespace
