// Makes a music folder of real, tagged audio files for trying the scanner
// and for its tests and benchmarks.
//
//   vostrel_make_music --files 2000 --out /tmp/music [--corpus DIR] [--seed N] [--covers]
//
// Each file is a copy of one of a few small files of the tag corpus
// (tests/data/tag-corpus), laid out as "Artist/Album/NN Title.ext" and
// given its own artist, album, title, track number, genre and date with
// TagLib. Every seventh track has two artists and every fifth two genres;
// some names are not ASCII. The same count and seed make the same folder.
// With --covers, each album gets a generated cover (a PNG of 320 x 320 in
// the album's colours): embedded in the tags of its tracks for three albums
// in five, as "cover.png" in its folder for the fourth, none for the fifth.
// Files already there are overwritten; nothing else in the folder is
// touched.
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

#ifndef VOSTREL_TAG_CORPUS
#define VOSTREL_TAG_CORPUS "tests/data/tag-corpus"
#endif

namespace {

// Small, sound files of the corpus in several formats.
const char* const kTemplates[] = {"bladeenc.mp3", "test.ogg", "multiple-vc.flac", "has-tags.m4a",
                                  "correctness_gain_silent_output.opus"};

const char* const kArtistWords[] = {"Paper", "Glass", "Björk", "Nordlicht", "Ōkami", "Sierra", "Дождь",
                                    "Hollow", "Café", "東京", "Velvet", "Ñandú", "Copper", "Søren"};
const char* const kAlbumWords[] = {"Rain", "Highway", "Échos", "Satellite", "Winter", "Mirrors", "Ünder",
                                   "Lanterns", "Tide", "Ørsted", "Fields", "夜"};
const char* const kGenres[] = {"Rock", "Jazz", "Electronic", "Folk", "Ambient", "Pop", "Klassik", "Música Popular"};

struct Options {
  long files = 100;
  fs::path out;
  fs::path corpus = VOSTREL_TAG_CORPUS;
  unsigned seed = 1;
  bool covers = false;
};

bool parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--covers") {
      options.covers = true;
      continue;
    }
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    if (arg == "--files") {
      char* end = nullptr;
      options.files = std::strtol(value, &end, 10);
      if (*end != '\0' || options.files < 0) return false;
    } else if (arg == "--out") {
      options.out = value;
    } else if (arg == "--corpus") {
      options.corpus = value;
    } else if (arg == "--seed") {
      options.seed = static_cast<unsigned>(std::strtoul(value, nullptr, 10));
    } else {
      return false;
    }
  }
  return !options.out.empty();
}

// "Artist" names and the like: two words from `words`, different per index.
std::string name(const char* const* words, std::size_t count, std::size_t index) {
  return std::string(words[index % count]) + " " + words[(index * 5 + index / count + 1) % count] + " " +
         std::to_string(index + 1);
}

// A file name part: the text without '/'.
std::string fileName(std::string text) {
  for (char& c : text) {
    if (c == '/') c = '-';
  }
  return text;
}

bool writeTags(const fs::path& file, const TagLib::PropertyMap& tags) {
  TagLib::FileRef ref(file.c_str());
  if (ref.isNull()) return false;
  ref.file()->setProperties(tags);
  return ref.save();
}

// What cover an album gets with --covers.
enum class CoverKind { kEmbedded, kFolderImage, kNone };

CoverKind coverKind(std::size_t album_index) {
  switch (album_index % 5) {
    case 3:
      return CoverKind::kFolderImage;
    case 4:
      return CoverKind::kNone;
    default:
      return CoverKind::kEmbedded;
  }
}

void appendChunk(std::string& png, const char* type, const std::string& data) {
  const uint32_t size = static_cast<uint32_t>(data.size());
  for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<char>((size >> shift) & 0xff));
  const std::string body = type + data;
  png += body;
  const uint32_t crc =
      static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
  for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<char>((crc >> shift) & 0xff));
}

// A PNG of 320 x 320: a diagonal blend of two colours picked by `index`,
// crossed by a band of a third, so that neighbouring albums differ.
std::string coverPng(std::size_t index) {
  constexpr int kSide = 320;
  const auto channel = [index](int salt) { return static_cast<int>((index * 97 + salt * 61) % 200) + 30; };
  const int from[3] = {channel(1), channel(2), channel(3)}, to[3] = {channel(4), channel(5), channel(6)};
  std::string raw;
  raw.reserve(kSide * (kSide * 3 + 1));
  for (int y = 0; y < kSide; ++y) {
    raw.push_back('\0');  // no filter
    for (int x = 0; x < kSide; ++x) {
      const bool band = std::abs(x - y) < 24 + static_cast<int>(index % 3) * 16;
      for (int c = 0; c < 3; ++c) {
        const int value = band ? 255 - from[c] : from[c] + (to[c] - from[c]) * (x + y) / (2 * kSide);
        raw.push_back(static_cast<char>(value));
      }
    }
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packed_size, '\0');
  compress2(reinterpret_cast<Bytef*>(packed.data()), &packed_size, reinterpret_cast<const Bytef*>(raw.data()),
            static_cast<uLong>(raw.size()), 9);
  packed.resize(packed_size);
  std::string header;
  for (uint32_t value : {uint32_t{kSide}, uint32_t{kSide}}) {
    for (int shift = 24; shift >= 0; shift -= 8) header.push_back(static_cast<char>((value >> shift) & 0xff));
  }
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB
  std::string png("\x89PNG\r\n\x1a\n", 8);
  appendChunk(png, "IHDR", header);
  appendChunk(png, "IDAT", packed);
  appendChunk(png, "IEND", "");
  return png;
}

