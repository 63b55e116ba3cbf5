// Playlist files: the readers against samples as other players write them
// (tests/data/playlists), their errors, the writers and a round trip per
// format, and the tracks an import makes.
#include "player/playlist_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "host/track_builder.h"
#include "library/library_file.h"
#include "player/player.h"
#include "player/playlist_file_formats.h"
#include "player/playlists.h"
#include "profile/file_io.h"
#include "support/fake_host.h"

namespace player {
namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

const fs::path kFolder = "/lists";

std::string sample(const std::string& name) {
  const char* data = std::getenv("VOSTREL_TEST_DATA");
  return profile::readWholeFile(fs::path(data != nullptr ? data : "tests/data") / "playlists" / name, 1 << 20);
}

PlaylistFileContents parseSample(const std::string& name, PlaylistFormat format, const fs::path& folder = kFolder) {
  return parsePlaylist(sample(name), format, folder, name);
}

PlaylistEntry entry(std::string location, std::string title = "", std::string creator = "", double length = -1) {
  return {std::move(location), std::move(title), std::move(creator), length};
}

std::string describe(const PlaylistEntry& e) {
  std::ostringstream out;
  out << e.location << " | " << e.title << " | " << e.creator << " | " << e.length;
  return out.str();
}

std::vector<std::string> describe(const std::vector<PlaylistEntry>& entries) {
  std::vector<std::string> out;
  for (const PlaylistEntry& e : entries) out.push_back(describe(e));
  return out;
}

TEST(PlaylistFileReadTest, M3u8FromWindowsWithBomCrlfCommentsAndUrls) {
  const PlaylistFileContents read = parseSample("road_trip.m3u8", PlaylistFormat::kM3u8);
  EXPECT_EQ(read.name, "Road Trip");
  EXPECT_EQ(describe(read.entries),
            (std::vector<std::string>{
                "file:///lists/Highway Rain/01 Hollow Golden, Pt. 2.flac | The Paper Lanterns - Hollow Golden, Pt. 2 "
                "|  | 443",
                "file:///music/Björk/Homogenic/03 Jóga.mp3 | Björk – Jóga |  | -1",
                "http://radio.example/stream?format=mp3 | Radio Example |  | -1",
                "file:///music/With Space/été.ogg |  |  | -1",
                "https://tv.example/one.m3u8 | Station One |  | -1",
            }));
}

TEST(PlaylistFileReadTest, M3uInAn8BitEncodingAndWindowsPaths) {
  // Not UTF-8, and the tests' locale has no 8-bit encoding: Windows-1252.
  EXPECT_EQ(describe(parseSample("latin1.m3u", PlaylistFormat::kM3u).entries),
            (std::vector<std::string>{"file:///music/Café/Straße.mp3 | Café «Del Mar» |  | 200"}));
  // Backslashes separate folders; a drive names a file that is not here.
  std::vector<std::string> locations;
  for (const PlaylistEntry& e : parseSample("windows.m3u", PlaylistFormat::kM3u, "/lists/sub").entries) {
    locations.push_back(e.location);
  }
  EXPECT_EQ(locations, (std::vector<std::string>{"file:///C:/Music/a.mp3", "file:///lists/x.mp3",
                                                 "file:///lists/sub/Sub/Folder/b.mp3", "file:///lists/sub/c.mp3",
                                                 "file:///d:/Mixed/e.flac"}));
}

TEST(PlaylistFileReadTest, VeryLongLinesAreKeptWhole) {
  const PlaylistFileContents read = parseSample("long_lines.m3u", PlaylistFormat::kM3u);
  ASSERT_EQ(read.entries.size(), 2u);
  EXPECT_EQ(read.entries[0].location, "file:///lists/Long" + std::string(5000, 'x') + ".flac");
  EXPECT_EQ(read.entries[0].title, std::string(20000, 'T'));
  EXPECT_EQ(read.entries[0].length, 12);
  EXPECT_EQ(read.entries[1].location, "file:///lists/short.mp3");
}

TEST(PlaylistFileReadTest, PlsFollowsEntryNumbersWithGaps) {
  const PlaylistFileContents read = parseSample("gaps.pls", PlaylistFormat::kPls);
  EXPECT_EQ(read.name, "");
  EXPECT_EQ(describe(read.entries),
            (std::vector<std::string>{
                "file:///lists/Highway Rain/02 Glass Satellite.flac | The Paper Lanterns - Glass Satellite |  | 405",
                "file:///music/b.ogg |  |  | -1",
                "http://radio.example/live | Live |  | -1",
                "file:///music/ten.mp3 |  |  | -1",
            }));
}

TEST(PlaylistFileReadTest, XspfWithEntitiesCdataAndForeignElements) {
  const PlaylistFileContents read = parseSample("entities.xspf", PlaylistFormat::kXspf);
  EXPECT_EQ(read.name, "Rock & Roll \u2764");
  EXPECT_EQ(describe(read.entries),
            (std::vector<std::string>{
                "file:///lists/Highway Rain/01 Hollow Golden, Pt. 2.flac | Hollow Golden, Pt. 2 | The Paper Lanterns "
                "| 443.996",
                "file:///music/AC/DC?/<Live>.mp3 | Back <in> Black & \"Blue\" | AC/DC | -1",
                "http://radio.example/stream?a=1&b=2 | Radio |  | -1",
            }));
}

struct ErrorCase {
  const char* label;
  PlaylistFormat format;
  std::string text;
  std::size_t line;
  const char* problem;
};

class PlaylistFileErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(PlaylistFileErrorTest, NamesTheFileAndTheLine) {
  const ErrorCase& c = GetParam();
  try {
    parsePlaylist(c.text, c.format, kFolder, "/lists/bad");
    FAIL() << "accepted";
  } catch (const PlaylistFileError& e) {
    EXPECT_EQ(e.line(), c.line) << e.what();
    const std::string message = e.what();
    EXPECT_TRUE(message.starts_with("Playlist file \"/lists/bad\", line " + std::to_string(c.line) + ": ")) << message;
    EXPECT_NE(message.find(c.problem), std::string::npos) << message;
  }
}

constexpr auto kM3u = PlaylistFormat::kM3u;
constexpr auto kM3u8 = PlaylistFormat::kM3u8;
constexpr auto kPls = PlaylistFormat::kPls;
constexpr auto kXspf = PlaylistFormat::kXspf;
const std::string kXspfHead = "<?xml version=\"1.0\"?>\n<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\n";

INSTANTIATE_TEST_SUITE_P(
    Malformed, PlaylistFileErrorTest,
    ::testing::Values(
        ErrorCase{"m3u8_not_utf8", kM3u8, "#EXTM3U\r\na.mp3\r\nb\xFF.mp3\r\n", 3, "not UTF-8"},
        ErrorCase{"m3u_binary", kM3u, std::string("a.mp3\nID3\x03\0\0\x01", 13), 2, "control character"},
        ErrorCase{"extinf_without_comma", kM3u, "#EXTINF:12 Title\na.mp3\n", 1, "comma"},
        ErrorCase{"extinf_length", kM3u8, "#EXTM3U\n#EXTINF:abc,Title\na.mp3\n", 2, "length in seconds"},
        ErrorCase{"extinf_infinite", kM3u8, "#EXTINF:inf,Title\na.mp3\n", 1, "length in seconds"},
        ErrorCase{"extinf_at_the_end", kM3u, "a.mp3\n\n#EXTINF:1,x\n", 3, "not followed"},
        ErrorCase{"extinf_twice", kM3u, "#EXTINF:1,x\n#EXTINF:2,y\na.mp3\n", 1, "not followed"},
        ErrorCase{"empty_file_uri", kM3u, "a.mp3\nfile://\n", 2, "names no file"},
        ErrorCase{"pls_without_section", kPls, "File1=a.mp3\n", 1, "[playlist]"},
        ErrorCase{"pls_empty", kPls, "", 1, "[playlist]"},
        ErrorCase{"pls_other_section", kPls, "[winamp]\nFile1=a.mp3\n", 1, "[playlist]"},
        ErrorCase{"pls_second_section", kPls, "[playlist]\nFile1=a\n[more]\n", 3, "second section"},
        ErrorCase{"pls_no_equals", kPls, "[playlist]\r\nFile1 a.mp3\r\n", 2, "KEY=VALUE"},
        ErrorCase{"pls_length", kPls, "[playlist]\nFile1=a\nLength1=long\n", 3, "\"Length1\" needs a number"},
        ErrorCase{"pls_repeated_file", kPls, "[playlist]\nFile1=a\nFile1=b\n", 3, "again (first on line 2)"},
        ErrorCase{"pls_file_zero", kPls, "[playlist]\nFile0=a\n", 2, "entry number from 1"},
        ErrorCase{"pls_empty_file", kPls, "[playlist]\nFile1=a\nFile2=\n", 3, "\"File2\" names no file"},
        ErrorCase{"xspf_mismatched", kXspf, kXspfHead + "<trackList>\n</playlist>\n", 4, "not well-formed XML"},
        ErrorCase{"xspf_empty", kXspf, "", 1, "not well-formed XML"},
        ErrorCase{"xspf_undefined_entity", kXspf, kXspfHead + "<title>&nbsp;</title></playlist>", 3,
                  "not well-formed XML"},
        ErrorCase{"xspf_other_namespace", kXspf, "<playlist xmlns=\"http://example.com/\"/>", 1,
                  "root element is <playlist>"},
        ErrorCase{"xspf_root", kXspf, "<?xml version=\"1.0\"?>\n<rss><playlist/></rss>", 2, "root element is <rss>"},
        ErrorCase{"xspf_track_without_location", kXspf,
                  kXspfHead + "<trackList>\n<track><title>x</title>\n</track></trackList></playlist>", 4,
                  "without a <location>"},
        ErrorCase{"xspf_duration", kXspf,
                  kXspfHead + "<trackList><track><location>a</location>\n<duration>3:20</duration></track>"
                              "</trackList></playlist>",
                  4, "milliseconds"},
        ErrorCase{"xspf_doctype", kXspf,
                  "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [<!ENTITY lol \"lol\">]>\n<playlist>&lol;</playlist>", 2,
                  "DOCTYPE"}),
    [](const ::testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.label); });

