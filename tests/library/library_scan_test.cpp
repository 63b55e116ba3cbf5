// Scanning music folders into the library cache: the tag corpus, rescans,
// folders that go away, and playlists whose files leave and come back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <taglib/fileref.h>
#include <taglib/mp4file.h>
#include <taglib/tpropertymap.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <sqlite3.h>

#include "host/track_image.h"
#include "library/file_uri.h"
#include "library/library_scan.h"
#include "library/track_record.h"
#include "player/player.h"
#include "support/fake_host.h"

namespace library {
namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

fs::path corpusDir() { return fs::path(VOSTREL_TEST_DATA_DIR) / "tag-corpus"; }

// Sound files of several formats, with tags.
const char* const kSound[] = {"bladeenc.mp3", "test.ogg", "multiple-vc.flac", "has-tags.m4a", "click.wv"};

std::vector<std::string> paths(const host::TrackList& tracks) {
  std::vector<std::string> result;
  for (const auto& track : tracks) result.emplace_back(track->path());
  return result;
}

// Runs `sql` on the cache file in `profile`, as another program (or
// damage) would.
void changeCacheFile(const fs::path& profile, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((profile / "library.db").c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}
// Rows whose records no longer decode: only a snapshot gives their tracks.
constexpr const char* kSpoilRows = "UPDATE files SET record = x'00' WHERE record IS NOT NULL";

void shiftTime(const fs::path& file, int seconds) {
  fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(seconds));
}

class ScanTest : public ::testing::Test {
 protected:
  fs::path music() const { return dir_.path() / "music"; }
  fs::path profile() const { return dir_.path() / "profile"; }

  void copy(const std::string& name, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy_file(corpusDir() / name, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_write, fs::perm_options::add);
  }

  // Scans into the profile's cache, which is kept from scan to scan as
  // the desktop program keeps it; or into a new cache in `cache_dir`.
  ScanResult scan(const std::vector<fs::path>& folders, unsigned threads = 3, const fs::path& cache_dir = {}) {
    ScanOptions options;
    options.threads = threads;
    options.recent = recent_;
    if (!cache_dir.empty()) {
      LibraryCache cache(cache_dir);
      return scanMusicFolders(cache, folders, options);
    }
    if (!cache_) cache_.emplace(profile());
    return scanMusicFolders(*cache_, folders, options);
  }
  ScanResult scan() { return scan({music()}); }

