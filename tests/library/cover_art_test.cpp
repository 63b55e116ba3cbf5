// Cover pictures: each tag format's picture, the front cover among several,
// embedded pictures before folder images, oversized pictures refused, and
// the cache's keys, bound and damaged entries.
#include "library/cover_art.h"

#include <gtest/gtest.h>
#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "library/cover_cache.h"
#include "support/fake_host.h"

namespace library {
namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

fs::path coverCorpusDir() { return fs::path(VOSTREL_TEST_DATA_DIR) / "tag-corpus"; }

TagLib::ByteVector bytes(const std::string& text) {
  return TagLib::ByteVector(text.data(), static_cast<unsigned>(text.size()));
}

void writeCoverFile(const fs::path& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }

fs::path copyCorpus(const char* name, const fs::path& folder) {
  const fs::path target = folder / name;
  fs::copy_file(coverCorpusDir() / name, target, fs::copy_options::overwrite_existing);
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
  return target;
}

// Real files of the corpus that carry a picture: its size and first bytes.
struct CorpusCase {
  const char* file;
  std::size_t size;
  const char* starts;
};

void PrintTo(const CorpusCase& c, std::ostream* out) { *out << c.file; }

std::string caseName(std::string file) {
  for (char& c : file) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return file;
}

class CorpusCoverTest : public testing::TestWithParam<CorpusCase> {};

TEST_P(CorpusCoverTest, ReadsTheEmbeddedPicture) {
  const CorpusCase& c = GetParam();
  const CoverPicture cover = readEmbeddedCover(coverCorpusDir() / c.file);
  ASSERT_TRUE(cover.found()) << c.file;
  EXPECT_TRUE(cover.source.embedded);
  EXPECT_EQ(cover.bytes.size(), c.size);
  EXPECT_EQ(cover.bytes.substr(0, std::string(c.starts).size()), c.starts);
}

INSTANTIATE_TEST_SUITE_P(Formats, CorpusCoverTest,
                         testing::Values(CorpusCase{"itunes10.mp3", 2315, "\x89PNG"},      // ID3v2 APIC
                                         CorpusCase{"silence-44-s.flac", 150, "\x89PNG"},  // FLAC block
                                         CorpusCase{"has-tags.m4a", 79, "\x89PNG"},        // MP4 covr
                                         CorpusCase{"lowercase-fields.ogg", 9, "JPEG"}),  // Vorbis comment
                         [](const testing::TestParamInfo<CorpusCase>& info) { return caseName(info.param.file); });

// Each format given two pictures, a back cover then the front cover: the
// front one is read. MP4 pictures have no type: the first is read there.
struct EmbedCase {
  const char* template_file;
  std::function<void(const fs::path&)> embed;
  const char* expected;
};

TagLib::ID3v2::AttachedPictureFrame* apic(const std::string& data, TagLib::ID3v2::AttachedPictureFrame::Type type) {
  auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
  frame->setMimeType("image/png");
  frame->setPicture(bytes(data));
  frame->setType(type);
  return frame;
}

TagLib::FLAC::Picture* flacPicture(const std::string& data, TagLib::FLAC::Picture::Type type) {
  auto* picture = new TagLib::FLAC::Picture;
  picture->setMimeType("image/png");
  picture->setData(bytes(data));
  picture->setType(type);
  return picture;
}

void addXiphPictures(TagLib::Ogg::XiphComment* tag) {
  tag->addPicture(flacPicture("back", TagLib::FLAC::Picture::BackCover));
  tag->addPicture(flacPicture("front", TagLib::FLAC::Picture::FrontCover));
}

void setApePictures(TagLib::APE::Tag* tag) {
  TagLib::APE::Item back("Cover Art (Other)", TagLib::StringList());
  back.setBinaryData(bytes(std::string("b.png\0back", 10)));
  back.setType(TagLib::APE::Item::Binary);
  TagLib::APE::Item front("Cover Art (Front)", TagLib::StringList());
  front.setBinaryData(bytes(std::string("f.png\0front", 11)));
  front.setType(TagLib::APE::Item::Binary);
  tag->setItem("Cover Art (Other)", back);
  tag->setItem("Cover Art (Front)", front);
}

const EmbedCase kEmbedCases[] = {
    {"bladeenc.mp3",
     [](const fs::path& file) {
       TagLib::MPEG::File mpeg(file.c_str());
       mpeg.ID3v2Tag(true)->addFrame(apic("back", TagLib::ID3v2::AttachedPictureFrame::BackCover));
       mpeg.ID3v2Tag(true)->addFrame(apic("front", TagLib::ID3v2::AttachedPictureFrame::FrontCover));
       ASSERT_TRUE(mpeg.save());
     },
     "front"},
    {"multiple-vc.flac",
     [](const fs::path& file) {
       TagLib::FLAC::File flac(file.c_str());
       flac.addPicture(flacPicture("back", TagLib::FLAC::Picture::BackCover));
       flac.addPicture(flacPicture("front", TagLib::FLAC::Picture::FrontCover));
       ASSERT_TRUE(flac.save());
     },
     "front"},
    {"test.ogg",
     [](const fs::path& file) {
       TagLib::Ogg::Vorbis::File vorbis(file.c_str());
       addXiphPictures(vorbis.tag());
       ASSERT_TRUE(vorbis.save());
     },
     "front"},
    {"correctness_gain_silent_output.opus",
     [](const fs::path& file) {
       TagLib::Ogg::Opus::File opus(file.c_str());
       addXiphPictures(opus.tag());
       ASSERT_TRUE(opus.save());
     },
     "front"},
    {"no-tags.m4a",
     [](const fs::path& file) {
       TagLib::MP4::File mp4(file.c_str());
       TagLib::MP4::CoverArtList list;
       list.append(TagLib::MP4::CoverArt(TagLib::MP4::CoverArt::PNG, bytes("first")));
       list.append(TagLib::MP4::CoverArt(TagLib::MP4::CoverArt::JPEG, bytes("second")));
       mp4.tag()->setItem("covr", TagLib::MP4::Item(list));
       ASSERT_TRUE(mp4.save());
     },
     "first"},
    {"mac-399.ape",
     [](const fs::path& file) {
       TagLib::APE::File ape(file.c_str());
       setApePictures(ape.APETag(true));
       ASSERT_TRUE(ape.save());
     },
     "front"},
    {"click.wv",
     [](const fs::path& file) {
       TagLib::WavPack::File wavpack(file.c_str());
       setApePictures(wavpack.APETag(true));
       ASSERT_TRUE(wavpack.save());
     },
     "front"},
};

void PrintTo(const EmbedCase& c, std::ostream* out) { *out << c.template_file; }

class EmbeddedCoverTest : public testing::TestWithParam<EmbedCase> {};

TEST_P(EmbeddedCoverTest, ReadsTheFrontCoverOfSeveral) {
  TempDir dir;
  const fs::path file = copyCorpus(GetParam().template_file, dir.path());
  ASSERT_FALSE(readEmbeddedCover(file).found());
  GetParam().embed(file);
  EXPECT_EQ(readEmbeddedCover(file).bytes, GetParam().expected) << GetParam().template_file;
}

INSTANTIATE_TEST_SUITE_P(Formats, EmbeddedCoverTest, testing::ValuesIn(kEmbedCases),
                         [](const testing::TestParamInfo<EmbedCase>& info) {
                           return caseName(info.param.template_file);
                         });

TEST(CoverLookupTest, EmbeddedPictureComesBeforeTheFolderImage) {
  TempDir dir;
  writeCoverFile(dir.path() / "cover.jpg", "folder picture");
  const fs::path tagged = copyCorpus("itunes10.mp3", dir.path());
  const fs::path plain = copyCorpus("bladeenc.mp3", dir.path());
  const CoverPicture embedded = readCover(tagged);
  EXPECT_TRUE(embedded.source.embedded);
  EXPECT_EQ(embedded.source.file, tagged);
  EXPECT_EQ(embedded.bytes.size(), 2315u);
  const CoverPicture folder = readCover(plain);
  EXPECT_FALSE(folder.source.embedded);
  EXPECT_EQ(folder.source.file, dir.path() / "cover.jpg");
  EXPECT_EQ(folder.bytes, "folder picture");
}

// Which image a folder's files give; empty: none.
struct FolderCase {
  std::vector<const char*> files;
  const char* expected;
};

class FolderImageTest : public testing::TestWithParam<FolderCase> {};

TEST_P(FolderImageTest, PicksTheCoverImage) {
  TempDir dir;
  for (const char* name : GetParam().files) writeCoverFile(dir.path() / name, "x");
  const auto found = findFolderImage(dir.path());
  if (*GetParam().expected == '\0') {
    EXPECT_FALSE(found) << *found;
  } else {
    ASSERT_TRUE(found);
    EXPECT_EQ(found->filename(), GetParam().expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, FolderImageTest,
    testing::Values(FolderCase{{"album.png", "front.webp", "folder.jpeg", "cover.jpg"}, "cover.jpg"},
                    FolderCase{{"album.png", "front.webp", "folder.jpeg"}, "folder.jpeg"},
                    FolderCase{{"album.png", "Front.WEBP"}, "Front.WEBP"}, FolderCase{{"ALBUM.PNG"}, "ALBUM.PNG"},
                    FolderCase{{"Folder.JPG", "cover.gif", "covers.jpg", "cover.jpg.txt"}, "Folder.JPG"},
                    FolderCase{{"cover.gif", "back.jpg", "scan.png", "01 cover.jpg"}, ""}));

// A syncsafe 28-bit size, as ID3v2.4 headers hold it.
std::string syncsafe(uint32_t size) {
  return {static_cast<char>((size >> 21) & 0x7f), static_cast<char>((size >> 14) & 0x7f),
          static_cast<char>((size >> 7) & 0x7f), static_cast<char>(size & 0x7f)};
}

// Hostile pictures are refused, quickly and without reading what they
// claim; the folder image stands in when the tag's picture is refused.
TEST(HostileCoverTest, RefusesAnImageFileOverTheLimitUnread) {
  TempDir dir;
  const fs::path track = copyCorpus("bladeenc.mp3", dir.path());
  writeCoverFile(dir.path() / "cover.png", "");
  fs::resize_file(dir.path() / "cover.png", uint64_t{3} << 30);  // sparse: no disk used
  const auto start = std::chrono::steady_clock::now();
  const CoverPicture cover = readCover(track);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_FALSE(cover.found());
  EXPECT_NE(cover.refused.find("too large"), std::string::npos) << cover.refused;
}

TEST(HostileCoverTest, APictureFrameClaimingGigabytesGivesNoPicture) {
  TempDir dir;
  // An ID3v2.4 tag and APIC frame that claim about 256 MiB, in a small file.
  std::string frame_body = std::string("\0image/png\0\x03\0", 13) + "\x89PNG but cut short";
  std::string tag = "ID3" + std::string("\x04\x00\x00", 3) + syncsafe(0x0ffffff0) + "APIC" + syncsafe(0x0fffffe0) +
                    std::string(2, '\0') + frame_body;
  std::ifstream sound(coverCorpusDir() / "bladeenc.mp3", std::ios::binary);
  const std::string audio((std::istreambuf_iterator<char>(sound)), std::istreambuf_iterator<char>());
  const fs::path track = dir.path() / "claims.mp3";
  writeCoverFile(track, tag + audio);
  writeCoverFile(dir.path() / "folder.jpg", "folder picture");
  const auto start = std::chrono::steady_clock::now();
  const CoverPicture cover = readCover(track);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_FALSE(cover.source.embedded);
  EXPECT_EQ(cover.bytes, "folder picture");
}

TEST(HostileCoverTest, RefusesATagPictureOverTheLimit) {
  TempDir dir;
  const fs::path track = copyCorpus("bladeenc.mp3", dir.path());
  {
    TagLib::MPEG::File mpeg(track.c_str());
    mpeg.ID3v2Tag(true)->addFrame(
        apic(std::string(kMaxCoverBytes + 1, 'x'), TagLib::ID3v2::AttachedPictureFrame::FrontCover));
    ASSERT_TRUE(mpeg.save());
  }
  const CoverPicture cover = readCover(track);
  EXPECT_FALSE(cover.found());
  EXPECT_NE(cover.refused.find("too large"), std::string::npos) << cover.refused;
}

CoverSource source(const char* file, bool embedded, int64_t mtime, uint64_t size) {
  return CoverSource{file, embedded, mtime, size};
}

TEST(CoverCacheTest, KeysDifferByFileKindTimeAndSize) {
  const std::string key = CoverCache::key(source("/m/a.mp3", true, 100, 5));
  EXPECT_EQ(key, CoverCache::key(source("/m/a.mp3", true, 100, 5)));
  EXPECT_EQ(key.size(), 32u);
  for (const CoverSource& other : {source("/m/b.mp3", true, 100, 5), source("/m/a.mp3", false, 100, 5),
                                   source("/m/a.mp3", true, 101, 5), source("/m/a.mp3", true, 100, 6)}) {
    EXPECT_NE(CoverCache::key(other), key) << other.file << " " << other.mtime << " " << other.size;
  }
}

TEST(CoverCacheTest, FolderFollowsXdgCacheHome) {
  const char* saved = std::getenv("XDG_CACHE_HOME");
  const std::string restore = saved != nullptr ? saved : "";
  setenv("XDG_CACHE_HOME", "/somewhere/cache", 1);
  EXPECT_EQ(CoverCache::defaultFolder(), fs::path("/somewhere/cache/vostrel/covers"));
  setenv("XDG_CACHE_HOME", "relative/ignored", 1);
  EXPECT_EQ(CoverCache::defaultFolder(), fs::path(std::getenv("HOME")) / ".cache/vostrel/covers");
  if (saved != nullptr) {
    setenv("XDG_CACHE_HOME", restore.c_str(), 1);
  } else {
    unsetenv("XDG_CACHE_HOME");
  }
}

// Sets an entry's last use `age` seconds back.
void age(const CoverCache& cache, const std::string& key, int seconds) {
  fs::last_write_time(cache.entryPath(key), fs::file_time_type::clock::now() - std::chrono::seconds(seconds));
}

TEST(CoverCacheTest, StoringPastTheBoundRemovesTheLeastRecentlyUsed) {
  TempDir dir;
  CoverCache cache(dir.path() / "covers", 250);
  cache.store("a", std::string(100, 'a'));
  cache.store("b", std::string(100, 'b'));
  age(cache, "a", 30);
  age(cache, "b", 20);
  ASSERT_TRUE(cache.find("a"));  // now the most recently used
  cache.store("c", std::string(100, 'c'));
  EXPECT_TRUE(cache.find("a"));
  EXPECT_FALSE(cache.find("b"));
  EXPECT_TRUE(cache.find("c"));
  // An entry larger than the whole bound stays alone.
  cache.store("big", std::string(300, 'x'));
  EXPECT_TRUE(cache.find("big"));
  EXPECT_FALSE(cache.find("a"));
  EXPECT_FALSE(cache.find("c"));
}

TEST(CoverCacheTest, EmptyOrDiscardedEntriesAreNotFound) {
  TempDir dir;
  CoverCache cache(dir.path(), 1000);
  EXPECT_FALSE(cache.find("none"));
  const fs::path file = cache.store("k", "picture");
  EXPECT_EQ(file, dir.path() / "k.png");
  EXPECT_EQ(cache.find("k"), file);
  fs::resize_file(file, 0);  // cut short by a full disk
  EXPECT_FALSE(cache.find("k"));
  cache.store("k", "picture");
  cache.discard("k");
  EXPECT_FALSE(fs::exists(file));
}

}  // namespace
}  // namespace library
