// Track images: tracks come back as they were saved, shared values stay
// shared, and a damaged image gives nothing.
#include "host/track_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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
  FieldPtr genre = loaded[3]->findMeta(findField("Genre"));
  ASSERT_NE(genre, nullptr);
  EXPECT_EQ(genre->values().strings(), (std::vector<std::string>{"Rock", "Pop"}));
  // Tracks with the same fields share a layout again, apart from the saved ones'.
  EXPECT_EQ(&loaded[1]->layout(), &loaded[2]->layout());
  EXPECT_NE(&loaded[1]->layout(), &loaded[4]->layout());
  EXPECT_NE(&loaded[1]->layout(), &tracks[0]->layout());
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

// A scan's image is written piece by piece: never held whole, it still
// comes out as the tracks, and a sink that fails stops the writing.
TEST(TrackImageTest, AWriterHandsOnSmallPiecesThatMakeTheImage) {
  TrackBuilder builder;
  TrackList tracks;
  for (int i = 0; i < 20'000; ++i) {
    builder.setPath("file:///m/" + std::to_string(i) + ".flac");
    builder.addMeta("artist", "Artist " + std::to_string(i % 50));  // shared
    builder.addMeta("title", std::string(200, static_cast<char>('a' + i % 26)) + std::to_string(i));
    tracks.push_back(builder.build());
  }
  TrackImageWriter writer(tracks);
  std::string image(writer.size(), '\0');
  std::vector<bool> written(image.size(), false);
  std::size_t largest = 0, calls = 0;
  uint64_t last_offset = 1;
  ASSERT_TRUE(writer.write([&](uint64_t offset, std::string_view bytes) {
    EXPECT_LE(offset + bytes.size(), image.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      EXPECT_FALSE(written[offset + i]) << "written twice: " << offset + i;
      written[offset + i] = true;
    }
    std::memcpy(image.data() + offset, bytes.data(), bytes.size());
    largest = std::max(largest, bytes.size());
    last_offset = offset;
    ++calls;
    return true;
  }));
  EXPECT_EQ(std::count(written.begin(), written.end(), false), 0);
  EXPECT_GT(image.size(), std::size_t{4} << 20);
  EXPECT_LT(largest, std::size_t{2} << 20);
  EXPECT_EQ(last_offset, 0u);  // the header, with the checksums, last
  TrackList loaded;
  ASSERT_TRUE(loadTrackImage(image, loaded));
  ASSERT_EQ(loaded.size(), tracks.size());
  for (std::size_t i = 0; i < tracks.size(); i += 997) expectSame(*tracks[i], *loaded[i]);
  EXPECT_EQ(loaded[0]->meta()[0].values().ref(0).data(), loaded[50]->meta()[0].values().ref(0).data());

  std::size_t refused = 0;
  EXPECT_FALSE(TrackImageWriter(tracks).write([&refused](uint64_t, std::string_view) { return ++refused > 2; }));
  EXPECT_EQ(refused, 1u);
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

TEST(TrackImageTest, AFieldNameTheCheckRefusesMakesTheImageDamaged) {
  const std::string image = saveTrackImage(sampleTracks());
  TrackList loaded;
  std::vector<std::string> asked;
  auto check = [&](std::string_view name) {
    asked.emplace_back(name);
    return name != "codec";
  };
  EXPECT_FALSE(loadTrackImage(image, loaded, check));
  EXPECT_TRUE(loaded.empty());
  // Asked once a name, in the image's order, up to the refused one.
  EXPECT_EQ(asked, (std::vector<std::string>{"Artist", "genre", "title", "comment", "codec"}));
  EXPECT_TRUE(loadTrackImage(image, loaded, [](std::string_view) { return true; }));
}

// Past the checksums (an image changed and sealed again), each record must
// still hold what a record can: a flag is 0 or 1.
TEST(TrackImageTest, AFlagOutOfRangeIsRefusedBehindTheChecksums) {
  TrackBuilder builder;
  builder.setPath("file:///m/a.flac");
  builder.setHasInfo();
  const std::string with = saveTrackImage({builder.build()});
  builder.setPath("file:///m/a.flac");
  const std::string without = saveTrackImage({builder.build()});
  ASSERT_EQ(with.size(), without.size());
  // The flag is the first byte that differs past the header (seven words,
  // with the checksums); the padding after it may differ too.
  std::size_t at = 7 * 8;
  while (at < with.size() && with[at] == without[at]) ++at;
  ASSERT_LT(at, with.size());
  ASSERT_EQ(with[at], '\x01');
  ASSERT_EQ(without[at], '\0');
  TrackList loaded;
  for (const char flag : {'\x02', '\x41', '\xff'}) {
    std::string changed = with;
    changed[at] = flag;
    resealTrackImage(changed);
    EXPECT_FALSE(loadTrackImage(changed, loaded)) << static_cast<int>(flag);
  }
  std::string cleared = with;
  cleared[at] = '\0';
  resealTrackImage(cleared);
  ASSERT_TRUE(loadTrackImage(cleared, loaded));
  EXPECT_FALSE(loaded[0]->hasInfo());
}

// An image of an earlier version kept each record's field entries in the
// record, where this one has its values: read by this version's rule it
// would give wrong fields, so it is refused (and the cache makes it anew).
TEST(TrackImageTest, AnImageOfAnEarlierVersionIsRefused) {
  std::string image = saveTrackImage(sampleTracks());
  TrackList loaded;
  ASSERT_TRUE(loadTrackImage(image, loaded));
  const uint64_t version_1 = 0x0001'4547'414d'4954;  // "TIMAGE", version 1
  std::memcpy(image.data(), &version_1, sizeof version_1);
  resealTrackImage(image);
  loaded.clear();
  EXPECT_FALSE(loadTrackImage(image, loaded));
  EXPECT_TRUE(loaded.empty());
}

// A record names its layout by index: one past the table is refused
// behind the checksums.
TEST(TrackImageTest, ALayoutIndexOutOfRangeIsRefused) {
  TrackBuilder builder;
  builder.setPath("file:///m/a.flac");
  builder.addMeta("a", "x");
  std::string image = saveTrackImage({builder.build()});
  uint64_t body_size = 0;
  std::memcpy(&body_size, image.data() + 4 * 8, sizeof body_size);
  const std::size_t record = image.size() - body_size;
  // The layout's index follows the path's offset in the track.
  uint64_t index = 0;
  std::memcpy(&index, image.data() + record + 8, sizeof index);
  ASSERT_EQ(index, 0u);
  TrackList loaded;
  for (const uint64_t bad : {uint64_t{1}, uint64_t{0xFFFFFFFF}, ~uint64_t{0}}) {
    std::string changed = image;
    std::memcpy(changed.data() + record + 8, &bad, sizeof bad);
    resealTrackImage(changed);
    EXPECT_FALSE(loadTrackImage(changed, loaded)) << bad;
  }
  resealTrackImage(image);
  EXPECT_TRUE(loadTrackImage(image, loaded));
}

// Loading turns the stored offsets in a record into addresses. A text
// that lies over such an offset would change after it was checked: the
// value of field a, made to lie over the offset of field b's value (its
// length is that offset's upper half, 0 until b's value is loaded).
TEST(TrackImageTest, ATextOverTheOffsetsOfARecordIsRefused) {
  TrackBuilder builder;
  builder.setPath("file:///" + std::string(256 - 8, 'p'));  // 256 bytes: its size's first byte is 0
  builder.setHasInfo();
  builder.addMeta("a", "x");
  builder.addMeta("b", "y");
  std::string image = saveTrackImage({builder.build()});
  uint64_t body_size = 0;
  std::memcpy(&body_size, image.data() + 4 * 8, sizeof body_size);
  const std::size_t body = image.size() - body_size;
  // The record: the track (its size), then the values' offsets, 8 bytes
  // each, in the order of the fields; the texts follow.
  const std::size_t a = body + sizeof(Track), b = a + 8;
  ASSERT_EQ(image[b + 8], '\0');         // the path's size, 256, follows the record
  const uint64_t over_b = b + 8 - body;  // a text of length 0 whose size is b's upper half
  std::memcpy(image.data() + a, &over_b, sizeof over_b);
  resealTrackImage(image);
  TrackList loaded;
  EXPECT_FALSE(loadTrackImage(image, loaded));
}

}  // namespace
}  // namespace host