  TempDir dir_;
  std::optional<LibraryCache> cache_;
  std::chrono::nanoseconds recent_ = ScanOptions().recent;
};

// Corpus files whose header states a length their size cannot hold at
// their bitrate: cut short, or a frame count that lies.
const std::set<std::string> kLengthsTooLong = {
    "garbage.mp3",  "ilst-is-last.m4a", "infloop.m4a",     "lame_cbr.mp3",     "lame_vbr.mp3",
    "lossless.wma", "mpeg2.mp3",        "rare_frames.mp3", "real_example.wma", "toc_many_children.mp3"};
// Corpus files with tags TagLib's reader of their format leaves out.
const std::set<std::string> kMoreTagsThanTagLib = {"mac-399-id3v2.ape"};

// Every field of the property map, with its values in order, is a field of
// the track; and nothing else is. The length is TagLib's, except where the
// file cannot hold it.
void expectSameAsTagLib(const host::Track& track) {
  SCOPED_TRACE(std::string(track.path()));
  const std::string name = uriFilePath(track.path()).filename().string();
  const TagLib::FileRef ref(uriFilePath(track.path()).c_str());
  ASSERT_NE(ref.file(), nullptr);
  if (kMoreTagsThanTagLib.contains(name)) return;
  const TagLib::PropertyMap properties = ref.file()->properties();
  std::size_t fields = 0;
  for (const auto& [key, values] : properties) {
    // Damaged tags give names that cannot be columns: those are left out.
    const std::string name = key.to8Bit(true);
    if (values.isEmpty() || name.empty() || std::any_of(name.begin(), name.end(), [](char c) {
          return static_cast<unsigned char>(c) < 0x20;
        })) {
      continue;
    }
    ++fields;
    host::FieldPtr field = track.findMeta(host::findField(name));
    ASSERT_NE(field, nullptr) << key.to8Bit(true);
    EXPECT_EQ(field->name(), key.to8Bit(true));
    std::vector<std::string> expected;
    for (const TagLib::String& value : values) expected.push_back(value.to8Bit(true));
    EXPECT_EQ(field->values().strings(), expected) << key.to8Bit(true);
  }
  EXPECT_EQ(track.meta().size(), fields);
  if (const TagLib::AudioProperties* audio = ref.audioProperties()) {
    const double stated = audio->lengthInMilliseconds() / 1000.0;
    if (!kLengthsTooLong.contains(name)) {
      EXPECT_DOUBLE_EQ(track.length(), stated);
    } else {
      EXPECT_GT(track.length(), 0.0);
      EXPECT_LT(track.length(), stated / 4);
    }
  }
}

// The corpus files that are no tracks: not audio, damaged beyond reading,
// or with none of the audio their name promises (MPEG files of tags and no
// frame, a damaged AIFF form, video without sound). Every other file of the
// corpus is audio, some of it damaged, and a track.
const std::set<std::string> kNotTracks = {"005411.id3",
                                          "README.md",
                                          "compressed_id3_frame_invalid.mp3",
                                          "excessive_alloc.aif",
                                          "excessive_alloc.mp3",
                                          "extended-header.mp3",
                                          "no-extension",
                                          "no-tags.webm",
                                          "optimized.mkv",
                                          "segfault.oga",
                                          "tags-before-cues.mkv",
                                          "unsupported-extension.xx",
                                          "unsynch24.id3",
                                          "w000.mp3"};

// Corpus files whose tracks are not TagLib's: formats TagLib does not read,
// tags it misses, lengths their files cannot hold.
struct OddFile {
  const char* name;
  const char* title;  // "": none
  const char* artist;
  double min_length, max_length;
  const char* codec;
};
const OddFile kOddFiles[] = {
    // A raw stream: no header gives its length, which is counted.
    {"2sec-silence.shn", "", "", 1.99, 2.01, "Shorten"},
    {"empty10ms.dff", "", "", 0.005, 0.02, "DSD"},
    {"empty10ms.dsf", "", "", 0.005, 0.02, "DSD"},
    // Raw ADTS frames: the length is estimated from their bitrate.
    {"empty1s.aac", "", "", 0.8, 1.3, "AAC"},
    {"no-tags.mka", "", "", 0.1, 10, "MP3"},
    {"multiplex.ogg", "Paper Lights", "", 0.1, 10, "Vorbis"},
    {"mac-399-id3v2.ape", "TitleXXXX", "ArtistXXXX", 0.1, 10, "Monkey's Audio"},
    {"garbage.mp3", "Title A", "Artist A", 0.5, 2, "MP3"},
};
// TagLib reads no file of these.
const std::set<std::string> kReadByLibav = {"2sec-silence.shn", "empty10ms.dff", "empty10ms.dsf",
                                            "empty1s.aac",      "no-tags.mka",   "multiplex.ogg"};

std::string firstValue(const host::Track& track, const char* field) {
  const host::FieldPtr found = track.findMeta(host::findField(field));
  return found != nullptr ? std::string(found->values().front()) : "";
}

TEST_F(ScanTest, OddCorpusFilesAreTracksWithTheirTagsAndAPossibleLength) {
  for (const OddFile& odd : kOddFiles) copy(odd.name, music() / odd.name);
  const ScanResult result = scan();
  ASSERT_EQ(result.library.tracks.size(), std::size(kOddFiles));
  for (const OddFile& odd : kOddFiles) {
    SCOPED_TRACE(odd.name);
    const auto track = std::find_if(result.library.tracks.begin(), result.library.tracks.end(),
                                    [&](const auto& t) { return uriFilePath(t->path()).filename() == odd.name; });
    ASSERT_NE(track, result.library.tracks.end());
    EXPECT_EQ(firstValue(**track, "TITLE"), odd.title);
    EXPECT_EQ(firstValue(**track, "ARTIST"), odd.artist);
    EXPECT_GE((*track)->length(), odd.min_length);
    EXPECT_LE((*track)->length(), odd.max_length);
    const host::FieldPtr codec = (*track)->findTech(host::findField("codec"));
    ASSERT_NE(codec, nullptr);
    EXPECT_EQ(codec->values().front(), odd.codec);
  }
}

TEST_F(ScanTest, EveryCorpusFileIsATrackOrUnreadableAndTracksHoldWhatTagLibReads) {
  std::set<std::string> expected;
  for (const auto& entry : fs::directory_iterator(corpusDir())) {
    const std::string name = entry.path().filename().string();
    copy(name, music() / name);
    if (!kNotTracks.contains(name)) expected.insert(name);
  }
  const ScanResult result = scan({music()}, 4);
  std::set<std::string> tracks;
  for (const auto& track : result.library.tracks) tracks.insert(uriFilePath(track->path()).filename().string());
  EXPECT_EQ(tracks, expected);
  EXPECT_EQ(result.counts.added, expected.size());
  EXPECT_EQ(result.counts.unreadable, kNotTracks.size());
  for (const auto& track : result.library.tracks) {
    EXPECT_EQ(track->size(), fs::file_size(uriFilePath(track->path())));
    if (!kReadByLibav.contains(uriFilePath(track->path()).filename().string())) expectSameAsTagLib(*track);
  }
  // One thread reads the same records as four.
  const ScanResult alone = scan({music()}, 1, dir_.path() / "alone");
  ASSERT_EQ(paths(alone.library.tracks), paths(result.library.tracks));
  for (std::size_t i = 0; i < alone.library.tracks.size(); ++i) {
    EXPECT_EQ(encodeTrackRecord(*alone.library.tracks[i]), encodeTrackRecord(*result.library.tracks[i]));
  }
}

// TagLib picks its reader by the name, and some readers take any bytes.
TEST_F(ScanTest, FilesThatAreNotAudioAreUnreadableWhateverTheirName) {
  // Every name this TagLib reads, and names of formats libavformat reads.
  const char* const kExtensions[] = {"mp3", "mp2",  "wav", "aif", "aiff", "afc", "aifc",   "ape", "mpc",  "wv",
                                     "tta", "flac", "ogg", "oga", "opus", "spx", "m4a",    "m4r", "m4b",  "m4p",
                                     "mp4", "3g2",  "m4v", "wma", "asf",  "mod", "module", "nst", "wow",  "s3m",
                                     "it",  "xm",   "shn", "dff", "dsf",  "aac", "mka",    "mkv", "webm", "ac3",
                                     "dts", "caf",  "amr", "au",  "tak",  "w64"};
  std::string text;
  for (int line = 0; line < 100; ++line) text += "Track " + std::to_string(line) + ": liner notes, not music\n";
  const std::string kContents[] = {"", "hi\n", text, std::string(8192, '\0')};
  for (const char* extension : kExtensions) {
    for (std::size_t i = 0; i < std::size(kContents); ++i) {
      fs::create_directories(music());
      std::ofstream(music() / (std::to_string(i) + "." + extension), std::ios::binary) << kContents[i];
    }
  }
  const ScanResult result = scan();
  EXPECT_EQ(paths(result.library.tracks), std::vector<std::string>());
  EXPECT_EQ(result.counts.unreadable, std::size(kExtensions) * std::size(kContents));
}

// Files that name or describe audio without holding any: a playlist whose
// reader would open the files it lists, a DSF header cut before its first
// block; and without a name that TagLib knows, bytes in which MPEG frames
// are only guessed at. An MP3 file is one whatever its name.
TEST_F(ScanTest, FilesThatOnlyPointAtAudioAreUnreadable) {
  copy("empty1s.aac", music() / "a.aac");
  copy("bladeenc.mp3", music() / "bladeenc");
  copy("garbage.mp3", music() / "garbage.bin");
  fs::create_directories(music() / "lists");
  std::ofstream(music() / "lists" / "stream.m3u8")
      << "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:2\n#EXTINF:1.0,\n"
      << (music() / "a.aac").string() << "\n#EXT-X-ENDLIST\n";
  std::ofstream(music() / "lists" / "list.ffconcat")
      << "ffconcat version 1.0\nfile '" << (music() / "a.aac").string() << "'\n";
  std::ifstream whole(corpusDir() / "empty10ms.dsf", std::ios::binary);
  std::string headers(3000, '\0');
  whole.read(headers.data(), static_cast<std::streamsize>(headers.size()));
  std::ofstream(music() / "cut.dsf", std::ios::binary) << headers;
  const ScanResult result = scan();
  EXPECT_EQ(paths(result.library.tracks),
            (std::vector<std::string>{fileUri(music() / "a.aac"), fileUri(music() / "bladeenc")}));
  EXPECT_EQ(result.counts.unreadable, 4u);
}

TEST_F(ScanTest, TechnicalFieldsAndNamesThatAreNotAscii) {
  const fs::path file = music() / "Björk – 東京 100%" / "Ärger\x01.flac";
  copy("multiple-vc.flac", file);
  const ScanResult result = scan();
  ASSERT_EQ(result.library.tracks.size(), 1u);
  const host::Track& track = *result.library.tracks[0];
  EXPECT_EQ(uriFilePath(track.path()), file);
  EXPECT_EQ(track.path(), "file://" + (music() / "Björk – 東京 100%25" / "Ärger%01.flac").string());
  std::vector<std::pair<std::string, std::string>> tech;
  for (const host::InfoField& field : track.tech()) tech.emplace_back(field.name(), field.values().front());
  const TagLib::FileRef ref(file.c_str());
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"codec", "FLAC"},
      {"bitrate", std::to_string(ref.audioProperties()->bitrate())},
      {"samplerate", std::to_string(ref.audioProperties()->sampleRate())},
      {"channels", std::to_string(ref.audioProperties()->channels())},
      {"bitspersample", "16"}};
  EXPECT_EQ(tech, expected);
}

