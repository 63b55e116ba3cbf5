// Reading with libavformat what TagLib does not: tag names as TagLib gives
// them, the fields of a track, and quiet refusals.
#include "library/tag_reader_libav.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "host/track.h"
#include "support/fake_host.h"

namespace library {
namespace {

namespace fs = std::filesystem;

fs::path corpus(const char* name) { return fs::path(VOSTREL_TEST_DATA_DIR) / "tag-corpus" / name; }

std::vector<std::pair<std::string, std::string>> fields(const host::FieldList& list) {
  std::vector<std::pair<std::string, std::string>> result;
  for (const host::InfoField& field : list) {
    for (std::string_view value : field.values().strings()) result.emplace_back(field.name(), value);
  }
  return result;
}

TEST(LibavTagNames, AreTagLibsNamesAndLeaveOutTheContainersOwnEntries) {
  const std::pair<const char*, const char*> kNames[] = {
      {"title", "TITLE"},
      {"ARTIST", "ARTIST"},
      {"album_artist", "ALBUMARTIST"},
      {"track", "TRACKNUMBER"},
      {"disc", "DISCNUMBER"},
      {"publisher", "LABEL"},
      {"encoded_by", "ENCODEDBY"},
      {"MusicBrainz Album Id", "MUSICBRAINZ ALBUM ID"},
      {"encoder", ""},
      {"creation_time", ""},
      {"handler_name", ""},
      {"DURATION", ""},
      {"_STATISTICS_TAGS", ""},
  };
  for (const auto& [key, name] : kNames) EXPECT_EQ(tagNameForLibavKey(key), name) << key;
}

std::string readFile(const fs::path& file, std::size_t bytes = std::string::npos) {
  std::ifstream in(file, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return text.substr(0, bytes);
}

// Only files that begin as an audio format does load libavformat.
TEST(LibavSignatures, AreThoseOfAudioFormatsOnly) {
  for (const char* name : {"2sec-silence.shn", "empty10ms.dff", "empty10ms.dsf", "empty1s.aac", "no-tags.mka",
                           "multiplex.ogg", "bladeenc.mp3", "has-tags.m4a", "lossless.wma", "click.wv"}) {
    EXPECT_TRUE(mayBeLibavAudio(readFile(corpus(name), 16))) << name;
  }
  const std::string kNotAudio[] = {"",
                                   std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
                                   "\xFF\xD8\xFF\xE0\0\x10JFIF",
                                   "%PDF-1.4\n",
                                   "#EXTM3U\n#EXTINF:",
                                   "ffconcat version",
                                   "REM GENRE Rock\n",
                                   std::string(16, '\0'),
                                   "\xFF"};
  for (const std::string& head : kNotAudio) EXPECT_FALSE(mayBeLibavAudio(head)) << head;
}

// Raw streams may begin with an ID3v2 tag, which is skipped.
TEST(ReadWithLibav, LooksPastID3v2Tags) {
  const testing_support::TempDir dir;
  const fs::path file = dir.path() / "tagged.aac";
  std::ofstream(file, std::ios::binary) << readFile(corpus("005411.id3")) << readFile(corpus("empty1s.aac"));
  host::TrackBuilder builder;
  EXPECT_TRUE(readWithLibav(file, fs::file_size(file), builder));
}

TEST(ReadWithLibav, TakesTheTagsOfTheAudioStreamAndItsParameters) {
  host::TrackBuilder builder;
  builder.setPath("file:///multiplex.ogg");
  ASSERT_TRUE(readWithLibav(corpus("multiplex.ogg"), fs::file_size(corpus("multiplex.ogg")), builder));
  const host::TrackHandle track = builder.build();
  const auto meta = fields(track->meta());
  EXPECT_NE(std::find(meta.begin(), meta.end(), std::pair<std::string, std::string>("TITLE", "Paper Lights")),
            meta.end());
  for (const auto& [name, value] : meta) EXPECT_NE(name, "ENCODER");
  const auto tech = fields(track->tech());
  ASSERT_FALSE(tech.empty());
  EXPECT_EQ(tech.front(), (std::pair<std::string, std::string>("codec", "Vorbis")));
  EXPECT_GT(track->length(), 0.0);
}

TEST(ReadWithLibav, DsdCountsItsOneBitSamples) {
  host::TrackBuilder builder;
  builder.setPath("file:///empty10ms.dsf");
  ASSERT_TRUE(readWithLibav(corpus("empty10ms.dsf"), fs::file_size(corpus("empty10ms.dsf")), builder));
  const auto tech = fields(builder.build()->tech());
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"codec", "DSD"}, {"bitrate", "5645"}, {"samplerate", "2822400"}, {"channels", "2"}, {"bitspersample", "1"}};
  EXPECT_EQ(tech, expected);
}

// A hostile file must not fill stderr: libavformat's log is silenced.
TEST(ReadWithLibav, RefusesDamagedFilesQuietly) {
  const testing_support::TempDir dir;
  const fs::path file = dir.path() / "cut.mka";
  fs::copy_file(corpus("no-tags.mka"), file, fs::copy_options::overwrite_existing);
  fs::resize_file(file, 300);
  testing::internal::CaptureStderr();
  host::TrackBuilder builder;
  EXPECT_FALSE(readWithLibav(file, fs::file_size(file), builder));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace library