// Removes the pictures a template brought along (MP4 "covr"), so that an
// album meant to have no embedded cover has none.
bool removeCovers(const fs::path& file) {
  if (file.extension() != ".m4a") return true;
  TagLib::MP4::File mp4(file.c_str());
  if (!mp4.tag()->contains("covr")) return true;
  mp4.tag()->removeItem("covr");
  return mp4.save();
}

// Embeds `png` as the front cover in the tags of `file`, by its format.
bool embedCover(const fs::path& file, const std::string& png) {
  const TagLib::ByteVector data(png.data(), static_cast<unsigned>(png.size()));
  const auto flac_picture = [&data] {
    auto* picture = new TagLib::FLAC::Picture;
    picture->setType(TagLib::FLAC::Picture::FrontCover);
    picture->setMimeType("image/png");
    picture->setData(data);
    return picture;
  };
  const std::string extension = file.extension().string();
  if (extension == ".mp3") {
    TagLib::MPEG::File mpeg(file.c_str());
    auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
    frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    frame->setMimeType("image/png");
    frame->setPicture(data);
    mpeg.ID3v2Tag(true)->addFrame(frame);
    return mpeg.save();
  }
  if (extension == ".flac") {
    TagLib::FLAC::File flac(file.c_str());
    flac.addPicture(flac_picture());
    return flac.save();
  }
  if (extension == ".ogg") {
    TagLib::Ogg::Vorbis::File vorbis(file.c_str());
    vorbis.tag()->addPicture(flac_picture());
    return vorbis.save();
  }
  if (extension == ".opus") {
    TagLib::Ogg::Opus::File opus(file.c_str());
    opus.tag()->addPicture(flac_picture());
    return opus.save();
  }
  if (extension == ".m4a") {
    TagLib::MP4::File mp4(file.c_str());
    TagLib::MP4::CoverArtList list;
    list.append(TagLib::MP4::CoverArt(TagLib::MP4::CoverArt::PNG, data));
    mp4.tag()->setItem("covr", TagLib::MP4::Item(list));
    return mp4.save();
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    std::cerr << "usage: vostrel_make_music --files N --out DIR [--corpus DIR] [--seed N] [--covers]\n";
    return 2;
  }
  std::vector<fs::path> templates;
  for (const char* name : kTemplates) {
    const fs::path file = options.corpus / name;
    if (fs::is_regular_file(file)) templates.push_back(file);
  }
  if (templates.empty()) {
    std::cerr << "vostrel_make_music: no template files in " << options.corpus << " (give --corpus DIR)\n";
    return 2;
  }
  std::mt19937 rng(options.seed);
  const std::size_t artist_words = std::size(kArtistWords), album_words = std::size(kAlbumWords);
  constexpr long kTracksPerAlbum = 10, kAlbumsPerArtist = 3;
  for (long i = 0; i < options.files; ++i) {
    const auto album_index = static_cast<std::size_t>(i / kTracksPerAlbum);
    const auto artist_index = album_index / kAlbumsPerArtist;
    const long track_number = i % kTracksPerAlbum + 1;
    const std::string artist = name(kArtistWords, artist_words, artist_index);
    const std::string album = name(kAlbumWords, album_words, album_index);
    const std::string title = name(kAlbumWords, album_words, rng() % 1000) + " " + std::to_string(i);
    const fs::path& source = templates[album_index % templates.size()];
    const fs::path folder = options.out / fileName(artist) / fileName(album);
    char number[8];
    std::snprintf(number, sizeof number, "%02ld", track_number);
    const fs::path target = folder / (std::string(number) + " " + fileName(title) + source.extension().string());
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec)) {
      std::cerr << "vostrel_make_music: cannot write " << target << ": " << ec.message() << "\n";
      return 1;
    }
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
    TagLib::PropertyMap tags;
    TagLib::StringList artists(TagLib::String(artist, TagLib::String::UTF8));
    if (i % 7 == 3) artists.append(TagLib::String(name(kArtistWords, artist_words, artist_index + 5), TagLib::String::UTF8));
    tags.insert("ARTIST", artists);
    tags.insert("ALBUM", TagLib::StringList(TagLib::String(album, TagLib::String::UTF8)));
    tags.insert("TITLE", TagLib::StringList(TagLib::String(title, TagLib::String::UTF8)));
    tags.insert("TRACKNUMBER", TagLib::StringList(TagLib::String(std::to_string(track_number))));
    tags.insert("DATE", TagLib::StringList(TagLib::String(std::to_string(1960 + album_index % 60))));
    TagLib::StringList genres(TagLib::String(kGenres[album_index % std::size(kGenres)], TagLib::String::UTF8));
    if (i % 5 == 2) genres.append(TagLib::String(kGenres[(album_index + 3) % std::size(kGenres)], TagLib::String::UTF8));
    tags.insert("GENRE", genres);
    if (!writeTags(target, tags)) {
      std::cerr << "vostrel_make_music: cannot write the tags of " << target << "\n";
      return 1;
    }
    if (!options.covers) continue;
    const CoverKind kind = coverKind(album_index);
    if (kind == CoverKind::kEmbedded ? !embedCover(target, coverPng(album_index)) : !removeCovers(target)) {
      std::cerr << "vostrel_make_music: cannot embed a cover in " << target << "\n";
      return 1;
    }
    if (kind == CoverKind::kFolderImage && track_number == 1) {
      const std::string png = coverPng(album_index);
      std::ofstream out(folder / "cover.png", std::ios::binary | std::ios::trunc);
      if (!out.write(png.data(), static_cast<std::streamsize>(png.size()))) {
        std::cerr << "vostrel_make_music: cannot write " << (folder / "cover.png") << "\n";
        return 1;
      }
    }
  }
  std::cout << "Made " << options.files << " files in " << options.out.string() << "\n";
  return 0;
}