class ReplayGainTest : public ScanTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ReplayGainTest, ComesFromTheUsualFieldsAndIsAbsentWithoutThem) {
  const fs::path file = music() / GetParam();
  copy(GetParam(), file);
  copy(GetParam(), music() / "plain" / GetParam());
  const std::pair<const char*, const char*> kGain[] = {
      {"REPLAYGAIN_TRACK_GAIN", "-6.50 dB"}, {"REPLAYGAIN_ALBUM_PEAK", "0.988"}, {"REPLAYGAIN_ALBUM_GAIN", "+1.25 dB"}};
  if (fs::path(GetParam()).extension() == ".m4a") {
    // iTunes freeform atoms, as taggers write them.
    TagLib::MP4::File mp4(file.c_str());
    for (const auto& [name, value] : kGain) {
      std::string lower = name;
      std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
      mp4.tag()->setItem("----:com.apple.iTunes:" + lower, TagLib::MP4::Item(TagLib::StringList(value)));
    }
    ASSERT_TRUE(mp4.save());
  } else {
    TagLib::FileRef ref(file.c_str());
    TagLib::PropertyMap tags = ref.file()->properties();
    for (const auto& [name, value] : kGain) tags.replace(name, TagLib::StringList(value));
    ref.file()->setProperties(tags);
    ASSERT_TRUE(ref.save());
  }
  const ScanResult result = scan();
  ASSERT_EQ(result.library.tracks.size(), 2u);
  const bool tagged_first = result.library.tracks[0]->path() == fileUri(file);
  const host::ReplayGain& gain = result.library.tracks[tagged_first ? 0 : 1]->replayGain();
  EXPECT_FLOAT_EQ(gain.track_gain, -6.5f);
  EXPECT_FLOAT_EQ(gain.album_gain, 1.25f);
  EXPECT_FLOAT_EQ(gain.album_peak, 0.988f);
  EXPECT_EQ(gain.track_peak, -1.0f);
  const host::ReplayGain& none = result.library.tracks[tagged_first ? 1 : 0]->replayGain();
  EXPECT_EQ(none.track_gain, -1000.0f);
  EXPECT_EQ(none.album_gain, -1000.0f);
  EXPECT_EQ(none.track_peak, -1.0f);
  EXPECT_EQ(none.album_peak, -1.0f);
}

INSTANTIATE_TEST_SUITE_P(Formats, ReplayGainTest,
                         ::testing::Values("bladeenc.mp3", "test.ogg", "multiple-vc.flac", "has-tags.m4a"));

struct RescanCase {
  const char* name;
  std::function<void(const fs::path& music)> change;
  ScanCounts expected;  // seconds unused
};

void PrintTo(const RescanCase& change, std::ostream* out) { *out << change.name; }

// The rescan runs on the cache the first scan used, as the desktop
// program keeps one, or on a cache opened afresh, as a command opens it.
enum class RescanCache { kKept, kOpenedAfresh };

class RescanTest : public ScanTest, public ::testing::WithParamInterface<std::tuple<RescanCase, RescanCache>> {};

