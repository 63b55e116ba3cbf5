// Track images: tracks come back as they were saved, shared values stay
// shared, and a damaged image gives nothing.
#include "host/track_image.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/track_builder.h"

namespace host {
namespace {

TrackList sampleTracks() {
  TrackBuilder builder;
  TrackList tracks;
  for (int i = 0; i < 3; ++i) {
    builder.setPath("file:///m/" + std::to_string(i) + ".flac");
    builder.setSize(1000 + i);
    builder.setMtime(1'700'000'000 + i);
    builder.setSubsong(i);
    builder.addMeta("Artist", "Shared");
    builder.addMeta("genre", "Rock");
    builder.addMeta("GENRE", "Pop");  // the first spelling holds
    builder.addMeta("title", std::string("with\0zero ", 10) + std::to_string(i));
    builder.addMeta("comment", "");
    builder.addTech("codec", "FLAC");
    builder.setLength(180.5 + i);
    ReplayGain gain;
    gain.track_gain = -6.5f - static_cast<float>(i);
    builder.setReplayGain(gain);
    tracks.push_back(builder.build());
  }
  builder.setPath("file:///m/no-info.xm");  // no info record
  tracks.push_back(builder.build());
  return tracks;
}

void expectSame(const Track& a, const Track& b) {
  SCOPED_TRACE(std::string(a.path()));
  EXPECT_EQ(a.path(), b.path());
  EXPECT_EQ(a.size(), b.size());
  EXPECT_EQ(a.mtime(), b.mtime());
  EXPECT_EQ(a.subsong(), b.subsong());
  EXPECT_EQ(a.hasInfo(), b.hasInfo());
  EXPECT_EQ(a.length(), b.length());
  EXPECT_EQ(a.replayGain().track_gain, b.replayGain().track_gain);
  EXPECT_EQ(a.replayGain().album_peak, b.replayGain().album_peak);
  for (const auto& [fields, others] : {std::pair(a.meta(), b.meta()), std::pair(a.tech(), b.tech())}) {
    ASSERT_EQ(fields.size(), others.size());
    for (std::size_t f = 0; f < fields.size(); ++f) {
      EXPECT_EQ(fields[f].name(), others[f].name());
      EXPECT_EQ(fields[f].id, others[f].id);
      EXPECT_EQ(fields[f].values(), others[f].values());
      for (std::size_t v = 0; v < fields[f].values().size(); ++v) {
        EXPECT_EQ(fields[f].values().ref(v).plain(), others[f].values().ref(v).plain());
      }
    }
  }
}

TEST(TrackImageTest, TracksComeBackAsSavedWithSharedValuesSharedAndLookupsWorking) {
  const TrackList tracks = sampleTracks();
  const std::string image = saveTrackImage(tracks);
  TrackList loaded{tracks[0]};  // what was there stays, first
  ASSERT_TRUE(loadTrackImage(image, loaded));
  ASSERT_EQ(loaded.size(), tracks.size() + 1);
  for (std::size_t i = 0; i < tracks.size(); ++i) expectSame(*tracks[i], *loaded[i + 1]);
  // One copy of a value that several tracks share.
  EXPECT_EQ(loaded[1]->meta()[0].values().ref(0).data(), loaded[2]->meta()[0].values().ref(0).data());
  const InfoField* genre = loaded[3]->findMeta(findField("Genre"));
  ASSERT_NE(genre, nullptr);
  EXPECT_EQ(genre->values().strings(), (std::vector<std::string>{"Rock", "Pop"}));
  // The loaded tracks outlive the image.
  const TrackHandle kept = loaded[2];
  loaded.clear();
  EXPECT_EQ(kept->path(), "file:///m/1.flac");

  TrackList none;
  ASSERT_TRUE(loadTrackImage(saveTrackImage({}), none));
  EXPECT_TRUE(none.empty());
}

TEST(TrackImageTest, ALargeImageLoadsWhole) {
  // Large enough that its pages are made ready on a second thread.
  TrackBuilder builder;
  TrackList tracks;
  for (int i = 0; i < 30'000; ++i) {
    builder.setPath("file:///m/" + std::to_string(i) + ".flac");
    builder.addMeta("title", std::string(300, static_cast<char>('a' + i % 26)) + std::to_string(i));
    builder.addTech("codec", "FLAC");
    tracks.push_back(builder.build());
  }
  const std::string image = saveTrackImage(tracks);
  ASSERT_GT(image.size(), std::size_t{8} << 20);
  TrackList loaded;
  ASSERT_TRUE(loadTrackImage(image, loaded));
  ASSERT_EQ(loaded.size(), tracks.size());
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    ASSERT_EQ(loaded[i]->path(), tracks[i]->path());
    ASSERT_EQ(loaded[i]->meta()[0].values(), tracks[i]->meta()[0].values());
  }
  std::string changed = image;
  changed[image.size() - 1000] ^= 1;
  EXPECT_FALSE(loadTrackImage(changed, loaded));
}

TEST(TrackImageTest, EveryCutOrChangedByteIsRefused) {
  const std::string image = saveTrackImage(sampleTracks());
  TrackList loaded;
  for (std::size_t size = 0; size < image.size(); ++size) {
    EXPECT_FALSE(loadTrackImage(std::string_view(image).substr(0, size), loaded)) << size;
  }
  EXPECT_FALSE(loadTrackImage(image + '\0', loaded));
  for (std::size_t at = 0; at < image.size(); ++at) {
    std::string changed = image;
    changed[at] = static_cast<char>(changed[at] ^ 0x10);
    EXPECT_FALSE(loadTrackImage(changed, loaded)) << at;
  }
  EXPECT_TRUE(loaded.empty());
}

}  // namespace
}  // namespace host
