// Library files: reading tracks and seed playlists, and the messages for
// malformed files and values of the wrong shape.
#include "library/library_file.h"

#include <fstream>

#include <gtest/gtest.h>

#include "host/track.h"
#include "profile/data_error.h"
#include "support/fake_host.h"

namespace library {
namespace {

using testing_support::TempDir;

// The message parseLibraryFile throws for `text`, or "" when it loads.
std::string errorFor(std::string_view text) {
  try {
    parseLibraryFile(text, "lib.json");
  } catch (const profile::DataError& error) {
    return error.what();
  }
  return "";
}

TEST(LibraryFileTest, ReadsEveryPartOfATrack) {
  const LibraryFile library = parseLibraryFile(R"({"tracks": [{
      "path": "file:///music/A/B/01 Song.flac", "subsong": 2, "size": 23456789, "mtime": 1714567890,
      "length": 215.4,
      "meta": {"Artist": ["A", "B"], "album": "X", "title": "Song"},
      "info": {"codec": "FLAC", "channels": "2"},
      "replaygain": {"track_gain": -6.5, "album_peak": 0.99}}]})",
                                               "lib.json");
  ASSERT_EQ(library.tracks.size(), 1u);
  const host::Track& track = *library.tracks[0];
  EXPECT_EQ(track.path(), "file:///music/A/B/01 Song.flac");
  EXPECT_EQ(track.subsong(), 2u);
  EXPECT_EQ(track.size(), 23456789u);
  EXPECT_EQ(track.mtime(), 1714567890);
  ASSERT_TRUE(track.hasInfo());
  EXPECT_DOUBLE_EQ(track.length(), 215.4);
  ASSERT_EQ(track.meta().size(), 3u);
  EXPECT_EQ(track.meta()[0].name(), "Artist");  // case as written, file order
  EXPECT_EQ(track.meta()[1].name(), "album");
  EXPECT_EQ(track.meta()[2].name(), "title");
  host::FieldPtr artist = track.findMeta(host::findField("ARTIST"));
  ASSERT_NE(artist, nullptr);
  EXPECT_EQ(artist->values().strings(), (std::vector<std::string>{"A", "B"}));
  ASSERT_NE(track.findTech(host::findField("Codec")), nullptr);
  EXPECT_EQ(track.findTech(host::findField("codec"))->values().strings(), std::vector<std::string>{"FLAC"});
  EXPECT_EQ(track.findMeta(host::findField("codec")), nullptr);  // tech fields are not tags
  EXPECT_FLOAT_EQ(track.replayGain().track_gain, -6.5f);
  EXPECT_FLOAT_EQ(track.replayGain().album_peak, 0.99f);
  EXPECT_FLOAT_EQ(track.replayGain().album_gain, -1000.0f);  // absent
  EXPECT_FLOAT_EQ(track.replayGain().track_peak, -1.0f);
}

TEST(LibraryFileTest, ManyFieldNamesKeepTheirOwnValues) {
  // More names than the reader walks before it hashes them, each on two
  // tracks in opposite orders.
  std::string meta, reversed;
  for (int i = 0; i < 100; ++i) {
    meta += (i ? "," : "") + std::string("\"Tag") + std::to_string(i) + "\": \"v" + std::to_string(i) + "\"";
    reversed += (i ? "," : "") + std::string("\"Tag") + std::to_string(99 - i) + "\": \"v" + std::to_string(99 - i) + "\"";
  }
  const LibraryFile library = parseLibraryFile(
      R"({"tracks": [{"path": "a", "meta": {)" + meta + R"(}}, {"path": "b", "meta": {)" + reversed + "}}]}", "lib.json");
  for (const host::TrackHandle& track : library.tracks) {
    ASSERT_EQ(track->meta().size(), 100u);
    for (const host::InfoField& field : track->meta()) {
      EXPECT_EQ("v" + std::string(field.name().substr(3)), field.values().front()) << track->path();
    }
  }
}

