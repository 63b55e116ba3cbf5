#include <gtest/gtest.h>

#include <string>

#include "library/file_uri.h"

namespace library {
namespace {

struct UriCase {
  std::string path;
  std::string uri;
};

class FileUriTest : public ::testing::TestWithParam<UriCase> {};

TEST_P(FileUriTest, EncodesOnlyWhatMustBeAndRoundTrips) {
  const UriCase& c = GetParam();
  EXPECT_EQ(fileUri(c.path), c.uri);
  EXPECT_EQ(uriFilePath(c.uri).native(), c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileUriTest,
    ::testing::Values(UriCase{"/music/A B/01 Song.flac", "file:///music/A B/01 Song.flac"},
                      UriCase{"/music/Björk/東京.mp3", "file:///music/Björk/東京.mp3"},
                      UriCase{"/music/100% Hits/%41.mp3", "file:///music/100%25 Hits/%2541.mp3"},
                      UriCase{"/music/line\nbreak\t.mp3", "file:///music/line%0Abreak%09.mp3"},
                      UriCase{"/music/\x7f.mp3", "file:///music/%7F.mp3"},
                      // Latin-1 bytes, an overlong form, a surrogate, a cut sequence.
                      UriCase{"/music/caf\xe9.mp3", "file:///music/caf%E9.mp3"},
                      UriCase{"/music/\xc0\x80.mp3", "file:///music/%C0%80.mp3"},
                      UriCase{"/music/\xed\xa0\x80.mp3", "file:///music/%ED%A0%80.mp3"},
                      UriCase{"/music/\xe6\x9d", "file:///music/%E6%9D"},
                      UriCase{"/music/\xf4\x90\x80\x80", "file:///music/%F4%90%80%80"}));

TEST(FileUriDecodeTest, LeavesPlainPathsAndStrayPercentsAlone) {
  EXPECT_EQ(uriFilePath("/music/a%41.mp3").native(), "/music/a%41.mp3");
  EXPECT_EQ(uriFilePath("file:///music/50%").native(), "/music/50%");
  EXPECT_EQ(uriFilePath("file:///music/5%4").native(), "/music/5%4");
  EXPECT_EQ(uriFilePath("file:///music/%zz%e9").native(), "/music/%zz\xe9");
}

}  // namespace
}  // namespace library
