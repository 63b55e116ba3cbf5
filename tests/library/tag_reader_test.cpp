// Reading one music file: lengths that headers state and files cannot
// hold, and headers damaged into lengths that are no lengths.
#include "library/tag_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "library/stated_length.h"
#include "support/fake_host.h"

namespace library {
namespace {

namespace fs = std::filesystem;

struct LengthCase {
  double stated;
  int kbps;
  uint64_t size;
  double expected;
};

TEST(CheckedLength, IsTheStatedLengthUnlessTheFileCannotHoldIt) {
  const LengthCase kCases[] = {
      {180, 320, 7'200'000, 180},     // what the file holds
      {180, 320, 3'600'000, 180},     // half of it: a variable rate's nominal bitrate
      {1887.164, 64, 8190, 1.02375},  // a frame count that lies
      {3600, 128, 100'000, 6.25},     // cut short
      {0, 128, 100'000, 0},           // unknown
      {-21.5, 128, 100'000, 0},       // a damaged header's overflow
      {600, 0, 1000, 600},            // no bitrate to check against
  };
  for (const LengthCase& c : kCases) {
    EXPECT_DOUBLE_EQ(checkedLength(c.stated, c.kbps, c.size), c.expected) << c.stated << " s at " << c.kbps;
  }
}

// A Monkey's Audio header that a fuzzer found: TagLib gives it a negative
// length.
TEST(ReadMusicFile, ADamagedHeaderGivesAnUnknownLengthNotANegativeOne) {
  const std::string kFile(
      "\x4d\x41\x43\x20\x96\x00\x00\x00\x03\x00\x00\x00\x18\x00\x00\x00\x14\x00\x00\x00\xac\x00\x00\x00"
      "\xd8\x54\x63\x00\x00\x00\x00\x10\xa0\x32\x00\xb4\xb3\xb3\xb3\xb3\xb3\xb3\xc2\xb3\xb3\xac\x10\x00"
      "\xb6\x1f\x13\x00\xfd\x9a\x75\x35\x07\x00\x0a\x0a\x0a\x0a\x0a\x0a\x41\xe9\xf8\xd6\x4e\xd8\x39\xed"
      "\x53\x89\x48\x15\xeb\x72\x6a\x31\x67\x20\x4d\x6f\x6e\x6b\x65\x79\x45\x73\x20\x41\x75\x64\x69\x6f"
      "\x43\x2e\x66\x70\x65\x20\x4d\x6f\x6d\x70\x72\x54\x41\x47\x45\x58\xd0\x07\x00\x00\x22\x00\x00\x00"
      "\xe8\xf4\xff\xff\xff\x00\x00\x40\x00\x00\xff\xff\xff\xff\x00\x00",
      136);
  const testing_support::TempDir dir;
  const fs::path file = dir.path() / "damaged.ape";
  std::ofstream(file, std::ios::binary) << kFile;
  host::TrackBuilder builder;
  const MusicFileRead read = readMusicFile(file, "file:///damaged.ape", {kFile.size(), 0}, builder);
  ASSERT_TRUE(read.opened);
  ASSERT_NE(read.track, nullptr);
  EXPECT_EQ(read.track->length(), 0.0);
}

}  // namespace
}  // namespace library
