// Makes a music folder of real, tagged audio files for trying the scanner
// and for its tests and benchmarks.
//
//   vostrel_make_music --files 2000 --out /tmp/music [--corpus DIR] [--seed N]
//
// Each file is a copy of one of a few small files of the tag corpus
// (tests/data/tag-corpus), laid out as "Artist/Album/NN Title.ext" and
// given its own artist, album, title, track number, genre and date with
// TagLib. Every seventh track has two artists and every fifth two genres;
// some names are not ASCII. The same count and seed make the same folder.
// Files already there are overwritten; nothing else in the folder is
// touched.
#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>

#include <cstdlib>
#include <filesystem>
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
};

bool parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
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

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    std::cerr << "usage: vostrel_make_music --files N --out DIR [--corpus DIR] [--seed N]\n";
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
  }
  std::cout << "Made " << options.files << " files in " << options.out.string() << "\n";
  return 0;
}
