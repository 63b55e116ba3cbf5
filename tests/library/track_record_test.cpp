#include <gtest/gtest.h>

#include <string>

#include "host/track_builder.h"
#include "library/track_record.h"

namespace library {
namespace {

host::TrackHandle sampleTrack() {
  host::TrackBuilder builder;
  builder.setPath("file:///m/a.flac");
  builder.addMeta("ARTIST", "A");
  builder.addMeta("ARTIST", "B");
  builder.addMeta("Title", std::string("with\0zero", 9));
  builder.addMeta("empty", "");
  builder.addTech("codec", "FLAC");
  builder.setLength(215.25);
  host::ReplayGain gain;
  gain.track_gain = -6.5f;
  gain.album_peak = 0.75f;
  builder.setReplayGain(gain);
  return builder.build();
}

TEST(TrackRecordTest, RoundTripsFieldsLengthAndGain) {
  const host::TrackHandle track = sampleTrack();
  const std::string record = encodeTrackRecord(*track);
  host::TrackBuilder builder;
  builder.setPath(track->path());
  TrackRecordDecoder decoder;
  ASSERT_TRUE(decoder.decode(record, builder));
  const host::TrackHandle back = builder.build();
  EXPECT_TRUE(back->hasInfo());
  EXPECT_EQ(back->length(), 215.25);
  EXPECT_EQ(back->replayGain().track_gain, -6.5f);
  EXPECT_EQ(back->replayGain().track_peak, -1.0f);
  EXPECT_EQ(back->replayGain().album_gain, -1000.0f);
  EXPECT_EQ(back->replayGain().album_peak, 0.75f);
  ASSERT_EQ(back->meta().size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(back->meta()[i].name(), track->meta()[i].name());
    EXPECT_EQ(back->meta()[i].values(), track->meta()[i].values());
  }
  ASSERT_EQ(back->tech().size(), 1u);
  EXPECT_EQ(back->tech()[0].values().front(), "FLAC");
  // The same decoder again: its remembered names give the same fields.
  builder.setPath("file:///m/b.flac");
  ASSERT_TRUE(decoder.decode(record, builder));
  EXPECT_EQ(builder.build()->meta()[0].name(), "ARTIST");
}

TEST(TrackRecordTest, RefusesEveryCutOrExtendedRecord) {
  const std::string record = encodeTrackRecord(*sampleTrack());
  TrackRecordDecoder decoder;
  host::TrackBuilder builder;
  for (std::size_t size = 0; size < record.size(); ++size) {
    builder.setPath("file:///m/a.flac");
    EXPECT_FALSE(decoder.decode(std::string_view(record).substr(0, size), builder)) << size;
  }
  EXPECT_FALSE(decoder.decode(record + '\0', builder));
  std::string other_format = record;
  other_format[0] = 2;
  EXPECT_FALSE(decoder.decode(other_format, builder));
  // A count far beyond the bytes at hand.
  EXPECT_FALSE(decoder.decode(std::string("\x01\x00\xff\xff\xff\xff\x0f", 7), builder));
}

// A record of one tag field `name` with the value "x", as a damaged or
// doctored cache might hold it.
std::string recordNaming(const std::string& name) {
  std::string record("\x01\x00\x01", 3);               // format, no flags, one tag field
  for (std::size_t size = name.size();; size >>= 7) {  // the name's size, LEB128
    record += static_cast<char>((size & 0x7F) | (size >= 0x80 ? 0x80 : 0));
    if (size < 0x80) break;
  }
  return record + name + std::string("\x01\x01x\x00", 4);  // one value "x", no tech fields
}

TEST(TrackRecordTest, AFieldNameThatCannotBeAColumnMakesTheRecordDamaged) {
  struct Case {
    std::string name;
    bool decodes;
  };
  const Case cases[] = {
      {"ARTIST", true},
      {"Ünïcödé name", true},
      {std::string(1024, 'n'), true},
      {"", false},
      {std::string("TRAC\0BER", 8), false},
      {"unit\x1fseparator", false},
      {"del\x7f", false},
      {std::string(1025, 'n'), false},
  };
  TrackRecordDecoder decoder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.substr(0, 20));
    host::TrackBuilder builder;
    builder.setPath("file:///m/a.flac");
    ASSERT_EQ(decoder.decode(recordNaming(c.name), builder), c.decodes);
    if (c.decodes) {
      EXPECT_EQ(builder.build()->meta()[0].name(), c.name);
    }
  }
}

}  // namespace
}  // namespace library
