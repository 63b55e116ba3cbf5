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
// still hold what a record can: flags the program knows.
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
  for (const char flag : {'\x04', '\x41', '\xff'}) {
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

// Images of earlier versions lay their records out otherwise (version 1
// kept each record's field entries in the record, version 2 eight-byte text
// offsets): read by this version's rule they would give wrong fields, so
// they are refused, and the cache makes them anew.
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

  // One track ("file:///m/a.flac", artist "Old", title "Kept") as the
  // previous version saved it.
  const char version_2[] =
      "\x54\x49\x4d\x41\x47\x45\x02\x00\x08\x00\x10\x00\x40\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00"
      "\x38\x00\x00\x00\x00\x00\x00\x00\x76\x00\x00\x00\x00\x00\x00\x00\x5d\x3c\x81\x10\x18\xb9\xfc\x61"
      "\x84\x31\x94\xb2\x57\xa7\x78\x56\x02\x00\x00\x00\x06\x00\x00\x00\x61\x72\x74\x69\x73\x74\x05\x00"
      "\x00\x00\x74\x69\x74\x6c\x65\x01\x00\x00\x00\x02\x00\x00\x00\x02\x00\x00\x00\x00\x00\x00\x00\x01"
      "\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x54\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xd2\x04\x00\x00\x00\x00\x00\x00"
      "\x00\xf1\x53\x65\x00\x00\x00\x00\x00\x00\x00\x00\x00\xc0\x4e\x40\x00\x00\x7a\xc4\x00\x00\x7a\xc4"
      "\x00\x00\x80\xbf\x00\x00\x80\xbf\x00\x00\x00\x00\x01\x00\x00\x00\x69\x00\x00\x00\x00\x00\x00\x00"
      "\x71\x00\x00\x00\x00\x00\x00\x00\x10\x00\x00\x00\x66\x69\x6c\x65\x3a\x2f\x2f\x2f\x6d\x2f\x61\x2e"
      "\x66\x6c\x61\x63\x00\x03\x00\x00\x00\x4f\x6c\x64\x00\x04\x00\x00\x00\x4b\x65\x70\x74\x00";
  const std::string_view old(version_2, sizeof version_2 - 1);
  EXPECT_FALSE(loadTrackImage(old, loaded));
  EXPECT_TRUE(loaded.empty());
  std::string resealed(old);
  resealTrackImage(resealed);
  EXPECT_EQ(resealed, old);  // intact: refused for its version alone
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
  const std::size_t body = image.size() - body_size;
  uint64_t offset = 0;  // the record's, in the body: the last word before it
  std::memcpy(&offset, image.data() + body - 8, sizeof offset);
  const std::size_t record = body + offset;
  // The layout's index leads the track.
  uint64_t index = 0;
  std::memcpy(&index, image.data() + record, sizeof index);
  ASSERT_EQ(index, 0u);
  TrackList loaded;
  for (const uint64_t bad : {uint64_t{1}, uint64_t{0xFFFFFFFF}, ~uint64_t{0}}) {
    std::string changed = image;
    std::memcpy(changed.data() + record, &bad, sizeof bad);
    resealTrackImage(changed);
    EXPECT_FALSE(loadTrackImage(changed, loaded)) << bad;
  }
  resealTrackImage(image);
  EXPECT_TRUE(loadTrackImage(image, loaded));
}

// Loading turns the layout index that leads each record into an address. A
// text of an earlier record that lies over it would change after it was
// checked: here the first record's value, made to lie over the second
// record's index (its length is the index's lower half, 0, and its bytes
// the upper half, which ends in a zero until the record is loaded).
TEST(TrackImageTest, ATextOverALaterRecordIsRefused) {
  TrackBuilder builder;
  TrackList tracks;
  for (const char* path : {"file:///a", "file:///b"}) {
    builder.setPath(path);
    builder.addMeta("a", "x");
    tracks.push_back(builder.build());
  }
  std::string image = saveTrackImage(tracks);
  uint64_t body_size = 0;
  std::memcpy(&body_size, image.data() + 4 * 8, sizeof body_size);
  const std::size_t body = image.size() - body_size;
  uint64_t first = 0, second = 0;  // where the records start in the body
  std::memcpy(&first, image.data() + body - 16, sizeof first);
  std::memcpy(&second, image.data() + body - 8, sizeof second);
  // The first record: the track, then its value's slot, the distance to
  // the value's bytes.
  const std::size_t slot = first + sizeof(Track);
  const auto over = static_cast<int32_t>(second + 4 - slot);
  std::memcpy(image.data() + body + slot, &over, sizeof over);
  resealTrackImage(image);
  TrackList loaded;
  EXPECT_FALSE(loadTrackImage(image, loaded));
}

}  // namespace
}  // namespace host