// Each change is made a little after the first scan, so that the times
// it leaves differ from those recorded (timestamps move in clock ticks);
// the scans take no file's time as too recent to tell.
TEST_P(RescanTest, ReadsOnlyNewAndChangedFiles) {
  const auto& [change, rescan_cache] = GetParam();
  recent_ = std::chrono::nanoseconds(0);
  for (const char* name : kSound) copy(name, music() / "a" / name);
  copy("README.md", music() / "notes.md");
  copy("test.ogg", music() / "n" / "deep" / "inner.ogg");
  const ScanResult first = scan();
  ASSERT_EQ(first.counts.added, std::size(kSound) + 1);
  ASSERT_EQ(first.counts.unreadable, 1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  change.change(music());
  if (rescan_cache == RescanCache::kOpenedAfresh) cache_.reset();
  const ScanResult result = scan();
  const ScanCounts& want = change.expected;
  EXPECT_EQ(result.counts.added, want.added);
  EXPECT_EQ(result.counts.changed, want.changed);
  EXPECT_EQ(result.counts.removed, want.removed);
  EXPECT_EQ(result.counts.unchanged, want.unchanged);
  EXPECT_EQ(result.counts.unreadable, want.unreadable);
  // Nothing changed: no folder is listed. (The music folder and "a" are
  // listed where an entry of theirs changed.)
  if (std::string_view(change.name) == "nothing") {
    EXPECT_EQ(result.counts.folders_listed, 0u);
  }
  // The library is what a fresh cache reads from the folder on one thread,
  // and what a fresh start reads from this cache.
  const ScanResult fresh = scan({music()}, 1, dir_.path() / "fresh");
  LibraryCache reopened(profile());
  const LibraryFile started = loadCachedLibrary(reopened, {music()});
  ASSERT_EQ(paths(result.library.tracks), paths(fresh.library.tracks));
  ASSERT_EQ(paths(started.tracks), paths(fresh.library.tracks));
  for (std::size_t i = 0; i < fresh.library.tracks.size(); ++i) {
    EXPECT_EQ(encodeTrackRecord(*result.library.tracks[i]), encodeTrackRecord(*fresh.library.tracks[i]));
    EXPECT_EQ(encodeTrackRecord(*started.tracks[i]), encodeTrackRecord(*fresh.library.tracks[i]));
    EXPECT_EQ(result.library.tracks[i]->mtime(), fresh.library.tracks[i]->mtime());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, RescanTest,
    ::testing::Combine(::testing::Values(
        RescanCase{"nothing", [](const fs::path&) {}, {0, 0, 0, 6, 1}},
        RescanCase{"touched", [](const fs::path& m) { shiftTime(m / "a" / "test.ogg", 10); }, {0, 1, 0, 5, 1}},
        RescanCase{"grown_same_time",
                   [](const fs::path& m) {
                     const fs::path file = m / "a" / "bladeenc.mp3";
                     const auto time = fs::last_write_time(file);
                     std::ofstream(file, std::ios::app) << "xx";
                     fs::last_write_time(file, time);
                   },
                   {0, 1, 0, 5, 1}},
        RescanCase{"added",
                   [](const fs::path& m) {
                     fs::create_directories(m / "b");
                     fs::copy_file(m / "a" / "test.ogg", m / "b" / "new.ogg");
                   },
                   {1, 0, 0, 6, 1}},
        RescanCase{"touched_added_deleted",
                   [](const fs::path& m) {
                     shiftTime(m / "a" / "click.wv", -10);
                     fs::copy_file(m / "a" / "test.ogg", m / "a" / "new.ogg");
                     fs::remove(m / "a" / "has-tags.m4a");
                   },
                   {1, 1, 1, 4, 1}},
        RescanCase{"track_turned_unreadable",
                   [](const fs::path& m) { std::ofstream(m / "a" / "test.ogg") << "not audio"; },
                   {0, 0, 0, 5, 2}},
        RescanCase{"folder_emptied", [](const fs::path& m) { fs::remove_all(m / "a"); }, {0, 0, 5, 1, 1}},
        // Written in place, as some tag editors do, with the same size and
        // the modification time put back: only the status-change time says.
        RescanCase{"rewritten_in_place_same_size_and_time",
                   [](const fs::path& m) {
                     const fs::path file = m / "a" / "test.ogg";
                     const auto time = fs::last_write_time(file);
                     std::fstream(file, std::ios::in | std::ios::out | std::ios::binary) << "not audio";
                     fs::last_write_time(file, time);
                   },
                   {0, 0, 0, 5, 2}},
        RescanCase{"renamed",
                   [](const fs::path& m) { fs::rename(m / "a" / "test.ogg", m / "a" / "moved.ogg"); },
                   {1, 0, 1, 5, 1}},
        RescanCase{"added_to_its_folder",
                   [](const fs::path& m) { fs::copy_file(m / "a" / "test.ogg", m / "a" / "again.ogg"); },
                   {1, 0, 0, 6, 1}},
        RescanCase{"folder_renamed", [](const fs::path& m) { fs::rename(m / "a", m / "z"); }, {5, 0, 5, 1, 1}},
        RescanCase{"folder_moved_below_another",
                   [](const fs::path& m) {
                     fs::create_directories(m / "b");
                     fs::rename(m / "a", m / "b" / "a");
                   },
                   {5, 0, 5, 1, 1}},
        // The status-change time moves, the file stays as it was: read
        // again, and found unchanged.
        RescanCase{"mode_changed",
                   [](const fs::path& m) {
                     fs::permissions(m / "a" / "click.wv", fs::perms::group_write, fs::perm_options::add);
                   },
                   {0, 0, 0, 6, 1}},
        // Below folders that stay as they were, which are not listed.
        RescanCase{"added_to_a_folder_below_one_that_stays",
                   [](const fs::path& m) { fs::copy_file(m / "a" / "test.ogg", m / "n" / "deep" / "again.ogg"); },
                   {1, 0, 0, 6, 1}},
        RescanCase{"new_subfolder",
                   [](const fs::path& m) {
                     fs::create_directories(m / "a" / "sub");
                     fs::copy_file(m / "a" / "test.ogg", m / "a" / "sub" / "new.ogg");
                   },
                   {1, 0, 0, 6, 1}},
        RescanCase{"subfolder_removed", [](const fs::path& m) { fs::remove_all(m / "n" / "deep"); }, {0, 0, 1, 5, 1}},
        // Another folder of the same name, holding a file of the same name
        // and modification time.
        RescanCase{"subfolder_replaced_by_another_of_the_same_name",
                   [](const fs::path& m) {
                     const fs::path deep = m / "n" / "deep";
                     const auto time = fs::last_write_time(deep / "inner.ogg");
                     fs::rename(deep, m / "n" / "old");
                     fs::create_directories(deep);
                     fs::copy_file(m / "a" / "multiple-vc.flac", deep / "inner.ogg");
                     fs::last_write_time(deep / "inner.ogg", time);
                     fs::remove_all(m / "n" / "old");
                   },
                   {0, 1, 0, 5, 1}},
        RescanCase{"link_added",
                   [](const fs::path& m) { fs::create_symlink(m / "a" / "test.ogg", m / "n" / "deep" / "link.ogg"); },
                   {1, 0, 0, 6, 1}}),
                       ::testing::Values(RescanCache::kKept, RescanCache::kOpenedAfresh)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) == RescanCache::kKept ? "_kept_cache" : "_cache_opened_afresh");
    });