TEST(PlaylistFileErrorTest, AFileOfAnotherKindOrMissingIsNamed) {
  TempDir dir;
  const fs::path text = dir.path() / "notes.txt";
  std::ofstream(text) << "a.mp3\n";
  EXPECT_THROW(
      {
        try {
          readPlaylistFile(text);
        } catch (const profile::DataError& e) {
          EXPECT_NE(std::string(e.what()).find(text.string()), std::string::npos) << e.what();
          throw;
        }
      },
      profile::DataError);
  EXPECT_THROW(readPlaylistFile(dir.path() / "gone.m3u"), profile::DataError);
  EXPECT_THROW(writePlaylistFile(dir.path() / "out.txt", {}, "x"), profile::DataError);
  EXPECT_FALSE(fs::exists(dir.path() / "out.txt"));
}

struct CodesetCase {
  const char* codeset;
  std::string bytes;
  std::string text;
};

class PlaylistTextTest : public ::testing::TestWithParam<CodesetCase> {};

TEST_P(PlaylistTextTest, DecodesTheLocaleEncodingUnlessTheTextIsUtf8) {
  const playlist_files::ReadContext context{kFolder, "x.m3u"};
  EXPECT_EQ(playlist_files::decodePlaylistText(GetParam().bytes, false, GetParam().codeset, context), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Codesets, PlaylistTextTest,
    ::testing::Values(CodesetCase{"ISO-8859-15", "\xA4\xE9", "€é"}, CodesetCase{"KOI8-R", "\xF0\xD2\xC9", "При"},
                      CodesetCase{"ISO-8859-1", "caf\xC3\xA9", "café"},  // valid UTF-8 wins
                      CodesetCase{"UTF-8", "\x80\xE9\x81", "€é\u0081"},  // no 8-bit locale: Windows-1252
                      CodesetCase{"ANSI_X3.4-1968",
                                  "\xEF\xBB\xBF"
                                  "a\xE9",
                                  "a\xC3\xA9"},
                      CodesetCase{"UTF-8",
                                  std::string("\xFF\xFE"
                                              "a\0\xE9\0",
                                              6),
                                  "aé"}));  // UTF-16 with its BOM

TEST(PlaylistTextTest, EncodesForTheLocaleWhereEveryCharacterFits) {
  EXPECT_EQ(playlist_files::encodeForCodeset("Café\n", "ISO-8859-1"), "Caf\xE9\n");
  EXPECT_EQ(playlist_files::encodeForCodeset("Café Привет", "ISO-8859-1"), "Café Привет");  // else UTF-8
  EXPECT_EQ(playlist_files::encodeForCodeset("Café", "UTF-8"), "Café");
}

// Entries whose locations test what a path can hold; the folder is kFolder.
std::vector<PlaylistEntry> awkwardEntries() {
  return {
      {"file:///lists/a.flac", "A", "Artist", 61},
      {"file:///lists/sub/b c.flac", "B, with \"quotes\" & <marks>", "", -1},
      {"file:///music/other/100%25 #1.mp3", "", "Only Artist", 1.5},
      {"file:///lists/#hash.mp3", "", "", -1},
      {"file:///lists/back\\slash.mp3", "", "", -1},
      {"file:///lists/ lead and trail .mp3", "", "", -1},
      {"file:///music/ünï/çödé.ogg", "Ünï", "", 3600},
      {"file:///lists/C:/x.mp3", "", "", -1},
      {"file:///lists/http:/x.mp3", "", "", -1},
      {"file:///lists/ctl%0Aname.mp3", "", "", -1},
      {"file:///lists/blip.wav", "", "", 0.4},
      {"http://radio.example/s?x=1&y=2", "R, adio", "", -1},
  };
}

class PlaylistRoundTripTest : public ::testing::TestWithParam<PlaylistFormat> {};

TEST_P(PlaylistRoundTripTest, ReadsBackWhatItWrote) {
  const PlaylistFormat format = GetParam();
  const std::vector<PlaylistEntry> entries = awkwardEntries();
  const std::string text = formatPlaylist(entries, format, kFolder, "Mix & Match");
  const PlaylistFileContents read = parsePlaylist(text, format, kFolder, "out");
  std::vector<PlaylistEntry> expected = entries;
  for (PlaylistEntry& e : expected) {
    if (format == PlaylistFormat::kXspf) continue;
    // The text formats keep one title and whole seconds.
    e.title = playlist_files::displayTitle(e);
    e.creator.clear();
    e.length = static_cast<double>(playlist_files::wholeSeconds(e.length));
  }
  EXPECT_EQ(describe(read.entries), describe(expected)) << text;
  EXPECT_EQ(read.name, format == PlaylistFormat::kPls ? "" : "Mix & Match");
}

INSTANTIATE_TEST_SUITE_P(Formats, PlaylistRoundTripTest, ::testing::Values(kM3u, kM3u8, kPls, kXspf),
                         [](const ::testing::TestParamInfo<PlaylistFormat>& info) {
                           return std::string(kPlaylistExtensions[static_cast<int>(info.param)]);
                         });

TEST(PlaylistFileWriteTest, PathsInThePlaylistsFolderAreRelative) {
  const std::vector<PlaylistEntry> entries = awkwardEntries();
  const std::string m3u = formatPlaylist(entries, kM3u8, kFolder, "");
  EXPECT_NE(m3u.find("#EXTINF:61,Artist - A\na.flac\n"), std::string::npos) << m3u;
  EXPECT_NE(m3u.find("\nsub/b c.flac\n"), std::string::npos) << m3u;
  EXPECT_NE(m3u.find("\n/music/other/100% #1.mp3\n"), std::string::npos) << m3u;
  EXPECT_NE(m3u.find("\n./#hash.mp3\n"), std::string::npos) << m3u;
  EXPECT_NE(m3u.find("\nfile:///lists/back%5Cslash.mp3\n"), std::string::npos) << m3u;
  EXPECT_NE(m3u.find("\n#EXTINF:-1,R, adio\nhttp://radio.example/s?x=1&y=2\n"), std::string::npos) << m3u;
  const std::string pls = formatPlaylist(entries, kPls, kFolder, "");
  EXPECT_NE(pls.find("File2=sub/b c.flac\nTitle2=B, with"), std::string::npos) << pls;
  EXPECT_NE(pls.find("NumberOfEntries=12\n"), std::string::npos) << pls;
  const std::string xspf = formatPlaylist(entries, kXspf, kFolder, "");
  EXPECT_NE(xspf.find("<location>sub/b%20c.flac</location>"), std::string::npos) << xspf;
  EXPECT_NE(xspf.find("<location>file:///music/other/100%25%20%231.mp3</location>"), std::string::npos) << xspf;
  EXPECT_NE(xspf.find("<location>./C:/x.mp3</location>"), std::string::npos) << xspf;
  EXPECT_NE(xspf.find("<title>B, with \"quotes\" &amp; &lt;marks&gt;</title>"), std::string::npos) << xspf;
  EXPECT_NE(xspf.find("<duration>1500</duration>"), std::string::npos) << xspf;
}

class PlaylistFileTracksTest : public ::testing::Test {
 protected:
  PlaylistFileTracksTest() {
    host::TrackBuilder builder;
    builder.setPath("file:///m/a.flac");
    builder.addMeta("title", "A");
    library_.push_back(builder.build());
    builder.setPath("/m/plain.flac");  // a library file may give plain paths
    library_.push_back(builder.build());
  }
  host::TrackList library_;
  TempDir dir_;
};

TEST_F(PlaylistFileTracksTest, LibraryTracksAreSharedAndOthersKeptAsMissing) {
  std::ofstream(dir_.path() / "here.mp3") << "12345";
  const std::string here = "file://" + (dir_.path() / "here.mp3").string();
  const TrackIndex index(library_);
  const host::TrackList tracks = playlistEntryTracks(
      {entry("file:///m/a.flac", "Not used", "", 9), entry("file:///m/plain.flac"),
       entry("file:///gone/x.mp3", "X", "Someone", 5), entry(here), entry("http://radio.example/s", "Radio")},
      index);
  ASSERT_EQ(tracks.size(), 5u);
  EXPECT_EQ(tracks[0], library_[0]);
  EXPECT_EQ(tracks[1], library_[1]);
  EXPECT_EQ(tracks[2]->path(), "file:///gone/x.mp3");
  EXPECT_EQ(tracks[2]->size(), 0u);
  EXPECT_EQ(tracks[2]->length(), 5);
  EXPECT_EQ(playlistEntries({tracks[2]}), (std::vector<PlaylistEntry>{{"file:///gone/x.mp3", "X", "Someone", 5}}));
  EXPECT_EQ(tracks[3]->size(), 5u);  // a file outside the library, with its statistics
  EXPECT_FALSE(tracks[3]->hasInfo());
  EXPECT_EQ(tracks[4]->path(), "http://radio.example/s");
}

TEST_F(PlaylistFileTracksTest, ImportAddsOnePlaylistThroughThePlayer) {
  profile::Profile profile(dir_.path() / "profile");
  profile::SettingsStore settings(profile.settingsFile());
  Player player(std::move(profile), std::move(settings),
                library::parseLibraryFile(R"({"tracks": [{"path": "file:///m/a.flac"}]})", "lib.json"));
  struct Recorder : PlayerListener {
    void playlistChanged(const PlaylistChange& change) override { events.push_back(change.event); }
    std::vector<host::PlaylistEvent> events;
  } recorder;
  player.addListener(&recorder);
  const std::size_t before = player.playlistCount();
  const ImportedPlaylist imported =
      importPlaylist(player, {"From file", {entry("file:///m/a.flac"), entry("file:///gone.mp3")}}, "Imported");
  player.removeListener(&recorder);
  const std::size_t added = imported.playlist;
  EXPECT_EQ(added, before);
  EXPECT_EQ(imported.outside_library, 1u);
  EXPECT_EQ(player.playlistName(added), "Imported");
  ASSERT_EQ(player.playlistItemCount(added), 2u);
  EXPECT_EQ(player.playlistItems(added)[0], player.library()[0]);
  // A name taken already gets a number.
  EXPECT_EQ(unusedPlaylistName(player, "Imported"), "Imported (2)");
  player.createPlaylist("Imported (2)");
  EXPECT_EQ(unusedPlaylistName(player, "Imported"), "Imported (3)");
  EXPECT_EQ(unusedPlaylistName(player, "Other"), "Other");
  EXPECT_EQ(recorder.events, (std::vector<host::PlaylistEvent>{host::PlaylistEvent::kPlaylistCreated,
                                                               host::PlaylistEvent::kItemsAdded}));
}

TEST_F(PlaylistFileTracksTest, WrittenFilesReadBackRelativeToTheirFolder) {
  const fs::path folder = dir_.path() / "lists";
  fs::create_directories(folder / "sub");
  host::TrackBuilder builder;
  builder.setPath("file://" + (folder / "sub" / "b.flac").string());
  builder.addMeta("title", "B");
  builder.setLength(10);
  const host::TrackList tracks = {builder.build(), library_[0]};
  for (const char* name : {"out.M3U", "out.m3u8", "out.pls", "out.xspf"}) {
    writePlaylistFile(folder / name, tracks, "Out");
    const PlaylistFileContents read = readPlaylistFile(folder / name);
    ASSERT_EQ(read.entries.size(), 2u) << name;
    EXPECT_EQ(read.entries[0].location, tracks[0]->path()) << name;
    EXPECT_EQ(read.entries[1].location, "file:///m/a.flac") << name;
    EXPECT_EQ(read.name, std::string(name).ends_with("pls") ? "out" : "Out") << name;
    EXPECT_NE(profile::readWholeFile(folder / name).find("sub/b.flac"), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace player