TEST(LibraryFileTest, InfoRecordOnlyWhenAnyInfoKeyIsPresent) {
  const LibraryFile library = parseLibraryFile(R"({"tracks": [
      {"path": "file:///a", "size": 1, "mtime": 2, "future_key": {"x": [1, {"y": 2}]}},
      {"path": "file:///b", "meta": {}},
      {"path": "file:///c", "length": 0},
      {"path": "file:///d", "replaygain": {}},
      {"path": "file:///e", "info": {}}]})",
                                               "lib.json");
  ASSERT_EQ(library.tracks.size(), 5u);
  EXPECT_FALSE(library.tracks[0]->hasInfo());
  for (std::size_t i = 1; i < 5; ++i) EXPECT_TRUE(library.tracks[i]->hasInfo()) << i;
}

TEST(LibraryFileTest, RepeatedFieldNamesMergeAndEmptyListsAreAbsent) {
  const LibraryFile library = parseLibraryFile(
      R"({"tracks": [{"path": "file:///a", "meta": {"genre": "Rock", "GENRE": ["Pop"], "mood": []}}]})", "lib.json");
  ASSERT_EQ(library.tracks.size(), 1u);
  ASSERT_TRUE(library.tracks[0]->hasInfo());
  const host::Track& track = *library.tracks[0];
  ASSERT_EQ(track.meta().size(), 1u);
  EXPECT_EQ(track.meta()[0].name(), "genre");  // the first spelling
  EXPECT_EQ(track.meta()[0].values().strings(), (std::vector<std::string>{"Rock", "Pop"}));
}

TEST(LibraryFileTest, MissingStatisticsComeFromTheFileOrAreZero) {
  TempDir dir;
  const std::filesystem::path real = dir.path() / "real.flac";
  std::ofstream(real) << "12345";
  const std::string text = R"({"tracks": [{"path": "file://)" + real.string() +
                           R"("}, {"path": "file:///no/such/file.flac"}, {"path": ")" + real.string() +
                           R"(", "size": 99}]})";
  const LibraryFile library = parseLibraryFile(text, "lib.json");
  ASSERT_EQ(library.tracks.size(), 3u);
  EXPECT_EQ(library.tracks[0]->size(), 5u);
  EXPECT_GT(library.tracks[0]->mtime(), 0);
  EXPECT_EQ(library.tracks[1]->size(), 0u);
  EXPECT_EQ(library.tracks[1]->mtime(), 0);
  EXPECT_EQ(library.tracks[2]->size(), 99u);  // given size kept, mtime from the file
  EXPECT_EQ(library.tracks[2]->mtime(), library.tracks[0]->mtime());
}

TEST(LibraryFileTest, ReadsSeedPlaylists) {
  const LibraryFile library = parseLibraryFile(R"({"playlists": [
      {"name": "One", "items": ["file:///a", {"path": "file:///b", "subsong": 3}]},
      {"name": "Two", "items": []}], "active_playlist": 1})",
                                               "lib.json");
  EXPECT_TRUE(library.tracks.empty());
  ASSERT_EQ(library.playlists.size(), 2u);
  EXPECT_EQ(library.playlists[0].name, "One");
  ASSERT_EQ(library.playlists[0].items.size(), 2u);
  EXPECT_EQ(library.playlists[0].items[1].path, "file:///b");
  EXPECT_EQ(library.playlists[0].items[1].subsong, 3u);
  EXPECT_EQ(library.active_playlist, 1u);
  EXPECT_EQ(parseLibraryFile(R"({"playlists": [{"name": "P", "items": []}]})", "f").active_playlist, 0u);
  EXPECT_EQ(parseLibraryFile(R"({"tracks": []})", "f").active_playlist, host::kNoPlaylist);
}

TEST(LibraryFileTest, MalformedJsonNamesFileLineAndColumn) {
  struct Case {
    std::string text;
    std::string position;
  };
  const Case cases[] = {
      {"{\n  \"tracks\": [\n    {\"path\": x}]}", "line 3, column 14"},
      {"{\"tracks\": [", "line 1, column 13"},              // end of input
      {"{\"a\": \"\xC3\xA9\xC3\xA9\" x}", "line 1, column 12"},  // columns count characters
      {"{} 2", "line 1, column 4"},
      {"", "line 1, column 1"},
      {"\xEF\xBB\xBF{x", "line 1, column 2"},  // the byte order mark is not a column
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string message = errorFor(c.text);
    EXPECT_NE(message.find("\"lib.json\""), std::string::npos) << message;
    EXPECT_NE(message.find(c.position + ":"), std::string::npos) << message;
  }
}

