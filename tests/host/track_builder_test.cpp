// Track records as the builder writes them: fields and values as given,
// repeated values stored once, records that outlive their builder.
#include "host/track_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace host {
namespace {

std::vector<std::string> names(FieldList fields) {
  std::vector<std::string> result;
  for (const InfoField& field : fields) result.emplace_back(field.name());
  return result;
}

TEST(TrackBuilderTest, KeepsFieldsInFirstOrderAndMergesNamesAcrossCase) {
  TrackBuilder builder;
  builder.addMeta("Artist", "A");
  builder.addMeta("genre", "Rock");
  builder.addTech("codec", "FLAC");
  builder.addMeta("ARTIST", "B");   // continues "Artist"
  builder.addTech("Genre", "tech");  // a technical field is not a tag
  builder.setPath("file:///a.flac");  // after values: they must stay intact
  const TrackHandle track = builder.build();

  EXPECT_EQ(track->path(), "file:///a.flac");
  EXPECT_EQ(names(track->meta()), (std::vector<std::string>{"Artist", "genre"}));
  EXPECT_EQ(names(track->tech()), (std::vector<std::string>{"codec", "Genre"}));
  EXPECT_EQ(track->findMeta(findField("artist"))->values().strings(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(track->findMeta(findField("GENRE"))->values().strings(), std::vector<std::string>{"Rock"});
  EXPECT_EQ(track->findTech(findField("genre"))->values().strings(), std::vector<std::string>{"tech"});
  EXPECT_EQ(track->findTech(findField("artist")), nullptr);
}

TEST(TrackBuilderTest, ReplacingThePathKeepsTheValues) {
  TrackBuilder builder;
  builder.setPath("file:///a-rather-long-first-path.flac");
  builder.addMeta("title", "T");
  builder.setPath("x");
  builder.addMeta("title", "U");
  const TrackHandle track = builder.build();
  EXPECT_EQ(track->path(), "x");
  EXPECT_EQ(track->meta()[0].values().strings(), (std::vector<std::string>{"T", "U"}));
}

TEST(TrackBuilderTest, TrackWithoutInfoHasNoFieldsAndDefaultGain) {
  TrackBuilder builder;
  builder.setPath("file:///bare");
  builder.setSize(5);
  builder.setMtime(-7);
  builder.setSubsong(3);
  const TrackHandle bare = builder.build();
  EXPECT_FALSE(bare->hasInfo());
  EXPECT_TRUE(bare->meta().empty());
  EXPECT_EQ(bare->length(), 0.0);
  EXPECT_EQ(bare->replayGain().track_gain, -1000.0f);
  EXPECT_EQ(bare->replayGain().track_peak, -1.0f);
  EXPECT_EQ(bare->size(), 5u);
  EXPECT_EQ(bare->mtime(), -7);
  EXPECT_EQ(bare->subsong(), 3u);

  // The builder starts over: nothing of the track before carries on.
  builder.setPath("file:///next");
  builder.setReplayGain({-1.0f, -2.0f, 0.5f, 0.25f});
  const TrackHandle next = builder.build();
  EXPECT_TRUE(next->hasInfo());
  EXPECT_EQ(next->size(), 0u);
  EXPECT_EQ(next->subsong(), 0u);
  EXPECT_EQ(next->replayGain().track_gain, -2.0f);
  EXPECT_EQ(next->replayGain().album_peak, 0.5f);
}

struct TextCase {
  std::string value;
  bool plain;  // readable as a C string of its own size
};

class TrackTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(TrackTextTest, StoresBytesWithLengthAndFinalZero) {
  const TextCase& c = GetParam();
  TrackBuilder builder;
  builder.setPath(c.value);
  builder.addMeta("comment", c.value);
  const TrackHandle track = builder.build();
  for (TextRef ref : {track->pathRef(), track->meta()[0].values().ref(0)}) {
    EXPECT_EQ(ref.view(), c.value);
    EXPECT_EQ(ref.plain(), c.plain);
    EXPECT_EQ(ref.data()[ref.size()], '\0');
  }
}

INSTANTIATE_TEST_SUITE_P(Values, TrackTextTest, testing::Values(
    TextCase{"", true},
    TextCase{"Ünïcödé 日本語", true},
    TextCase{std::string("a\0b", 3), false},
    TextCase{std::string(3 << 20, 'x'), true}));  // larger than a store block

TEST(TrackStoreTest, RepeatedValuesAreStoredOnceUniqueOnesInTheirRecord) {
  auto store = std::make_shared<TrackStore>();
  TrackBuilder builder(store);
  TrackList tracks;
  // Titles never repeat; genres always do.
  for (int i = 0; i < 5000; ++i) {
    builder.setPath("file:///" + std::to_string(i));
    builder.addMeta("title", i < 4998 ? "Title " + std::to_string(i) : std::string("Same"));
    builder.addMeta("genre", i % 2 ? "Rock" : "Jazz");
    tracks.push_back(builder.build());
  }
  auto bytes = [&](std::size_t track, const char* field) {
    return tracks[track]->findMeta(findField(field))->values().ref(0).data();
  };
  EXPECT_EQ(bytes(1, "genre"), bytes(4999, "genre"));
  EXPECT_NE(bytes(1, "genre"), bytes(2, "genre"));
  // Past the trial, the titles are kept inside each record, even equal ones.
  EXPECT_NE(bytes(4998, "title"), bytes(4999, "title"));
  const auto* record = reinterpret_cast<const char*>(tracks[4999].get());
  EXPECT_GT(bytes(4999, "title"), record);
  EXPECT_LT(bytes(4999, "title"), tracks[4999]->path().data() + 64);
  // 5000 small records do not need a block each.
  EXPECT_LT(store->reservedBytes(), 5000u * 1000u);
}

// What a library costs per track: a record of a tagged track (a dozen
// values, most of them shared with other tracks) holds its header, four
// bytes a value, its path and its title, and a replay gain only when it has
// one.
TEST(TrackStoreTest, ARecordHoldsLittleBeyondItsOwnText) {
  auto store = std::make_shared<TrackStore>();
  TrackBuilder builder(store);
  TrackList tracks;
  constexpr int kTracks = 100'000;
  for (int i = 0; i < kTracks; ++i) {
    builder.setPath("file:///m/" + std::to_string(100'000 + i));  // 16 bytes
    builder.addMeta("title", "T" + std::to_string(100'000 + i));  // 7 bytes
    for (const char* field : {"artist", "album", "date", "genre", "tracknumber", "totaltracks"}) {
      builder.addMeta(field, std::string(field) + std::to_string(i / 10));  // shared by ten
    }
    for (const char* field : {"codec", "bitrate", "samplerate", "channels", "bitspersample"}) {
      builder.addTech(field, field);
    }
    builder.setLength(200);
    if (i % 2 == 0) builder.setReplayGain({-3.0f, -2.0f, 0.9f, 0.8f});
    tracks.push_back(builder.build());
  }
  // 40 bytes of header, 8 of gain on average, 12 slots of 4, the path and
  // the title with their sizes and zeros (21 + 12), 7 of padding and a
  // tenth of six shared values (about 15 bytes each): 145, and the end of
  // the last block.
  EXPECT_LT(store->reservedBytes(), std::size_t{kTracks} * 165);
  EXPECT_EQ(tracks[0]->replayGain().album_peak, 0.9f);
  EXPECT_EQ(tracks[1]->replayGain().album_peak, ReplayGain().album_peak);
  EXPECT_EQ(tracks[kTracks - 1]->findMeta(findField("album"))->values().front(), "album9999");
  EXPECT_EQ(tracks[kTracks - 1]->path(), "file:///m/199999");
}

// A record shares a stored value only where its slots reach it; beyond,
// it keeps a copy ahead of it, which the records after it share.
TEST(TrackStoreTest, AValueOutOfReachIsStoredAgain) {
  TrackStore store;
  const FieldId genre = internField("genre");
  TrackBuilder builder(std::shared_ptr<TrackStore>(&store, [](TrackStore*) {}));
  builder.setPath("file:///a");
  builder.addMeta("genre", "Rock");
  const TrackHandle first = builder.build();
  const char* rock = first->meta()[0].values().ref(0).data();
  EXPECT_EQ(store.shared(genre, "Rock", rock + 1000).text, rock);
  for (const int64_t far : {TextSlot::kReach, -TextSlot::kReach}) {
    const char* at = reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(rock) + static_cast<uintptr_t>(far));
    const TrackStore::Shared shared = store.shared(genre, "Rock", at);
    EXPECT_EQ(shared.text, nullptr);
    EXPECT_TRUE(shared.keep);
    EXPECT_EQ(store.storeShared("Rock", at), nullptr);  // nor a new copy among the shared values
  }
  builder.setPath("file:///b");
  builder.addMeta("genre", "Rock");
  const TrackHandle second = builder.build();
  EXPECT_EQ(second->meta()[0].values().ref(0).data(), rock);

  // A copy kept by a record is the one that records after it share.
  TrackBuilder elsewhere;
  elsewhere.setPath("file:///c");
  elsewhere.addMeta("genre", "Rock");
  const TrackHandle third = elsewhere.build();
  const char* copy = third->meta()[0].values().ref(0).data();
  store.keep(third->meta()[0].values().ref(0));
  EXPECT_EQ(store.shared(genre, "Rock", copy + 1000).text, copy);
}

// Records share a layout exactly when they have the same fields, spelled
// the same, in the same order, as tags or technical fields, with as many
// values each; their values stay their own.
struct LayoutCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> second;  // "t:" marks a technical field
  bool shared;
};

class TrackLayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(TrackLayoutTest, SharedOnlyBetweenRecordsWithTheSameFields) {
  TrackBuilder builder;
  auto make = [&builder](const std::vector<std::pair<std::string, std::string>>& fields) {
    builder.setPath("file:///x");
    for (const auto& [name, value] : fields) {
      if (name.starts_with("t:")) {
        builder.addTech(name.substr(2), value);
      } else {
        builder.addMeta(name, value);
      }
    }
    return builder.build();
  };
  const TrackHandle first = make({{"artist", "A"}, {"title", "One"}, {"t:codec", "FLAC"}});
  const TrackHandle second = make(GetParam().second);
  EXPECT_EQ(&first->layout() == &second->layout(), GetParam().shared);
  EXPECT_EQ(first->meta()[1].values().front(), "One");
  std::vector<std::string> values;
  for (const FieldList& fields : {second->meta(), second->tech()}) {
    for (const InfoField& field : fields) {
      for (std::string_view value : field.values()) values.emplace_back(value);
    }
  }
  std::vector<std::string> given;
  for (const auto& [name, value] : GetParam().second) given.push_back(value);
  EXPECT_EQ(values, given);  // each field's values in order; tags before technical fields here
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, TrackLayoutTest,
    testing::Values(LayoutCase{"same", {{"artist", "B"}, {"title", "Two"}, {"t:codec", "MP3"}}, true},
                    LayoutCase{"other_order", {{"title", "Two"}, {"artist", "B"}, {"t:codec", "MP3"}}, false},
                    LayoutCase{"other_spelling", {{"ARTIST", "B"}, {"title", "Two"}, {"t:codec", "MP3"}}, false},
                    LayoutCase{"tag_not_tech", {{"artist", "B"}, {"title", "Two"}, {"codec", "MP3"}}, false},
                    LayoutCase{"two_values", {{"artist", "B"}, {"artist", "C"}, {"title", "Two"}, {"t:codec", "MP3"}},
                               false},
                    LayoutCase{"one_field_fewer", {{"artist", "B"}, {"title", "Two"}}, false},
                    LayoutCase{"one_field_more", {{"artist", "B"}, {"title", "Two"}, {"t:codec", "MP3"}, {"t:x", "1"}},
                               false}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

TEST(TrackStoreTest, HandlesKeepTheStoreAlive) {
  TrackHandle track;
  std::weak_ptr<TrackStore> watch;
  {
    TrackBuilder builder;
    watch = builder.store();
    builder.setPath("file:///kept");
    builder.addMeta("artist", "Still here");
    track = builder.build();
  }
  EXPECT_FALSE(watch.expired());
  EXPECT_EQ(track->meta()[0].values().front(), "Still here");
  track.reset();
  EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace host