// A file whose status-change time is too recent to tell whether it was
// written again since is read again at the next scan: here the cache holds
// another record for it, as it would after a write within the same clock
// tick, and the scan finds the file as it is.
TEST_F(ScanTest, AFileChangedShortlyBeforeAScanIsReadAgainAtTheNext) {
  for (const char* name : kSound) copy(name, music() / "a" / name);
  const ScanResult first = scan();
  ASSERT_EQ(first.counts.added, std::size(kSound));
  const std::string uri = fileUri(music() / "a" / "test.ogg");
  changeCacheFile(profile(), "UPDATE files SET record = x'00' WHERE path = '" + uri + "'");
  const ScanResult second = scan();
  EXPECT_EQ(second.counts.changed, 1u);
  EXPECT_EQ(second.counts.unchanged, std::size(kSound) - 1);
  LibraryCache reopened(profile());
  EXPECT_EQ(reopened.fileRecord(uri), encodeTrackRecord(*second.library.tracks[4]));
  EXPECT_EQ(second.library.tracks[4]->path(), uri);
}

// A folder listed within the step of the clock in which it last changed
// is listed again at the next scan: an entry added just after could leave
// its times as they were. Here the cache holds the times the folder has
// after the file was added, as it would where both fell in one tick.
TEST_F(ScanTest, AFileAddedWithinTheStepOfTheLastListingIsFound) {
  for (const char* name : kSound) copy(name, music() / "a" / name);
  ASSERT_EQ(scan().counts.added, std::size(kSound));
  copy("test.ogg", music() / "a" / "late.ogg");
  for (const fs::path& folder : {music(), music() / "a"}) {
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    auto ns = [](const timespec& t) { return std::to_string(int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec); };
    changeCacheFile(profile(), "UPDATE walked_folders SET mtime_ns = " + ns(info.st_mtim) +
                                   ", ctime_ns = " + ns(info.st_ctim) + ", inode = " + std::to_string(info.st_ino) +
                                   " WHERE path = '" + fileUri(folder) + "' AND ctime_ns <> -1");
  }
  cache_.reset();
  const ScanResult second = scan();
  EXPECT_EQ(second.counts.added, 1u);
  EXPECT_EQ(second.counts.unchanged, std::size(kSound));
}

// Folders that stay as they were are not listed; a folder whose entries
// changed is, and the folders around it are not.
TEST_F(ScanTest, OnlyTheFoldersThatChangedAreListed) {
  recent_ = std::chrono::nanoseconds(0);
  for (const char* name : kSound) copy(name, music() / "a" / name);
  copy("test.ogg", music() / "b" / "c" / "x.ogg");
  EXPECT_EQ(scan().counts.folders_listed, 4u);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(scan().counts.folders_listed, 0u);
  copy("test.ogg", music() / "b" / "y.ogg");
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  cache_.reset();
  const ScanResult result = scan();
  EXPECT_EQ(result.counts.folders_listed, 1u);
  EXPECT_EQ(result.counts.added, 1u);
  EXPECT_EQ(result.counts.unchanged, std::size(kSound) + 1);
}

// A folder whose files the cache knows otherwise than they are, though its
// times stay as they were (another program wrote the rows), is listed.
TEST_F(ScanTest, AFolderWhoseKnownFileIsGoneIsListed) {
  recent_ = std::chrono::nanoseconds(0);
  for (const char* name : kSound) copy(name, music() / name);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  ASSERT_EQ(scan().counts.added, std::size(kSound));
  cache_.reset();
  changeCacheFile(profile(), "UPDATE files SET path = '" + fileUri(music() / "phantom.ogg") + "' WHERE path = '" +
                                 fileUri(music() / "test.ogg") + "'");
  const ScanResult result = scan();
  EXPECT_EQ(result.counts.removed, 1u);
  EXPECT_EQ(result.counts.added, 1u);
  EXPECT_EQ(paths(result.library.tracks).size(), std::size(kSound));
}

// A link is followed at every scan: where it leads may change while its
// folder does not.
TEST_F(ScanTest, ALinkThatLeadsNowhereIsATrackOnceItLeadsToAFile) {
  recent_ = std::chrono::nanoseconds(0);
  for (const char* name : kSound) copy(name, music() / "a" / name);
  fs::create_symlink(dir_.path() / "elsewhere.ogg", music() / "a" / "link.ogg");
  ASSERT_EQ(scan().counts.added, std::size(kSound));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  copy("test.ogg", dir_.path() / "elsewhere.ogg");
  const ScanResult result = scan();
  EXPECT_EQ(result.counts.added, 1u);
  EXPECT_EQ(result.counts.unchanged, std::size(kSound));
}