TEST(LibraryFileTest, WrongShapesNameTheTrackAndField) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {R"([])", "the top level must be an object, not an array"},
      {R"({"tracks": {}})", "tracks must be an array, not an object"},
      {R"({"tracks": [1]})", "tracks[0] must be an object, not a number"},
      {R"({"tracks": [{"path": "a"}, {"size": 1}]})", "tracks[1] has no \"path\""},
      {R"({"tracks": [{"path": 7}]})", "tracks[0].path must be a string, not a number"},
      {R"({"tracks": [{"path": ""}]})", "tracks[0].path must not be empty"},
      {R"({"tracks": [{"path": "a", "subsong": -1}]})", "tracks[0].subsong must be a whole number"},
      {R"({"tracks": [{"path": "a", "subsong": 1.5}]})", "tracks[0].subsong must be a whole number"},
      {R"({"tracks": [{"path": "a", "size": -1}]})", "tracks[0].size must be a whole number"},
      {R"({"tracks": [{"path": "a", "length": "3"}]})", "tracks[0].length must be a number"},
      {R"({"tracks": [{"path": "a", "meta": []}]})", "tracks[0].meta must be an object, not an array"},
      {R"({"tracks": [{"path": "a", "meta": {"year": 1999}}]})",
       "tracks[0].meta.year must be a string or a list of strings, not a number"},
      {R"({"tracks": [{"path": "a", "meta": {"artist": ["x", null]}}]})",
       "tracks[0].meta.artist must be a string or a list of strings, not null"},
      {R"({"tracks": [{"path": "a", "info": {"codec": {"n": 1}}}]})",
       "tracks[0].info.codec must be a string or a list of strings, not an object"},
      {R"({"tracks": [{"path": "a", "replaygain": {"track_gain": "-6"}}]})",
       "tracks[0].replaygain.track_gain must be a number, not a string"},
      {R"({"playlists": [{"items": []}]})", "playlists[0] has no \"name\""},
      {R"({"playlists": [{"name": "P", "items": ["a", 3]}]})",
       "playlists[0].items[1] must be a path or an object, not a number"},
      {R"({"playlists": [{"name": "P", "items": [{"subsong": 1}]}]})", "playlists[0].items[0] has no \"path\""},
      {R"({"playlists": [{"name": "P", "items": []}], "active_playlist": 1})",
       "active_playlist must be -1 (none) or a playlist index below 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string message = errorFor(c.text);
    EXPECT_EQ(message.rfind("Library file \"lib.json\": ", 0), 0u) << message;
    EXPECT_NE(message.find(c.expected), std::string::npos) << message;
  }
}

TEST(LibraryFileTest, FieldNamesThatCannotBeColumnsAreRefusedWithTheirPath) {
  struct Case {
    std::string fields;  // the members of "meta" or "info"
    std::string expected;  // "" when the track loads
  };
  const std::string long_name(1024, 'n');
  const Case cases[] = {
      {R"("album artist": "x", "Ünïcödé": "y", "a.b": "z")", ""},
      {"\"" + long_name + "\": \"x\"", ""},
      {R"("ar\u0000t": "x")", R"(meta["ar\u0000t"] is not a usable field name: it must not hold control characters)"},
      {R"("": ["x"])", R"(meta[""] is not a usable field name: it must not be empty)"},
      {R"("a\nb": [])", R"(meta["a\nb"] is not a usable field name)"},  // even without a value
      {R"("tab\there": "x")", "must not hold control characters"},
      {R"("del\u007f": "x")", "must not hold control characters"},
      {R"("unit\u001fseparator": "x")", "must not hold control characters"},
      {"\"" + long_name + "n\": \"x\"",
       "[\"" + std::string(64, 'n') + "\u2026\"] is not a usable field name: it must be at most 1024 bytes long"},
      // A value of the wrong kind is reported first, under the quoted name.
      {R"("ok": "x", "x\u0001": 3)", R"(meta["x\u0001"] must be a string or a list of strings, not a number)"},
  };
  for (const char* object : {"meta", "info"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(object) + ": " + c.fields);
      const std::string text =
          R"({"tracks": [{"path": "a"}, {"path": "b", ")" + std::string(object) + "\": {" + c.fields + "}}]}";
      std::string expected = c.expected;
      if (expected.starts_with("meta")) expected.replace(0, 4, object);
      const std::string message = errorFor(text);
      if (expected.empty()) {
        EXPECT_EQ(message, "");
      } else {
        EXPECT_EQ(message.rfind("Library file \"lib.json\": tracks[1].", 0), 0u) << message;
        EXPECT_NE(message.find(expected), std::string::npos) << message;
      }
    }
  }
}

TEST(LibraryFileTest, StoredIndexOfMinusOneMeansNoPlaylist) {
  struct Case {
    bool playlists_file;
    std::string text;
    std::size_t active, playing;
    std::string error;
  };
  const std::size_t none = host::kNoPlaylist;
  const std::string one = R"("playlists": [{"name": "P", "items": []}])";
  const Case cases[] = {
      {false, "{" + one + R"(, "active_playlist": -1})", none, none, ""},  // not the first, as when absent
      {false, "{" + one + "}", 0, none, ""},
      {false, R"({"active_playlist": -1})", none, none, ""},
      {false, "{" + one + R"(, "active_playlist": -2})", 0, 0,
       "active_playlist must be -1 (none) or a playlist index below 1"},
      {true, "{" + one + R"(, "active": -1, "playing": -1})", none, none, ""},
      {true, "{" + one + R"(, "active": 0, "playing": -1})", 0, none, ""},
      {true, "{" + one + R"(, "active": -1, "playing": 0})", none, 0, ""},
      {true, "{" + one + "}", 0, none, ""},
      {true, "{" + one + R"(, "playing": -2})", 0, 0, "playing must be -1 (none) or a playlist index below 1"},
      {true, R"({"playlists": [], "active": 0})", 0, 0, "active must be -1 (none) or a playlist index below 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::size_t active = 0, playing = none;
    std::string message;
    try {
      if (c.playlists_file) {
        const PlaylistsFile file = parsePlaylistsFile(c.text, "playlists.json");
        active = file.active;
        playing = file.playing;
      } else {
        active = parseLibraryFile(c.text, "lib.json").active_playlist;
      }
    } catch (const profile::DataError& error) {
      message = error.what();
    }
    if (!c.error.empty()) {
      EXPECT_NE(message.find(c.error), std::string::npos) << message;
      continue;
    }
    EXPECT_EQ(message, "");
    EXPECT_EQ(active, c.active);
    EXPECT_EQ(playing, c.playing);
  }
}

TEST(LibraryFileTest, LoadNamesAMissingFile) {
  TempDir dir;
  const std::filesystem::path missing = dir.path() / "none.json";
  try {
    loadLibraryFile(missing);
    FAIL() << "no error";
  } catch (const profile::DataError& error) {
    EXPECT_NE(std::string(error.what()).find(missing.string()), std::string::npos) << error.what();
  }
}

TEST(LibraryFileTest, ReadsPlaylistsFiles) {
  const PlaylistsFile file = parsePlaylistsFile(
      R"({"active":1,"playing":0,"playlists":[{"name":"A","items":[{"path":"p","subsong":1,"selected":true}]},)"
      R"({"name":"B","items":[]}],"tracks":"ignored"})",
      "playlists.json");
  ASSERT_EQ(file.playlists.size(), 2u);
  ASSERT_EQ(file.playlists[0].items.size(), 1u);
  EXPECT_TRUE(file.playlists[0].items[0].selected);
  EXPECT_EQ(file.active, 1u);
  EXPECT_EQ(file.playing, 0u);
}

}  // namespace
}  // namespace library