TEST_F(ScanTest, AnUnavailableFolderKeepsItsTracksAndIsReportedOnce) {
  const fs::path other = dir_.path() / "other";
  for (const char* name : kSound) copy(name, music() / name);
  copy("test.ogg", other / "x.ogg");
  copy("test.ogg", other / "y.ogg");
  const ScanResult first = scan({music(), other});
  ASSERT_EQ(first.library.tracks.size(), std::size(kSound) + 2);

  // The disk goes away; the other folder changes meanwhile.
  fs::rename(music(), dir_.path() / "unplugged");
  fs::remove(other / "y.ogg");
  const ScanResult gone = scan({music(), other});
  EXPECT_EQ(paths(gone.library.tracks), paths(scan({music(), other}).library.tracks));
  EXPECT_EQ(gone.library.tracks.size(), std::size(kSound) + 1);
  EXPECT_EQ(gone.counts.removed, 1u);
  EXPECT_EQ(gone.unavailable_folders, std::vector<std::string>{music().string()});
  ASSERT_EQ(gone.notices.size(), 1u);
  EXPECT_NE(gone.notices[0].find(music().string() + " is unavailable"), std::string::npos);
  const ScanResult again = scan({music(), other});
  EXPECT_TRUE(again.notices.empty());
  EXPECT_EQ(again.counts.unchanged, std::size(kSound) + 1);

  fs::rename(dir_.path() / "unplugged", music());
  const ScanResult back = scan({music(), other});
  EXPECT_EQ(paths(back.library.tracks), paths(again.library.tracks));
  EXPECT_EQ(back.counts.unchanged, std::size(kSound) + 1);
  EXPECT_TRUE(back.unavailable_folders.empty());
  ASSERT_EQ(back.notices.size(), 1u);
  EXPECT_NE(back.notices[0].find("available again"), std::string::npos);
}

TEST_F(ScanTest, AFolderEmptiedOfAllItsFilesIsTakenAsAnUnmountedDisk) {
  for (const char* name : kSound) copy(name, music() / "disk" / name);
  ASSERT_EQ(scan().counts.added, std::size(kSound));
  fs::remove_all(music() / "disk");  // the mount point stays, empty
  const ScanResult unmounted = scan();
  EXPECT_EQ(unmounted.library.tracks.size(), std::size(kSound));
  EXPECT_EQ(unmounted.counts.removed, 0u);
  EXPECT_EQ(unmounted.unavailable_folders, std::vector<std::string>{music().string()});
  // Files again: the folder is back, and what is missing now is gone.
  copy("test.ogg", music() / "new.ogg");
  const ScanResult back = scan();
  EXPECT_TRUE(back.unavailable_folders.empty());
  EXPECT_EQ(back.counts.removed, std::size(kSound));
  EXPECT_EQ(back.counts.added, 1u);
  EXPECT_EQ(back.library.tracks.size(), 1u);
}

TEST_F(ScanTest, APlaylistItemWhoseFileLeavesKeepsItsPlaceAndFindsItsInfoAgain) {
  for (const char* name : kSound) copy(name, music() / name);
  profile::Profile profile_folder(profile());
  profile::SettingsStore settings(profile_folder.settingsFile());
  player::Player player(std::move(profile_folder), std::move(settings), scan().library);
  std::ostringstream messages;
  player.setMessageStream(messages);
  const std::size_t list = player.createPlaylist("Scanned");
  player.insertItems(list, 0, player.library(), false);
  const std::string moved = fileUri(music() / "test.ogg");

  fs::rename(music() / "test.ogg", dir_.path() / "test.ogg");
  player.replaceLibrary(scan().library);
  host::TrackList items = player.playlistItems(list);
  ASSERT_EQ(items.size(), std::size(kSound));
  const auto item = std::find_if(items.begin(), items.end(), [&](const auto& t) { return t->path() == moved; });
  ASSERT_NE(item, items.end());
  EXPECT_FALSE((*item)->hasInfo());
  EXPECT_EQ(player.libraryTrackCount(), std::size(kSound) - 1);

  fs::rename(dir_.path() / "test.ogg", music() / "test.ogg");
  player.replaceLibrary(scan().library);
  items = player.playlistItems(list);
  for (const auto& track : items) {
    EXPECT_TRUE(track->hasInfo()) << track->path();
  }
  EXPECT_EQ(paths(items), paths(player.library()));
}

TEST_F(ScanTest, NestedAndRepeatedFoldersGiveEachTrackOnce) {
  copy("test.ogg", music() / "x.ogg");
  copy("test.ogg", music() / "sub" / "y.ogg");
  copy("test.ogg", dir_.path() / "music2" / "z.ogg");  // a sibling whose name extends the folder's
  const ScanResult result = scan({music() / "sub", music() / "", music(), dir_.path() / "music2"});
  EXPECT_EQ(paths(result.library.tracks),
            (std::vector<std::string>{fileUri(music() / "sub" / "y.ogg"), fileUri(music() / "x.ogg"),
                                      fileUri(dir_.path() / "music2" / "z.ogg")}));
  LibraryCache cache(profile());
  EXPECT_EQ(loadCachedLibrary(cache, {music()}).tracks.size(), 2u);
}

TEST_F(ScanTest, TracksAnotherConnectionRereadIsNotHandedOutStale) {
  copy("test.ogg", music() / "x.ogg");
  LibraryCache desktop(profile());
  ScanOptions options;
  const ScanResult before = scanMusicFolders(desktop, {music()}, options);
  ASSERT_EQ(before.library.tracks.size(), 1u);
  // A command on the same profile rereads the file after it changed.
  copy("multiple-vc.flac", music() / "x.ogg");
  shiftTime(music() / "x.ogg", 5);
  LibraryCache command(profile());
  const ScanResult reread = scanMusicFolders(command, {music()}, options);
  ASSERT_EQ(reread.counts.changed, 1u);
  const LibraryFile seen = loadCachedLibrary(desktop, {music()});
  ASSERT_EQ(seen.tracks.size(), 1u);
  EXPECT_EQ(encodeTrackRecord(*seen.tracks[0]), encodeTrackRecord(*reread.library.tracks[0]));
  EXPECT_NE(encodeTrackRecord(*seen.tracks[0]), encodeTrackRecord(*before.library.tracks[0]));
}

TEST_F(ScanTest, ADamagedCacheIsSetAsideAndRebuilt) {
  copy("test.ogg", music() / "x.ogg");
  fs::create_directories(profile());
  std::ofstream(profile() / "library.db") << std::string(5000, 'x');
  const ScanResult result = scan();
  EXPECT_EQ(result.counts.added, 1u);
  ASSERT_EQ(result.notices.size(), 1u);
  EXPECT_NE(result.notices[0].find("library.db.damaged"), std::string::npos);
  EXPECT_TRUE(fs::exists(profile() / "library.db.damaged"));
  EXPECT_TRUE(scan().notices.empty());
}

TEST_F(ScanTest, ACancelledScanKeepsTheCacheUsableAndTakesNothingAsGone) {
  for (const char* name : kSound) copy(name, music() / name);
  copy("test.ogg", music() / "sub" / "later.ogg");
  const std::atomic<bool> cancel{true};
  LibraryCache cache(profile());
  ScanOptions options;
  options.cancel = &cancel;
  const ScanResult stopped = scanMusicFolders(cache, {music()}, options);
  EXPECT_TRUE(stopped.cancelled);
  const ScanResult first = scan();
  EXPECT_FALSE(first.cancelled);
  EXPECT_EQ(first.counts.added + first.counts.unchanged, std::size(kSound) + 1);

  // A walk that stops early has not seen every file: none is taken as gone.
  fs::remove(music() / "test.ogg");
  const ScanResult again = scanMusicFolders(cache, {music()}, options);
  EXPECT_EQ(again.counts.removed, 0u);
  EXPECT_EQ(again.library.tracks.size(), std::size(kSound) + 1);
  EXPECT_EQ(scan().counts.removed, 1u);
}

TEST_F(ScanTest, AStartTakesTheScansSnapshotUntilAnyFileChanges) {
  // The rows are spoilt below: no file may be read again for being recent.
  recent_ = std::chrono::nanoseconds(0);
  for (const char* name : kSound) copy(name, music() / name);
  const ScanResult scanned = scan();
  changeCacheFile(profile(), kSpoilRows);
  LibraryCache start(profile());
  const LibraryFile loaded = loadCachedLibrary(start, {music()});
  ASSERT_EQ(paths(loaded.tracks), paths(scanned.library.tracks));
  for (std::size_t i = 0; i < loaded.tracks.size(); ++i) {
    EXPECT_EQ(encodeTrackRecord(*loaded.tracks[i]), encodeTrackRecord(*scanned.library.tracks[i]));
  }
  // A rescan knows the snapshot's tracks by their files' size and time.
  shiftTime(music() / "test.ogg", 5);
  ScanOptions options;
  options.recent = recent_;
  const ScanResult rescan = scanMusicFolders(start, {music()}, options);
  EXPECT_EQ(rescan.counts.changed, 1u);
  EXPECT_EQ(rescan.counts.unchanged, std::size(kSound) - 1);
  ASSERT_EQ(rescan.library.tracks.size(), loaded.tracks.size());
  for (std::size_t i = 0; i < loaded.tracks.size(); ++i) {
    const bool changed = rescan.library.tracks[i]->path() == fileUri(music() / "test.ogg");
    EXPECT_EQ(rescan.library.tracks[i] == loaded.tracks[i], !changed) << i;
  }
  // Another program writes a row: the snapshot is stale, the rows tell.
  changeCacheFile(profile(), kSpoilRows);
  {
    LibraryCache other(profile());
    other.begin();
    other.putFile(fileUri(music() / "new.ogg"), {1, 1, true}, encodeTrackRecord(*loaded.tracks[0]));
    other.commit();
  }
  LibraryCache after(profile());
  EXPECT_EQ(paths(loadCachedLibrary(after, {music()}).tracks),
            (std::vector<std::string>{fileUri(music() / "new.ogg")}));
}

// The desktop's rescans after a change leave the snapshot stale rather than
// writing the whole library again; the next start reads the rows.
TEST_F(ScanTest, ARescanThatKeepsNoSnapshotLeavesTheRowsToTell) {
  for (const char* name : kSound) copy(name, music() / name);
  scan();
  shiftTime(music() / "test.ogg", 5);
  {
    LibraryCache cache(profile());
    ScanOptions options;
    options.keep_snapshots = false;
    EXPECT_EQ(scanMusicFolders(cache, {music()}, options).counts.changed, 1u);
  }
  changeCacheFile(profile(), kSpoilRows);
  LibraryCache start(profile());
  EXPECT_LT(loadCachedLibrary(start, {music()}).tracks.size(), std::size(kSound));
}

// The desktop's watcher: a start that decoded the rows (no snapshot), whose
// tracks nobody else holds, then every file changes, twice. Each change
// makes the cache let go of a track it alone held; what it still knows of
// the others must not lean on the freed ones (AddressSanitizer tells).
TEST_F(ScanTest, RescansOfEveryFileWhenTheCacheAloneHoldsTheTracks) {
  constexpr std::size_t kFiles = 64;
  for (std::size_t i = 0; i < kFiles; ++i) {
    const char* name = kSound[i % std::size(kSound)];
    copy(name, music() / (std::to_string(i) + "_" + name));
  }
  const std::vector<std::string> expected = paths(scan().library.tracks);
  ASSERT_EQ(expected.size(), kFiles);
  changeCacheFile(profile(), "DELETE FROM snapshots");
  LibraryCache cache(profile());
  EXPECT_EQ(loadCachedLibrary(cache, {music()}).tracks.size(), kFiles);
  ScanOptions options;
  options.keep_snapshots = false;
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    for (const auto& entry : fs::directory_iterator(music())) shiftTime(entry.path(), 5 * round);
    const ScanResult rescan = scanMusicFolders(cache, {music()}, options);
    EXPECT_EQ(rescan.counts.changed, kFiles);
    EXPECT_EQ(paths(rescan.library.tracks), expected);
  }
}

TEST_F(ScanTest, ADamagedSnapshotGivesWayToTheRowsAndIsTakenAgain) {
  for (const char* name : kSound) copy(name, music() / name);
  const ScanResult scanned = scan();
  changeCacheFile(profile(), "UPDATE snapshots SET image = substr(image, 1, 100) || x'5a' || substr(image, 102)");
  LibraryCache start(profile());
  EXPECT_EQ(paths(loadCachedLibrary(start, {music()}).tracks), paths(scanned.library.tracks));
  // Current by its generation, but damaged: taken anew.
  EXPECT_TRUE(start.keepSnapshot(fileUri(music())));
  changeCacheFile(profile(), kSpoilRows);
  LibraryCache again(profile());
  EXPECT_EQ(paths(loadCachedLibrary(again, {music()}).tracks), paths(scanned.library.tracks));
}

// A snapshot passes its checksums, but names a field with a control
// character (made so, or damaged and sealed again): it cannot be taken.
TEST_F(ScanTest, ASnapshotNamingAFieldThatCannotBeAColumnGivesWayToTheRows) {
  copy("multiple-vc.flac", music() / "x.flac");
  const ScanResult scanned = scan();
  ASSERT_EQ(scanned.library.tracks.size(), 1u);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((profile() / "library.db").c_str(), &db), SQLITE_OK);
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, "SELECT image FROM snapshots", -1, &stmt, nullptr);
  ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
  std::string image(static_cast<const char*>(sqlite3_column_blob(stmt, 0)),
                    static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0)));
  sqlite3_finalize(stmt);
  // The table of names follows the header of seven words: a count, then
  // each name's size and bytes.
  constexpr std::size_t kFirstName = 7 * 8 + 4 + 4;
  ASSERT_GT(image.size(), kFirstName);
  image[kFirstName] = '\x1f';
  host::resealTrackImage(image);
  sqlite3_prepare_v2(db, "UPDATE snapshots SET image = ?", -1, &stmt, nullptr);
  sqlite3_bind_blob(stmt, 1, image.data(), static_cast<int>(image.size()), SQLITE_STATIC);
  EXPECT_EQ(sqlite3_step(stmt), SQLITE_DONE);
  sqlite3_finalize(stmt);
  sqlite3_close(db);

  LibraryCache start(profile());
  const LibraryFile loaded = loadCachedLibrary(start, {music()});
  ASSERT_EQ(loaded.tracks.size(), 1u);
  EXPECT_EQ(encodeTrackRecord(*loaded.tracks[0]), encodeTrackRecord(*scanned.library.tracks[0]));
}

// A cache of the third format knows no folders: it keeps its rows, and its
// next scan lists every folder.
TEST_F(ScanTest, ACacheOfTheThirdFormatKeepsItsRowsAndListsEveryFolder) {
  recent_ = std::chrono::nanoseconds(0);
  copy("test.ogg", music() / "x.ogg");
  const ScanResult scanned = scan();
  const std::string record = encodeTrackRecord(*scanned.library.tracks[0]);
  cache_.reset();
  changeCacheFile(profile(), "DROP TABLE walked_folders; PRAGMA user_version=3;");
  copy("test.ogg", music() / "y.ogg");
  LibraryCache cache(profile());
  EXPECT_TRUE(cache.takeNotices().empty());
  const LibraryFile loaded = loadCachedLibrary(cache, {music()});
  ASSERT_EQ(loaded.tracks.size(), 1u);
  EXPECT_EQ(encodeTrackRecord(*loaded.tracks[0]), record);
  const ScanResult rescanned = scan();
  EXPECT_EQ(rescanned.counts.folders_listed, 1u);
  EXPECT_EQ(rescanned.counts.added, 1u);
  EXPECT_EQ(rescanned.counts.unchanged, 1u);
}

TEST_F(ScanTest, ACacheOfTheFirstFormatKeepsItsRows) {
  copy("test.ogg", music() / "x.ogg");
  const ScanResult scanned = scan();
  const std::string record = encodeTrackRecord(*scanned.library.tracks[0]);
  cache_.reset();
  fs::remove_all(profile());
  fs::create_directories(profile());
  std::string hex;
  for (unsigned char byte : record) hex += "0123456789abcdef"[byte >> 4], hex += "0123456789abcdef"[byte & 15];
  changeCacheFile(profile(),
                  "CREATE TABLE files(path TEXT PRIMARY KEY, size INTEGER NOT NULL, mtime_ns INTEGER NOT NULL,"
                  " record BLOB) WITHOUT ROWID;"
                  "CREATE TABLE folders(path TEXT PRIMARY KEY, available INTEGER NOT NULL) WITHOUT ROWID;"
                  "INSERT INTO files VALUES('" + fileUri(music() / "x.ogg") + "', 1, 2, x'" + hex + "');"
                  "PRAGMA user_version=1;");
  LibraryCache cache(profile());
  EXPECT_TRUE(cache.takeNotices().empty());
  const LibraryFile loaded = loadCachedLibrary(cache, {music()});
  ASSERT_EQ(loaded.tracks.size(), 1u);
  EXPECT_EQ(encodeTrackRecord(*loaded.tracks[0]), record);
}

}  // namespace
}  // namespace library
